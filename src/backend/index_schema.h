// How an index lies on disk and what its Xapian documents hold: the contract
// between zebadm, which writes indexes, and the back end, which searches them.
//
//   <data dir>/xapian/        the Xapian database
//   <data dir>/ZEBCSREF.DAT   the spelling cross-reference file
//
// Document data: the document identifier, "path;title" (path relative to the
// document tree, '/' separated), and the stamp of the file (document_data.h).
// Terms (all words lower-cased, UTF-8):
//   word            unstemmed word, with positions (phrases, masking). Where
//                   a document says what it is about, a word counts more
//                   (within-document frequency): in the title kTitleWeight
//                   times, in a heading or keyword kHeadingBoost times more,
//                   in a name kNameBoost times more (admin/document_builder.h)
//   Z<stem>         English stem of a word (linguistic search), counted as
//                   often as the words it stems
//   K<keyword>      one keyword of <meta name="keywords">, lower-cased, blanks
//                   collapsed (topic search)
//   S<component>    first directory component of the path, as it stands
//                   (scope values); documents at the top have none
//   Q<path>         the path: one document per path (updates)
//   XT<key>         the start of the title (backend/title_key.h): one term
//                   for every leading run of up to kMaxTitleKeyWords words,
//                   counted twice for the whole title (ranking)
// Values: slots kValueExcerpt and kValueExcerptTail hold what excerpts are
// made from (the text and sections, backend/excerpt_source.h). Slot
// kValueOrderKey holds the path; on remote shards the path, then a NUL and
// the document's data (backend/document_data.h: order_key), so that a
// page's rows come with the match instead of a document message each
// (locally a longer key costs the matcher more than the rows it saves). Of
// matches of equal weight the one whose path sorts first (bytewise)
// comes first, whatever shard or document number holds it, so that a
// sharded index lists exactly what a local one does. An unranked search
// lists in path order too. Both take the order from this value over remote
// shards and in a local index marked kAppendedKey (equal weights also in a
// group of indexes); in any other local index its document order is
// already path order. Documents built before it hold none there and
// come first among equals, in document order. Documents built before their
// data held the stamp have in slot 0 the file's modification time, in slot
// 1 its size, both as decimal text (update detection).
// Metadata: kAppendedKey is "1" once zebadm update or add has given a
// document a number after the index's others (a new path), so that its
// numbers may no longer be in path order. kFormatKey holds the index
// format as decimal text; an index without it is of format 1, made before
// titles, headings and names were weighted; format 2 has no excerpt
// sources. Both search as before (rows of format 2 and older have no
// excerpts); zebadm update indexes them again.
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
constexpr const char* kTitleStartPrefix = "XT";
constexpr const char* kFormatKey = "zeb.format";
constexpr const char* kAppendedKey = "zeb.appended";
constexpr int kIndexFormat = 3;
constexpr unsigned kValueModified = 0;
constexpr unsigned kValueSize = 1;
constexpr unsigned kValueExcerpt = 2;
constexpr unsigned kValueOrderKey = 3;
constexpr unsigned kValueExcerptTail = 4;

// The term of `text` under `prefix`.
inline std::string prefixed_term(const char* prefix, std::string_view text) {
  std::string term(prefix);
  term += text;
  return term;
}

}  // namespace zeb::backend
