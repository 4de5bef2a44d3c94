// The one record of a search request: page options, query pieces, flags,
// lists, handles and buffers. The request driver creates it with these
// defaults before the form is read and owns it until the process ends.
//
// A "form string" is a pointer to a value of the form entry table; the table
// lives until the page tail, so those pointers stay valid for the whole run.
// Every fixed width below is part of the program's behaviour: values that do
// not fit are cut to fit (never written past the end).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb {

// Widths of the record's buffers (terminator included).
constexpr int kMaxListEntries = 64;        // topics, scopes, indexes, terms
constexpr size_t kFreeTextSize = 1024;     // 1023 characters
constexpr size_t kStarTagSize = 256;
constexpr size_t kStarNameSize = 64;       // 63 characters
constexpr size_t kStripeSize = 8;          // 7 characters
constexpr size_t kScriptPathSize = 128;    // 127 characters
constexpr size_t kMessageSize = 256;
constexpr size_t kOperatorListSize = 1024; // required and excluded lists
constexpr size_t kDataPathSize = 256;
constexpr size_t kLocationSize = 128;      // 127 characters
constexpr uint16_t kDefaultResultLimit = 50;
constexpr uint16_t kCodePage = 850;
constexpr uint16_t kLanguage = 6011;
constexpr const char* kDefaultScriptPath = "/cgi-bin/zebsrch.exe";
// Fields that only new forms send: excerpts of about this many words (a
// form may ask for kMinExcerptWords to kMaxExcerptWords), and the first row
// of a later page, 1 to kMaxFirstNumber.
constexpr uint8_t kDefaultExcerptWords = 30;
constexpr uint8_t kMinExcerptWords = 10;
constexpr uint8_t kMaxExcerptWords = 80;
constexpr int32_t kMaxFirstNumber = 65535;

// Connector codes are the item identifiers of the operators.
enum Connector : uint16_t {
  kConnectorNone = 0,
  kConnectorAnd = 130,
  kConnectorOr = 140,
  kConnectorNot = 151,
};

// One selected index. A slot whose index failed to open loses its name
// (nullptr) and keeps handle 0; it counts as not selected from then on. An
// empty name from the form is a name like any other: opening it fails.
struct SelectedIndex {
  char* name = nullptr;  // form string, upper-cased in place
  uint32_t handle = 0;
  bool present() const { return name != nullptr; }
};

struct SearchRequest {
  // Page options (first pass).
  const char* msgcat = "";
  const char* header_name = "";
  const char* footer_name = "";
  char star_tags[5][kStarTagSize] = {};   // level 1 (poorest) .. level 5 (best)
  char star_names[5][kStarNameSize] = {};

  // Query and display options (second pass).
  bool show_form = false;
  const char* topics[kMaxListEntries] = {};
  int32_t topic_count = 0;
  const char* scopes[kMaxListEntries] = {};
  int32_t scope_count = 0;
  SelectedIndex indexes[kMaxListEntries] = {};
  int32_t index_count = 0;
  char free_text[kFreeTextSize] = {};
  bool free_text_flag = false;
  bool new_free_text_flag = false;
  // A free text longer than kFreeTextSize - 1 was posted and left out: a
  // request with nothing else is too large, not empty.
  bool free_text_too_long = false;
  char free_text_echo[kFreeTextSize] = {};
  const char* terms[kMaxListEntries] = {};
  int32_t term_count = 0;
  uint16_t connectors[kMaxListEntries] = {};  // Connector codes, one per term slot
  bool leading_not = false;
  bool terms_flag = false;
  bool spelling = false;
  uint16_t result_limit = kDefaultResultLimit;
  bool rank = false;
  bool linguistic = true;
  char odd_stripes[kStripeSize] = {};
  char even_stripes[kStripeSize] = {};
  bool stripes = false;

  // Row extras and paging, off unless the form asks: `excerpts`,
  // `excerpt_words`, `show_date`, `first_number` (0: not asked, the page of
  // today; else the first row shown, and the count line says which rows).
  bool excerpts = false;
  uint8_t excerpt_words = kDefaultExcerptWords;
  bool show_date = false;
  int32_t first_number = 0;

  // Output of the free-text scanner: terms each followed by ";". Term slots
  // taken from them point into these buffers.
  char required[kOperatorListSize] = {};
  char excluded[kOperatorListSize] = {};

  // Constants sent with every search.
  const uint16_t code_page = kCodePage;
  const uint16_t language = kLanguage;

  // Request driver and page frame.
  char script_path[kScriptPathSize] = {};
  const char* instance_dir = nullptr;  // ZEBINSTSRV, read once before the header

  // Search engine client. The request buffer is allocated after the echo and
  // released before the result list is fetched.
  unsigned char* request_buffer = nullptr;
  uint32_t session = 0;
  uint32_t index_group = 0;
  uint32_t search_target = 0;
  uint32_t result = 0;
  uint32_t found = 0;
  uint32_t result_list = 0;
  uint32_t list_value = 0;
  int32_t diag = 0;
  int32_t open_count = 0;
  char message[kMessageSize] = {};

  // Spelling image: ZEBCSREF.DAT mapped read-only.
  unsigned char* spelling_image = nullptr;
  size_t spelling_size = 0;  // bytes of the file
  char data_path[kDataPathSize] = {};
  int32_t index_number = 0;

  // Document location of each selected index, from the look-up table.
  char locations[kMaxListEntries][kLocationSize] = {};
  // The table's text (kLookupTextSize bytes, malloc'ed; null when it could
  // not be read), taken before the indexes are opened: zebadm enters an index
  // in the table before the catalogue and removes it from the catalogue
  // first, so an index that a search opened is always found in its table.
  char* lookup_text = nullptr;
  bool lookup_taken = false;
};

}  // namespace zeb
