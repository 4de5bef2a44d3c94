// The include and exclude rules of an index: globs, how the rules combine,
// the file kinds, and the rules file written and read back.
#include "admin/index_rules.h"

#include <gtest/gtest.h>

#include "admin/index_rules_file.h"
#include "admin/path_glob.h"

namespace zeb::admin {
namespace {

TEST(PathGlob, MatchesAtTheTopAtDepthAndBelowDirectories) {
  struct Case {
    const char* glob;
    const char* path;
    bool matches;
  } cases[] = {
      {"*.txt", "notes.txt", true},
      {"*.txt", "guide/notes.txt", false},      // '*' stays within a directory
      {"**/*.txt", "notes.txt", true},          // '**' may stand for no directory
      {"**/*.txt", "a/b/c/notes.txt", true},
      {"a/**/b.html", "a/b.html", true},
      {"a/**/b.html", "a/x/y/b.html", true},
      {"a/**/b.html", "ab/b.html", false},
      {"_sources", "_sources/index.txt", true},  // a directory: everything below
      {"_sources", "_sources.txt", false},
      {"_sources/**", "_sources/a/b.txt", true},
      {"**/_sources", "lib/_sources/x.txt", true},
      {"guide/?.html", "guide/a.html", true},
      {"guide/?.html", "guide/\xC3\xA9.html", true},  // one character, two bytes
      {"guide/?.html", "guide/ab.html", false},
      {"g*e/*", "guide/x.html", true},
      {"*a*b*c", "xaxbxbxc", true},
      {"*a*b*c", "xaxbxbxcx", false},
      {"a**b", "a/b", false},                   // within a component '**' is '*'
      {"Guide", "guide/x.html", false},         // letter case counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.glob) + " ~ " + c.path);
    EXPECT_EQ(glob_matches(c.glob, c.path), c.matches);
  }
  std::string error;
  for (const char* bad : {"", "/etc/**", "a//b", "./a", "a/../b", "a\nb"})
    EXPECT_FALSE(acceptable_glob(bad, error)) << bad;
  EXPECT_FALSE(acceptable_glob(std::string(kMaxGlobBytes + 1, 'a'), error));
  EXPECT_TRUE(acceptable_glob(std::string(kMaxGlobBytes, 'a'), error));
}

IndexRules rules_of(std::vector<GlobRule> globs) {
  IndexRules rules;
  rules.globs = std::move(globs);
  return rules;
}

TEST(IndexRules, TheLastMatchingRuleDecidesAndALeadingIncludeTakesOnlyWhatItNames) {
  const IndexRules exclude_with_exception =
      rules_of({{false, "api/**"}, {true, "api/index.html"}});
  const IndexRules only_manual = rules_of({{true, "manual"}, {false, "manual/old"}});
  struct Case {
    const IndexRules* rules;
    const char* path;
    bool admitted;
  } cases[] = {
      {&exclude_with_exception, "api/x.html", false},
      {&exclude_with_exception, "api/index.html", true},
      {&exclude_with_exception, "api/deeper/index.html", false},
      {&exclude_with_exception, "guide.html", true},
      {&only_manual, "manual/a.html", true},
      {&only_manual, "manual/old/a.html", false},
      {&only_manual, "index.html", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.rules->admits(c.path), c.admitted);
  }
  std::string rule = "x";
  EXPECT_FALSE(exclude_with_exception.admits("api/x.html", &rule));
  EXPECT_EQ(rule, "--exclude api/**");
  EXPECT_FALSE(only_manual.admits("index.html", &rule));
  EXPECT_EQ(rule, "");

  IndexRules kinds;
  std::string error;
  ASSERT_TRUE(parse_kinds("html,.htm", kinds.kinds, error));
  EXPECT_TRUE(kinds.takes_kind("a/B.HTML"));
  EXPECT_TRUE(kinds.takes_kind("b.htm"));
  EXPECT_FALSE(kinds.takes_kind("c.txt"));
  EXPECT_EQ(describe_kinds(kinds.kinds), ".html or .htm");
  EXPECT_FALSE(parse_kinds("html,pdf", kinds.kinds, error));
  EXPECT_FALSE(parse_kinds("", kinds.kinds, error));
}

TEST(IndexRulesFile, WhatIsWrittenReadsBackAndBadLinesAreNamed) {
  IndexRules rules = IndexRules::for_new_index();
  RuleChanges changes;
  bool recognised = false;
  std::string error;
  for (const auto& [option, value] : std::vector<std::pair<std::string, std::string>>{
           {"--exclude", "_sources/**"}, {"--include", "_sources/keep me.txt"},
           {"--kinds", "html,txt"}, {"--ignore-class", "navheader"},
           {"--furniture", "keep"}, {"--duplicates", "keep"}}) {
    ASSERT_TRUE(parse_rule_option(option, value, changes, recognised, error)) << error;
    ASSERT_TRUE(recognised);
  }
  ASSERT_TRUE(apply_rule_changes(rules, changes, error)) << error;
  IndexRules read;
  ASSERT_TRUE(parse_index_rules(format_index_rules(rules), "rules", read, error)) << error;
  EXPECT_EQ(format_index_rules(read), format_index_rules(rules));
  EXPECT_TRUE(read.documents.page_marks);
  EXPECT_FALSE(read.documents.furniture);
  EXPECT_EQ(read.documents.ignore_classes, std::vector<std::string>{"navheader"});
  EXPECT_EQ(read.documents.signature(), "marks class=navheader");
  EXPECT_EQ(IndexRules{}.documents.signature(), "");  // what an index of earlier versions has
  ASSERT_EQ(read.globs.size(), 2u);
  EXPECT_EQ(read.globs[1].glob, "_sources/keep me.txt");

  for (const char* bad : {"kinds html\nexclude /abs\n", "furniture maybe\n", "colour red\n",
                          "ignore-class\n"}) {
    EXPECT_FALSE(parse_index_rules(bad, "rules", read, error)) << bad;
    EXPECT_NE(error.find("rules line"), std::string::npos) << error;
  }
  parse_rule_option("--bogus", "x", changes, recognised, error);
  EXPECT_FALSE(recognised);
  RuleChanges too_many;
  for (size_t i = 0; i <= kMaxGlobRules; ++i) too_many.globs.push_back({false, "a"});
  EXPECT_FALSE(apply_rule_changes(rules, too_many, error));
}

}  // namespace
}  // namespace zeb::admin
