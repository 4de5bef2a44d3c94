// An instance built by the real zebadm, searched by the real zebsrch: both
// run as processes, the way an administrator and the web server run them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/cgi_post.h"

namespace zeb {
namespace {

using testing::post_form;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

// A small site: titles, keywords, subdirectories for scope values, a word
// planted misspelled once, words for masking ("word", "ward", "world").
void write_corpus(const TempDir& dir) {
  dir.write("docs/intro.html",
            "<html><head><title>Introduction to Widgets</title>\n"
            "<meta name=\"keywords\" content=\"Getting Started, widgets\"></head>\n"
            "<body><p>Widgets help with information retrieval. One word about the world.</p>"
            "</body></html>\n");
  dir.write("docs/guide/tables.html",
            "<html><head><title>Guide: Tables &amp; Rows</title></head>\n"
            "<body><p>Tables hold rows; retrieval of rows is fast. A ward.</p></body></html>\n");
  dir.write("docs/guide/typo.html",
            "<html><head><title>Typo page</title></head>"
            "<body>This page misspells retreival once.</body></html>\n");
  dir.write("docs/ref/retrieval.html",
            "<html><head><title>Reference: Retrieval</title>"
            "<meta name=\"keywords\" content=\"reference\"></head>"
            "<body>Retrieval functions. Information retrieval, retrieval and retrieval.</body>"
            "</html>\n");
  dir.write("docs/notes.txt", "Release notes\nNothing about the planted terms.\n");
  dir.write("other/guide/other.html",
            "<title>Other guide</title><p>retrieval in the other index</p>");
  dir.write("other/top.html", "<title>Other top</title><p>retrieval at the top</p>");
  dir.write("other/guide/sections.html",
            "<title>Sections</title><h2 id=\"one\">First</h2><p>plain</p>"
            "<h2 id=\"s two\">Second &lt;part&gt;</h2><p>anchored text</p>");
  dir.write("empty/README", "no documents here");
}

class ZebadmAndSearch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    write_corpus(*dir_);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"init", "test"},
             {"create", "docs", dir_->path() + "/docs"},
             {"create", "other", dir_->path() + "/other", "--location", "http://example.org/other/"},
             {"create", "empty", dir_->path() + "/empty"}}) {
      const ProcessResult r = admin(args);
      ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string instance() { return dir_->path() + "/instance"; }
  static std::string docs() { return dir_->path() + "/docs"; }

  static ProcessResult admin(const std::vector<std::string>& args) {
    return run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance()}, "");
  }

  // The page for a posted form; the templates are the ones init made.
  static std::string search(const std::string& fields) {
    const std::string body = fields + "&header=header.html&footer=footer.html";
    const ProcessResult r = post_form(instance(), "TEST", body);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_NE(r.out.find("</BODY></HTML>\n"), std::string::npos) << r.out;
    return r.out;
  }

  // The documents a page lists, in order, as "link|title".
  static std::vector<std::string> rows(const std::string& page) {
    std::vector<std::string> found;
    const std::string anchor = "<A HREF=\"";
    for (size_t at = page.find(anchor); at != std::string::npos; at = page.find(anchor, at + 1)) {
      const size_t link_end = page.find('"', at + anchor.size());
      const std::string link = page.substr(at + anchor.size(), link_end - at - anchor.size());
      if (link.rfind("searchit?", 0) == 0) continue;  // a spelling table's link
      const size_t title = page.find("<b>", link_end) + 3;
      found.push_back(link + "|" + page.substr(title, page.find("</b>", title) - title));
    }
    return found;
  }

  static std::string doc(const std::string& path, const std::string& title) {
    return "file://" + docs() + "/" + path + "|" + title;
  }

  static TempDir* dir_;
};

TempDir* ZebadmAndSearch::dir_ = nullptr;

TEST_F(ZebadmAndSearch, FreeTextIsRankedWithTitlesAndLinks) {
  const std::string page = search("SelectIndex=docs&free_text=information+retrieval&rank=Y");
  EXPECT_NE(page.find("3 top document(s) returned"), std::string::npos) << page;
  EXPECT_EQ(rows(page), (std::vector<std::string>{
                            doc("ref/retrieval.html", "Reference: Retrieval"),
                            doc("intro.html", "Introduction to Widgets"),
                            doc("guide/tables.html", "Guide: Tables &amp; Rows"),
                        }));
}

TEST_F(ZebadmAndSearch, WordsCombineWithAndOrNot) {
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=retrieval&connector0=and&query_word1=rows")),
            std::vector<std::string>{doc("guide/tables.html", "Guide: Tables &amp; Rows")});
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=widgets&connector0=or&query_word1=rows")),
            (std::vector<std::string>{doc("guide/tables.html", "Guide: Tables &amp; Rows"),
                                      doc("intro.html", "Introduction to Widgets")}));
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=retrieval&connector0=not&query_word1=rows")),
            (std::vector<std::string>{doc("intro.html", "Introduction to Widgets"),
                                      doc("ref/retrieval.html", "Reference: Retrieval")}));
  // Stems: "table" finds "Tables".
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=table")),
            std::vector<std::string>{doc("guide/tables.html", "Guide: Tables &amp; Rows")});
}

