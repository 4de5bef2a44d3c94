// The data directory of an index, learnt from the shared storage of the
// running server instance (named by ZEBINST, upper-cased).
//
// Index key (12 bytes): 8 key bytes of 0xFF with the index name copied over
// them from the start (no terminator), then 4 zero bytes; the key is then
// upper-cased up to its first zero byte (a to z only, 0xFF stays). A name of
// more than 8 characters has no key: it is not found.
//
// The per-thread block lives in the thread-local slot *pGTlsIndex; it is
// allocated as `new ThreadBlock` on first use and never released.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/shared_storage.h"

namespace zeb {

constexpr const char* kInstanceVariable = "ZEBINST";

// Builds the index key of `name`; returns 0, or 1 when the name does not fit
// the key bytes (key then left all 0xFF and zero).
int make_index_key(const char* name, unsigned char key[kIndexKeySize]);

// Looks up the data directory of index `name` into `path`
// (kSharedDataPathSize bytes, set to "" by the caller). Returns 1 when the
// caller goes on (the path may still be empty: index unknown, instance not
// reachable), 0 when the instance's shared storage is unusable; the two
// messages of those states go to `out`. `number` receives the index number
// when one was found.
int index_data_path(const char* name, int32_t* number,
                    char path[kSharedDataPathSize], FILE* out);

}  // namespace zeb
