// The instance's shared storage, as the CGI reaches it to learn an index's
// data directory; the thread-local slot it is kept in.
//
// After a successful attach the storage library has filled the per-thread
// block: the CGI requires the control area and the four instance words to be
// non-zero, and the control area's index number limit to be non-zero.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb {

constexpr size_t kAnchorBlockSize = 20;
constexpr size_t kIndexKeySize = 12;  // 8 key bytes, then 4 zero bytes
constexpr size_t kIndexKeyNameBytes = 8;
constexpr size_t kSearchWorkSize = 256;
constexpr size_t kSharedDataPathSize = 256;

struct ControlArea {
  uint16_t index_number_limit = 0;  // highest index number accepted; never 0
};

// The per-thread block (150 bytes on the original platform). Only the fields
// the CGI checks are modelled; the rest belongs to the storage library.
struct ThreadBlock {
  ControlArea* control = nullptr;
  uint32_t instance_words[4] = {};
};

struct AnchorBlock {
  unsigned char bytes[kAnchorBlockSize] = {};
};

}  // namespace zeb

extern "C" {

// Address of the thread-local slot index the per-thread block lives in.
extern uint32_t* pGTlsIndex;
// Initialises a fresh per-thread block.
void InitNonZeroTLS(zeb::ThreadBlock* block);
// Attaches to the instance named `instance` (upper case); 0 = success.
int32_t g_get_shared_storage(zeb::AnchorBlock** anchor, const char* instance);
// Index number of the index whose key is given; negative when none.
int32_t g_search_index_number(const unsigned char key[zeb::kIndexKeySize],
                              unsigned char work[zeb::kSearchWorkSize]);
// Writes the data directory of index `number`, zero-terminated.
void g_give_data_path(int32_t number, char path[zeb::kSharedDataPathSize]);

// The operating system's thread-local slots.
void* TlsGetValue(uint32_t slot);
int TlsSetValue(uint32_t slot, void* value);

}  // extern "C"
