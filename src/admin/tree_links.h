// Symbolic links in a document tree. zebadm publishes what is inside the
// tree and nothing else: a link is resolved (realpath) and counts only when
// its target lies inside the resolved tree root. A link to a file inside
// the tree is indexed under the link's own path; a link to a directory is
// never followed, so links cannot make the walk loop. A link that leads out
// of the tree is skipped with a warning.
//
// A file can be swapped for a link between the walk and the read. The
// reader therefore resolves the path again and opens the result one
// component at a time from the tree root, following no link on the way: a
// file or folder replaced by a link after it was resolved fails to open.
#pragma once

#include <string>

namespace zeb::admin {

enum class LinkTarget {
  kInside,   // below the tree root (or the root itself: `resolved` is empty)
  kOutside,  // anywhere else
  kMissing,  // the path or a link on it leads nowhere
};

// `root` with every link resolved; false with a message when it cannot be.
bool resolve_tree_root(const std::string& root, std::string& real_root, std::string& error);

// Where `path` (relative to the tree) leads; when inside, `resolved` is its
// link-free path relative to `real_root`.
LinkTarget resolve_in_tree(const std::string& real_root, const std::string& path,
                           std::string& resolved);

// Opens `resolved` (a link-free path relative to `real_root`) for reading,
// without following a link at any component; -1 with errno set when that
// fails. Non-blocking, so a pipe put in place of a file cannot hang the run.
int open_in_tree(const std::string& real_root, const std::string& resolved);

}  // namespace zeb::admin
