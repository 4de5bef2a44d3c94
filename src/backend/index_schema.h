// How an index lies on disk and what its Xapian documents hold: the contract
// between zebadm, which writes indexes, and the back end, which searches them.
//
//   <data dir>/xapian/        the Xapian database
//   <data dir>/ZEBCSREF.DAT   the spelling cross-reference file
//
// Document data: the document identifier, "path;title" (path relative to the
// document tree, '/' separated).
// Terms (all words lower-cased, UTF-8):
//   word            unstemmed word, with positions (phrases, masking)
//   Z<stem>         English stem of a word (linguistic search)
//   K<keyword>      one keyword of <meta name="keywords">, lower-cased, blanks
//                   collapsed (topic search)
//   S<component>    first directory component of the path, as it stands
//                   (scope values); documents at the top have none
//   Q<path>         the path: one document per path (updates)
// Values: slot 0 the file's modification time, slot 1 its size, both as
// decimal text (update detection).
#pragma once

#include <string>
#include <string_view>

namespace zeb::backend {

constexpr const char* kXapianDirName = "xapian";
constexpr const char* kSpellingFileName = "ZEBCSREF.DAT";
constexpr const char* kStemLanguage = "english";
constexpr const char* kKeywordPrefix = "K";
constexpr const char* kScopePrefix = "S";
constexpr const char* kPathPrefix = "Q";
constexpr const char* kStemPrefix = "Z";
constexpr unsigned kValueModified = 0;
constexpr unsigned kValueSize = 1;

// The term of `text` under `prefix`.
inline std::string prefixed_term(const char* prefix, std::string_view text) {
  std::string term(prefix);
  term += text;
  return term;
}

}  // namespace zeb::backend
