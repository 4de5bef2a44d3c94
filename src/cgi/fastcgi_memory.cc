#include "cgi/fastcgi_memory.h"

#include <malloc.h>

namespace zeb {

void keep_heap_small() {
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMappedBlockBytes));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(kMappedBlockBytes));
}

void give_back_free_memory() {
  // Counting the free memory walks the allocator's bins, a few
  // microseconds; trimming walks the heap, and runs only when it pays.
  if (mallinfo2().fordblks > kKeptFreeBytes) malloc_trim(0);
}

}  // namespace zeb
