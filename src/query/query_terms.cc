#include "query/query_terms.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <initializer_list>

#include "request/decimal_prefix.h"
#include "request/fixed_copy.h"
#include "query/free_text_scanner.h"

namespace zeb {

namespace {

constexpr const char* kVantMessage = "Vant message:";
constexpr const char* kInvalidForm = "An invalid search form has been specified";
constexpr const char* kTooComplex = "Query too complex. Reformulate search request.";
constexpr const char* kEmptyRequest = "The search request is empty. Maybe stopwords only specified.";
constexpr const char* kInvalidCondition = "The condition specified is invalid.";
constexpr const char* kIndexLimit = "The maximum nuber of indices is reached.";

bool is_one_of(const char* name, std::initializer_list<const char*> names) {
  for (const char* candidate : names) {
    if (strcmp(name, candidate) == 0) return true;
  }
  return false;
}

// Yes/no options look at the first character only, in either case.
bool first_is(const char* value, char upper) {
  return value[0] == upper || value[0] == upper - 'A' + 'a';
}

// 1 to 1023 characters: fits the free-text buffer.
bool fits_free_text(const char* value) {
  size_t length = strnlen(value, kFreeTextSize);
  return length >= 1 && length < kFreeTextSize;
}

bool longer_than_free_text(const char* value) {
  return strnlen(value, kFreeTextSize) == kFreeTextSize;
}

bool has_non_blank(const char* text) {
  for (; *text != '\0'; ++text) {
    if (*text != ' ') return true;
  }
  return false;
}

QueryOutcome too_complex(FILE* out) {
  fprintf(out, "<P><b>%s</b>\n", kTooComplex);
  return QueryOutcome::kEndPage;
}

QueryOutcome invalid_condition(FILE* out) {
  fprintf(out, "<p><b>%s</b>\n", kInvalidCondition);
  return QueryOutcome::kEndPage;
}

// Puts a term into the next free slot (the caller checked there is one). A
// later term that no connector joined is joined with AND.
void store_term(SearchRequest& request, const char* text) {
  int32_t slot = request.term_count;
  if (slot > 0 && request.connectors[slot] == kConnectorNone) request.connectors[slot] = kConnectorAnd;
  request.terms[slot] = text;
  request.term_count = slot + 1;
}

QueryOutcome apply_query_word(SearchRequest& request, const char* value, FILE* out) {
  if (value[0] == '\0') {
    // Stored but not counted: the next term takes the same slot.
    if (request.term_count < kMaxListEntries) request.terms[request.term_count] = value;
    return QueryOutcome::kGoOn;
  }
  if (request.term_count == kMaxListEntries) return too_complex(out);
  store_term(request, value);
  request.terms_flag = true;
  return QueryOutcome::kGoOn;
}

// A connector belongs to the slot the next term will take; with the list
// full there is no such slot and it changes nothing.
void apply_connector(SearchRequest& request, const char* value) {
  int32_t slot = request.term_count;
  if (slot == kMaxListEntries) return;
  if (strcmp(value, "and") == 0) {
    if (slot != 0) request.connectors[slot] = kConnectorAnd;
  } else if (strcmp(value, "or") == 0) {
    request.connectors[slot] = kConnectorOr;
  } else if (strcmp(value, "not") == 0) {
    request.connectors[slot] = kConnectorNot;
    if (slot == 0) request.leading_not = true;
  }
}

// Turns the ";"-separated list into terms in place (the term slots point
// into the list). A required term is joined with AND (none when it is the
// first term); an excluded one with NOT, which before the first term
// negates it.
QueryOutcome take_list_terms(SearchRequest& request, char* list, uint16_t connector, FILE* out) {
  char* piece = list;
  while (*piece != '\0') {
    char* separator = strchr(piece, ';');
    if (separator != nullptr) *separator = '\0';
    if (*piece != '\0') {
      if (request.term_count == kMaxListEntries) return too_complex(out);
      int32_t slot = request.term_count;
      if (connector == kConnectorNot) {
        request.connectors[slot] = kConnectorNot;
        if (slot == 0) request.leading_not = true;
      } else if (slot != 0) {
        request.connectors[slot] = kConnectorAnd;
      }
      store_term(request, piece);
    }
    if (separator == nullptr) break;
    piece = separator + 1;
  }
  return QueryOutcome::kGoOn;
}

// Blanks the first occurrence of `term` in the free text.
void blank_first(char* free_text, const char* term) {
  if (char* found = strstr(free_text, term)) memset(found, ' ', strlen(term));
}

}  // namespace

QueryOutcome take_new_search_text(SearchRequest& request, const char* value, FILE* out) {
  copy_cut(request.free_text, value);
  request.new_free_text_flag = true;
  request.required[0] = '\0';
  request.excluded[0] = '\0';
  copy_cut(request.free_text_echo, value);

  if (split_free_text(request.free_text, request.required, request.excluded) != kScanOk) {
    fprintf(out, "<P>%s!</HTML>\n", kInvalidForm);
    return QueryOutcome::kEndPage;
  }
  const bool any_required = request.required[0] != '\0';
  const bool any_excluded = request.excluded[0] != '\0';
  if (take_list_terms(request, request.required, kConnectorAnd, out) == QueryOutcome::kEndPage ||
      take_list_terms(request, request.excluded, kConnectorNot, out) == QueryOutcome::kEndPage) {
    return QueryOutcome::kEndPage;
  }
  if (request.term_count != 0) request.terms_flag = true;
  if (has_non_blank(request.free_text)) request.free_text_flag = true;

  if (!request.free_text_flag && !any_required && !any_excluded) {
    fprintf(out, "<p><b>%s %s.</b>\n", kVantMessage, kEmptyRequest);
    return QueryOutcome::kEndPage;
  }
  if (!request.free_text_flag && !any_required) return invalid_condition(out);

  // A masked term is searched as a term only: take it out of the free text.
  if (request.free_text_flag && request.term_count != 0) {
    for (int32_t i = 0; i < request.term_count; ++i) {
      const char* term = request.terms[i];
      if (strchr(term, '*') != nullptr) blank_first(request.free_text, term);
      if (strchr(term, '?') != nullptr) blank_first(request.free_text, term);
    }
    if (!has_non_blank(request.free_text)) request.free_text_flag = false;
  }
  if (request.free_text_flag && request.term_count == 0 &&
      strpbrk(request.free_text, "*?") != nullptr) {
    return invalid_condition(out);
  }
  return QueryOutcome::kGoOn;
}

QueryOutcome apply_query_field(SearchRequest& request, const char* name, const char* value,
                               FILE* out) {
  if (is_one_of(name, {"query_word0", "query_word1", "query_word2", "query_word3"})) {
    return apply_query_word(request, value, out);
  }
  // An entry with an empty name counts as the connector before the first word.
  if (is_one_of(name, {"", "connector0", "connector1", "connector2"})) {
    apply_connector(request, value);
  } else if (strcmp(name, "free_text") == 0) {
    if (fits_free_text(value)) {
      copy_cut(request.free_text, value);
      request.free_text_flag = true;
    }
    if (longer_than_free_text(value)) request.free_text_too_long = true;
  } else if (strcmp(name, "new_free_text") == 0) {
    if (longer_than_free_text(value)) request.free_text_too_long = true;
    // A later new-search text needs the entries before it: the second pass
    // hands it to retake_new_search_text instead.
    if (fits_free_text(value) && !request.new_free_text_flag) {
      return take_new_search_text(request, value, out);
    }
  } else if (strcmp(name, "topic") == 0) {
    if (request.topic_count < kMaxListEntries) request.topics[request.topic_count++] = value;
  } else if (strcmp(name, "Manual") == 0) {
    if (request.scope_count < kMaxListEntries) {
      request.scopes[request.scope_count++] = value;
    } else {
      fprintf(out, "\n<P><b>%s</b>\n", kIndexLimit);
    }
  } else if (strcmp(name, "SPCHK") == 0) {
    if (strcmp(value, "SPELL") == 0) request.spelling = true;
  } else if (strcmp(name, "limit_number") == 0) {
    request.result_limit = decimal_low16(value);
  } else if (strcmp(name, "rank") == 0) {
    if (first_is(value, 'Y')) request.rank = true;
  } else if (strcmp(name, "ling") == 0) {
    if (first_is(value, 'F')) request.linguistic = true;
  }
  return QueryOutcome::kGoOn;
}

QueryOutcome retake_new_search_text(SearchRequest& request, std::span<const FormEntry> earlier,
                                    const char* value, FILE* out) {
  if (!fits_free_text(value)) return QueryOutcome::kGoOn;
  std::fill(std::begin(request.terms), std::end(request.terms), nullptr);
  std::fill(std::begin(request.connectors), std::end(request.connectors), kConnectorNone);
  request.term_count = 0;
  request.terms_flag = false;
  request.leading_not = false;
  request.free_text_flag = false;
  for (const FormEntry& entry : earlier) {
    if (is_one_of(entry.name, {"query_word0", "query_word1", "query_word2", "query_word3", "",
                               "connector0", "connector1", "connector2", "free_text"}) &&
        apply_query_field(request, entry.name, entry.value, out) == QueryOutcome::kEndPage) {
      return QueryOutcome::kEndPage;
    }
  }
  return take_new_search_text(request, value, out);
}

QueryOutcome check_query_present(const SearchRequest& request, FILE* out) {
  if (request.free_text_flag || request.terms_flag || request.new_free_text_flag) {
    return QueryOutcome::kGoOn;
  }
  if (request.free_text_too_long) return too_complex(out);
  fprintf(out, "<p>%s %s.\n", kVantMessage, kEmptyRequest);
  return QueryOutcome::kEndPage;
}

}  // namespace zeb
