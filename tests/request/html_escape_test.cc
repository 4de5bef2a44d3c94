#include "request/html_escape.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace zeb {
namespace {

TEST(HtmlEscape, ReplacesTheFourMarkupCharacters) {
  EXPECT_EQ(html_escape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e'f");
  EXPECT_EQ(html_escape(""), "");
  EXPECT_EQ(html_escape("plain text"), "plain text");
}

TEST(HtmlEscape, StreamingWriterGivesTheSameBytes) {
  const std::string_view texts[] = {"<script>x</script>", "&&", "tail\"",
                                    "\xC3\xA9t\xC3\xA9", std::string_view("a\0b", 3)};
  for (std::string_view text : texts) {
    char* data = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&data, &size);
    put_html(out, text);
    fclose(out);
    EXPECT_EQ(std::string(data, size), html_escape(text));
    free(data);
  }
}

TEST(HtmlEscape, EveryByteValue) {
  for (int c = 0; c < 256; ++c) {
    const std::string byte(1, static_cast<char>(c));
    const std::string expected = c == '&'   ? "&amp;"
                                 : c == '<' ? "&lt;"
                                 : c == '>' ? "&gt;"
                                 : c == '"' ? "&quot;"
                                            : byte;
    EXPECT_EQ(html_escape(byte), expected) << c;
  }
}

// A text appended in parts through buffers of every size from the smallest
// that always takes a byte: the parts join to the escaped text, no entity is
// cut and no byte is written past the buffer.
TEST(HtmlEscape, AppendingFillsABufferWithoutCuttingAnEntity) {
  const std::string text = "a<b>&\"quoted\" & more <<>> text\"";
  const std::string escaped = html_escape(text);
  for (size_t size = kLongestEntity; size <= escaped.size() + 1; ++size) {
    std::string joined;
    std::string_view rest = text;
    while (!rest.empty()) {
      std::string buffer(size + 1, '#');
      size_t length = 0;
      const size_t taken = append_html(buffer.data(), size, length, rest);
      ASSERT_GT(taken, 0u) << size;
      ASSERT_LE(length, size);
      EXPECT_EQ(buffer[size], '#');
      EXPECT_EQ(std::string_view(buffer.data(), length), html_escape(rest.substr(0, taken)));
      joined.append(buffer.data(), length);
      rest.remove_prefix(taken);
    }
    EXPECT_EQ(joined, escaped) << size;
  }
}

TEST(HtmlEscape, AppendingStopsWhereTheNextPieceDoesNotFit) {
  char buffer[16] = "abc";
  size_t length = sizeof buffer;
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, "xyz"), 0u);
  length = 11;
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, "\"x"), 0u);  // "&quot;" needs 6
  EXPECT_EQ(length, 11u);
  length = 3;
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, "x<y"), 3u);
  EXPECT_EQ(std::string_view(buffer, length), "abcx&lt;y");
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, "1234567"), 7u);
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, "more"), 0u);
  EXPECT_EQ(length, sizeof buffer);
  EXPECT_EQ(append_html(buffer, sizeof buffer, length, ""), 0u);
}

}  // namespace
}  // namespace zeb
