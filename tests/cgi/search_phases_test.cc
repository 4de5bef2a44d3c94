// The search phases of a request against the scripted engine: the page they
// write and the engine calls they make, up to the result table and in the
// release at the page tail.
#include "cgi/search_phases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/cgi_test_support.h"
#include "engine/return_codes.h"
#include "results/new_search_form.h"
#include "support/request_fixture.h"
#include "support/scripted_engine.h"
#include "support/spelling_files.h"

namespace zeb {
namespace {

using testing::Bytes;
using testing::dump;
using testing::engine;
using Names = std::vector<std::string>;

std::string rc_line(int32_t code) {
  return "<p>Vant message: " + std::string(return_code_text(code)) + " (rc=" +
         std::to_string(code) + ")\n";
}

std::string index_line(const std::string& index, int32_t code) {
  return "<p>Vant message: " + index + ", " + return_code_text(code) + " (rc=" +
         std::to_string(code) + ")\n";
}

std::string count_line(int shown) {
  return "<p><b><font size=-1>" + std::to_string(shown) +
         " top document(s) returned</font></b><p>\n";
}

const std::string kNoMatch = "<p>No matching documents found<hr>\n";
const std::string kTableStart = "<table border=0 cellpadding=8 cellspacing=0>\n";

class SearchPhasesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine().reset();
    env.unset("ZEBINSTSRV");
    request.indexes({"DOCS"}).term("cat");
  }
  void TearDown() override {
    release_search_resources(*request);
    engine().reset();
  }

  std::string run() {
    testing::PageSink page;
    outcome = run_search_phases(*request, page.out());
    return page.text();
  }
  // The page up to the result table (all of it when there is none).
  std::string before_table(const std::string& page) {
    return page.substr(0, page.find(kTableStart));
  }
  // Engine calls up to the first fetch of the result list.
  Names calls_before_table() {
    Names names = engine().names();
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == "KSVGETRESULTLIST") names.resize(i);
    return names;
  }
  // The calls of the release at the page tail, with their handles.
  std::vector<testing::Call> release() {
    const size_t before = engine().calls().size();
    release_search_resources(*request);
    return std::vector<testing::Call>(engine().calls().begin() + before, engine().calls().end());
  }
  static Names names_of(const std::vector<testing::Call>& calls) {
    Names out;
    for (const auto& call : calls) out.push_back(call.name);
    return out;
  }

  testing::ScopedEnv env;
  testing::TestRequest request;
  PhaseOutcome outcome = PhaseOutcome::kExitNow;
};

TEST_F(SearchPhasesTest, SessionRequestCarriesTheServerName) {
  run();
  EXPECT_EQ(dump(engine().stream("KSVSTARTSESSION")),
            "00 05 00 0A E2 00 0B 00 0B C1 53 45 52 56 45 52 00 05 00 0A C5");
}

TEST_F(SearchPhasesTest, SessionFailureEndsThePageAndReleasesNothing) {
  engine().on("KSVSTARTSESSION").code(33);
  EXPECT_EQ(run(), rc_line(33));
  EXPECT_EQ(outcome, PhaseOutcome::kPageTail);
  EXPECT_EQ(engine().names(), Names{"KSVSTARTSESSION"});
  EXPECT_TRUE(release().empty());
  EXPECT_EQ(request->request_buffer, nullptr);
}

TEST_F(SearchPhasesTest, SessionFailureThatLeftAHandleEndsThatSession) {
  engine().on("KSVSTARTSESSION").code(16).handle(9);
  EXPECT_EQ(run(), rc_line(16));
  const auto calls = release();
  ASSERT_EQ(names_of(calls), Names{"KSVENDSESSION"});
  EXPECT_EQ(calls[0].handles, std::vector<uint32_t>{9});
}

TEST_F(SearchPhasesTest, IndexesThatFailAreReportedAndDropped) {
  request->index_count = 0;
  request.indexes({"ONE", "TWO", "THREE"});
  engine().on("KSVOPENINDEX").codes({24, 0, 62});
  EXPECT_EQ(run(), index_line("ONE", 24) + index_line("THREE", 62) + kNoMatch);
  EXPECT_EQ(engine().names(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVOPENINDEX",
                                     "KSVOPENINDEX", "KSVSEARCH"}));
  EXPECT_EQ(engine().stream("KSVOPENINDEX", 1), testing::hex({0, 8, 0, 0x3C, 0xC1, 'T', 'W', 'O'}));
  EXPECT_EQ(engine().find("KSVSEARCH")->handles, (std::vector<uint32_t>{1, 102}));
  EXPECT_FALSE(request->indexes[0].present());
  EXPECT_TRUE(request->indexes[1].present());
  EXPECT_FALSE(request->indexes[2].present());
  EXPECT_EQ(request->open_count, 1);

  const auto calls = release();
  EXPECT_EQ(names_of(calls), (Names{"KSVDELETERESULT", "KSVCLOSEINDEX", "KSVENDSESSION"}));
  EXPECT_EQ(calls[1].handles, (std::vector<uint32_t>{1, 102}));
}

