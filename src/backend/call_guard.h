// Every engine call runs inside guarded(): the diagnostic word is cleared,
// and whatever Xapian or the allocator throws becomes a return code, so that
// no exception crosses the C interface.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <new>

#include "backend/return_codes.h"
#include "backend/search_cost.h"
#include "backend/shard_pool.h"

namespace zeb::backend {

template <typename Body>
int32_t guarded(int32_t* diag, Body body) {
  if (diag != nullptr) *diag = 0;
  // A call that throws may leave a shard connection in any state: none of
  // the session's is kept (shard_pool.h).
  try {
    return body();
  } catch (const SearchTooComplex&) {
    return kQueryTooComplex;
  } catch (const std::bad_alloc&) {
    count_engine_failure();
    return kOutOfMemory;
  } catch (const Xapian::NetworkError&) {
    count_engine_failure();
    return kConnectionLost;
  } catch (const Xapian::DatabaseError&) {
    count_engine_failure();
    return kIndexNotAccessible;
  } catch (const Xapian::UnimplementedError&) {
    count_engine_failure();
    return kNotSupported;
  } catch (...) {
    count_engine_failure();
    return kUnexpected;
  }
}

}  // namespace zeb::backend
