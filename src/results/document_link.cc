#include "results/document_link.h"

#include <cstring>
#include <string_view>

namespace zeb {

namespace {

bool begins_with(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

// Fills the link buffer piece by piece; what does not fit is cut.
class LinkText {
 public:
  explicit LinkText(char* link) : link_(link) {}

  void append(const char* text, size_t length) {
    const size_t room = kLinkSize - 1 - length_;
    if (length > room) length = room;
    memcpy(link_ + length_, text, length);
    length_ += length;
  }
  void append(const char* text) { append(text, strlen(text)); }
  void append_path(const char* path, size_t length) {
    append_url_path(link_, kLinkSize - 1, length_, std::string_view(path, length));
  }

  const char* finish() {
    link_[length_] = '\0';
    return link_;
  }

 private:
  char* link_;
  size_t length_ = 0;
};

}  // namespace

const char* make_document_link(const char* location, const char* path,
                               char* link) {
  return make_document_link(location, path, strlen(path), link);
}

const char* make_document_link(const char* location, const char* path,
                               size_t path_length, char* link) {
  LinkText text(link);
  if (location != nullptr &&
      (begins_with(location, "http:") || begins_with(location, "https:"))) {
    text.append(location);
  } else if (location != nullptr && location[0] == '/') {
    text.append("file://", 7);
    text.append(location);
    text.append("/", 1);
  } else {
    text.append("file:///", 8);
    if (location != nullptr) text.append(location);
    text.append("\\", 1);
  }
  text.append_path(path, path_length);
  return text.finish();
}

}  // namespace zeb
