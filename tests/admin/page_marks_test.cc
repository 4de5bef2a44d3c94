// What a page says about its indexing and its furniture, as the HTML
// extractor reads them under an index's document rules.
#include "admin/page_marks.h"

#include <gtest/gtest.h>

#include "admin/html_extract.h"

namespace zeb::admin {
namespace {

std::string words(const std::string& text) { return collapse_blanks(text, 100000); }

DocumentRules all_rules() {
  DocumentRules rules;
  rules.page_marks = true;
  rules.furniture = true;
  rules.ignore_classes = {"navheader"};
  return rules;
}

TEST(PageMarks, MarkedElementsAndFurnitureAreNotText) {
  struct Case {
    const char* name;
    const char* body;
    const char* text;
  } cases[] = {
      {"nav, header and footer", "<header>Site</header><nav>Prev Up Next</nav>own words"
                                 "<footer>Copyright</footer>",
       "own words"},
      {"roles", "<div role=\"navigation\">Menu</div><div role='Banner main'>Logo</div>"
                "<p>own</p><div role=contentinfo>Legal</div><div role=main>words</div>",
       "own words"},
      {"a class the index names", "<div class=\"x navheader\">Prev <div>Up</div> Next</div>"
                                  "own<div class=navheaderx>words</div>",
       "own words"},
      {"the ignore attribute, nested same names counted",
       "<div data-zebsrch-ignore><div>a</div>b<div><div>c</div></div></div>own words",
       "own words"},
      {"inline: the words around stay apart", "own<span data-zebsrch-ignore>x</span>words",
       "own words"},
      {"void and self-closed elements hold nothing",
       "<img data-zebsrch-ignore src=x>own <div class=\"navheader\"/>words", "own words"},
      {"an element never closed is left out of nothing", "own <nav>words", "own words"},
      {"the body marks: only their text",
       "junk<main data-zebsrch-body>own <nav>menu</nav><div>words</div></main>junk"
       "<p data-zebsrch-body>more</p>",
       "own words more"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExtractedDocument doc;
    extract_html(std::string("<html><head><title>T</title></head><body>") + c.body +
                     "</body></html>",
                 doc, all_rules());
    EXPECT_EQ(words(doc.text), c.text);
    EXPECT_EQ(doc.title, "T");
    EXPECT_FALSE(doc.noindex);
  }
}

TEST(PageMarks, HeadingsAndNamesOfLeftOutElementsDoNotCount) {
  ExtractedDocument doc;
  extract_html("<title>T</title><div class=navheader><table><tr><th>Prev page</th></tr></table>"
               "</div><h1>Own heading</h1><nav><h2>Menu</h2><code>menu_code</code></nav>"
               "<code>own_code</code>",
               doc, all_rules());
  EXPECT_EQ(doc.headings, std::vector<std::string>{"Own heading"});
  EXPECT_EQ(doc.names, std::vector<std::string>{"own_code"});
}

TEST(PageMarks, RobotsNoindexAndNoneKeepThePageOutNofollowDoesNot) {
  struct Case {
    const char* meta;
    bool noindex;
  } cases[] = {
      {"<meta name=\"robots\" content=\"noindex\">", true},
      {"<meta name=ROBOTS content=\"NoIndex, nofollow\">", true},
      {"<meta name=robots content=none>", true},
      {"<meta name=robots content=\"nofollow\">", false},
      {"<meta name=robots content=\"noindexes\">", false},
      {"<meta name=description content=\"noindex\">", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.meta);
    ExtractedDocument doc;
    extract_html(std::string("<head>") + c.meta + "</head><body>text</body>", doc, all_rules());
    EXPECT_EQ(doc.noindex, c.noindex);
  }
}

// Without rules (an index of earlier versions) every page reads as before,
// and a page without marks or furniture reads the same under all of them.
TEST(PageMarks, WithoutRulesNothingChanges) {
  const std::string marked =
      "<head><meta name=robots content=noindex><title>T</title></head><body>"
      "<nav>menu</nav><div data-zebsrch-ignore>x</div><p data-zebsrch-body>y</p></body>";
  ExtractedDocument plain, ruled;
  extract_html(marked, plain);
  extract_html(marked, ruled, DocumentRules{});
  EXPECT_EQ(words(ruled.text), "menu x y");
  EXPECT_EQ(ruled.text, plain.text);
  EXPECT_FALSE(ruled.noindex);

  const std::string unmarked =
      "<title>T</title><h1>Head</h1><p>Some <b>bold</b> words</p><table><tr><td>cell</td>"
      "</tr></table><script>x</script><code>id</code>";
  extract_html(unmarked, plain);
  extract_html(unmarked, ruled, all_rules());
  EXPECT_EQ(ruled.text, plain.text);
  EXPECT_EQ(ruled.headings, plain.headings);
  EXPECT_EQ(ruled.names, plain.names);
}

}  // namespace
}  // namespace zeb::admin
