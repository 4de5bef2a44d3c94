#include "results/row_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "request/html_escape.h"
#include "results/results_fixtures.h"

namespace zeb {
namespace {

using testing::PageCapture;

TEST(RowText, PiecesComeOutInOrderWhenTheRowEnds) {
  PageCapture page;
  {
    RowText row(page.out());
    row.markup("<p><tr><td>");
    row.markup_text("<img src=\"s.gif\">");
    row.html("a<b>&\"c\"");
    row.number(42);
    row.rank(0.25f);
    EXPECT_EQ(page.text(), "");  // nothing written before the row is done
  }
  EXPECT_EQ(page.text(), "<p><tr><td><img src=\"s.gif\">a&lt;b&gt;&amp;&quot;c&quot;420.2500");
}

TEST(RowText, NumbersAsPrintfWritesThem) {
  for (int32_t value : {0, 7, 10, 2147483647, -1, -10, INT_MIN}) {
    PageCapture page;
    {
      RowText row(page.out());
      row.number(value);
    }
    EXPECT_EQ(page.text(), std::to_string(value));
  }
}

// Rows far longer than the buffer: escaped text that grows six times, and
// markup longer than the buffer itself, between short pieces.
TEST(RowText, RowsLongerThanTheBufferKeepEveryByte) {
  const std::string quotes(3 * kRowTextSize + 5, '"');
  const std::string mixed = std::string(kRowTextSize - 3, 'x') + "<&>" + std::string(700, 'y');
  const std::string long_markup(2 * kRowTextSize + 1, 'm');
  for (size_t lead = 0; lead < 8; ++lead) {
    PageCapture page;
    const std::string start(lead, 's');
    {
      RowText row(page.out());
      row.markup_text(start.c_str());
      row.html(quotes);
      row.markup("|");
      row.markup_text(long_markup.c_str());
      row.html(mixed);
      row.rank(1.0f);
    }
    EXPECT_EQ(page.text(), start + html_escape(quotes) + "|" + long_markup + html_escape(mixed) +
                               "1.0000") << lead;
  }
}

}  // namespace
}  // namespace zeb
