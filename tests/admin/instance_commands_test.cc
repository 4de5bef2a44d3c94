// zebadm's command line, init and the look-up table commands.
#include <gtest/gtest.h>

#include "backend/catalogue.h"
#include "results/lookup_table_writer.h"
#include "temp_tree.h"
#include "zebadm_runner.h"

namespace zeb {
namespace {

using testing_support::run_admin;
using testing_support::TempTree;

TEST(ZebadmCommandLine, EveryCommandHasHelp) {
  const std::vector<std::vector<std::string>> commands = {
      {"init"}, {"create"}, {"update"}, {"add"}, {"list"}, {"status"}, {"suspend"},
      {"resume"}, {"clear"}, {"delete"}, {"check"}, {"rules"}, {"log"}, {"report"},
      {"map", "list"}, {"map", "set"}, {"map", "remove"}};
  for (auto args : commands) {
    const std::string name = args.size() == 1 ? args[0] : args[0] + " " + args[1];
    args.push_back("--help");
    const auto run = run_admin(args);
    EXPECT_EQ(run.status, 0) << name;
    EXPECT_EQ(run.out.rfind("usage: zebadm [--instance DIR] " + name, 0), 0u) << run.out;
  }
  const auto general = run_admin({"--help"});
  EXPECT_EQ(general.status, 0);
  EXPECT_NE(general.out.find("map set INDEX LOCATION"), std::string::npos);
}

TEST(ZebadmCommandLine, MisuseIsRefusedWithStatusTwo) {
  const std::vector<std::vector<std::string>> misuses = {
      {},
      {"frobnicate"},
      {"map"},
      {"map", "show"},
      {"create", "DOCS"},
      {"status"},
      {"status", "A", "B"},
      {"list", "extra"},
      {"update", "DOCS", "--location", "/x"},
      {"create", "DOCS", "/tmp", "--location"},
      {"create", "DOCS", "/tmp", "--exclude"},
      {"create", "DOCS", "/tmp", "--reset"},
      {"create", "DOCS", "/tmp", "--kinds", "pdf"},
      {"list", "--kinds", "html"},
      {"list", "--verbose"},
      {"--instance"},
  };
  for (const auto& args : misuses) {
    const auto run = run_admin(args, "/nonexistent");
    EXPECT_EQ(run.status, 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_FALSE(run.err.empty());
    EXPECT_TRUE(run.out.empty());
  }
}

TEST(ZebadmInit, MakesTheInstanceLayout) {
  TempTree tree;
  const std::string dir = tree.path("site/Instance");
  const auto run = run_admin({"init", "demo", "--instance", dir});
  ASSERT_EQ(run.status, 0) << run.err;
  backend::Catalogue catalogue;
  std::string error;
  ASSERT_TRUE(backend::load_catalogue(dir, catalogue, error)) << error;
  EXPECT_EQ(catalogue.instance_name, "DEMO");
  EXPECT_TRUE(catalogue.indexes.empty());
  EXPECT_TRUE(tree.exists("site/Instance/data"));
  // The path names an instance directory: the table lies in it.
  EXPECT_EQ(lookup_table_file(dir), dir + "/ZEBMAP.DAT");
  EXPECT_TRUE(tree.exists("site/Instance/ZEBMAP.DAT"));
  EXPECT_EQ(tree.read("site/Instance/ZEBMAP.DAT"), "");
  EXPECT_NE(tree.read("site/Instance/header.html").find("<body>"), std::string::npos);
  EXPECT_TRUE(tree.exists("site/Instance/footer.html"));

  // A second init is refused and changes nothing.
  const auto again = run_admin({"init", "OTHER"}, dir.c_str());
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("already holds an instance"), std::string::npos);
  ASSERT_TRUE(backend::load_catalogue(dir, catalogue, error));
  EXPECT_EQ(catalogue.instance_name, "DEMO");
}

TEST(ZebadmInit, ElsewhereTheTableGoesBelowInstanceHelpData) {
  TempTree tree;
  tree.write("srv/header.html", "site header");
  const auto run = run_admin({"init", "X"}, tree.path("srv").c_str());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(tree.exists("srv/INSTANCE/help/DATA/ZEBMAP.DAT"));
  EXPECT_EQ(tree.read("srv/header.html"), "site header");  // kept
}

TEST(ZebadmInit, ErrorsAreReported) {
  TempTree tree;
  EXPECT_EQ(run_admin({"init", "X"}).status, 1);  // no instance directory at all
  for (const char* bad : {"", "a b", "tab\there", "x/y", "NAME_WITH_MORE_THAN_32_CHARACTERS_"}) {
    const auto run = run_admin({"init", bad}, tree.path("i").c_str());
    EXPECT_EQ(run.status, 1) << bad;
    EXPECT_NE(run.err.find("instance name"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(tree.exists("i"));
  tree.write("file", "x");
  const auto run = run_admin({"init", "X"}, tree.path("file/instance").c_str());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot make"), std::string::npos) << run.err;
}

TEST(ZebadmMap, SetListRemove) {
  TempTree tree;
  const std::string dir = tree.path("instance");
  ASSERT_EQ(run_admin({"init", "X"}, dir.c_str()).status, 0);

  auto run = run_admin({"map", "set", "docs", "http://example.org/docs"}, dir.c_str());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("no index DOCS"), std::string::npos);  // a warning only
  EXPECT_EQ(run_admin({"map", "set", "web", "/srv/www"}, dir.c_str()).status, 0);
  EXPECT_EQ(run_admin({"map", "set", "DOCS", "/srv/docs"}, dir.c_str()).status, 0);
  EXPECT_EQ(tree.read("instance/ZEBMAP.DAT"), "\"DOCS\",\"/srv/docs\",\"\"\n\"WEB\",\"/srv/www\",\"\"");

  run = run_admin({"map", "list"}, dir.c_str());
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("DOCS         /srv/docs\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("WEB          /srv/www\n"), std::string::npos) << run.out;

  run = run_admin({"map", "remove", "docs"}, dir.c_str());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(tree.read("instance/ZEBMAP.DAT"), "\"WEB\",\"/srv/www\",\"\"");
  run = run_admin({"map", "remove", "docs"}, dir.c_str());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no record for DOCS"), std::string::npos);
}

TEST(ZebadmMap, RecordsTheSearchCouldNotReadAreRefused) {
  TempTree tree;
  const std::string dir = tree.path("instance");
  ASSERT_EQ(run_admin({"init", "X"}, dir.c_str()).status, 0);
  EXPECT_EQ(run_admin({"map", "set", "bad-name", "/x"}, dir.c_str()).status, 1);
  EXPECT_EQ(run_admin({"map", "set", "A", "a\",\"b"}, dir.c_str()).status, 1);
  EXPECT_EQ(run_admin({"map", "set", "A", std::string(200, 'x')}, dir.c_str()).status, 1);
  EXPECT_EQ(tree.read("instance/ZEBMAP.DAT"), "");
  // Commands other than init need an instance.
  const auto run = run_admin({"map", "list"}, tree.path("nothing").c_str());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no instance"), std::string::npos);
}

}  // namespace
}  // namespace zeb
