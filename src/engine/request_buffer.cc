#include "engine/request_buffer.h"

#include <cstdlib>

#include "engine/data_stream.h"

namespace zeb {

int allocate_request_buffer(SearchRequest& request) {
  request.request_buffer =
      static_cast<unsigned char*>(std::malloc(kRequestBufferSize));
  return request.request_buffer == nullptr ? 1 : 0;
}

void release_request_buffer(SearchRequest& request) {
  std::free(request.request_buffer);
  request.request_buffer = nullptr;
}

}  // namespace zeb
