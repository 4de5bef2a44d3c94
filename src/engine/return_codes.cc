#include "engine/return_codes.h"

#include <cstring>

#include "request/html_escape.h"

namespace zeb {

namespace {

constexpr const char* kUnknownCode =
    "The specified return code is unknown to Vantora.";
constexpr uint32_t kHighestCode = 110;

// Texts by code; a code missing here has no text of its own. Code 77 begins
// with two blanks and has 39 blanks after "(VANT.CFG)"; code 64 ends in one.
struct CodeText {
  uint32_t code;
  const char* text;
};
constexpr CodeText kTexts[] = {
    {0, "Request processed OK."},
    {1, "Continuation mode is entered."},
    {2, "No more information available for processing."},
    {3, "List is empty."},
    {7, "Error detected during cross-index searching."},
    {8, "Index specific error encountered."},
    {9, "Dictionary for specified language not available."},
    {10, "Stopword(s) in the search request have been ignored."},
    {12, "Search processing limit has been exceeded."},
    {16, "Server name specified is unknown to the system."},
    {17, "User authentication has failed."},
    {18, "Data stream syntax error."},
    {20, "Query scope too complex. Decrease number of scopes identifiers."},
    {22, "Query too complex. Reformulate search request."},
    {23, "The specified index is a member of an index group."},
    {24, "The specified index is unknown to this server."},
    {25, "An incorrect handle has been specified."},
    {26, "The specified index is not a member of the index group."},
    {27, "An invalid session handle is specified."},
    {29, "The communication type specified is unknow to the system."},
    {30, "The server information specified is not known to the system."},
    {31, "An invalid masking symbol is used."},
    {32, "The Vantora server reported an unexpected error condition."},
    {33, "The specified Vantora server is not available."},
    {35, "The specified index is already opened."},
    {36, "The maximum number of open indices is reached."},
    {37, "The maximum number of results is reached. Delete unused results first."},
    {41, "The specified codepage information (CCSID) is unknown."},
    {42, "The specified language is not supported."},
    {43, "The function parameters are in conflict with the given index type."},
    {47, "The server is busy. Re-submit the request."},
    {48, "The server connection has been lost."},
    {49, "The server is in error. Check the status of the server."},
    {50, "The request is in progress."},
    {51, "The specified index type is unknown."},
    {52, "The index name is not valid."},
    {53, "The specified Library Services executables are not valid."},
    {54, "The library identifier is invalid."},
    {55, "The specified index already exists."},
    {56, "The maximum nuber of indices is reached."},
    {57, "The specified location for the index is not valid."},
    {58, "The location specified for the index is already in use by another index."},
    {59, "The condition specified is invalid."},
    {60, "The index has been deleted."},
    {61, "The index is suspended."},
    {62, "The index is not accessible."},
    {63, "The maximum number of active indices is reached."},
    {64, "Conflicting indexing tasks running. "},
    {65, "Not enough memory to process request."},
    {69, "Document browser has timed out."},
    {70, "Communication with Vantora server is in error."},
    {71, "No action has been taken."},
    {72, "The specified index is empty."},
    {73, "The search request is empty. Maybe stopwords only specified."},
    {74, "An installation problem has been detected."},
    {75, "The requested function is disabled."},
    {76, "The requested function is in error."},
    {77, "  The Vantora configuration file (VANT.CFG)"
         "                                       "
         "is in error or could not be found."},
    {78, "Data could not be written to disk."},
    {79, "The server is not the most current verion."},
    {80, "The specified request (function) is not supported."},
    {81, "The result has already been ranked."},
    {82, "The result list already exists."},
    {83, "The index has not yet been opened."},
    {84, "No ranking data is available."},
    {96, "The maximum number of tasks is reached."},
    {97, "The specified library services cannot be executed."},
    {98, "The library services functions have failed."},
    {99, "The capacity limit has been exceeded."},
    {100, "The document is not accessible."},
    {103, "The specified document could not be found."},
    {110, "Cross-index search is not allowed for the specified function."},
};

}  // namespace

const char* return_code_text(int32_t code) {
  const uint32_t key = static_cast<uint32_t>(code);
  if (key > kHighestCode) return kUnknownCode;
  for (const CodeText& entry : kTexts)
    if (entry.code == key) return entry.text;
  return kUnknownCode;
}

void message_for_code(const char*, int32_t code, char text[kMessageTextSize]) {
  std::strncpy(text, return_code_text(code), kMessageTextSize - 1);
  text[kMessageTextSize - 1] = '\0';
}

void report_code(FILE* out, const char* msgcat, int32_t code) {
  char text[kMessageTextSize];
  message_for_code(msgcat, code, text);
  fprintf(out, "<p>%s %s (rc=%d)\n", kVantMessage, text, code);
}

void report_index_code(FILE* out, const char* msgcat, const char* index,
                       int32_t code) {
  char text[kMessageTextSize];
  message_for_code(msgcat, code, text);
  fprintf(out, "<p>%s %s, %s (rc=%d)\n", kVantMessage,
          html_escape(index).c_str(), text, code);
}

void report_empty_request(FILE* out, const char* msgcat) {
  char text[kMessageTextSize];
  message_for_code(msgcat, kRcEmptyRequest, text);
  fprintf(out, "<p>%s %s.\n", kVantMessage, text);
}

void report_empty_new_text(FILE* out, const char* msgcat) {
  char text[kMessageTextSize];
  message_for_code(msgcat, kRcEmptyRequest, text);
  fprintf(out, "<p><b>%s %s.</b>\n", kVantMessage, text);
}

void report_no_lookup_table(FILE* out) {
  fprintf(out, "<br>%s %s\n", kVantMessage, "could not open look-up table.");
}

void report_no_lookup_entry(FILE* out, const char* index) {
  fprintf(out, "<br>%s %s, %s \n", kVantMessage, html_escape(index).c_str(),
          "no entry for index found in look-up table");
}

}  // namespace zeb