TEST_F(SearchPhasesTest, FailedIndexLeavingAHandleIsNotClosed) {
  engine().on("KSVOPENINDEX").code(35).handle(77);
  run();
  EXPECT_EQ(request->indexes[0].handle, 0u);
  EXPECT_EQ(names_of(release()), Names{"KSVENDSESSION"});
}

TEST_F(SearchPhasesTest, NoIndexOpenedMeansNoTarget) {
  request->index_count = 0;
  request.indexes({"A", "B"});
  engine().on("KSVOPENINDEX").codes({24, 61});
  EXPECT_EQ(run(), index_line("A", 24) + index_line("B", 61) +
                       "<p><b>No target for search specified</b>\n");
  EXPECT_EQ(request->request_buffer, nullptr);
  EXPECT_EQ(engine().count("KSVSEARCH"), 0);
  EXPECT_EQ(names_of(release()), Names{"KSVENDSESSION"});
}

TEST_F(SearchPhasesTest, NoIndexSelectedMeansNoTarget) {
  request->index_count = 0;
  EXPECT_EQ(run(), "<p><b>No target for search specified</b>\n");
  EXPECT_EQ(engine().names(), Names{"KSVSTARTSESSION"});
}

TEST_F(SearchPhasesTest, SeveralIndexesAreSearchedAsAGroupWithTheScope) {
  request.indexes({"NEWS"}).scope("A").scope("B");
  run();
  EXPECT_EQ(engine().names(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVOPENINDEX",
                                     "KSVCREATEINDEXGROUP", "KSVADDQUERYSCOPE", "KSVSEARCH"}));
  EXPECT_EQ(dump(engine().stream("KSVCREATEINDEXGROUP")),
            "00 09 00 3C C1 44 4F 43 53 00 09 00 3C C1 4E 45 57 53");
  EXPECT_EQ(dump(engine().stream("KSVADDQUERYSCOPE")),
            "00 05 00 69 E2 "
            "00 05 00 32 E2 00 09 00 3C C1 44 4F 43 53 00 06 00 6B C1 41 00 06 00 6B C1 42 "
            "00 05 00 32 C5 "
            "00 05 00 32 E2 00 09 00 3C C1 4E 45 57 53 00 06 00 6B C1 41 00 06 00 6B C1 42 "
            "00 05 00 32 C5 "
            "00 05 00 69 C5");
  EXPECT_EQ(engine().find("KSVADDQUERYSCOPE")->handles, (std::vector<uint32_t>{1, 200}));
  EXPECT_EQ(engine().find("KSVSEARCH")->handles, (std::vector<uint32_t>{1, 200}));
  // The scope went to the group, not into the search request.
  EXPECT_EQ(dump(engine().stream("KSVSEARCH")).find("00 69 E2"), std::string::npos);
}

TEST_F(SearchPhasesTest, GroupLeavesOutIndexesThatFailed) {
  request.indexes({"BAD", "NEWS"});
  engine().on("KSVOPENINDEX").codes({0, 24, 0});
  run();
  EXPECT_EQ(dump(engine().stream("KSVCREATEINDEXGROUP")),
            "00 09 00 3C C1 44 4F 43 53 00 09 00 3C C1 4E 45 57 53");
}

TEST_F(SearchPhasesTest, ScopeValueAllAppliesNoScope) {
  request.indexes({"NEWS"}).scope("A").scope("ALL");
  run();
  EXPECT_EQ(engine().count("KSVADDQUERYSCOPE"), 0);
  EXPECT_EQ(request->scope_count, 0);
}

TEST_F(SearchPhasesTest, ScopeValueAllWithOneIndexSendsNoScope) {
  request.scope("ALL").scope("A");
  run();
  EXPECT_EQ(dump(engine().stream("KSVSEARCH")).find("00 69 E2"), std::string::npos);
}

TEST_F(SearchPhasesTest, LowerCaseAllIsAnOrdinaryScopeValue) {
  request.indexes({"NEWS"}).scope("all");
  run();
  EXPECT_NE(dump(engine().stream("KSVADDQUERYSCOPE")).find("00 08 00 6B C1 61 6C 6C"),
            std::string::npos);
}

