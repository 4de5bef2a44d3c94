#include "results/lookup_table.h"

#include <cstdlib>
#include <cstring>

#include "engine/return_codes.h"

namespace zeb {

namespace {

constexpr std::string_view kSeparator = "\",\"";

// Copies `text` into a zero-filled buffer of `size` bytes, cut to fit.
void copy_cut(char* buffer, size_t size, std::string_view text) {
  memset(buffer, 0, size);
  memcpy(buffer, text.data(), text.size() < size ? text.size() : size - 1);
}

bool contains_instance(std::string path) {
  for (char& c : path) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return path.find("INSTANCE") != std::string::npos;
}

}  // namespace

std::string lookup_table_path(const char* base) {
  if (base == nullptr) base = getenv("ZEBINSTSRV");
  std::string path = base != nullptr ? base : "";
  if (path.empty() || path.back() != '/') path += '/';
  if (!contains_instance(path)) path += "INSTANCE/help/DATA/";
  path += kLookupFileName;
  return path;
}

FILE* open_lookup_table(const char* base) {
  const std::string path = lookup_table_path(base);
  FILE* file = fopen(path.c_str(), "r");
  if (file == nullptr) file = fopen(path.c_str(), "r");
  return file;
}

int read_lookup_table(char* text, FILE* file) {
  size_t n = 0;
  int c;
  while (n < kLookupTextSize - 1 && (c = getc(file)) != EOF) {
    if (c == '\r') {
      const int next = getc(file);
      if (next == '\n') c = '\n';
      else if (next != EOF) ungetc(next, file);
    }
    text[n++] = static_cast<char>(c);
  }
  text[n] = '\0';
  return text[0] == '\0' ? 1 : 0;
}

int find_record(const char* index_name, char* record, const char* text) {
  memset(record, 0, kLookupRecordSize);
  const std::string key = std::string("\"") + index_name + "\"";
  const char* start = strstr(text, key.c_str());
  if (start == nullptr) return 1;
  const char* end = strchr(start, '\n');
  size_t length = end != nullptr ? static_cast<size_t>(end - start) : strlen(start);
  if (length > kLookupRecordLength) length = kLookupRecordLength;
  memcpy(record, start, length);
  record[length] = '\n';
  return 0;
}

int parse_record(std::string_view record, std::string fields[4]) {
  for (int i = 0; i < 4; ++i) fields[i].clear();
  std::string_view rest = record.empty() ? record : record.substr(1);

  size_t cut = rest.find(kSeparator);
  if (cut == std::string_view::npos) return kRecordNoIndexName;
  fields[0] = rest.substr(0, cut);
  rest.remove_prefix(cut + kSeparator.size());

  cut = rest.find(kSeparator);
  if (cut == std::string_view::npos) return kRecordNoLocation;
  fields[1] = rest.substr(0, cut);
  rest.remove_prefix(cut + kSeparator.size());

  // Field 3, and field 4 when present, up to the closing quote of the line.
  if (!rest.empty() && rest.back() == '\n') rest.remove_suffix(1);
  if (!rest.empty() && rest.back() == '"') rest.remove_suffix(1);
  cut = rest.find(kSeparator);
  if (cut == std::string_view::npos) {
    fields[2] = rest;
  } else {
    fields[2] = rest.substr(0, cut);
    fields[3] = rest.substr(cut + kSeparator.size());
  }
  return kRecordComplete;
}

void split_record(const char* record, LookupFields& fields, FILE* out) {
  std::string parsed[4];
  const int result = parse_record(record, parsed);
  copy_cut(fields.index_name, sizeof fields.index_name, parsed[0]);
  copy_cut(fields.location, sizeof fields.location, parsed[1]);
  copy_cut(fields.third, sizeof fields.third, parsed[2]);
  copy_cut(fields.fourth, sizeof fields.fourth, parsed[3]);
  if (result == kRecordNoIndexName) fputs("Missing Index name in record\n", out);
  if (result == kRecordNoLocation) fputs("Missing document location\n", out);
}

void take_lookup_table(SearchRequest& request) {
  if (request.lookup_taken) return;
  request.lookup_taken = true;
  FILE* file = open_lookup_table(nullptr);
  if (file == nullptr) return;
  // Not zero-filled: the reader ends the text, and pages past it stay untouched.
  request.lookup_text = static_cast<char*>(malloc(kLookupTextSize));
  if (request.lookup_text != nullptr) read_lookup_table(request.lookup_text, file);
  fclose(file);
}

void load_document_locations(SearchRequest& request, FILE* out) {
  for (char* location : request.locations) location[0] = '\0';
  take_lookup_table(request);
  const char* text = request.lookup_text;
  if (text == nullptr) {
    report_no_lookup_table(out);
    release_lookup_table(request);
    return;
  }
  char record[kLookupRecordSize];
  for (int i = 0; i < request.index_count && i < kMaxListEntries; ++i) {
    const SelectedIndex& index = request.indexes[i];
    if (!index.present()) continue;
    if (find_record(index.name, record, text) != 0) {
      report_no_lookup_entry(out, index.name);
      continue;
    }
    LookupFields fields;
    split_record(record, fields, out);
    memcpy(request.locations[i], fields.location, kLocationSize);
  }
  release_lookup_table(request);
}

void release_lookup_table(SearchRequest& request) {
  free(request.lookup_text);
  request.lookup_text = nullptr;
  request.lookup_taken = false;
}

}  // namespace zeb