TEST_F(ZebadmAndSearch, APhraseNeedsItsWordsAdjacentAndInOrder) {
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=information+retrieval")),
            (std::vector<std::string>{doc("intro.html", "Introduction to Widgets"),
                                      doc("ref/retrieval.html", "Reference: Retrieval")}));
  EXPECT_TRUE(rows(search("SelectIndex=docs&query_word0=retrieval+information")).empty());
}

TEST_F(ZebadmAndSearch, MaskedWordsExpandOverTheVocabulary) {
  const std::vector<std::string> both = {doc("guide/tables.html", "Guide: Tables &amp; Rows"),
                                         doc("intro.html", "Introduction to Widgets")};
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=wor*")),
            std::vector<std::string>{doc("intro.html", "Introduction to Widgets")});
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=w%3Frd")), both);
}

TEST_F(ZebadmAndSearch, TopicsAndScopeValuesRestrictTheSearch) {
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=retrieval&topic=Getting+Started")),
            std::vector<std::string>{doc("intro.html", "Introduction to Widgets")});
  EXPECT_EQ(rows(search("SelectIndex=docs&query_word0=retrieval&Manual=ref")),
            std::vector<std::string>{doc("ref/retrieval.html", "Reference: Retrieval")});
}

TEST_F(ZebadmAndSearch, TwoIndexesSearchedAsAGroupWithAScope) {
  const std::string page =
      search("SelectIndex=docs&SelectIndex=other&query_word0=retrieval&Manual=guide");
  EXPECT_EQ(rows(page),
            (std::vector<std::string>{doc("guide/tables.html", "Guide: Tables &amp; Rows"),
                                      "http://example.org/other/guide/other.html|Other guide"}));
}

TEST_F(ZebadmAndSearch, SpellingTablesShowThePlantedMisspelling) {
  const std::string page = search("SelectIndex=docs&query_word0=retrieval&SPCHK=SPELL");
  EXPECT_NE(page.find("<p>The following misspellings were found for <strong>retrieval</strong>:\n"
                      "\n<table>\n"
                      "<tr><td><img src=\"/icons/greenbull.gif\" alt=\"*\" >  <td>retreival\n"
                      "<td><A HREF=\"searchit?DOCS?retreival\">find me</a></table>\n"),
            std::string::npos)
      << page;
}

TEST_F(ZebadmAndSearch, EngineCodesForUnknownAndEmptyIndexesAndStopWords) {
  EXPECT_NE(search("SelectIndex=nosuch&query_word0=retrieval").find("(rc=24)"), std::string::npos);
  // An empty index name is opened like any other: it fails as unknown, is
  // reported, and the other indexes are still searched.
  const std::string empty_name = search("SelectIndex=&query_word0=retrieval");
  EXPECT_NE(empty_name.find("(rc=24)"), std::string::npos) << empty_name;
  EXPECT_NE(empty_name.find("No target for search specified"), std::string::npos);
  const std::string beside = search("SelectIndex=&SelectIndex=docs&query_word0=retrieval");
  EXPECT_NE(beside.find("(rc=24)"), std::string::npos) << beside;
  EXPECT_EQ(rows(beside).size(), 3u) << beside;
  EXPECT_NE(search("SelectIndex=empty&query_word0=retrieval")
                .find("The specified index is empty. (rc=72)"),
            std::string::npos);
  EXPECT_NE(search("SelectIndex=docs&free_text=the+and+of").find("(rc=73)"), std::string::npos);
}

TEST_F(ZebadmAndSearch, SuspendedIndexesAreRefusedUntilResumed) {
  ASSERT_EQ(admin({"suspend", "other"}).exit_status, 0);
  const std::string refused = search("SelectIndex=other&query_word0=retrieval");
  ASSERT_EQ(admin({"resume", "other"}).exit_status, 0);
  EXPECT_NE(refused.find("(rc=61)"), std::string::npos) << refused;
  EXPECT_EQ(rows(search("SelectIndex=other&query_word0=retrieval")).size(), 2u);
}

// `text` without each piece from `open` up to `close`, which goes too
// unless `keep_close`.
std::string without_pieces(std::string text, const std::string& open, const std::string& close,
                           bool keep_close = false) {
  for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
    const size_t end = text.find(close, at + open.size());
    if (end == std::string::npos) break;
    text.erase(at, end + (keep_close ? 0 : close.size()) - at);
  }
  return text;
}

