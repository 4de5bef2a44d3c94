// Fuzz target: the look-up table reader. Each input is a ZEBMAP.DAT: read,
// searched for a few index names (fixed ones and the input's first field),
// its records split, and the whole table loaded for a request as the CGI
// does, from a file in an instance directory.
#include <cstring>
#include <memory>
#include <string>

#include "request/search_request.h"
#include "fuzz_support.h"
#include "results/lookup_table.h"

namespace {

using zeb::fuzz::PageSink;
const char* kNames[] = {"DOCS", "PGDOC", "GITDOC", "A", "OTHER"};

// The input's first field after its opening quote, up to 11 characters.
std::string first_name(const uint8_t* data, size_t size) {
  std::string name;
  for (size_t i = 1; i < size && name.size() < zeb::kLookupNameSize - 1; ++i) {
    if (data[i] == '"' || data[i] == '\0') break;
    name += static_cast<char>(data[i]);
  }
  return name;
}

void check_record(const char* name, const char* text, FILE* out) {
  auto record = std::make_unique<char[]>(zeb::kLookupRecordSize);
  if (zeb::find_record(name, record.get(), text) != 0) return;
  const size_t length = strnlen(record.get(), zeb::kLookupRecordSize);
  ZEB_FUZZ_CHECK(length < zeb::kLookupRecordSize && record[length - 1] == '\n');
  auto fields = std::make_unique<zeb::LookupFields>();
  zeb::split_record(record.get(), *fields, out);
  ZEB_FUZZ_CHECK(strnlen(fields->location, zeb::kLocationSize) < zeb::kLocationSize);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A directory whose path holds "instance" holds the table itself.
  const std::string dir = zeb::fuzz::scratch_dir().path() + "/instance";
  std::filesystem::create_directory(dir);
  setenv("ZEBINSTSRV", dir.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PageSink out;
  auto text = std::make_unique<char[]>(zeb::kLookupTextSize);
  FILE* in = zeb::fuzz::stream_of(data, size);
  zeb::read_lookup_table(text.get(), in);
  fclose(in);
  ZEB_FUZZ_CHECK(text[zeb::kLookupTextSize - 1] == '\0');

  const std::string own = first_name(data, size);
  check_record(own.c_str(), text.get(), out.out());
  for (const char* name : kNames) check_record(name, text.get(), out.out());

  // The table as the CGI loads it, for two selected indexes.
  zeb::fuzz::write_file(zeb::lookup_table_path(nullptr), data, size);
  auto request = std::make_unique<zeb::SearchRequest>();
  std::string names[2] = {own, "DOCS"};
  request->indexes[0].name = names[0].data();
  request->indexes[1].name = names[1].data();
  request->index_count = 2;
  zeb::load_document_locations(*request, out.out());
  for (const char* location : request->locations)
    ZEB_FUZZ_CHECK(strnlen(location, zeb::kLocationSize) < zeb::kLocationSize);
  return 0;
}
