#include "results/document_link.h"

#include <cstring>
#include <string>

namespace zeb {

namespace {

bool begins_with(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

const char* make_document_link(const char* location, const char* path,
                               char* link) {
  std::string text;
  if (location != nullptr &&
      (begins_with(location, "http:") || begins_with(location, "https:"))) {
    text = std::string(location) + path;
  } else if (location != nullptr && location[0] == '/') {
    text = std::string("file://") + location + "/" + path;
  } else {
    text = std::string("file:///") + (location != nullptr ? location : "") + "\\" + path;
  }
  const size_t length = text.size() < kLinkSize ? text.size() : kLinkSize - 1;
  memcpy(link, text.data(), length);
  link[length] = '\0';
  return link;
}

}  // namespace zeb
