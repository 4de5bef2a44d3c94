// The instance's shared storage, kept over the instance catalogue: attaching
// loads the catalogue of ZEBINSTSRV, fills the calling thread's block with
// the control area and the instance words, and answers index numbers and
// data directories from it.
#include "engine/shared_storage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backend/catalogue.h"
#include "backend/return_codes.h"

namespace zeb::backend {

namespace {

constexpr const char* kInstanceVariable = "ZEBINSTSRV";
constexpr unsigned char kKeyFiller = 0xFF;

struct AttachedInstance {
  bool attached = false;
  std::string instance_dir;
  Catalogue catalogue;
  ControlArea control;
};

AttachedInstance& instance() {
  static AttachedInstance attached;
  return attached;
}

std::string upper_ascii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// A non-zero word derived from the instance, so that the words differ
// between instances; FNV-1a of the directory and the word's number.
uint32_t instance_word(const std::string& dir, uint32_t number) {
  uint32_t hash = 2166136261u ^ number;
  for (unsigned char c : dir) hash = (hash ^ c) * 16777619u;
  return hash != 0 ? hash : 1;
}

const CatalogueEntry* entry_numbered(int32_t number) {
  if (!instance().attached) return nullptr;
  for (const CatalogueEntry& entry : instance().catalogue.indexes)
    if (entry.number == number) return &entry;
  return nullptr;
}

}  // namespace

}  // namespace zeb::backend

using namespace zeb::backend;

namespace {
uint32_t thread_slot = 0;
}  // namespace

extern "C" {

uint32_t* pGTlsIndex = &thread_slot;

void InitNonZeroTLS(zeb::ThreadBlock* block) {
  if (block != nullptr) *block = zeb::ThreadBlock{};
}

int32_t g_get_shared_storage(zeb::AnchorBlock** anchor, const char* name) {
  try {
    AttachedInstance& attached = instance();
    attached = AttachedInstance{};
    const char* dir = std::getenv(kInstanceVariable);
    if (dir == nullptr || *dir == '\0' || name == nullptr) return kServerUnavailable;
    std::string error;
    if (!load_catalogue(dir, attached.catalogue, error)) return kServerUnavailable;
    if (upper_ascii(attached.catalogue.instance_name) != name) return kServerUnavailable;

    auto* block = static_cast<zeb::ThreadBlock*>(TlsGetValue(*pGTlsIndex));
    if (block == nullptr) return kServerUnavailable;
    attached.instance_dir = dir;
    int highest = 0;
    for (const CatalogueEntry& entry : attached.catalogue.indexes)
      highest = std::max(highest, entry.number);
    // The limit is never 0, even for an instance without indexes yet.
    attached.control.index_number_limit = static_cast<uint16_t>(std::max(highest, 1));
    block->control = &attached.control;
    for (uint32_t i = 0; i < 4; ++i)
      block->instance_words[i] = instance_word(attached.instance_dir, i);
    if (anchor != nullptr && *anchor != nullptr)
      std::memcpy((*anchor)->bytes, "ZEBSHARE", 8);
    attached.attached = true;
    return kOk;
  } catch (...) {
    instance() = AttachedInstance{};
    return kServerUnavailable;
  }
}

int32_t g_search_index_number(const unsigned char key[zeb::kIndexKeySize],
                              unsigned char*) {
  if (key == nullptr || !instance().attached) return -1;
  for (size_t i = zeb::kIndexKeyNameBytes; i < zeb::kIndexKeySize; ++i)
    if (key[i] != 0) return -1;
  size_t length = 0;
  while (length < zeb::kIndexKeyNameBytes && key[length] != kKeyFiller && key[length] != 0)
    ++length;
  const std::string name(reinterpret_cast<const char*>(key), length);
  if (name.empty()) return -1;
  for (const CatalogueEntry& entry : instance().catalogue.indexes)
    if (upper_ascii(entry.name) == upper_ascii(name)) return entry.number;
  return -1;
}

void g_give_data_path(int32_t number, char path[zeb::kSharedDataPathSize]) {
  if (path == nullptr) return;
  path[0] = '\0';
  const CatalogueEntry* entry = entry_numbered(number);
  if (entry == nullptr) return;
  std::string dir;
  try {
    dir = resolve_data_dir(instance().instance_dir, *entry);
  } catch (...) {
    return;
  }
  const size_t length = std::min(dir.size(), zeb::kSharedDataPathSize - 1);
  std::memcpy(path, dir.data(), length);
  path[length] = '\0';
}

}  // extern "C"
