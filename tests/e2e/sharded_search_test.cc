// One document tree indexed twice, spread over three xapian-tcpsrv shards
// and as a local index: zebsrch gives both the same page for every kind of
// query, before and after an update.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "e2e/sharded_instance.h"

namespace zeb::testing {
namespace {

constexpr int kPages = 40;

// Pages that differ in how often and where the query words occur, so that
// ranking orders them; scope values from their folders, topics from their
// keywords, and words for masks.
void write_corpus(const TempDir& dir) {
  static const char* const kFolders[] = {"guide", "ref", "misc"};
  static const char* const kMaskWords[] = {"word", "ward", "world", "wording", "sword"};
  for (int i = 0; i < kPages; ++i) {
    std::string body;
    for (int r = 0; r <= i % 6; ++r) body += "retrieval ";
    if (i % 4 == 0) body += "information retrieval of rows. ";
    if (i % 4 == 1) body += "retrieval information, not the phrase. ";
    if (i % 3 == 0) body += "tables hold rows. ";
    body += kMaskWords[i % 5];
    for (int filler = 0; filler < (i * 7) % 23; ++filler)
      body += " filler" + std::to_string(filler);
    // Long pages, whose words stand where excerpts read on past the head.
    if (i % 8 == 5)
      for (int filler = 0; filler < 2000; ++filler) body = "lead" + std::to_string(filler) + " " + body;
    const std::string keywords = i % 5 == 2 ? "<meta name=\"keywords\" content=\"Getting Started\">"
                                            : "";
    dir.write("docs/" + std::string(kFolders[i % 3]) + "/page" + std::to_string(i) + ".html",
              "<html><head><title>Page " + std::to_string(i) + "</title>" + keywords +
                  "</head><body><p>" + body + "</p></body></html>\n");
  }
}

class ShardedSearch : public ShardedInstance {
 protected:
  void SetUp() override {
    ShardedInstance::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    write_corpus(dir_);
    create_indexes();
  }

  // Both indexes answer `fields` with the same page, byte for byte once the
  // index's name is swapped: the same count line, documents and rank
  // values, and documents of equal rank in the same order (path order),
  // though the shards number them differently. Returns the local page's rows.
  std::vector<PageRow> expect_same(const std::string& fields) {
    const std::string local = search("SelectIndex=local&" + fields);
    std::string sharded = search("SelectIndex=sharded&" + fields);
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"sharded", "local"},
                                   {"SHARDED", "LOCAL"}})
      for (size_t at = sharded.find(from); at != std::string::npos;
           at = sharded.find(from, at + to.size()))
        sharded.replace(at, from.size(), to);
    EXPECT_EQ(sharded, local) << fields;
    return page_rows(local);
  }

  std::string link(const std::string& path) const { return "file://" + docs() + "/" + path; }
};

TEST_F(ShardedSearch, EveryKindOfQueryFindsTheSameDocuments) {
  const struct {
    const char* fields;
    size_t at_least;  // rows the local index must list: no empty agreement
  } queries[] = {
      {"free_text=information+retrieval&rank=Y", 30},
      {"free_text=retrieval+tables&rank=Y", 30},
      {"query_word0=retrieval&rank=Y", 40},
      {"query_word0=retrieval&connector0=and&query_word1=rows", 10},
      {"query_word0=tables&connector0=or&query_word1=sword", 10},
      {"query_word0=retrieval&connector0=not&query_word1=rows", 20},
      {"query_word0=wor*", 8},
      {"query_word0=wor%3F&rank=Y", 8},
      {"query_word0=information+retrieval", 10},
      {"query_word0=retrieval&topic=Getting+Started", 8},
      {"query_word0=retrieval&Manual=guide", 13},
      {"free_text=retrieval&Manual=ref&rank=Y", 13},
  };
  for (const auto& query : queries) {
    const std::vector<PageRow> rows = expect_same(query.fields);
    EXPECT_GE(rows.size(), query.at_least) << query.fields;
    EXPECT_LE(rows.size(), size_t{kPages}) << query.fields;
  }
  // The phrase is a phrase on the shards too: words in order, adjacent.
  const std::vector<PageRow> phrase = expect_same("query_word0=information+retrieval");
  EXPECT_EQ(phrase.size(), 10u);
  // A remote vocabulary is read whole: a mask needs two leading letters.
  EXPECT_NE(search("SelectIndex=sharded&query_word0=w*").find("(rc=22)"), std::string::npos);
  // Excerpts, dates and the paging line come from the shards as from the
  // local index, in the same order.
  auto extras = [](const std::string& page) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = page.find('\n', at)) != std::string::npos; at = end + 1) {
      const std::string line = page.substr(at, end - at);
      if (line.find("zebexcerpt") != std::string::npos || line.find("zebdate") != std::string::npos ||
          line.find("Documents ") != std::string::npos)
        lines.push_back(line);
    }
    return lines;
  };
  const std::string fields = "free_text=information+retrieval&excerpts=Y&show_date=Y&first_number=1";
  expect_same(fields);
  const std::string local = search("SelectIndex=local&" + fields);
  EXPECT_GE(extras(local).size(), 60u) << local;  // excerpts and dates of 30 rows and more
  EXPECT_NE(local.find("<mark>information</mark> <mark>retrieval</mark>"), std::string::npos);
  // A long page's passage is read from the rest of its text, past the head.
  EXPECT_NE(local.find("lead0 <mark>retrieval</mark>"), std::string::npos) << local;
}

TEST_F(ShardedSearch, AnUpdateIsSeenThroughBothIndexes) {
  dir_.write("docs/misc/added.html", "<title>Added page</title><p>retrieval zymurgy</p>");
  dir_.write("docs/guide/page0.html", "<title>Page 0 again</title><p>retrieval quokka</p>");
  std::filesystem::remove(docs() + "/ref/page1.html");
  for (const char* index : {"sharded", "local"}) {
    const ProcessResult r = admin({"update", index});
    ASSERT_EQ(r.exit_status, 0) << index << ": " << r.err;
    EXPECT_NE(r.out.find("2 documents indexed, " + std::to_string(kPages - 2) +
                         " unchanged, 1 removed"),
              std::string::npos) << r.out;
  }
  const std::vector<PageRow> added = expect_same("query_word0=zymurgy");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].link, link("misc/added.html"));
  const std::vector<PageRow> changed = expect_same("query_word0=quokka&rank=Y");
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].title, "Page 0 again");
  const std::vector<PageRow> all = expect_same("query_word0=retrieval");
  EXPECT_EQ(all.size(), size_t{kPages});
  EXPECT_TRUE(std::none_of(all.begin(), all.end(),
                           [&](const PageRow& row) { return row.link == link("ref/page1.html"); }));
  expect_same("free_text=information+retrieval&rank=Y");
  // A page added later but first by path, of equal weight (its words in
  // another order, so not the same text): the local index's numbers are no
  // longer in path order, its ties still are.
  dir_.write("docs/guide/added.html", "<title>Added page</title><p>zymurgy retrieval</p>");
  for (const char* index : {"sharded", "local"}) ASSERT_EQ(admin({"update", index}).exit_status, 0);
  const std::vector<PageRow> tied = expect_same("query_word0=zymurgy&rank=Y");
  ASSERT_EQ(tied.size(), 2u);
  EXPECT_EQ(tied[0].link, link("guide/added.html"));
}

}  // namespace
}  // namespace zeb::testing
