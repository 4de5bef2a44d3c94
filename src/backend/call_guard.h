// Every engine call runs inside guarded(): the diagnostic word is cleared,
// and whatever Xapian or the allocator throws becomes a return code, so that
// no exception crosses the C interface.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <new>

#include "backend/return_codes.h"

namespace zeb::backend {

template <typename Body>
int32_t guarded(int32_t* diag, Body body) {
  if (diag != nullptr) *diag = 0;
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (const Xapian::NetworkError&) {
    return kConnectionLost;
  } catch (const Xapian::DatabaseError&) {
    return kIndexNotAccessible;
  } catch (const Xapian::UnimplementedError&) {
    return kNotSupported;
  } catch (...) {
    return kUnexpected;
  }
}

}  // namespace zeb::backend
