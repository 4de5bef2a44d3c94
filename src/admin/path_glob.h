// Globs over the paths of a document tree ('/' separated, relative to the
// tree), as the include and exclude rules of an index write them:
//
//   *    any run of characters within one path component
//   ?    one character (a UTF-8 sequence) other than '/'
//   **   as a whole component: any number of components, none included
//        ("**/index.html" is index.html at any depth, "a/**/b" is a/b,
//        a/x/b, a/x/y/b); elsewhere it is a '*'
//
// Every other byte stands for itself, letter case included. A glob matches
// a path when it matches the whole path or one of its leading directories,
// so "api" and "api/**" both match everything below api/.
#pragma once

#include <string>
#include <string_view>

namespace zeb::admin {

// A glob may be as long as the longest document path.
constexpr size_t kMaxGlobBytes = 240;

// False with a message when `glob` cannot be a rule: empty, too long,
// absolute, or with an empty, "." or ".." component, or a control byte.
bool acceptable_glob(std::string_view glob, std::string& error);

bool glob_matches(std::string_view glob, std::string_view path);

}  // namespace zeb::admin
