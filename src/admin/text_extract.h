// Plain text documents (.txt): UTF-8 when the bytes are valid UTF-8, else
// windows-1252. The title is the document's first line that is not blank.
#pragma once

#include <string_view>

#include "admin/extracted_document.h"

namespace zeb::admin {

void extract_text(std::string_view raw, ExtractedDocument& doc);

}  // namespace zeb::admin
