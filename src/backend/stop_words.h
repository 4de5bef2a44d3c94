// The English stop words: words too common to help a free-text search. They
// are dropped from free text only; a query word is always searched as given.
#pragma once

#include <string>

namespace zeb::backend {

// True for a lower-cased stop word.
bool is_stop_word(const std::string& word);

}  // namespace zeb::backend
