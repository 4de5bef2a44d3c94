#include "backend/operand_run.h"

namespace zeb::backend {

namespace {

Xapian::Query scaled(const Xapian::Query& query, double copies) {
  if (copies == 1) return query;
  return Xapian::Query(Xapian::Query::OP_SCALE_WEIGHT, query, copies);
}

}  // namespace

void OperandRun::start(const Xapian::Query& first) {
  parts_.clear();
  push(first);
}

void OperandRun::add(Xapian::Query::op op, const Xapian::Query& operand) {
  if (parts_.size() > 1 && op != op_) start(query());
  op_ = op;
  push(operand);
}

void OperandRun::push(const Xapian::Query& operand) {
  std::string key = operand.serialise();
  for (Part& part : parts_) {
    if (part.key == key) {
      ++part.copies;
      return;
    }
  }
  parts_.push_back({operand, std::move(key), 1});
}

Xapian::Query OperandRun::query() const {
  if (parts_.empty()) return {};
  if (parts_.size() == 1) return scaled(parts_[0].query, parts_[0].copies);
  std::vector<Xapian::Query> joined;
  joined.reserve(parts_.size());
  for (const Part& part : parts_) joined.push_back(scaled(part.query, part.copies));
  return Xapian::Query(op_, joined.begin(), joined.end());
}

}  // namespace zeb::backend
