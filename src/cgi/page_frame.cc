#include "cgi/page_frame.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cgi/template_name.h"

namespace zeb {

namespace {

constexpr const char* kMissingInstance = "Environment not set correctly, missing ZEBINSTSRV.";
constexpr const char* kDefaultTitle = "<html><head><title>Search Results</title></head>";
constexpr const char* kHeaderNotFound = "Search form header not found";
constexpr const char* kFooterNotFound = "Search form footer not found";

// O_NONBLOCK: a pipe put in place of a template cannot hang the page.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;

// The part of `file` below `dir`, both resolved; nullptr when it lies
// elsewhere. Only the root directory "/" ends in '/'.
const char* below_directory(const char* dir, const char* file) {
  size_t length = strlen(dir);
  if (length > 0 && dir[length - 1] == '/') --length;
  if (strncmp(file, dir, length) != 0 || file[length] != '/') return nullptr;
  return file + length + 1;
}

// `fd` when it is open on a regular file; otherwise it is closed and -1.
int regular_file_or_close(int fd) {
  struct stat info;
  if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}

// The usual case in one call: the template `name` reached from the instance
// directory without any link (nor "..", which a template's name cannot have
// anyway). The name is a template's name, so the file is a template of the
// directory. -1 when a link is met, the file is not there, or the kernel
// cannot open this way; full resolution decides then.
int open_unlinked_template(const char* dir, const char* name) {
  int dir_fd = open(dir, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return -1;
  struct stat info;
  int fd = -1;
  // A directory, a pipe or a device is no template and is not even opened.
  if (fstatat(dir_fd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)) {
    open_how how{};
    how.flags = kOpenFlags;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH;
    fd = static_cast<int>(syscall(SYS_openat2, dir_fd, name, &how, sizeof how));
  }
  close(dir_fd);
  return regular_file_or_close(fd);
}

// A template reached through links: with every link resolved, it must still
// be a template of the instance directory.
int open_linked_template(const char* dir, const char* path) {
  char real_dir[kResolvedPathSize];
  char real_file[kResolvedPathSize];
  if (realpath(dir, real_dir) == nullptr || realpath(path, real_file) == nullptr) return -1;
  const char* inside = below_directory(real_dir, real_file);
  if (inside == nullptr || !is_template_name(inside)) return -1;
  struct stat info;
  if (lstat(real_file, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  // O_NOFOLLOW: a link put in place of the file since it was resolved is refused.
  return regular_file_or_close(open(real_file, kOpenFlags));
}

// Writes one piece of a template: up to its first NUL, as a C string would be.
void put_piece(const char* piece, size_t size, FILE* out) {
  fwrite(piece, 1, strnlen(piece, size), out);
}

// Copies the file's bytes to `out` in the template's pieces: each ends after
// a line feed or at kTemplatePieceChars characters, whichever comes first.
void copy_pieces(int fd, FILE* out) {
  char block[4096];
  char piece[kTemplatePieceChars];
  size_t used = 0;
  for (;;) {
    ssize_t got = read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      piece[used++] = block[i];
      if (block[i] == '\n' || used == sizeof piece) {
        put_piece(piece, used, out);
        used = 0;
      }
    }
  }
  put_piece(piece, used, out);
}

bool copy_named_template(const char* dir, const char* name, FILE* out) {
  char path[kTemplatePathSize];
  return template_path(path, dir, name) && copy_template(dir, path, out);
}

}  // namespace

bool template_path(char (&path)[kTemplatePathSize], const char* dir, const char* name) {
  if (!is_template_name(name)) return false;
  int length = snprintf(path, sizeof path, "%s/%s", dir, name);
  return length >= 0 && static_cast<size_t>(length) < sizeof path;
}

bool copy_template(const char* dir, const char* path, FILE* out) {
  int fd = open_unlinked_template(dir, path + strlen(dir) + 1);
  if (fd < 0) fd = open_linked_template(dir, path);
  if (fd < 0) return false;
  copy_pieces(fd, out);
  close(fd);
  return true;
}

void print_header(SearchRequest& request, FILE* out) {
  request.instance_dir = getenv("ZEBINSTSRV");
  if (request.instance_dir == nullptr) {
    fprintf(out, "\n<p><b>%s</b>\n", kMissingInstance);
    return;
  }
  if (!copy_named_template(request.instance_dir, request.header_name, out)) {
    fputs(kDefaultTitle, out);
    fprintf(out, "\n<p><b>%s</b>\n", kHeaderNotFound);
  }
}

void print_footer(const SearchRequest& request, FILE* out) {
  if (request.instance_dir == nullptr) return;
  if (!copy_named_template(request.instance_dir, request.footer_name, out)) {
    fprintf(out, "\n<p><b>%s</b>\n", kFooterNotFound);
  }
}

}  // namespace zeb
