// Operands that one connector joins, gathered before they are combined, so
// that an operand given more than once is searched once. A set ORed or
// ANDed with itself matches the same documents, and the weight the matcher
// sums for each copy is the weight of one scaled by their number: the
// merged query finds the same documents with the same weights, and reads
// each posting list once instead of once per copy (64 copies of a phrase
// of common words cost 64 times the work of one).
#pragma once

#include <xapian.h>

#include <string>
#include <utility>
#include <vector>

namespace zeb::backend {

class OperandRun {
 public:
  // A run that starts with `first`.
  void start(const Xapian::Query& first);

  // Joins `operand` with `op` (OP_AND or OP_OR). Operands joined before
  // with another connector become one operand first, as the connectors
  // combine left to right.
  void add(Xapian::Query::op op, const Xapian::Query& operand);

  // The run as one query.
  Xapian::Query query() const;

 private:
  struct Part {
    Xapian::Query query;
    std::string key;  // the query serialised: equal keys, equal operands
    double copies = 1;
  };

  void push(const Xapian::Query& operand);

  Xapian::Query::op op_ = Xapian::Query::OP_OR;
  std::vector<Part> parts_;
};

}  // namespace zeb::backend
