#include "backend/mask_expansion.h"

#include "backend/query_words.h"
#include "backend/return_codes.h"

namespace zeb::backend {

namespace {

std::u32string code_points(const std::string& text) {
  std::u32string out;
  for (Xapian::Utf8Iterator it(text); it != Xapian::Utf8Iterator(); ++it)
    out += static_cast<char32_t>(*it);
  return out;
}

// Iterative glob match: on a mismatch, the last '*' takes one more
// character. Linear in practice, quadratic at worst; never recursive.
bool glob_matches(const std::u32string& pattern, const std::u32string& word) {
  size_t p = 0, w = 0;
  size_t star = std::u32string::npos, star_word = 0;
  while (w < word.size()) {
    if (p < pattern.size() && pattern[p] == static_cast<char32_t>(kMaskAny)) {
      star = p++;
      star_word = w;
    } else if (p < pattern.size() &&
               (pattern[p] == static_cast<char32_t>(kMaskOne) || pattern[p] == word[w])) {
      ++p;
      ++w;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      w = ++star_word;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == static_cast<char32_t>(kMaskAny)) ++p;
  return p == pattern.size();
}

// Prefixed terms (stems, keywords, paths, scopes) begin with a capital
// letter; the words of the vocabulary never do.
bool is_prefixed(const std::string& term) {
  return !term.empty() && term[0] >= 'A' && term[0] <= 'Z';
}

}  // namespace

bool mask_matches(const std::string& pattern, const std::string& word) {
  return glob_matches(code_points(pattern), code_points(word));
}

int expand_mask(const Xapian::Database& db, const std::string& pattern,
                size_t limit, std::vector<std::string>& words) {
  words.clear();
  const std::string literal = pattern.substr(0, pattern.find_first_of("*?"));
  const std::u32string wanted = code_points(pattern);
  auto term = db.allterms_begin(literal);
  const auto end = db.allterms_end(literal);
  while (term != end) {
    const std::string word = *term;
    if (is_prefixed(word)) {
      // All prefixed terms sort together between 'A' and 'Z': skip them whole.
      term.skip_to("[");
      continue;
    }
    if (glob_matches(wanted, code_points(word))) {
      if (words.size() == limit) return kQueryTooComplex;
      words.push_back(word);
    }
    ++term;
  }
  return kOk;
}

}  // namespace zeb::backend