// A page with the parts that the row and paging fields add taken out, and
// the paging line of the first page made the count line it stands for.
std::string without_new_parts(std::string page) {
  page = without_pieces(page, "<span class=\"zebsection\">", "</span>\n");
  page = without_pieces(page, "<br><span class=\"zebexcerpt\">", "</span>\n");
  page = without_pieces(page, "<br><span class=\"zebdate\">", "</span>\n");
  page = without_pieces(page, "<input type=\"hidden\" NAME=\"first_number\"", "\n</form>", true);
  // A row's link without its #fragment.
  for (size_t at = page.find("<A HREF=\""); at != std::string::npos;
       at = page.find("<A HREF=\"", at + 1)) {
    const size_t end = page.find('"', at + 9);
    const size_t hash = page.find('#', at + 9);
    if (hash < end) page.erase(hash, end - hash);
  }
  const size_t line = page.find("Documents 1-");
  if (line != std::string::npos) {
    const size_t dash = line + 12, of = page.find(" of ", dash), end = page.find('<', of);
    page.replace(line, end - line, page.substr(dash, of - dash) + " top document(s) returned");
  }
  return page;
}

TEST_F(ZebadmAndSearch, RowAndPagingFieldsAddTheirPartsAndChangeNothingElse) {
  const std::string added = "&excerpts=Y&show_date=Y&first_number=1";
  int with_excerpts = 0;
  for (const std::string& form : std::vector<std::string>{
           "SelectIndex=docs&free_text=information+retrieval",
           "SelectIndex=docs&query_word0=retrieval&connector0=and&query_word1=rows&rank=Y",
           "SelectIndex=docs&query_word0=retr*&limit_number=2",
           "SelectIndex=docs&query_word0=%22information+retrieval%22&rank=Y&OddStripes=%23eeeeee"
           "&EvenStripes=%23ffffff&stars5=s5.gif",
           "SelectIndex=docs&SelectIndex=other&Manual=guide&free_text=retrieval",
           "SelectIndex=docs&topic=reference&query_word0=retrieval",
           "SelectIndex=docs&new_free_text=%2Bretrieval+-rows&ShowForm=Y&SPCHK=SPELL",
           "SelectIndex=docs&free_text=nothingmatchesthis&ShowForm=Y&new_free_text=x",
       }) {
    SCOPED_TRACE(form);
    const std::string old_page = search(form);
    const std::string new_page = search(form + added);
    EXPECT_EQ(without_new_parts(new_page), old_page);
    if (new_page.find("<mark>") != std::string::npos) ++with_excerpts;
    if (rows(old_page).empty()) continue;
    EXPECT_NE(new_page.find("<span class=\"zebdate\">20"), std::string::npos);
  }
  EXPECT_GE(with_excerpts, 5);  // the comparison saw excerpts, not pages without them
}

TEST_F(ZebadmAndSearch, ExcerptsMarkTheWordsAndRowsLinkTheirSection) {
  // The excerpt of a stemmed word, and a row's link to its section.
  const std::string page = search("SelectIndex=docs&free_text=retrieving&excerpts=Y");
  EXPECT_NE(page.find("<br><span class=\"zebexcerpt\"><mark>Retrieval</mark> functions. "
                      "Information <mark>retrieval</mark>, <mark>retrieval</mark>"),
            std::string::npos)
      << page;
  const std::string sections = search("SelectIndex=other&free_text=anchored&excerpts=Y");
  EXPECT_NE(sections.find("<A HREF=\"http://example.org/other/guide/sections.html#s%20two\"><b>"
                          "Sections</b></A>\n<span class=\"zebsection\">Second &lt;part&gt;"
                          "</span>\n"),
            std::string::npos)
      << sections;
}

TEST_F(ZebadmAndSearch, PagesGoThroughTheWholeListAndSayWhereTheyAre) {
  const std::string form = "SelectIndex=docs&SelectIndex=other&free_text=retrieval";
  const std::vector<std::string> whole = rows(search(form));
  ASSERT_GE(whole.size(), 4u);
  const std::string count = std::to_string(whole.size());
  std::vector<std::string> paged;
  for (size_t first = 1; first <= whole.size(); ++first) {
    const std::string page = search(form + "&limit_number=1&ShowForm=Y&new_free_text=retrieval"
                                           "&first_number=" + std::to_string(first));
    const std::string n = std::to_string(first);
    EXPECT_NE(page.find("Documents " + n + "-" + n + " of " + count), std::string::npos) << page;
    EXPECT_EQ(page.find("value=\"" + std::to_string(first - 1) + "\">Previous") !=
                  std::string::npos,
              first > 1);
    EXPECT_EQ(page.find("value=\"" + std::to_string(first + 1) + "\">Next") != std::string::npos,
              first < whole.size());
    for (const std::string& row : rows(page)) paged.push_back(row);
  }
  EXPECT_EQ(paged, whole);
  const std::string past = search(form + "&first_number=" + std::to_string(whole.size() + 5));
  EXPECT_NE(past.find("No documents from " + std::to_string(whole.size() + 5) + " on, of " + count),
            std::string::npos);
  EXPECT_TRUE(rows(past).empty());
  // Unranked rows go on numbering from the pages before.
  const std::string unranked = search("SelectIndex=docs&query_word0=retrieval&first_number=2");
  EXPECT_NE(unranked.find("<p><tr><td>2<td>"), std::string::npos) << unranked;
}

}  // namespace
}  // namespace zeb
