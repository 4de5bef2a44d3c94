// Reads one file of a document tree into an ExtractedDocument, by the kind
// its name gives: .html and .htm are HTML, .txt is plain text (any letter
// case); every other file is not a document. HTML is read under the index's
// document rules.
#pragma once

#include <string>

#include "admin/document_rules.h"
#include "admin/extracted_document.h"

namespace zeb::admin {

enum class DocumentKind { kHtml, kText, kOther };

// Files larger than this are skipped rather than read whole into memory.
constexpr long long kMaxDocumentBytes = 64LL * 1024 * 1024;

DocumentKind document_kind(const std::string& path);

// Reads `file` (relative to the tree `root`); false with a message when it
// cannot be read, is too large, or is a link that leads out of the tree
// (also one put there since the tree was walked: admin/tree_links.h). A
// document without a title gets its file name as title.
bool read_document(const std::string& root, const std::string& file, DocumentKind kind,
                   ExtractedDocument& doc, std::string& error,
                   const DocumentRules& rules = DocumentRules{});

}  // namespace zeb::admin
