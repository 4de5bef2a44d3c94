// Reads one file of a document tree into an ExtractedDocument, by the kind
// its name gives: .html and .htm are HTML, .txt is plain text (any letter
// case); every other file is not a document.
#pragma once

#include <string>

#include "admin/extracted_document.h"

namespace zeb::admin {

enum class DocumentKind { kHtml, kText, kOther };

// Files larger than this are skipped rather than read whole into memory.
constexpr long long kMaxDocumentBytes = 64LL * 1024 * 1024;

DocumentKind document_kind(const std::string& path);

// False with a message when the file cannot be read or is too large. A
// document without a title gets its file name as title.
bool read_document(const std::string& file, DocumentKind kind, ExtractedDocument& doc,
                   std::string& error);

}  // namespace zeb::admin
