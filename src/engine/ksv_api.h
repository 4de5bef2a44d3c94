// The search engine interface, declared as the CGI calls it.
//
// Every function returns a 32-bit return code: 0 success, anything else a
// code whose text the return-code table holds. The last argument is always
// the diagnostic word (set to 0 once per request, never read). A request is a
// byte length and the address of a data stream built in the request buffer;
// handles are 32-bit values written into the caller's variables, 0 = none.
//
// The program links exactly one implementation: the Xapian back end in
// production, a scripted engine in the tests, or the "unavailable" engine
// that answers every call with 33 when the back end is not built.
#pragma once

#include <cstdint>

extern "C" {

int32_t KSVSTARTSESSION(uint32_t length, const unsigned char* stream,
                        uint32_t* session, int32_t* diag);
int32_t KSVOPENINDEX(uint32_t session, uint32_t length,
                     const unsigned char* stream, uint32_t* index,
                     int32_t* diag);
int32_t KSVCREATEINDEXGROUP(uint32_t session, uint32_t length,
                            const unsigned char* stream, uint32_t* group,
                            int32_t* diag);
int32_t KSVADDQUERYSCOPE(uint32_t session, uint32_t group, uint32_t length,
                         const unsigned char* stream, int32_t* diag);
// The result handle and the found count are valid also with some non-zero
// codes (warnings).
int32_t KSVSEARCH(uint32_t session, uint32_t target, uint32_t length,
                  const unsigned char* stream, uint32_t* result,
                  uint32_t* found, int32_t* diag);
int32_t KSVRANK(uint32_t session, uint32_t result, int32_t* diag);
// Beyond the interface the forms were made for: of the searched indexes that
// allow partial answers, how many parts (shards) there are and how many
// answered. Both 0 when none allows them.
int32_t KSVRESULTPARTS(uint32_t session, uint32_t result, uint32_t* answered,
                       uint32_t* parts, int32_t* diag);
int32_t KSVCREATERESULTLIST(uint32_t session, uint32_t result,
                            uint32_t* result_list, uint32_t* list_value,
                            int32_t* diag);
int32_t KSVSORT(uint32_t session, uint32_t result_list, uint32_t length,
                const unsigned char* stream, int32_t* diag);
// Answers one bounded part of the list: *answer points at a data stream of
// *length bytes that belongs to the engine until its next call. Code 1 means
// more entries follow: call again.
int32_t KSVGETRESULTLIST(uint32_t session, uint32_t result_list,
                         uint32_t* length, unsigned char** answer,
                         int32_t* diag);
int32_t KSVDELETERESULTLIST(uint32_t session, uint32_t result_list,
                            int32_t* diag);
int32_t KSVDELETERESULT(uint32_t session, uint32_t result, int32_t* diag);
int32_t KSVDELETEINDEXGROUP(uint32_t session, uint32_t group, int32_t* diag);
int32_t KSVCLOSEINDEX(uint32_t session, uint32_t index, int32_t* diag);
int32_t KSVENDSESSION(uint32_t session, int32_t* diag);

}  // extern "C"
