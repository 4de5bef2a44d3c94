// Fuzz target: the free-text operator scanner ("+word", "-word", quoted
// phrases) over any text of up to 1023 characters. The text and both lists
// are heap blocks of their exact sizes, so a write past one is caught.
#include <cstring>
#include <memory>
#include <string>

#include "request/search_request.h"
#include "fuzz_support.h"
#include "query/free_text_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t length = strnlen(reinterpret_cast<const char*>(data),
                                size < zeb::kFreeTextSize - 1 ? size : zeb::kFreeTextSize - 1);
  const std::string original(reinterpret_cast<const char*>(data), length);
  auto text = std::make_unique<char[]>(zeb::kFreeTextSize);
  auto required = std::make_unique<char[]>(zeb::kOperatorListSize);
  auto excluded = std::make_unique<char[]>(zeb::kOperatorListSize);
  memcpy(text.get(), original.data(), length);

  const int code = zeb::split_free_text(text.get(), required.get(), excluded.get());
  ZEB_FUZZ_CHECK(code == zeb::kScanOk || code == zeb::kScanUnterminatedPhrase);
  if (code == zeb::kScanOk) {
    ZEB_FUZZ_CHECK(strlen(text.get()) == length);  // never changes length
    // Every listed term with its ";" took at least as many bytes of the text.
    ZEB_FUZZ_CHECK(strlen(required.get()) + strlen(excluded.get()) <= length);
  } else {
    ZEB_FUZZ_CHECK(original == text.get());  // left as it was
  }
  ZEB_FUZZ_CHECK(strnlen(required.get(), zeb::kOperatorListSize) < zeb::kOperatorListSize);
  ZEB_FUZZ_CHECK(strnlen(excluded.get(), zeb::kOperatorListSize) < zeb::kOperatorListSize);
  return 0;
}
