// HTML documents (.html, .htm): the title, the text without tags, scripts,
// styles and comments, with character references decoded; its headings and
// names (admin/html_fields.h); the keywords of
// <meta name="keywords" content="a, b, c">. A charset declared by
// <meta charset="..."> or <meta http-equiv="Content-Type" content="...;
// charset=..."> (or a byte order mark) decides how the bytes are read.
// With rules, what the page says about its indexing and its furniture are
// taken into account (admin/page_marks.h).
#pragma once

#include <string>
#include <string_view>

#include "admin/document_rules.h"
#include "admin/extracted_document.h"

namespace zeb::admin {

// The charset declared in the document's <meta> tags, empty when none.
// Only the part before <body> (at most the first 64 KiB) is read.
std::string declared_charset(std::string_view raw);

// Fills `doc` from the raw bytes of an HTML file.
void extract_html(std::string_view raw, ExtractedDocument& doc);

// The same under `rules`. A page with an element marked as its body is read
// twice, the second time with body_only set.
void extract_html(std::string_view raw, ExtractedDocument& doc, const DocumentRules& rules,
                  bool body_only = false);

}  // namespace zeb::admin
