// The PostgreSQL 15 manual (Debian postgresql-doc-15), indexed by zebadm and
// searched through zebsrch: a real site of about 1170 pages.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"

namespace zeb {
namespace {

using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr const char* kManual = "/usr/share/doc/postgresql-doc-15/html";

class PostgresManual : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::filesystem::is_directory(kManual)) return;
    dir_ = new TempDir;
    ProcessResult r = admin({"init", "pg"});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    created_ = new ProcessResult(admin({"create", "pgdoc", kManual}));
  }
  static void TearDownTestSuite() {
    delete created_;
    delete dir_;
    created_ = nullptr;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!dir_) GTEST_SKIP() << kManual << " is missing: install the Debian package postgresql-doc-15";
    ASSERT_EQ(created_->exit_status, 0) << created_->err;
  }

  static std::string instance() { return dir_->path() + "/instance"; }
  static ProcessResult admin(const std::vector<std::string>& args) {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
  }
  static std::string search(const std::string& fields) {
    const std::string body = fields + "&SelectIndex=PGDOC&header=header.html&footer=footer.html";
    const ProcessResult r = testing::post_form(instance(), "PG", body);
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.out.find("(rc="), std::string::npos) << r.out;
    return r.out;
  }
  static std::string link(const std::string& page, const std::string& title) {
    return "<A HREF=\"file://" + std::string(kManual) + "/" + page + "\"><b>" + title + "</b></A>";
  }

  static TempDir* dir_;
  static ProcessResult* created_;
};

TempDir* PostgresManual::dir_ = nullptr;
ProcessResult* PostgresManual::created_ = nullptr;

TEST_F(PostgresManual, EveryPageIsIndexed) {
  size_t pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kManual))
    pages += entry.path().extension() == ".html";
  const std::string summary = "index PGDOC created: " + std::to_string(pages) + " documents indexed";
  EXPECT_EQ(created_->out.rfind(summary, 0), 0u) << created_->out;
  EXPECT_NE(created_->out.find(" 0 unreadable"), std::string::npos) << created_->out;
  const auto spelling = std::filesystem::file_size(instance() + "/data/PGDOC/ZEBCSREF.DAT");
  EXPECT_GT(spelling, 1000u);
  EXPECT_NE(admin({"status", "pgdoc"}).out.find("documents:  " + std::to_string(pages) + "\n"),
            std::string::npos);
}

TEST_F(PostgresManual, FreeTextFindsTheReferencePage) {
  const std::string page = search("free_text=vacuum+analyze&rank=Y&limit_number=5");
  EXPECT_NE(page.find("5 top document(s) returned"), std::string::npos) << page;
  EXPECT_NE(page.find(link("sql-vacuum.html", "VACUUM")), std::string::npos) << page;
}

TEST_F(PostgresManual, WordsPhrasesAndMasks) {
  EXPECT_NE(search("query_word0=ltree").find(link("ltree.html", "F.23. ltree")), std::string::npos);
  EXPECT_NE(search("query_word0=foreign+key&connector0=and&query_word1=constraint&limit_number=200")
                .find(link("ddl-constraints.html", "5.4. Constraints")),
            std::string::npos);
  const std::string masked = search("query_word0=replicat*&limit_number=200");
  EXPECT_NE(masked.find(link("logical-replication.html", "Chapter 31. Logical Replication")),
            std::string::npos)
      << masked;
}

}  // namespace
}  // namespace zeb
