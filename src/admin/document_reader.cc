#include "admin/document_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "admin/html_extract.h"
#include "admin/text_extract.h"
#include "admin/tree_links.h"

namespace zeb::admin {

namespace {

bool ends_with_nocase(const std::string& s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// The tree root with its links resolved, once per run and thread rather
// than once per document.
bool real_tree_root(const std::string& root, std::string& real_root, std::string& error) {
  thread_local std::string last_root, last_real_root;
  if (root != last_root || last_real_root.empty()) {
    if (!resolve_tree_root(root, last_real_root, error)) return false;
    last_root = root;
  }
  real_root = last_real_root;
  return true;
}

// Opens `path` below `root` where it really lies, and only inside the tree.
// Most documents are reached without any link: those open at once, one
// component at a time, following none. Only a path with a link (or an odd
// component) on it is resolved to see where it leads.
int open_document(const std::string& root, const std::string& path, std::string& error) {
  const std::string full = root + "/" + path;
  std::string real_root, resolved;
  if (!real_tree_root(root, real_root, error)) return -1;
  int fd = open_in_tree(real_root, path);
  if (fd >= 0 || (errno != ELOOP && errno != ENOTDIR && errno != EINVAL)) {
    if (fd < 0) error = "cannot open " + full + ": " + std::strerror(errno);
    return fd;
  }
  const LinkTarget target = resolve_in_tree(real_root, path, resolved);
  if (target == LinkTarget::kOutside) {
    error = full + ": a link that leads out of the document tree, not read";
    return -1;
  }
  fd = target == LinkTarget::kInside ? open_in_tree(real_root, resolved) : -1;
  if (fd < 0) error = "cannot open " + full + ": " + std::strerror(errno);
  return fd;
}

bool read_file(const std::string& root, const std::string& relative, std::string& bytes,
               std::string& error) {
  const int fd = open_document(root, relative, error);
  if (fd < 0) return false;
  const std::string path = root + "/" + relative;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    ::close(fd);
    return false;
  }
  if (st.st_size > kMaxDocumentBytes) {
    error = path + ": larger than " + std::to_string(kMaxDocumentBytes) + " bytes, skipped";
    ::close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = "cannot read " + path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;  // the file shrank while it was read
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  ::close(fd);
  return true;
}

}  // namespace

DocumentKind document_kind(const std::string& path) {
  if (ends_with_nocase(path, ".html") || ends_with_nocase(path, ".htm")) return DocumentKind::kHtml;
  if (ends_with_nocase(path, ".txt")) return DocumentKind::kText;
  return DocumentKind::kOther;
}

bool read_document(const std::string& root, const std::string& file, DocumentKind kind,
                   ExtractedDocument& doc, std::string& error, const DocumentRules& rules) {
  std::string bytes;
  if (kind == DocumentKind::kOther) {
    error = root + "/" + file + ": not a document";
    return false;
  }
  if (!read_file(root, file, bytes, error)) return false;
  if (kind == DocumentKind::kHtml) extract_html(bytes, doc, rules);
  else extract_text(bytes, doc);
  if (doc.title.empty()) {
    const size_t slash = file.rfind('/');
    doc.title = collapse_blanks(slash == std::string::npos ? file : file.substr(slash + 1),
                                kMaxTitleBytes);
  }
  return true;
}

}  // namespace zeb::admin
