#include "query/spelling_display.h"

#include <cstring>
#include <string>

#include "request/html_escape.h"
#include "query/spelling_file.h"

namespace zeb {

namespace {

void show_word(const unsigned char* image, size_t size, const std::string& word,
               const char* index, FILE* out) {
  char variants[kVariantListSize];
  find_spelling_variants(image, size, word.c_str(), variants);
  if (variants[0] == '\0') return;
  fprintf(out, "<p>%s <strong>%s</strong>:\n",
          "The following misspellings were found for", html_escape(word).c_str());
  fprintf(out, "\n<table>\n");
  const std::string escaped_index = html_escape(index);
  // The list ends at its first empty string, always inside the buffer.
  for (const char* v = variants; *v != '\0'; v += std::strlen(v) + 1) {
    const std::string escaped = html_escape(v);
    fprintf(out,
            "<tr><td><img src=\"/icons/greenbull.gif\" alt=\"*\" >  <td>%s\n",
            escaped.c_str());
    fprintf(out, "<td><A HREF=\"searchit?%s?%s\">find me</a>",
            escaped_index.c_str(), escaped.c_str());
  }
  fprintf(out, "</table>\n");
}

}  // namespace

void show_spelling_variants(const unsigned char* image, size_t size,
                            const char* text, const char* index, FILE* out) {
  const char* position = text;
  const char* end = text + std::strlen(text);
  do {
    const char* blank = std::strchr(position, ' ');
    const char* word_end = blank != nullptr ? blank : end;
    show_word(image, size, std::string(position, word_end), index, out);
    position = blank != nullptr ? blank + 1 : end;
  } while (position < end);
}

}  // namespace zeb
