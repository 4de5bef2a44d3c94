// Which of a few terms one document of a remote shard holds, asked in the
// same exchange as the page's documents (remote_documents.h): for each term
// a search of that term restricted to the document's path term, sent with
// its second message at once, so that the answers come back with the
// documents' instead of in two more exchanges after them.
//
// The messages (remote_messages.h), for each term:
//
//   request  MSG_QUERY (8)        the query, Xapian's default search settings,
//                                 boolean weighting, no relevance set
//            MSG_GETMSET (26)     first 0, 1 entry, statistics of nothing
//                                 (boolean weights need none)
//   answer   REPLY_STATS (11)     not used
//            REPLY_RESULTS (18)   first entry, then the match count's lower,
//                                 estimated and upper bounds: 0 or 1
//   or       REPLY_EXCEPTION (1)  for either: the count is not known
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "backend/remote_messages.h"

namespace zeb::backend {

// Terms asked at most in one exchange; a longer list is counted otherwise.
constexpr size_t kMaxHeldTermsAsked = 16;

struct HeldTerms {
  std::vector<std::string> terms;  // a repeated term counts each time
  std::string path_term;           // the document's own path term
  bool known = false;              // the count below was read
  size_t held = 0;
};

// Appends the requests for `ask` to `out`.
void append_held_term_requests(std::string& out, const HeldTerms& ask);

// Reads the answers, setting `ask.known` and `ask.held`. Throws
// Xapian::NetworkError when the connection fails or an answer is not
// understood.
void read_held_term_answers(AnswerReader& reader, HeldTerms& ask);

}  // namespace zeb::backend