TEST_F(SearchPhasesTest, OneIndexWithScopeValuesHasNoGroup) {
  request.scope("A");
  run();
  EXPECT_EQ(engine().count("KSVCREATEINDEXGROUP"), 0);
  EXPECT_EQ(engine().count("KSVADDQUERYSCOPE"), 0);
  EXPECT_EQ(dump(engine().stream("KSVSEARCH")).substr(0, 47),
            "00 05 00 69 E2 00 06 00 6B C1 41 00 05 00 69 C5");
  EXPECT_EQ(engine().find("KSVSEARCH")->handles, (std::vector<uint32_t>{1, 101}));
}

TEST_F(SearchPhasesTest, GroupFailureEndsThePage) {
  request.indexes({"NEWS"});
  engine().on("KSVCREATEINDEXGROUP").code(83);
  EXPECT_EQ(run(), rc_line(83));
  EXPECT_EQ(engine().count("KSVSEARCH"), 0);
  EXPECT_EQ(names_of(release()), (Names{"KSVCLOSEINDEX", "KSVCLOSEINDEX", "KSVENDSESSION"}));
}

TEST_F(SearchPhasesTest, ScopeFailureEndsThePage) {
  request.indexes({"NEWS"}).scope("A");
  engine().on("KSVADDQUERYSCOPE").code(20);
  EXPECT_EQ(run(), rc_line(20));
  EXPECT_EQ(engine().count("KSVSEARCH"), 0);
  const auto calls = release();
  EXPECT_EQ(names_of(calls), (Names{"KSVDELETEINDEXGROUP", "KSVCLOSEINDEX", "KSVCLOSEINDEX",
                                    "KSVENDSESSION"}));
  EXPECT_EQ(calls[0].handles, (std::vector<uint32_t>{1, 200}));
}

TEST_F(SearchPhasesTest, SearchCodesZeroAndNineAreSilent) {
  for (int32_t code : {0, 9}) {
    engine().reset();
    testing::TestRequest fresh;
    fresh.indexes({"DOCS"}).term("cat");
    engine().on("KSVSEARCH").code(code).found(7);
    testing::PageSink page;
    run_search_phases(*fresh, page.out());
    EXPECT_EQ(before_table(page.text()), count_line(7)) << code;
    release_search_resources(*fresh);
  }
}

TEST_F(SearchPhasesTest, SearchWarningsAreShownAndTheSearchGoesOn) {
  for (int32_t code : {8, 10, 22, 72, 73}) {
    engine().reset();
    testing::TestRequest fresh;
    fresh.indexes({"DOCS"}).term("cat");
    engine().on("KSVSEARCH").code(code).found(7);
    testing::PageSink page;
    run_search_phases(*fresh, page.out());
    EXPECT_EQ(before_table(page.text()), rc_line(code) + count_line(7)) << code;
    EXPECT_EQ(engine().count("KSVCREATERESULTLIST"), 1) << code;
    release_search_resources(*fresh);
  }
}

TEST_F(SearchPhasesTest, SearchWarningWithNothingFound) {
  engine().on("KSVSEARCH").code(72);
  EXPECT_EQ(run(), rc_line(72) + kNoMatch);
}

TEST_F(SearchPhasesTest, SearchErrorWithNothingFoundEndsThePage) {
  engine().on("KSVSEARCH").code(12);
  EXPECT_EQ(run(), "<p>Search processing error has occurred.\n" + rc_line(12));
  EXPECT_EQ(engine().names().back(), "KSVSEARCH");
  EXPECT_EQ(names_of(release()), (Names{"KSVDELETERESULT", "KSVCLOSEINDEX", "KSVENDSESSION"}));
}

TEST_F(SearchPhasesTest, SearchErrorWithDocumentsFoundGoesOn) {
  engine().on("KSVSEARCH").code(12).found(3);
  EXPECT_EQ(before_table(run()),
            "<p>Search processing error has occurred.\n" + rc_line(12) + count_line(3));
  EXPECT_EQ(engine().count("KSVCREATERESULTLIST"), 1);
}

TEST_F(SearchPhasesTest, NegativeSearchCodeIsAnError) {
  engine().on("KSVSEARCH").code(-5);
  EXPECT_EQ(run(), "<p>Search processing error has occurred.\n" + rc_line(-5));
}

