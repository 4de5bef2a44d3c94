#include "query/free_text_scanner.h"

#include <cstring>

#include "request/search_request.h"

namespace zeb {

namespace {

// The private copy is twice the longest text, as the lists are bounded by it.
constexpr size_t kWorkSize = 2048;

void append_term(char* list, const char* term, size_t length) {
  size_t used = strlen(list);
  if (used + length + 2 > kOperatorListSize) return;  // cannot happen for 1023 characters
  memcpy(list + used, term, length);
  list[used + length] = ';';
  list[used + length + 1] = '\0';
}

}  // namespace

int split_free_text(char* text, char* required, char* excluded) {
  char work[kWorkSize];
  size_t end = strnlen(text, kWorkSize - 1);
  memcpy(work, text, end);
  work[end] = '\0';

  size_t i = 0;
  while (i < end) {
    const char c = work[i];
    // The character before, as it stands now: one already blanked counts as a blank.
    const char before = i == 0 ? ' ' : work[i - 1];

    if (c == '"') {
      if (before != ' ' && before != '+' && before != '-') {
        ++i;
        continue;
      }
      work[i++] = ' ';
      if (i == end || work[i] == ' ') continue;  // a lone mark is just removed
      char* close = static_cast<char*>(memchr(work + i, '"', end - i));
      if (close == nullptr) return kScanUnterminatedPhrase;
      *close = ' ';
      i = static_cast<size_t>(close - work);
      continue;
    }

    if ((c == '+' || c == '-') && before == ' ') {
      work[i++] = ' ';
      if (i == end || work[i] == ' ') continue;  // a lone sign is just removed
      size_t term_start = i;
      size_t term_end;
      if (work[i] == '"') {
        work[i++] = ' ';
        term_start = i;
        char* close = static_cast<char*>(memchr(work + i, '"', end - i));
        if (close == nullptr) return kScanUnterminatedPhrase;
        *close = ' ';
        term_end = static_cast<size_t>(close - work);
      } else {
        term_end = i;
        while (term_end < end && work[term_end] != ' ') ++term_end;
      }
      size_t length = term_end - term_start;
      if (length >= 2) {
        append_term(c == '+' ? required : excluded, work + term_start, length);
        if (c == '-') memset(work + term_start, ' ', length);
      }
      i = term_end;
      continue;
    }

    ++i;
  }

  memcpy(text, work, end);
  return kScanOk;
}

}  // namespace zeb
