// The instance's shared storage over the instance catalogue.
#include "engine/shared_storage.h"

namespace {
constexpr int32_t kUnavailable = 33;
uint32_t slot_index = 0;
}  // namespace

extern "C" {
uint32_t* pGTlsIndex = &slot_index;
void InitNonZeroTLS(zeb::ThreadBlock*) {}
int32_t g_get_shared_storage(zeb::AnchorBlock**, const char*) { return kUnavailable; }
int32_t g_search_index_number(const unsigned char*, unsigned char*) { return -1; }
void g_give_data_path(int32_t, char* path) { path[0] = '\0'; }
}