TEST_F(SearchPhasesTest, CountLineShowsAtMostTheResultLimit) {
  struct Case {
    uint16_t limit;
    uint32_t found;
    int shown;
  };
  for (const Case c : {Case{50, 120, 50}, Case{50, 7, 7}, Case{50, 50, 50}, Case{0, 5, 0},
                       Case{65535, 70000, 65535}}) {
    engine().reset();
    testing::TestRequest fresh;
    fresh.indexes({"DOCS"}).term("cat");
    fresh->result_limit = c.limit;
    engine().on("KSVSEARCH").found(c.found);
    testing::PageSink page;
    run_search_phases(*fresh, page.out());
    EXPECT_EQ(before_table(page.text()), count_line(c.shown)) << c.limit << " " << c.found;
    release_search_resources(*fresh);
  }
}

TEST_F(SearchPhasesTest, NewSearchFormStandsBeforeTheNoMatchLine) {
  request->show_form = true;
  request->new_free_text_flag = true;
  std::snprintf(request->free_text_echo, kFreeTextSize, "%s", "cat");
  testing::PageSink form;
  write_new_search_form(*request, form.out());
  ASSERT_FALSE(form.text().empty());

  engine().on("KSVSEARCH").code(10);
  EXPECT_EQ(run(), rc_line(10) + form.text() + kNoMatch);
}

TEST_F(SearchPhasesTest, NewSearchFormStandsBeforeTheCountLine) {
  request->show_form = true;
  request->new_free_text_flag = true;
  testing::PageSink form;
  write_new_search_form(*request, form.out());

  engine().on("KSVSEARCH").found(4);
  EXPECT_EQ(before_table(run()), form.text() + count_line(4));
}

TEST_F(SearchPhasesTest, RankedResultIsRankedListedAndSorted) {
  request->rank = true;
  engine().on("KSVSEARCH").found(7);
  run();
  EXPECT_EQ(calls_before_table(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVSEARCH",
                                         "KSVRANK", "KSVCREATERESULTLIST", "KSVSORT"}));
  EXPECT_EQ(engine().find("KSVRANK")->handles, (std::vector<uint32_t>{1, 300}));
  EXPECT_EQ(engine().find("KSVCREATERESULTLIST")->handles, (std::vector<uint32_t>{1, 300}));
  EXPECT_EQ(engine().find("KSVSORT")->handles, (std::vector<uint32_t>{1, 400}));
  EXPECT_EQ(dump(engine().stream("KSVSORT")),
            "00 05 01 E0 E2 00 06 01 F6 C1 01 00 06 01 F4 C1 01 00 05 01 E0 C5");
  EXPECT_GE(engine().count("KSVGETRESULTLIST"), 1);
  EXPECT_EQ(request->request_buffer, nullptr);  // released before the fetch
}

TEST_F(SearchPhasesTest, FreeTextIsAlwaysRanked) {
  request->terms_flag = false;
  request->term_count = 0;
  request.free_text("cat");
  engine().on("KSVSEARCH").found(2);
  run();
  EXPECT_EQ(engine().count("KSVRANK"), 1);
  EXPECT_EQ(engine().count("KSVSORT"), 1);
}

TEST_F(SearchPhasesTest, UnrankedResultIsListedOnly) {
  engine().on("KSVSEARCH").found(7);
  run();
  EXPECT_EQ(calls_before_table(),
            (Names{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVSEARCH", "KSVCREATERESULTLIST"}));
}

TEST_F(SearchPhasesTest, NoRankingDataShowsTheListUnranked) {
  request->rank = true;
  engine().on("KSVSEARCH").found(7);
  engine().on("KSVRANK").code(84);
  EXPECT_EQ(before_table(run()), count_line(7) + rc_line(84));
  EXPECT_FALSE(request->rank);
  EXPECT_EQ(calls_before_table(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX", "KSVSEARCH",
                                         "KSVRANK", "KSVCREATERESULTLIST"}));
}

TEST_F(SearchPhasesTest, RankFailureEndsThePage) {
  request->rank = true;
  engine().on("KSVSEARCH").found(7);
  engine().on("KSVRANK").code(81);
  EXPECT_EQ(run(), count_line(7) + rc_line(81));
  EXPECT_EQ(engine().names().back(), "KSVRANK");
}

TEST_F(SearchPhasesTest, ResultListFailureEndsThePage) {
  request->rank = true;
  engine().on("KSVSEARCH").found(7);
  engine().on("KSVCREATERESULTLIST").code(37);
  EXPECT_EQ(run(), count_line(7) + rc_line(37));
  EXPECT_EQ(engine().names().back(), "KSVCREATERESULTLIST");
  EXPECT_EQ(names_of(release()), (Names{"KSVDELETERESULT", "KSVCLOSEINDEX", "KSVENDSESSION"}));
}

TEST_F(SearchPhasesTest, SortFailureEndsThePage) {
  request->rank = true;
  engine().on("KSVSEARCH").found(7);
  engine().on("KSVSORT").code(18);
  EXPECT_EQ(run(), count_line(7) + rc_line(18));
  EXPECT_EQ(engine().names().back(), "KSVSORT");
  EXPECT_EQ(names_of(release()), (Names{"KSVDELETERESULTLIST", "KSVDELETERESULT",
                                        "KSVCLOSEINDEX", "KSVENDSESSION"}));
}

TEST_F(SearchPhasesTest, ReleaseUndoesEverythingInReverseOrder) {
  request.indexes({"NEWS"}).scope("A");
  request->rank = true;
  engine().on("KSVSEARCH").found(3);
  run();
  const auto calls = release();
  EXPECT_EQ(names_of(calls), (Names{"KSVDELETERESULTLIST", "KSVDELETERESULT",
                                    "KSVDELETEINDEXGROUP", "KSVCLOSEINDEX", "KSVCLOSEINDEX",
                                    "KSVENDSESSION"}));
  const std::vector<std::vector<uint32_t>> handles = {{1, 400}, {1, 300}, {1, 200},
                                                      {1, 101}, {1, 102}, {1}};
  for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].handles, handles[i]) << i;
  EXPECT_TRUE(release().empty());  // a second release finds nothing left
}

