#include "admin/path_glob.h"

#include <vector>

namespace zeb::admin {

namespace {

std::vector<std::string_view> components(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t slash = text.find('/', start);
    parts.push_back(text.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos) return parts;
    start = slash + 1;
  }
}

// Bytes of the character at text[i]: a UTF-8 lead byte and its continuation.
size_t character_length(std::string_view text, size_t i) {
  size_t n = 1;
  while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

// One component against one component's pattern: '*' and '?' only. The
// usual walk that goes back to the last '*' on a mismatch; a later '*'
// makes an earlier one's choice final, so it never goes back further.
bool component_matches(std::string_view pattern, std::string_view name) {
  size_t p = 0, n = 0, star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      while (p < pattern.size() && pattern[p] == '*') ++p;
      star = p;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += character_length(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star;
      star_n += character_length(name, star_n);
      n = star_n;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool acceptable_glob(std::string_view glob, std::string& error) {
  if (glob.empty() || glob.size() > kMaxGlobBytes) {
    error = "a rule's glob must have 1 to " + std::to_string(kMaxGlobBytes) + " bytes";
    return false;
  }
  for (const char c : glob) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      error = "a rule's glob may not hold control characters";
      return false;
    }
  }
  for (std::string_view part : components(glob)) {
    if (part.empty() || part == "." || part == "..") {
      error = "glob '" + std::string(glob) +
              "': paths are relative to the document tree, without empty, '.' or '..' parts";
      return false;
    }
  }
  return true;
}

bool glob_matches(std::string_view glob, std::string_view path) {
  const std::vector<std::string_view> pattern = components(glob);
  const std::vector<std::string_view> parts = components(path);
  // reach[j]: the pattern's components so far match the path's first j.
  std::vector<char> reach(parts.size() + 1, 0), next(parts.size() + 1);
  reach[0] = 1;
  for (std::string_view piece : pattern) {
    std::fill(next.begin(), next.end(), 0);
    if (piece == "**") {
      for (size_t j = 0; j <= parts.size(); ++j) next[j] = reach[j] || (j > 0 && next[j - 1]);
    } else {
      for (size_t j = 1; j <= parts.size(); ++j)
        next[j] = reach[j - 1] && component_matches(piece, parts[j - 1]);
    }
    reach.swap(next);
  }
  // The whole path or one of its directories.
  for (size_t j = 1; j <= parts.size(); ++j)
    if (reach[j]) return true;
  return false;
}

}  // namespace zeb::admin
