// The return codes the back end answers with. Their texts live in the CGI's
// return-code table; the numbers are fixed by the engine interface.
#pragma once

#include <cstdint>

namespace zeb::backend {

enum ReturnCode : int32_t {
  kOk = 0,
  kMoreEntries = 1,          // continuation: another answer follows
  kNoMoreInformation = 2,    // the result list has been fully delivered
  kStopWordsIgnored = 10,    // warning: some free-text words were dropped
  kUnknownServer = 16,
  kStreamSyntax = 18,
  kScopeTooComplex = 20,
  kQueryTooComplex = 22,
  kIndexInGroup = 23,
  kUnknownIndex = 24,
  kBadHandle = 25,
  kNotGroupMember = 26,
  kBadSession = 27,
  kBadMasking = 31,
  kUnexpected = 32,
  kServerUnavailable = 33,
  kIndexAlreadyOpen = 35,
  kTooManyOpenIndexes = 36,
  kUnknownCodePage = 41,
  kUnknownLanguage = 42,
  kConnectionLost = 48,
  kIndexSuspended = 61,
  kIndexNotAccessible = 62,
  kOutOfMemory = 65,
  kIndexEmpty = 72,          // warning: the index holds no documents
  kEmptyRequest = 73,        // warning: nothing left to search for
  kNotSupported = 80,
  kAlreadyRanked = 81,
  kResultListExists = 82,
  kIndexNotOpen = 83,
  kNoRankingData = 84,
};

}  // namespace zeb::backend
