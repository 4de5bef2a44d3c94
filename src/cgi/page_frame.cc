#include "cgi/page_frame.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zeb {

namespace {

constexpr const char* kMissingInstance = "Environment not set correctly, missing ZEBINSTSRV.";
constexpr const char* kDefaultTitle = "<html><head><title>Search Results</title></head>";
constexpr const char* kHeaderNotFound = "Search form header not found";
constexpr const char* kFooterNotFound = "Search form footer not found";

// Names that would lead out of the instance directory.
bool leaves_directory(const char* name) {
  if (name[0] == '/') return true;
  for (const char* part = name; part != nullptr;) {
    const char* slash = strchr(part, '/');
    size_t length = slash != nullptr ? static_cast<size_t>(slash - part) : strlen(part);
    if (length == 2 && part[0] == '.' && part[1] == '.') return true;
    part = slash != nullptr ? slash + 1 : nullptr;
  }
  return false;
}

// Opens a regular file for reading; a directory, a pipe or a device is no
// template (non-blocking, so a pipe cannot hang the page).
FILE* open_regular_file(const char* path) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return nullptr;
  }
  FILE* file = fdopen(fd, "r");
  if (file == nullptr) close(fd);
  return file;
}

bool copy_named_template(const char* dir, const char* name, FILE* out) {
  char path[kTemplatePathSize];
  return template_path(path, dir, name) && copy_template(path, out);
}

}  // namespace

bool template_path(char (&path)[kTemplatePathSize], const char* dir, const char* name) {
  if (leaves_directory(name)) return false;
  int length = snprintf(path, sizeof path, "%s/%s", dir, name);
  return length >= 0 && static_cast<size_t>(length) < sizeof path;
}

bool copy_template(const char* path, FILE* out) {
  FILE* file = open_regular_file(path);
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
