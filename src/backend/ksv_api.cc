// The search engine interface over Xapian: every KSV function. Calls not yet
// served answer 33, "server not available".
#include "engine/ksv_api.h"

namespace {
constexpr int32_t kUnavailable = 33;
}  // namespace

extern "C" {
int32_t KSVSTARTSESSION(uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVOPENINDEX(uint32_t, uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVCREATEINDEXGROUP(uint32_t, uint32_t, const unsigned char*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVADDQUERYSCOPE(uint32_t, uint32_t, uint32_t, const unsigned char*, int32_t*) { return kUnavailable; }
int32_t KSVSEARCH(uint32_t, uint32_t, uint32_t, const unsigned char*, uint32_t*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVRANK(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVCREATERESULTLIST(uint32_t, uint32_t, uint32_t*, uint32_t*, int32_t*) { return kUnavailable; }
int32_t KSVSORT(uint32_t, uint32_t, uint32_t, const unsigned char*, int32_t*) { return kUnavailable; }
int32_t KSVGETRESULTLIST(uint32_t, uint32_t, uint32_t*, unsigned char**, int32_t*) { return kUnavailable; }
int32_t KSVDELETERESULTLIST(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVDELETERESULT(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVDELETEINDEXGROUP(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVCLOSEINDEX(uint32_t, uint32_t, int32_t*) { return kUnavailable; }
int32_t KSVENDSESSION(uint32_t, int32_t*) { return kUnavailable; }
}
