#include "backend/remote_held_terms.h"

#include <xapian.h>

namespace zeb::backend {

namespace {

constexpr unsigned char kMessageQuery = 8;
constexpr unsigned char kMessageGetMset = 26;
constexpr unsigned char kReplyStats = 11;
constexpr unsigned char kReplyResults = 18;

// A double of 0 as the protocol writes it.
const std::string kZeroDouble("\x06\x00", 2);
// Statistics of nothing: total length, collection size, relevance set size,
// total term count, no maximum parts, no terms.
const std::string kNoStatistics(6, '\0');

std::string query_message(const std::string& term, const std::string& path_term) {
  const Xapian::Query query(Xapian::Query::OP_FILTER, Xapian::Query(term),
                            Xapian::Query(path_term));
  const std::string serialised = query.serialise();
  const Xapian::BoolWeight weight;
  std::string body;
  append_number(body, serialised.size());
  body += serialised;
  append_number(body, query.get_length());
  append_number(body, 0);              // no collapsing
  body += '1';                         // document ids ascending
  append_number(body, Xapian::BAD_VALUENO);  // no sort key
  body += '0';                         // by relevance
  body += '1';                         // values forward
  body += kZeroDouble;                 // no time limit
  body += '\0';                        // no percentage cut-off
  body += kZeroDouble;                 // no weight cut-off
  append_number(body, weight.name().size());
  body += weight.name();
  const std::string parameters = weight.serialise();
  append_number(body, parameters.size());
  body += parameters;
  append_number(body, 0);              // an empty relevance set
  std::string message;
  append_message(message, kMessageQuery, body);
  return message;
}

}  // namespace

void append_held_term_requests(std::string& out, const HeldTerms& ask) {
  std::string window;
  append_number(window, 0);  // first entry
  append_number(window, 1);  // entries
  append_number(window, 1);  // matches to check at least
  window += kNoStatistics;
  for (const std::string& term : ask.terms) {
    out += query_message(term, ask.path_term);
    append_message(out, kMessageGetMset, window);
  }
}

void read_held_term_answers(AnswerReader& reader, HeldTerms& ask) {
  ask.known = true;
  ask.held = 0;
  std::string body;
  for (size_t t = 0; t < ask.terms.size(); ++t) {
    const unsigned char stats = reader.next(body);
    const unsigned char results = reader.next(body);
    if (stats != kReplyStats || results != kReplyResults) {
      if ((stats != kReplyStats && stats != kReplyException) ||
          (results != kReplyResults && results != kReplyException))
        throw Xapian::NetworkError("Unexpected answer from a remote shard");
      ask.known = false;
      continue;
    }
    size_t at = 0;
    read_number_at(body, at);  // the first entry
    const uint64_t lower = read_number_at(body, at);
    read_number_at(body, at);  // the estimate
    const uint64_t upper = read_number_at(body, at);
    if (lower != upper || upper > 1) ask.known = false;
    ask.held += lower;
  }
}

}  // namespace zeb::backend
