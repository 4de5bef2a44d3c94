// zebsrch's own limits on its processor time and address space, set before
// the request is read. They are a backstop behind the search's budgets
// (src/backend/search_bounds.h), for what those do not foresee, such as a
// damaged index that the search library reads without end. Measured needs,
// with room to spare: the heaviest request the budgets let through takes
// under 1 s of processor time and 24 MiB of address space, a search of the
// PostgreSQL manual (local or on a remote shard) 16 MiB.
//
// At the soft processor limit the page is ended at once: what was written is
// flushed, the failure is reported as a search failure with code 12
// ("Search processing limit has been exceeded."), the closing tags are
// written and the process exits with status 0, as after every page. The
// hard limit kills the process should even that stall.
//
// Limits already lower (set by the web server) are kept. The address space
// is not limited under AddressSanitizer, which reserves terabytes of it.
#pragma once

#include <sys/resource.h>

#include <cstddef>
#include <cstdio>

namespace zeb {

constexpr rlim_t kCpuSoftSeconds = 5;
constexpr rlim_t kCpuHardSeconds = 10;
constexpr rlim_t kAddressSpaceBytes = rlim_t{256} << 20;  // 256 MiB
constexpr size_t kLimitPageEndSize = 512;  // room for the page end below

// Sets both limits and the handler that ends the page written to `out`, at
// the processor limit or at a crash of the search library that the request
// driver cannot take back (engine_fault_guard.h).
void limit_process(FILE* out);

// The address-space limit alone, for a process that serves many requests
// (a processor limit would count them all together).
void limit_address_space();

// What ends a page at the processor limit: the search failure, the code-12
// line and the closing tags. Writes it zero-terminated into `text` (cut to
// fit) and returns its length.
size_t format_limit_page_end(char* text, size_t size);

// The same with the damaged-index code 62: what ends a page at a crash of
// the search library.
size_t format_fault_page_end(char* text, size_t size);

}  // namespace zeb
