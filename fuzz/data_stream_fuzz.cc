// Fuzz target: the data-stream walker over any engine answer, and the writer
// behind it: every item walked, written again into a request buffer, must
// give back the very bytes the walk consumed.
#include <cstring>
#include <memory>

#include "engine/data_stream.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint32_t length = size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size);
  auto buffer = std::make_unique<unsigned char[]>(zeb::kRequestBufferSize);
  zeb::RequestBuffer request;
  request.reset(buffer.get());

  zeb::StreamWalker walker(data, length);
  zeb::StreamItem item;
  uint32_t consumed = 0;
  bool all_written = true;
  while (walker.next(item)) {
    ZEB_FUZZ_CHECK(item.data >= data + zeb::kItemHeaderSize);
    ZEB_FUZZ_CHECK(item.data + item.data_length <= data + length);
    consumed = static_cast<uint32_t>(item.data + item.data_length - data);
    if (all_written)
      all_written = zeb::append_item(request, item.id, item.type, item.data, item.data_length) == 1;
  }
  // A walk ends at the end of the answer or at a broken item, never silently early.
  ZEB_FUZZ_CHECK(walker.broken() || consumed == length);
  if (all_written) {
    ZEB_FUZZ_CHECK(request.length() == consumed);
    ZEB_FUZZ_CHECK(memcmp(buffer.get(), data, consumed) == 0);
  } else {
    ZEB_FUZZ_CHECK(request.length() <= zeb::kRequestBufferSize);
  }
  return 0;
}
