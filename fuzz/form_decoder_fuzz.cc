// Fuzz target: the form decoder (body reader, "+" and "%xx" decoding, the
// split into name and value) over any posted body.
//
// Each body is decoded with CONTENT_LENGTH exact, unset, understated and
// negative. Exact and unset must give the same table: both read to the end.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/form_decoder.h"
#include "fuzz_support.h"

namespace {

using zeb::fuzz::PageSink;
using zeb::fuzz::stream_of;

struct Decoded {
  int count = 0;
  std::vector<std::string> names, values;
};

Decoded decode(const uint8_t* data, size_t size, const char* length) {
  if (length != nullptr) setenv("CONTENT_LENGTH", length, 1);
  else unsetenv("CONTENT_LENGTH");
  FILE* in = stream_of(data, size);
  PageSink out;
  zeb::FormTable table;
  Decoded decoded;
  decoded.count = zeb::decode_form(table, in, out.out());
  fclose(in);
  ZEB_FUZZ_CHECK(decoded.count == static_cast<int>(table.entries.size()));
  ZEB_FUZZ_CHECK(decoded.count <= zeb::kMaxFormEntries);
  ZEB_FUZZ_CHECK(out.text().empty());
  for (const zeb::FormEntry& entry : table.entries) {
    // The name ends at the first "=" of the decoded entry.
    ZEB_FUZZ_CHECK(strchr(entry.name, '=') == nullptr);
    decoded.names.emplace_back(entry.name);
    decoded.values.emplace_back(entry.value);
  }
  return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("REQUEST_METHOD", "POST", 1);
  setenv("CONTENT_TYPE", zeb::kFormContentType, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Decoded exact = decode(data, size, std::to_string(size).c_str());
  const Decoded to_end = decode(data, size, nullptr);
  ZEB_FUZZ_CHECK(exact.count == to_end.count && exact.names == to_end.names &&
                 exact.values == to_end.values);
  const Decoded half = decode(data, size, std::to_string(size / 2).c_str());
  ZEB_FUZZ_CHECK(half.count <= exact.count);
  decode(data, size, "-1");
  return 0;
}
