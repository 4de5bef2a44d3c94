#include "cgi/page_frame.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "cgi/template_name.h"

namespace zeb {

namespace {

constexpr const char* kMissingInstance = "Environment not set correctly, missing ZEBINSTSRV.";
constexpr const char* kDefaultTitle = "<html><head><title>Search Results</title></head>";
constexpr const char* kHeaderNotFound = "Search form header not found";
constexpr const char* kFooterNotFound = "Search form footer not found";

// The part of `file` below `dir`, both resolved; nullptr when it lies
// elsewhere. Only the root directory "/" ends in '/'.
const char* below_directory(const char* dir, const char* file) {
  size_t length = strlen(dir);
  if (length > 0 && dir[length - 1] == '/') --length;
  if (strncmp(file, dir, length) != 0 || file[length] != '/') return nullptr;
  return file + length + 1;
}

// Opens a regular file by its resolved path; a directory, a pipe or a
// device is no template and is not even opened. O_NOFOLLOW: a link put in
// place of the file since it was resolved is refused (non-blocking, so a
// pipe put there cannot hang the page).
FILE* open_regular_file(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  FILE* file = fdopen(fd, "r");
  if (file == nullptr) close(fd);
  return file;
}

// The template at `path` when, with every link resolved, it is still a
// template of the instance directory `dir`.
FILE* open_template(const char* dir, const char* path) {
  char real_dir[kResolvedPathSize];
  char real_file[kResolvedPathSize];
  if (realpath(dir, real_dir) == nullptr || realpath(path, real_file) == nullptr) return nullptr;
  const char* inside = below_directory(real_dir, real_file);
  if (inside == nullptr || !is_template_name(inside)) return nullptr;
  return open_regular_file(real_file);
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
  FILE* file = open_template(dir, path);
  if (file == nullptr) return false;
  char line[kTemplatePieceChars + 2];
  for (;;) {
    line[0] = '\0';
    if (fgets(line, kTemplatePieceChars + 1, file) == nullptr) break;
    fprintf(out, "%s", line);
  }
  fclose(file);
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
