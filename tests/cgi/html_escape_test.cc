#include "cgi/html_escape.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace zeb
