#include "admin/text_extract.h"

#include "admin/charset.h"

namespace zeb::admin {

void extract_text(std::string_view raw, ExtractedDocument& doc) {
  doc = ExtractedDocument{};
  std::string charset;
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
    raw.remove_prefix(3);
    charset = "utf-8";
  }
  doc.text = to_utf8(raw, charset);
  const std::string_view text = doc.text;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    doc.title = collapse_blanks(text.substr(start, end - start), kMaxTitleBytes);
    if (!doc.title.empty()) break;
    start = end + 1;
  }
}

}  // namespace zeb::admin
