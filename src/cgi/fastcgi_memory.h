// The heap of a process that serves many requests. Each request frees all
// it allocated, but the allocator keeps what was freed, and by default it
// raises its threshold for mapping large blocks on their own each time such
// a block is freed: after a 1 MB form, later large blocks come from the heap
// and stay there, and the heaps of hostile requests pile up. A process so
// grew to 35 MB resident over 300 requests, where one request needs at most
// 24 MB and the bound is 32 MB.
//
// The threshold is fixed instead (a large block is mapped, and unmapped when
// freed), and after a request whose heap holds much free memory, the free
// pages are given back to the system.
#pragma once

#include <cstddef>

namespace zeb {

// Blocks of this size and more are mapped on their own.
constexpr size_t kMappedBlockBytes = size_t{256} << 10;
// Free heap memory past this is given back after the request.
constexpr size_t kKeptFreeBytes = size_t{4} << 20;

// Sets the allocator's thresholds; once, before the first request.
void keep_heap_small();

// Between requests: gives back the heap's free pages when they are many.
void give_back_free_memory();

}  // namespace zeb
