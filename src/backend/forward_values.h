// The values of one slot of a database, asked in ascending document order:
// read along the slot's stream, which moves on from where the last value
// was rather than from the index's root each time (asked out of order, it
// starts over).
#pragma once

#include <xapian.h>

#include <string>

namespace zeb::backend {

class ForwardValues {
 public:
  ForwardValues(const Xapian::Database& db, Xapian::valueno slot) : db_(db), slot_(slot) {}

  // The value of document `id`; empty when it has none.
  std::string of(Xapian::docid id) {
    if (!begun_ || id < last_) at_ = db_.valuestream_begin(slot_);
    begun_ = true;
    last_ = id;
    const Xapian::ValueIterator end = db_.valuestream_end(slot_);
    if (at_ == end) return {};
    at_.skip_to(id);
    return at_ != end && at_.get_docid() == id ? *at_ : std::string();
  }

 private:
  const Xapian::Database& db_;
  const Xapian::valueno slot_;
  Xapian::ValueIterator at_;
  bool begun_ = false;
  Xapian::docid last_ = 0;
};

}  // namespace zeb::backend
