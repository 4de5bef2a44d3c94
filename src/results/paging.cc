#include "results/paging.h"

#include <algorithm>
#include <cstdint>

#include "request/html_escape.h"

namespace zeb {

namespace {

// "1,234,567".
struct Grouped {
  char text[24];
  explicit Grouped(uint64_t value) {
    char digits[24];
    int count = snprintf(digits, sizeof digits, "%llu", static_cast<unsigned long long>(value));
    int at = 0;
    for (int i = 0; i < count; ++i) {
      if (i > 0 && (count - i) % 3 == 0) text[at++] = ',';
      text[at++] = digits[i];
    }
    text[at] = '\0';
  }
};

void write_hidden(FILE* out, const char* name, const char* value) {
  fprintf(out, "<input type=\"hidden\" NAME=\"%s\" value=\"%s\">", name,
          html_escape(value).c_str());
}

void write_button(FILE* out, const char* label, uint64_t first) {
  fprintf(out, "\n<button type=\"submit\" name=\"first_number\" value=\"%llu\">%s</button>",
          static_cast<unsigned long long>(first), label);
}

}  // namespace

int write_page_line(const SearchRequest& request, FILE* out) {
  if (request.found == 0) {
    fprintf(out, "<p>%s<hr>\n", "No matching documents found");
    return 1;
  }
  const uint64_t first = static_cast<uint64_t>(request.first_number);
  const char* of = request.found >= kExactCountBound ? "of about" : "of";
  const Grouped total(request.found);
  if (first > request.found || request.result_limit == 0) {
    fprintf(out, "<p><b><font size=-1>No documents from %s on, %s %s</font></b><p>\n",
            Grouped(first).text, of, total.text);
    return 0;
  }
  const uint64_t last = std::min<uint64_t>(first + request.result_limit - 1, request.found);
  fprintf(out, "<p><b><font size=-1>Documents %s-%s %s %s</font></b><p>\n", Grouped(first).text,
          Grouped(last).text, of, total.text);
  return 0;
}

void write_paging_fields(const SearchRequest& request, FILE* out) {
  fputs("<input type=\"hidden\" NAME=\"first_number\" value=\"1\">", out);
  if (request.excerpts) {
    fputs("<input type=\"hidden\" NAME=\"excerpts\" value=\"Y\">", out);
    fprintf(out, "<input type=\"hidden\" NAME=\"excerpt_words\" value=\"%d\">",
            static_cast<int>(request.excerpt_words));
  }
  if (request.show_date) fputs("<input type=\"hidden\" NAME=\"show_date\" value=\"Y\">", out);
  for (int32_t i = 0; i < request.scope_count && i < kMaxListEntries; ++i)
    write_hidden(out, "Manual", request.scopes[i]);
  for (int32_t i = 0; i < request.topic_count && i < kMaxListEntries; ++i)
    write_hidden(out, "topic", request.topics[i]);
  const uint64_t first = static_cast<uint64_t>(request.first_number);
  const uint64_t limit = request.result_limit;
  if (limit == 0) return;
  if (first > 1) write_button(out, "Previous", first > limit ? first - limit : 1);
  if (first + limit <= request.found && first + limit <= kMaxFirstNumber)
    write_button(out, "Next", first + limit);
}

}  // namespace zeb
