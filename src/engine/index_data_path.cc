#include "engine/index_data_path.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace zeb {

namespace {

constexpr unsigned char kKeyFill = 0xFF;

// The per-thread block of this thread, created and initialised on first use;
// nullptr when there is no memory for it.
ThreadBlock* thread_block() {
  auto* block = static_cast<ThreadBlock*>(TlsGetValue(*pGTlsIndex));
  if (block != nullptr) return block;
  block = new (std::nothrow) ThreadBlock{};
  if (block == nullptr) return nullptr;
  TlsSetValue(*pGTlsIndex, block);
  InitNonZeroTLS(block);
  return block;
}

bool block_complete(const ThreadBlock& block) {
  if (block.control == nullptr) return false;
  for (uint32_t word : block.instance_words)
    if (word == 0) return false;
  return block.control->index_number_limit != 0;
}

}  // namespace

int make_index_key(const char* name, unsigned char key[kIndexKeySize]) {
  std::memset(key, kKeyFill, kIndexKeyNameBytes);
  std::memset(key + kIndexKeyNameBytes, 0, kIndexKeySize - kIndexKeyNameBytes);
  const size_t length = std::strlen(name);
  if (length > kIndexKeyNameBytes) return 1;
  std::memcpy(key, name, length);
  for (size_t i = 0; i < kIndexKeySize && key[i] != 0; ++i)
    if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<unsigned char>(key[i] - 'a' + 'A');
  return 0;
}

int index_data_path(const char* name, int32_t* number,
                    char path[kSharedDataPathSize], FILE* out) {
  // The storage library only needs the anchor during the calls below, so it
  // is released on every way out.
  std::unique_ptr<AnchorBlock> owned(new (std::nothrow) AnchorBlock{});
  if (owned == nullptr) return 1;
  ThreadBlock* block = thread_block();
  if (block == nullptr) return 1;

  const char* value = std::getenv(kInstanceVariable);
  if (value == nullptr) {
    fprintf(out, "Enviroment variable %s not defined \n", kInstanceVariable);
    return 1;
  }
  std::string instance(value);
  for (char& c : instance)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

  AnchorBlock* anchor = owned.get();
  const int32_t rc = g_get_shared_storage(&anchor, instance.c_str());
  if (rc != 0) return 1;
  if (!block_complete(*block)) {
    fprintf(out,
            "\nProblems with shared memory access....\n (perhaps Vantora server "
            "not running, rc is %d \n\n",
            rc);
    return 0;
  }

  unsigned char key[kIndexKeySize];
  if (make_index_key(name, key) != 0) return 1;
  unsigned char work[kSearchWorkSize];
  const int32_t found = g_search_index_number(key, work);
  if (found >= 0 && found <= block->control->index_number_limit) {
    path[0] = '\0';
    g_give_data_path(found, path);
    path[kSharedDataPathSize - 1] = '\0';
    *number = found;
  }
  return 1;
}

}  // namespace zeb
