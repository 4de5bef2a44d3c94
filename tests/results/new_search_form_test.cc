#include "results/new_search_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "results/results_fixtures.h"

namespace zeb {
namespace {

using testing::PageCapture;

class NewSearchForm : public ::testing::Test {
 protected:
  void SetUp() override {
    strcpy(request_.script_path, "/cgi-bin/zebsrch.exe");
    request_.show_form = true;
    request_.new_free_text_flag = true;
    strcpy(request_.free_text_echo, "red +car");
    select({"DOCS"});
  }
  void select(std::vector<std::string> names) {
    names_ = std::move(names);
    request_.index_count = static_cast<int32_t>(names_.size());
    // "" stands for an index that failed to open: its slot has no name.
    for (size_t i = 0; i < names_.size(); ++i)
      request_.indexes[i].name = names_[i].empty() ? nullptr : names_[i].data();
  }
  std::string form() {
    PageCapture page;
    write_new_search_form(request_, page.out());
    return page.text();
  }

  SearchRequest request_;
  std::vector<std::string> names_;
};

TEST_F(NewSearchForm, CarriesTheRequestsOptions) {
  select({"DOCS", "", "WEB"});  // the second failed to open
  request_.result_limit = static_cast<uint16_t>(-1);
  request_.header_name = "head.html";
  request_.footer_name = "foot.html";
  request_.msgcat = "en";
  for (int level = 0; level < 5; ++level)
    snprintf(request_.star_names[level], kStarNameSize, "s%d.gif", level + 1);
  strcpy(request_.odd_stripes, "#FFFFFF");
  strcpy(request_.even_stripes, "#EEEEEE");
  EXPECT_EQ(form(),
            "\n<form action=\"/cgi-bin/zebsrch.exe\" method=\"post\">"
            "\n<input type=hidden name=\"limit_number\" value=\"65535\">"
            "\n<input type=hidden name=\"rank\" value=\"Y\">"
            "\n<input type=hidden name=\"SelectIndex\" value=\"DOCS\">"
            "\n<input type=hidden name=\"SelectIndex\" value=\"WEB\">"
            "\n<textarea name=\"new_free_text\" COLS=50 ROWS=2 WRAP=\"VIRTUAL\">red +car</textarea>"
            "\n<input type=\"submit\" value=\"New Search\">"
            "\n<input type=\"reset\" value=\"Clear\">"
            "<input type=\"hidden\" NAME=\"header\" value=\"head.html\">"
            "<input type=\"hidden\" NAME=\"footer\" value=\"foot.html\">"
            "<input type=\"hidden\" NAME=\"stars1\" value=\"s1.gif\">"
            "<input type=\"hidden\" NAME=\"stars2\" value=\"s2.gif\">"
            "<input type=\"hidden\" NAME=\"stars3\" value=\"s3.gif\">"
            "<input type=\"hidden\" NAME=\"stars4\" value=\"s4.gif\">"
            "<input type=\"hidden\" NAME=\"stars5\" value=\"s5.gif\">"
            "<input type=\"hidden\" NAME=\"OddStripes\" value=\"#FFFFFF\">"
            "<input type=\"hidden\" NAME=\"EvenStripes\" value=\"#EEEEEE\">"
            "<input type=\"hidden\" NAME=\"ShowForm\" value=\"Y\">"
            "<input type=\"hidden\" NAME=\"msgcat\" value=\"en\">"
            "\n</form>");
}

TEST_F(NewSearchForm, WrittenOnlyWithBothFlags) {
  request_.show_form = false;
  EXPECT_EQ(form(), "");
  request_.show_form = true;
  request_.new_free_text_flag = false;
  EXPECT_EQ(form(), "");
}

TEST_F(NewSearchForm, PostedTextsAreEscaped) {
  strcpy(request_.free_text_echo, "a<b & \"c\"</textarea>");
  request_.header_name = "h\"><script>";
  select({"D&D"});
  const std::string text = form();
  EXPECT_NE(text.find(">a&lt;b &amp; &quot;c&quot;&lt;/textarea&gt;</textarea>"),
            std::string::npos) << text;
  EXPECT_NE(text.find("NAME=\"header\" value=\"h&quot;&gt;&lt;script&gt;\">"),
            std::string::npos) << text;
  EXPECT_NE(text.find("name=\"SelectIndex\" value=\"D&amp;D\">"), std::string::npos) << text;
}

}  // namespace
}  // namespace zeb
