#include "cgi/form_decoder.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "cgi/body_reader.h"
#include "request/decimal_prefix.h"
#include "cgi/url_unescape.h"

namespace zeb {

namespace {

bool request_kind_accepted(FILE* out) {
  const char* method = getenv("REQUEST_METHOD");
  if (method != nullptr && strcmp(method, "POST") != 0) {
    fputs("This script should be referenced with a METHOD of POST.\n", out);
    fputs("If you don't understand this, see this ", out);
    fprintf(out, "<A HREF=\"%s\">forms overview</A>.\n", kFormsOverviewAddress);
    return false;
  }
  const char* type = getenv("CONTENT_TYPE");
  if (type != nullptr && strcmp(type, kFormContentType) != 0) {
    fputs("This script can only be used to decode form results. \n", out);
    return false;
  }
  return true;
}

// Decodes one raw entry into a table entry; false when memory runs out.
bool store_entry(FormTable& table, const std::string& raw) {
  char* value = static_cast<char*>(malloc(raw.size() + 1));
  if (value == nullptr) return false;
  memcpy(value, raw.data(), raw.size());
  value[raw.size()] = '\0';
  plus_to_space(value);
  unescape(value);
  char* name = split_at(value, '=');
  if (name == nullptr) {
    free(value);
    return false;
  }
  table.entries.push_back(FormEntry{name, value});
  return true;
}

}  // namespace

int decode_form(FormTable& table, FILE* in, FILE* out) {
  if (!request_kind_accepted(out)) return kFormRejected;

  const char* length_text = getenv("CONTENT_LENGTH");
  int64_t length = length_text != nullptr ? decimal_clamped32(length_text) : -1;
  BodyReader reader(in, length);
  std::string raw;
  while (!reader.done()) {
    bool keep = table.entries.size() < static_cast<size_t>(kMaxFormEntries);
    if (reader.read_entry('&', keep ? &raw : nullptr) == 0) break;  // input ended
    // An entry that cannot be allocated is dropped; the rest still decode.
    if (keep) store_entry(table, raw);
  }
  return static_cast<int>(table.entries.size());
}

}  // namespace zeb
