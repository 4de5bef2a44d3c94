// Fuzz target: zebadm's plain-text extraction, the charset conversions and
// the character-reference decoder. The first byte picks the charset the rest
// is converted from; every result must be UTF-8.
#include <string>
#include <string_view>

#include "admin/charset.h"
#include "admin/extracted_document.h"
#include "admin/html_entities.h"
#include "admin/text_extract.h"
#include "fuzz_support.h"

namespace {

// Declared charsets as documents name them: the ones converted in place, a
// few that go through iconv, and names that are no charset.
constexpr std::string_view kCharsets[] = {
    "", "utf-8", "UTF-8", "iso-8859-1", "windows-1252", "us-ascii", "iso-8859-15",
    "koi8-r", "shift_jis", "utf-16", "utf-16le", "gb2312", "big5", "euc-jp", "no-such-set",
    "utf-8//ignore"};

void check_utf8(const std::string& text) { ZEB_FUZZ_CHECK(zeb::admin::is_valid_utf8(text)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  zeb::admin::ExtractedDocument doc;
  zeb::admin::extract_text(raw, doc);
  ZEB_FUZZ_CHECK(doc.title.size() <= zeb::admin::kMaxTitleBytes);
  check_utf8(doc.title);
  check_utf8(doc.text);

  if (size == 0) return 0;
  const std::string_view charset = kCharsets[data[0] % std::size(kCharsets)];
  const std::string utf8 = zeb::admin::to_utf8(raw.substr(1), charset);
  check_utf8(utf8);
  check_utf8(zeb::admin::decode_entities(utf8));
  if (zeb::admin::is_valid_utf8(raw)) check_utf8(zeb::admin::decode_entities(raw));
  return 0;
}
