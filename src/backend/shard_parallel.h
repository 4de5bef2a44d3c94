// Calls to the shards of an index side by side, a thread each. Xapian talks
// to one remote shard at a time and waits for every answer; with shards on
// other machines (or other processes), asking them all at once makes a
// search wait for the slowest rather than for their sum.
//
// Each call must use objects of its own shard only: a Xapian object is used
// by one thread at a time, and one shard's objects are touched by no other
// thread while the calls run.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace zeb::backend {

// Threads at once, at most: each reserves a stack, and the search process
// keeps to a bounded address space.
constexpr size_t kParallelShardCalls = 8;

// Runs work(i) for every i below `count`, the caller's thread taking its
// share; returns when all have finished, rethrowing the first exception any
// of them threw. Where no thread can be had, the caller does the work.
template <typename Work>
void run_side_by_side(size_t count, Work work) {
  std::vector<std::exception_ptr> failures(count);
  auto guarded_work = [&](size_t i) {
    try {
      work(i);
    } catch (...) {
      failures[i] = std::current_exception();
    }
  };
  for (size_t first = 0; first < count; first += kParallelShardCalls) {
    const size_t last = std::min(count, first + kParallelShardCalls);
    std::vector<std::thread> threads;
    for (size_t i = first + 1; i < last; ++i) {
      try {
        threads.emplace_back(guarded_work, i);
      } catch (const std::system_error&) {
        guarded_work(i);
      }
    }
    guarded_work(first);
    for (std::thread& thread : threads) thread.join();
  }
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace zeb::backend