TEST_F(SearchPhasesTest, QueryThatDoesNotFitEndsThePageTooComplex) {
  request->term_count = 0;
  request.term(std::string(32735, 'x').c_str());
  EXPECT_EQ(run(), "<p>Vant message: Query too complex. Reformulate search request. (rc=22)\n");
  EXPECT_EQ(outcome, PhaseOutcome::kPageTail);
  EXPECT_EQ(engine().names(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX"}));
}

class SearchPhasesSpellingTest : public SearchPhasesTest {
 protected:
  void SetUp() override {
    SearchPhasesTest::SetUp();
    env.set("ZEBINST", "demo");
    dir.write("ZEBCSREF.DAT", testing::sample_spelling_file());
    engine().storage().data_path = dir.path();
    request->spelling = true;
    request->term_count = 0;
    request.term("color");
  }
  testing::TempDir dir;
};

TEST_F(SearchPhasesSpellingTest, VariantsOfTheTermsComeBeforeTheResult) {
  request.free_text("color");
  const std::string table =
      "<p>The following misspellings were found for <strong>color</strong>:\n\n<table>\n"
      "<tr><td><img src=\"/icons/greenbull.gif\" alt=\"*\" >  <td>colour\n"
      "<td><A HREF=\"searchit?DOCS?colour\">find me</a>"
      "<tr><td><img src=\"/icons/greenbull.gif\" alt=\"*\" >  <td>kolor\n"
      "<td><A HREF=\"searchit?DOCS?kolor\">find me</a></table>\n";
  EXPECT_EQ(run(), table + table + kNoMatch);  // the term's, then the free text's
  EXPECT_NE(request->spelling_image, nullptr);
  release_search_resources(*request);
  EXPECT_EQ(request->spelling_image, nullptr);
}

TEST_F(SearchPhasesSpellingTest, MaskedTermsAreNotLookedUp) {
  request->term_count = 0;
  request.term("color*");
  EXPECT_EQ(run(), kNoMatch);
}

TEST_F(SearchPhasesSpellingTest, FirstIndexThatFailedMeansNoSpelling) {
  request->index_count = 0;
  request.indexes({"BAD", "DOCS"});
  engine().on("KSVOPENINDEX").codes({24, 0});
  EXPECT_EQ(run(), index_line("BAD", 24) + kNoMatch);
  EXPECT_EQ(engine().storage().attach_calls, 0);
  EXPECT_FALSE(request->spelling);
}

TEST_F(SearchPhasesSpellingTest, UnusableSharedStorageEndsThePage) {
  engine().storage().instance_words[2] = 0;
  EXPECT_EQ(run(),
            "\nProblems with shared memory access....\n (perhaps Vantora server not running, "
            "rc is 0 \n\n<p>Error retrieving index information.\n");
  EXPECT_EQ(engine().names(), (Names{"KSVSTARTSESSION", "KSVOPENINDEX"}));
  EXPECT_EQ(names_of(release()), (Names{"KSVCLOSEINDEX", "KSVENDSESSION"}));
}

TEST_F(SearchPhasesSpellingTest, MissingInstanceNameStillSearches) {
  env.unset("ZEBINST");
  EXPECT_EQ(run(), "Enviroment variable ZEBINST not defined \n" + kNoMatch);
  EXPECT_FALSE(request->spelling);
}

}  // namespace
}  // namespace zeb
