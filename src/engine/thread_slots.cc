// Thread-local slots, as the shared-storage interface expects them from the
// operating system: a small per-thread table of pointers.
#include "engine/shared_storage.h"

namespace {
constexpr uint32_t kSlotCount = 64;
thread_local void* slots[kSlotCount];
}  // namespace

extern "C" void* TlsGetValue(uint32_t slot) {
  return slot < kSlotCount ? slots[slot] : nullptr;
}

extern "C" int TlsSetValue(uint32_t slot, void* value) {
  if (slot >= kSlotCount) return 0;
  slots[slot] = value;
  return 1;
}
