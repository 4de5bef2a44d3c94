#include "cgi/star_images.h"

#include <cstring>
#include <string>

#include "request/fixed_copy.h"
#include "request/html_escape.h"

namespace zeb {

namespace {

// The longest prefix of `escaped` of at most `room` bytes that does not end
// inside an entity.
size_t whole_entities(const std::string& escaped, size_t room) {
  if (escaped.size() <= room) return escaped.size();
  size_t amp = escaped.rfind('&', room);
  if (amp != std::string::npos && escaped.find(';', amp) >= room) return amp;
  return room;
}

}  // namespace

void set_star_image(SearchRequest& request, int level, const char* name) {
  const std::string prefix = "<img src=\"/icons/";
  const std::string suffix = "\" alt=\"" + std::string(static_cast<size_t>(level), '*') + "\">";
  const std::string escaped = html_escape(name);
  const size_t room = kStarTagSize - 1 - prefix.size() - suffix.size();

  std::string tag = prefix + escaped.substr(0, whole_entities(escaped, room)) + suffix;
  copy_cut(request.star_tags[level - 1], tag.c_str());
  copy_cut(request.star_names[level - 1], name);
}

}  // namespace zeb
