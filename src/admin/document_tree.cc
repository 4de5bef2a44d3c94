#include "admin/document_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "admin/index_rules.h"
#include "admin/tree_links.h"

namespace zeb::admin {

namespace {

long long nanoseconds(const struct timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// Replaces the link's own status in `st` with its target's; false when the
// link leads nowhere or out of the tree (with a warning).
bool follow_link(const std::string& real_root, const std::string& path, struct stat& st,
                 TreeListing& listing) {
  std::string resolved;
  switch (resolve_in_tree(real_root, path, resolved)) {
    case LinkTarget::kMissing:
      return false;
    case LinkTarget::kOutside:
      listing.warnings.push_back(path + ": a link that leads out of the document tree, skipped");
      return false;
    case LinkTarget::kInside:
      break;
  }
  return ::stat((real_root + "/" + resolved).c_str(), &st) == 0;
}

void walk(const std::string& root, const std::string& real_root, const std::string& relative,
          const IndexRules* rules, TreeListing& listing) {
  const std::string dir_path = relative.empty() ? root : root + "/" + relative;
  DIR* dir = ::opendir(dir_path.c_str());
  if (!dir) {
    listing.warnings.push_back("cannot read directory " + dir_path + ": " + std::strerror(errno));
    listing.unreadable.push_back(relative);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    const std::string path = relative.empty() ? name : relative + "/" + name;
    const std::string full = root + "/" + path;
    struct stat st;
    if (::lstat(full.c_str(), &st) != 0) continue;  // gone meanwhile
    if (S_ISDIR(st.st_mode)) {
      walk(root, real_root, path, rules, listing);
      continue;
    }
    // A link to a directory is no regular file here: it is not followed.
    if (S_ISLNK(st.st_mode) && !follow_link(real_root, path, st, listing)) continue;
    if (!S_ISREG(st.st_mode)) continue;
    TreeFile file{path, st.st_size, nanoseconds(st.st_mtim), document_kind(path)};
    if (file.kind == DocumentKind::kOther || (rules && !rules->takes_kind(path))) {
      ++listing.other_files;
      continue;
    }
    if (rules && !rules->admits(path)) {
      ++listing.excluded;
      continue;
    }
    std::string warning;
    if (!acceptable_document_path(path, warning)) {
      listing.warnings.push_back(warning);
      continue;
    }
    listing.documents.push_back(std::move(file));
  }
}

// Whether the walk of `root` reaches `path`: it passes over names that
// start with '.' and never enters a directory through a link. False with a
// message when it does not.
bool reached_by_walk(const std::string& root, const std::string& path, std::string& error) {
  size_t start = 0;
  for (;;) {
    if (path[start] == '.') {
      error = root + "/" + path + ": a hidden file or folder, which the index passes over";
      return false;
    }
    const size_t slash = path.find('/', start);
    if (slash == std::string::npos) return true;
    struct stat st;
    if (::lstat((root + "/" + path.substr(0, slash)).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      error = root + "/" + path + ": reached through a link to a directory, which the index " +
              "does not follow";
      return false;
    }
    start = slash + 1;
  }
}

}  // namespace

bool acceptable_document_path(const std::string& path, std::string& warning) {
  if (path.find(';') != std::string::npos) {
    warning = path + ": a document path may not hold ';', skipped";
    return false;
  }
  if (path.size() > kMaxDocumentPathBytes) {
    warning = path + ": path longer than " + std::to_string(kMaxDocumentPathBytes) +
              " bytes, skipped";
    return false;
  }
  return true;
}

bool TreeListing::below_unreadable(const std::string& path) const {
  for (const auto& dir : unreadable)
    if (path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 && path[dir.size()] == '/')
      return true;
  return false;
}

bool list_document_tree(const std::string& root, TreeListing& listing, std::string& error,
                        const IndexRules* rules) {
  listing = TreeListing{};
  struct stat st;
  if (::stat(root.c_str(), &st) != 0) {
    error = "document directory " + root + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    error = "document directory " + root + ": not a directory";
    return false;
  }
  std::string real_root;
  if (!resolve_tree_root(root, real_root, error)) return false;
  walk(root, real_root, "", rules, listing);
  if (!listing.unreadable.empty() && listing.unreadable.front().empty()) {
    error = listing.warnings.front();
    return false;
  }
  // The walk sorts names per directory; "a/x" and "a.b" come out of it in
  // another order than plain byte order, which the merge with the index needs.
  std::sort(listing.documents.begin(), listing.documents.end(),
            [](const TreeFile& a, const TreeFile& b) { return a.path < b.path; });
  return true;
}

bool stat_tree_file(const std::string& root, const std::string& path, TreeFile& file,
                    std::string& error) {
  const std::string full = root + "/" + path;
  std::string real_root, resolved;
  if (!reached_by_walk(root, path, error) || !resolve_tree_root(root, real_root, error))
    return false;
  switch (resolve_in_tree(real_root, path, resolved)) {
    case LinkTarget::kMissing:
      error = full + ": " + std::strerror(errno);
      return false;
    case LinkTarget::kOutside:
      error = full + ": a link that leads out of the document tree";
      return false;
    case LinkTarget::kInside:
      break;
  }
  struct stat st;
  if (::stat((real_root + "/" + resolved).c_str(), &st) != 0) {
    error = full + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = full + ": not a regular file";
    return false;
  }
  file = TreeFile{path, st.st_size, nanoseconds(st.st_mtim), document_kind(path)};
  return true;
}

}  // namespace zeb::admin
