// The documents of an index: the files below its document tree (DOCDIR),
// each with its path relative to the tree, size and modification time.
// Hidden files and directories (a name starting with '.') are passed over.
// A symbolic link to a file inside the tree is a document under the link's
// own path; links to directories are not followed (no loops); a link that
// leads out of the tree is skipped with a warning (admin/tree_links.h). A
// path holding ';' is refused: the document identifier is "path;title" and
// readers split it at the first ';'. An index's rules (admin/index_rules.h)
// leave files out by kind or path.
#pragma once

#include <string>
#include <vector>

#include "admin/document_reader.h"

namespace zeb::admin {

// A path that would not fit in a term of the index is refused.
constexpr size_t kMaxDocumentPathBytes = 240;

struct TreeFile {
  std::string path;        // relative to the tree, '/' separated
  long long size = 0;
  long long modified = 0;  // nanoseconds since the epoch
  DocumentKind kind = DocumentKind::kOther;
};

struct TreeListing {
  std::vector<TreeFile> documents;    // sorted by path
  size_t other_files = 0;             // files that are not documents
  size_t excluded = 0;                // documents the index's rules leave out
  std::vector<std::string> warnings;  // refused paths, unreadable directories
  // Directories (relative, '/' separated) that could not be read: what the
  // index holds below them is kept as it is.
  std::vector<std::string> unreadable;

  bool below_unreadable(const std::string& path) const;
};

struct IndexRules;

// False with a message when `root` is not a readable directory. Without
// rules, every .html, .htm and .txt file is a document.
bool list_document_tree(const std::string& root, TreeListing& listing, std::string& error,
                        const IndexRules* rules = nullptr);

// Checks one path relative to the tree as a document identifier would hold
// it; false with a warning when it is refused.
bool acceptable_document_path(const std::string& path, std::string& warning);

// Size, time and kind of one file below `root`; false with a message when
// it is missing, not a regular file, a link that leads out of the tree, or
// a file that the walk of the tree does not reach (hidden, or below a link
// to a directory).
bool stat_tree_file(const std::string& root, const std::string& path, TreeFile& file,
                    std::string& error);

}  // namespace zeb::admin
