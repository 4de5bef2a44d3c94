#include "query/spelling_resources.h"

#include <string>

#include "engine/index_data_path.h"
#include "query/spelling_file.h"

namespace zeb {

static_assert(kDataPathSize == kSharedDataPathSize,
              "the request's data path receives the storage's path");

int prepare_spelling_resources(SearchRequest& request, FILE* out) {
  // Only the first selected index is asked; a later one is not used even
  // when it opened.
  if (request.index_count < 1 || !request.indexes[0].present()) {
    request.spelling = false;
    return 0;
  }
  request.data_path[0] = '\0';
  if (index_data_path(request.indexes[0].name, &request.index_number,
                      request.data_path, out) == 0) {
    fprintf(out, "<p>%s\n", "Error retrieving index information.");
    return 1;
  }
  if (request.data_path[0] == '\0') {
    request.spelling = false;
    return 0;
  }
  std::string path = request.data_path;
  if (path.back() != '/') path += '/';
  path += kSpellingFileName;
  release_spelling_image(request);
  if (map_spelling_file(path.c_str(), out, &request.spelling_image,
                        &request.spelling_size) != 0) {
    request.spelling = false;
    release_spelling_image(request);
  }
  return 0;
}

void release_spelling_image(SearchRequest& request) {
  unmap_spelling_file(request.spelling_image, request.spelling_size);
  request.spelling_image = nullptr;
  request.spelling_size = 0;
}

}  // namespace zeb
