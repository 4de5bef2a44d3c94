#include "cgi/field_passes.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cgi_test_support.h"
#include "form_table_builder.h"

namespace zeb {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// Both passes and the stripe check over `fields`, as the driver runs them.
struct Passes {
  explicit Passes(const Fields& fields) {
    testing::fill_table(table, fields);
    apply_page_options(table, request);
    outcome = apply_query_options(table, request, page.out());
    check_stripes(request);
    printed = page.text();
  }
  FormTable table;
  SearchRequest request;
  testing::PageSink page;
  QueryOutcome outcome;
  std::string printed;
};

TEST(FieldPasses, AFormWithoutFieldsKeepsEveryDefault) {
  Passes p(Fields{});
  const SearchRequest& r = p.request;
  EXPECT_EQ(r.result_limit, 50);
  EXPECT_TRUE(r.linguistic);
  EXPECT_FALSE(r.show_form || r.rank || r.spelling || r.stripes || r.free_text_flag ||
               r.new_free_text_flag || r.terms_flag || r.leading_not);
  EXPECT_STREQ(r.msgcat, "");
  EXPECT_STREQ(r.header_name, "");
  EXPECT_STREQ(r.footer_name, "");
  EXPECT_EQ(r.index_count + r.topic_count + r.scope_count + r.term_count, 0);
  EXPECT_STREQ(r.star_tags[0], "");
  EXPECT_EQ(r.code_page, 850);
  EXPECT_EQ(r.language, 6011);
  EXPECT_EQ(p.outcome, QueryOutcome::kGoOn);
  EXPECT_EQ(p.printed, "");
}

TEST(FieldPasses, PageOptionsKeepTheirLastValue) {
  Passes p(Fields{{"header", "h1.html"}, {"footer", "f.html"}, {"msgcat", "cat"},
            {"header", "h2.html"}, {"Header", "ignored.html"}});
  EXPECT_STREQ(p.request.header_name, "h2.html");
  EXPECT_STREQ(p.request.footer_name, "f.html");
  EXPECT_STREQ(p.request.msgcat, "cat");
}

TEST(FieldPasses, StarFieldsBuildImageTagsAndKeepTheNames) {
  Passes p(Fields{{"stars1", "red.gif"}, {"stars5", "a\"b<c>&.gif"}, {"stars3", "x"}, {"stars3", "y.gif"}});
  const SearchRequest& r = p.request;
  EXPECT_STREQ(r.star_tags[0], "<img src=\"/icons/red.gif\" alt=\"*\">");
  EXPECT_STREQ(r.star_names[0], "red.gif");
  EXPECT_STREQ(r.star_tags[2], "<img src=\"/icons/y.gif\" alt=\"***\">");
  EXPECT_STREQ(r.star_tags[4], "<img src=\"/icons/a&quot;b&lt;c&gt;&amp;.gif\" alt=\"*****\">");
  EXPECT_STREQ(r.star_names[4], "a\"b<c>&.gif");
  EXPECT_STREQ(r.star_tags[1], "");
}

TEST(FieldPasses, OverlongStarNamesAreCutAndTheTagStillCloses) {
  const std::string name(300, 'n');
  Passes p(Fields{{"stars5", name}, {"stars4", std::string(230, '&')}});
  const SearchRequest& r = p.request;
  EXPECT_EQ(std::string(r.star_names[4]), name.substr(0, 63));
  const std::string tag = r.star_tags[4];
  EXPECT_EQ(tag.size(), kStarTagSize - 1);
  EXPECT_EQ(tag.substr(0, 17), "<img src=\"/icons/");
  EXPECT_EQ(tag.substr(tag.size() - 14), "\" alt=\"*****\">");

  // Entities are never cut in half.
  const std::string amps = r.star_tags[3];
  const std::string tail = "\" alt=\"****\">";
  ASSERT_GE(amps.size(), tail.size());
  EXPECT_EQ(amps.substr(amps.size() - tail.size()), tail);
  std::string inner = amps.substr(17, amps.size() - 17 - tail.size());
  EXPECT_EQ(inner.size() % 5, 0u);
  for (size_t i = 0; i < inner.size(); i += 5) EXPECT_EQ(inner.substr(i, 5), "&amp;");
}

TEST(FieldPasses, FlagsLookAtTheFirstCharacterAndNeverTurnOff) {
  EXPECT_TRUE(Passes(Fields{{"ShowForm", "yes"}}).request.show_form);
  EXPECT_FALSE(Passes(Fields{{"ShowForm", "N"}}).request.show_form);
  EXPECT_TRUE(Passes(Fields{{"ShowForm", "Y"}, {"ShowForm", "N"}}).request.show_form);
  EXPECT_FALSE(Passes(Fields{{"showform", "Y"}}).request.show_form);
  EXPECT_TRUE(Passes(Fields{{"rank", "y"}}).request.rank);
  EXPECT_FALSE(Passes(Fields{{"rank", "1"}}).request.rank);
  EXPECT_TRUE(Passes(Fields{{"SPCHK", "SPELL"}}).request.spelling);
  EXPECT_FALSE(Passes(Fields{{"SPCHK", "spell"}}).request.spelling);
  EXPECT_TRUE(Passes(Fields{{"ling", "F"}}).request.linguistic);
  EXPECT_TRUE(Passes(Fields{{"ling", "T"}}).request.linguistic);
}

TEST(FieldPasses, ResultLimitKeepsTheLowSixteenBits) {
  EXPECT_EQ(Passes(Fields{{"limit_number", "20"}}).request.result_limit, 20);
  EXPECT_EQ(Passes(Fields{{"limit_number", "70000"}}).request.result_limit, 4464);
  EXPECT_EQ(Passes(Fields{{"limit_number", "-1"}}).request.result_limit, 65535);
  EXPECT_EQ(Passes(Fields{{"limit_number", "abc"}}).request.result_limit, 0);
  EXPECT_EQ(Passes(Fields{{"limit_number", " 7x"}}).request.result_limit, 7);
}

TEST(FieldPasses, SelectIndexUpperCasesInPlaceAndStopsAtSixtyFour) {
  Passes one(Fields{{"SelectIndex", "docs"}, {"SelectIndex", "M\xE4n-1"}, {"SelectIndex", ""}});
  ASSERT_EQ(one.request.index_count, 3);
  EXPECT_STREQ(one.request.indexes[0].name, "DOCS");
  EXPECT_EQ(one.request.indexes[0].name, one.table.entries[0].value);  // the form's own string
  EXPECT_EQ(one.request.indexes[0].handle, 0u);
  EXPECT_STREQ(one.request.indexes[1].name, "M\xE4N-1");
  EXPECT_STREQ(one.request.indexes[2].name, "");  // a name like any other, until it fails to open
  EXPECT_TRUE(one.request.indexes[2].present());

  Fields many;
  for (int i = 0; i < 66; ++i) many.push_back({"SelectIndex", "ix" + std::to_string(i)});
  Passes p(many);
  EXPECT_EQ(p.request.index_count, 64);
  EXPECT_STREQ(p.request.indexes[63].name, "IX63");
  const std::string limit = "\n<P><b>The maximum nuber of indices is reached.</b>\n";
  EXPECT_EQ(p.printed, limit + limit);
  EXPECT_EQ(p.outcome, QueryOutcome::kGoOn);
}

TEST(FieldPasses, StripesNeedBothColoursAndAreCutToSeven) {
  Passes both(Fields{{"OddStripes", "#ffeedd"}, {"EvenStripes", "lightgoldenrodyellow"}});
  EXPECT_TRUE(both.request.stripes);
  EXPECT_STREQ(both.request.odd_stripes, "#ffeedd");
  EXPECT_STREQ(both.request.even_stripes, "lightgo");
  EXPECT_FALSE(Passes(Fields{{"OddStripes", "red"}}).request.stripes);
  EXPECT_FALSE(Passes(Fields{{"OddStripes", "red"}, {"EvenStripes", ""}}).request.stripes);
}

TEST(FieldPasses, EachPassIgnoresTheOthersNames) {
  Passes p(Fields{{"stars1", "x.gif"}, {"header", "h"}, {"FormName", "f"}, {"unknown", "v"}});
  EXPECT_EQ(p.request.term_count, 0);
  EXPECT_EQ(p.printed, "");
  Passes q(Fields{{"SelectIndex", "a"}, {"query_word0", "w"}});
  EXPECT_STREQ(q.request.header_name, "");
}

TEST(FieldPasses, TheLaterOfFreeTextAndNewSearchTextDecidesTheFreeText) {
  Passes p(Fields{{"new_free_text", "first"}, {"free_text", "second"}});
  EXPECT_STREQ(p.request.free_text, "second");
  EXPECT_STREQ(p.request.free_text_echo, "first");
  Passes q(Fields{{"free_text", "second"}, {"new_free_text", "first"}});
  EXPECT_STREQ(q.request.free_text, "first");
}

TEST(FieldPasses, AnEntryThatEndsThePageStopsTheWalk) {
  Passes p(Fields{{"SelectIndex", "a"}, {"new_free_text", "say \"hello"}, {"SelectIndex", "b"},
            {"rank", "Y"}});
  EXPECT_EQ(p.outcome, QueryOutcome::kEndPage);
  EXPECT_EQ(p.request.index_count, 1);
  EXPECT_FALSE(p.request.rank);
  EXPECT_EQ(p.printed, "<P>An invalid search form has been specified!</HTML>\n");
}

// The terms of a pass, with their connector codes, as "text/code".
std::vector<std::string> terms_of(const SearchRequest& r) {
  std::vector<std::string> out;
  for (int32_t i = 0; i < r.term_count; ++i)
    out.push_back(std::string(r.terms[i]) + "/" + std::to_string(r.connectors[i]));
  return out;
}

TEST(FieldPasses, TheLaterNewSearchTextTakesThePlaceOfTheEarlier) {
  using Terms = std::vector<std::string>;
  const struct {
    Fields fields;
    Terms terms;
    bool leading_not;
    const char* free_text;
  } cases[] = {
      {{{"new_free_text", "+alpha +beta x"}, {"new_free_text", "+gamma -delta y"}},
       {"gamma/0", "delta/151"}, false, " gamma        y"},
      // Query words posted around the earlier text keep their place and
      // connectors, as if that text had never been posted.
      {{{"query_word0", "cat"}, {"connector0", "or"}, {"new_free_text", "+dog x"},
        {"query_word1", "bird"}, {"new_free_text", "+fish y"}},
       {"cat/0", "bird/140", "fish/130"}, false, " fish y"},
      // A leading NOT of the earlier text goes with it.
      {{{"new_free_text", "-dog x"}, {"new_free_text", "+cat y"}}, {"cat/0"}, false, " cat y"},
      {{{"new_free_text", "+ant x"}, {"new_free_text", "-bee y"}}, {"bee/151"}, true, "     y"},
      // Three texts: only the last one's operators stay.
      {{{"new_free_text", "+ant x"}, {"new_free_text", "+bee y"}, {"query_word0", "w"},
        {"new_free_text", "+cow z"}},
       {"w/0", "cow/130"}, false, " cow z"},
      // An empty later text is ignored, as a first one would be.
      {{{"new_free_text", "+ant x"}, {"new_free_text", ""}}, {"ant/0"}, false, " ant x"},
  };
  for (const auto& c : cases) {
    Passes p(c.fields);
    const std::string last = c.fields.back().second;
    EXPECT_EQ(p.outcome, QueryOutcome::kGoOn) << last << p.printed;
    EXPECT_EQ(terms_of(p.request), c.terms) << last;
    EXPECT_EQ(p.request.leading_not, c.leading_not) << last;
    EXPECT_STREQ(p.request.free_text, c.free_text) << last;
    EXPECT_TRUE(p.request.free_text_flag && p.request.new_free_text_flag) << last;
  }

  Passes echo(Fields{{"new_free_text", "+ant x"}, {"new_free_text", "+bee y"}});
  EXPECT_STREQ(echo.request.free_text_echo, "+bee y");

  // Free text posted before the later text still counts, and a later
  // free_text field decides the buffer as it always does.
  Passes before(Fields{{"free_text", "f"}, {"new_free_text", "q"}, {"new_free_text", "+bee"}});
  EXPECT_TRUE(before.request.free_text_flag);
  EXPECT_EQ(terms_of(before.request), (Terms{"bee/0"}));
  Passes after(Fields{{"new_free_text", "q"}, {"new_free_text", "+bee"}, {"free_text", "f"}});
  EXPECT_STREQ(after.request.free_text, "f");
  EXPECT_EQ(terms_of(after.request), (Terms{"bee/0"}));

  // The later text is checked like the first: alone, "-bee" is no query.
  Passes invalid(Fields{{"new_free_text", "+ant x"}, {"new_free_text", "-bee"}});
  EXPECT_EQ(invalid.printed, "<p><b>The condition specified is invalid.</b>\n");
  EXPECT_EQ(invalid.outcome, QueryOutcome::kEndPage);
}

}  // namespace
}  // namespace zeb
