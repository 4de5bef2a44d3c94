// Fuzz target: zebadm's HTML extraction (tags, scripts, comments, character
// references, keywords, headings and names, declared charsets), also under
// every document rule (page marks, furniture, ignored classes). Whatever the
// bytes, the title, the text, the keywords, headings and names come out as
// UTF-8 and the title, headings and names within bounds.
#include <string>
#include <string_view>

#include "admin/charset.h"
#include "admin/extracted_document.h"
#include "admin/html_extract.h"
#include "fuzz_support.h"

namespace {

void check(const zeb::admin::ExtractedDocument& doc) {
  ZEB_FUZZ_CHECK(doc.title.size() <= zeb::admin::kMaxTitleBytes);
  ZEB_FUZZ_CHECK(zeb::admin::is_valid_utf8(doc.title));
  ZEB_FUZZ_CHECK(zeb::admin::is_valid_utf8(doc.text));
  for (const std::string& keyword : doc.keywords) ZEB_FUZZ_CHECK(zeb::admin::is_valid_utf8(keyword));
  for (const auto* fields : {&doc.headings, &doc.names}) {
    for (const std::string& field : *fields) {
      ZEB_FUZZ_CHECK(!field.empty() && field.size() <= zeb::admin::kMaxFieldBytes);
      ZEB_FUZZ_CHECK(zeb::admin::is_valid_utf8(field));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  zeb::admin::declared_charset(raw);
  zeb::admin::ExtractedDocument doc;
  zeb::admin::extract_html(raw, doc);
  check(doc);
  zeb::admin::DocumentRules rules;
  rules.page_marks = rules.furniture = true;
  rules.ignore_classes = {"navheader"};
  zeb::admin::extract_html(raw, doc, rules);
  check(doc);
  return 0;
}
