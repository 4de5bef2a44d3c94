// The key under which the start of a title is indexed and a query looks it
// up, so that a document whose title is the query, or starts with it, can
// rank above one that merely mentions the query's words. A key is a run of
// words as split_words cuts them, each by its English stem where it has
// one, joined by single blanks. Stop words stay: without them the title
// "CREATE TABLE AS" would be the query "create table" itself.
#pragma once

#include <xapian.h>

#include <string>
#include <utility>
#include <vector>

namespace zeb::backend {

// Keys longer than this many words are not indexed: a query that long is
// not a title.
constexpr size_t kMaxTitleKeyWords = 8;

// The key of `words` (lower case, as split_words gives them); empty when
// there are none, more than kMaxTitleKeyWords, or it would not fit a term.
std::string title_key(const std::vector<std::string>& words, const Xapian::Stem& stemmer);

// The title-start terms of a title (index_schema.h), each with its
// within-document frequency: the key of each leading run of words, the
// whole title counted twice. A leading section number ("9.4. String
// Functions", "F.21. ltree", "Chapter 5. Data Definition") is no part of
// what the title names: the runs after it are keys as well.
std::vector<std::pair<std::string, Xapian::termcount>> title_start_terms(
    const std::string& title, const Xapian::Stem& stemmer);

}  // namespace zeb::backend
