// Fuzz target: the back end's reading of a search request's data stream, and
// of the texts in it (UTF-8, else code page 850).
#include <string>

#include "backend/parsed_search.h"
#include "backend/request_text.h"
#include "backend/search_stream.h"
#include "fuzz_support.h"

namespace {

using zeb::backend::Expression;

// Brackets nest no deeper than the parser allows; every text is UTF-8.
void check_expression(const Expression& expression, int depth) {
  ZEB_FUZZ_CHECK(depth <= zeb::backend::kMaxBracketDepth);
  for (const zeb::backend::Step& step : expression) {
    ZEB_FUZZ_CHECK(step.operand != nullptr);
    if (step.operand->bracket) {
      check_expression(step.operand->inner, depth + 1);
    } else {
      const std::string& text = step.operand->term.text;
      ZEB_FUZZ_CHECK(zeb::backend::is_valid_utf8(
          reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint32_t length = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
  zeb::backend::ParsedSearch parsed;
  const int code = zeb::backend::parse_search_stream(data, length, parsed);
  ZEB_FUZZ_CHECK(code == 0 || code == 18 || code == 20 || code == 22 || code == 41 ||
                 code == 42);
  if (code == 0) {
    ZEB_FUZZ_CHECK(parsed.scope.size() <= zeb::backend::kMaxScopeValues);
    check_expression(parsed.expression, 0);
  }

  // The whole input as one request text.
  const std::string text = zeb::backend::decode_request_text(data, size);
  ZEB_FUZZ_CHECK(zeb::backend::is_valid_utf8(
      reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  if (zeb::backend::is_valid_utf8(data, size))
    ZEB_FUZZ_CHECK(text == std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
