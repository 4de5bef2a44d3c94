// The frame of every page: the site's header template, copied in after the
// page options are read, and its footer template at the start of the page
// tail. Both are plain HTML files in the instance directory (ZEBINSTSRV),
// named by the form fields header and footer, copied byte for byte in pieces
// of at most kTemplatePieceChars characters, each ending after a line feed
// (a NUL ends what is copied of its piece).
//
// A template is the site's template and nothing else. Its name must be a
// template's name (cgi/template_name.h: relative, no ".", ".." or hidden
// component, not below "data", ending in .htm, .html, .txt or .inc), and
// the instance directory, "/" and the name must fit in kTemplatePathSize - 1
// characters. With every link resolved, the file must still lie below the
// resolved instance directory, under a path there that is a template's name
// too (so a link cannot lead to the index data or out of the instance), and
// be a regular file. Anything else counts as a template that cannot be
// opened, with the same text on the page as a missing one.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>

#include "request/search_request.h"

namespace zeb {

constexpr size_t kTemplatePathSize = 256;  // 255 characters
constexpr int kTemplatePieceChars = 254;   // read at most this much at a time
// Room for a path with every link resolved, as realpath() writes it.
constexpr size_t kResolvedPathSize = PATH_MAX;

// Reads ZEBINSTSRV (kept in request.instance_dir for the footer) and prints
// the header template, or the replacement text when there is none.
void print_header(SearchRequest& request, FILE* out);

// Prints the footer template or its message; nothing when ZEBINSTSRV was not
// set for the header.
void print_footer(const SearchRequest& request, FILE* out);

// Joins `dir`, "/" and `name` into `path`; false when the name is no
// template's name or the path does not fit.
bool template_path(char (&path)[kTemplatePathSize], const char* dir, const char* name);

// Copies the template at `path` (made by template_path) to `out`; false
// when it is not a template of the instance directory `dir` or cannot be
// opened.
bool copy_template(const char* dir, const char* path, FILE* out);

}  // namespace zeb
