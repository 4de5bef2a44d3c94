// The rules an index keeps with it (in its data directory, admin/
// index_rules_file.h) and that create, update and add follow: which files
// of the document tree are its documents, and how each is read.
//
// A path is checked against the include and exclude globs (admin/
// path_glob.h) in the order they were given; the last one that matches
// decides. A path that none matches is a document, unless the first rule
// is an include: then only what the rules include is. So "--exclude
// 'api/**' --include api/index.html" leaves api/ out but for its index
// page, and "--include 'manual/**' --exclude 'manual/old/**'" takes only
// manual/, without manual/old/.
#pragma once

#include <string>
#include <vector>

#include "admin/document_reader.h"
#include "admin/document_rules.h"

namespace zeb::admin {

// Include and exclude rules an index may have.
constexpr size_t kMaxGlobRules = 64;

struct GlobRule {
  bool include = false;
  std::string glob;
};

// The file kinds an index may take, by file name ending (any letter case).
enum KindBits : unsigned { kKindHtml = 1, kKindHtm = 2, kKindTxt = 4, kAllKinds = 7 };

struct IndexRules {
  std::vector<GlobRule> globs;
  unsigned kinds = kAllKinds;
  DocumentRules documents;

  // What a new index starts with: every kind, no globs, and what the page
  // says, furniture and duplicates taken care of.
  static IndexRules for_new_index();

  // Whether the path's kind is one the index takes.
  bool takes_kind(const std::string& path) const;
  // Whether the globs let the path in; when not, `rule` is the rule that
  // left it out (empty when the first rule is an include and none matched).
  bool admits(const std::string& path, std::string* rule = nullptr) const;
};

// "html,htm" and the like into KindBits; false with a message.
bool parse_kinds(const std::string& list, unsigned& kinds, std::string& error);
// The kinds as the file names end: ".html, .htm or .txt".
std::string describe_kinds(unsigned kinds);

// Changes to the rules, as zebadm create and zebadm rules take them.
struct RuleChanges {
  bool reset = false;                  // --reset: start again from a new index's rules
  std::vector<GlobRule> globs;         // --include/--exclude, appended in order
  bool has_kinds = false;
  unsigned kinds = kAllKinds;          // --kinds
  std::vector<std::string> ignore_classes;  // --ignore-class, appended
  bool clear_classes = false;          // --ignore-class ''
  int page_marks = -1, furniture = -1, fold_duplicates = -1;  // -1: as they were

  bool any() const;
};

// Reads one rule option with its value ("--exclude", "_sources/**");
// false with a message when the value is not acceptable. `option` is not a
// rule option when recognised is left false.
bool parse_rule_option(const std::string& option, const std::string& value,
                       RuleChanges& changes, bool& recognised, std::string& error);

// Applies `changes`; false with a message when the rules would grow past
// their bounds.
bool apply_rule_changes(IndexRules& rules, const RuleChanges& changes, std::string& error);

}  // namespace zeb::admin
