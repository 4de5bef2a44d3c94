// Return-code messages: the English text of every code the search engine
// interface answers, and the page lines that carry them with the prefix
// "Vant message:".
//
// The message catalogue name (form field msgcat) is passed along on every
// look-up but chooses nothing: the texts are always these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zeb {

constexpr const char* kVantMessage = "Vant message:";
constexpr size_t kMessageTextSize = 256;  // every text fits, terminator included

// Codes that callers treat specially.
constexpr int32_t kRcOk = 0;
constexpr int32_t kRcMoreEntries = 1;       // KSVGETRESULTLIST: call again
constexpr int32_t kRcNoDictionary = 9;      // ignored after KSVSEARCH
constexpr int32_t kRcEmptyRequest = 73;
constexpr int32_t kRcNoRankingData = 84;

// The text of `code`, or "The specified return code is unknown to
// Vantora." for a code the table does not hold (negative codes included:
// the code is compared as an unsigned number).
const char* return_code_text(int32_t code);

// Copies the text of `code` into `text` (kMessageTextSize bytes).
void message_for_code(const char* msgcat, int32_t code,
                      char text[kMessageTextSize]);

// "<p>Vant message: <text> (rc=<code>)\n": a failed engine call.
void report_code(FILE* out, const char* msgcat, int32_t code);
// "<p>Vant message: <index>, <text> (rc=<code>)\n": an index that did not
// open. The index name comes from the form and is escaped.
void report_index_code(FILE* out, const char* msgcat, const char* index,
                       int32_t code);
// "<p>Vant message: <text of 73>.\n": the form holds no query at all.
void report_empty_request(FILE* out, const char* msgcat);
// "<p><b>Vant message: <text of 73>.</b>\n": a new free-text query holds
// nothing to search for.
void report_empty_new_text(FILE* out, const char* msgcat);
// "<br>Vant message: could not open look-up table.\n"
void report_no_lookup_table(FILE* out);
// "<br>Vant message: <index>, no entry for index found in look-up table \n";
// the index name is escaped.
void report_no_lookup_entry(FILE* out, const char* index);

}  // namespace zeb
