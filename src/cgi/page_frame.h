// The frame of every page: the site's header template, copied in after the
// page options are read, and its footer template at the start of the page
// tail. Both are plain HTML files in the instance directory (ZEBINSTSRV),
// named by the form fields header and footer, copied byte for byte in pieces
// of at most kTemplatePieceChars characters.
//
// A template name that is absolute or has a ".." component, or that makes
// the path longer than kTemplatePathSize - 1 characters, counts as a
// template that cannot be opened; so does anything but a regular file (an
// empty name names the directory itself).
#pragma once

#include <cstddef>
#include <cstdio>

#include "cgi/search_request.h"

namespace zeb {

constexpr size_t kTemplatePathSize = 256;  // 255 characters
constexpr int kTemplatePieceChars = 254;   // read at most this much at a time

// Reads ZEBINSTSRV (kept in request.instance_dir for the footer) and prints
// the header template, or the replacement text when there is none.
void print_header(SearchRequest& request, FILE* out);

// Prints the footer template or its message; nothing when ZEBINSTSRV was not
// set for the header.
void print_footer(const SearchRequest& request, FILE* out);

// Joins `dir`, "/" and `name` into `path`; false when the name is refused or
// the path does not fit.
bool template_path(char (&path)[kTemplatePathSize], const char* dir, const char* name);

// Copies the file to `out`; false when it cannot be opened.
bool copy_template(const char* path, FILE* out);

}  // namespace zeb
