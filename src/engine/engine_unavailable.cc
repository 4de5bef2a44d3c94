// The engine linked when the back end is not built: every call answers 33,
// "The specified Vantora server is not available."
#include "engine/ksv_api.h"
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

int32_t KSVSTARTSESSION(uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVOPENINDEX(uint32_t, uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVCREATEINDEXGROUP(uint32_t, uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVADDQUERYSCOPE(uint32_t, uint32_t, uint32_t, const unsigned char*, int32_t*) { return kUnavailable; }
int32_t KSVSEARCH(uint32_t, uint32_t, uint32_t, const unsigned char*, uint32_t*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVRANK(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVRESULTPARTS(uint32_t, uint32_t, uint32_t*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVCREATERESULTLIST(uint32_t, uint32_t, uint32_t*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVSORT(uint32_t, uint32_t, uint32_t, const unsigned char*, int32_t*) { return kUnavailable; }
int32_t KSVGETRESULTLIST(uint32_t, uint32_t, uint32_t*, unsigned char**, int32_t*) { return kUnavailable; }
int32_t KSVDELETERESULTLIST(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVDELETERESULT(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVDELETEINDEXGROUP(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVCLOSEINDEX(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVENDSESSION(uint32_t, int32_t*) { return kUnavailable; }
}
