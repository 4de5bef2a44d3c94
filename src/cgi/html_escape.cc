#include "cgi/html_escape.h"

namespace zeb {

namespace {
const char* entity(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return nullptr;
  }
}
}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (const char* e = entity(c)) out += e;
    else out += c;
  }
  return out;
}

void put_html(FILE* out, std::string_view text) {
  size_t run = 0;  // start of the pending run of plain bytes
  for (size_t i = 0; i < text.size(); ++i) {
    if (const char* e = entity(text[i])) {
      fwrite(text.data() + run, 1, i - run, out);
      fputs(e, out);
      run = i + 1;
    }
  }
  fwrite(text.data() + run, 1, text.size() - run, out);
}

}  // namespace zeb
