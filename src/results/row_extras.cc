#include "results/row_extras.h"

#include <cstring>
#include <string_view>

namespace zeb {

namespace {

constexpr char kMarkStart = '\x01';
constexpr char kMarkEnd = '\x02';

// Characters a URL fragment holds as they are.
bool fragment_safe(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("-._~!$&'()*+,;=:@/?", c) != nullptr && c != '\0';
}

std::string_view heading_of(const ResultWalk& walk) {
  const size_t anchor = strnlen(walk.section, walk.section_length);
  if (anchor >= walk.section_length) return {};
  return std::string_view(walk.section + anchor + 1, walk.section_length - anchor - 1);
}

void write_excerpt(const char* excerpt, RowText& row) {
  row.markup("<br><span class=\"zebexcerpt\">");
  bool open = false;
  const char* piece = excerpt;
  for (const char* at = excerpt;; ++at) {
    if (*at != '\0' && *at != kMarkStart && *at != kMarkEnd) continue;
    row.html(std::string_view(piece, static_cast<size_t>(at - piece)));
    piece = at + 1;
    if (*at == kMarkStart && !open) {
      row.markup("<mark>");
      open = true;
    } else if (*at != kMarkStart && open) {
      row.markup("</mark>");
      open = false;
    }
    if (*at == '\0') break;
  }
  row.markup("</span>\n");
}

}  // namespace

const char* anchored_link(const SearchRequest& request, const ResultWalk& walk,
                          const char* link, char* anchored) {
  if (!request.excerpts || walk.section[0] == '\0') return link;
  size_t length = strnlen(link, kLinkSize - 1);
  memcpy(anchored, link, length);
  anchored[length++] = '#';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char* at = walk.section; *at != '\0'; ++at) {
    const auto c = static_cast<unsigned char>(*at);
    if (fragment_safe(c)) {
      anchored[length++] = static_cast<char>(c);
    } else {
      anchored[length++] = '%';
      anchored[length++] = kHex[c >> 4];
      anchored[length++] = kHex[c & 0xF];
    }
  }
  anchored[length] = '\0';
  return anchored;
}

void write_row_extras(const SearchRequest& request, const ResultWalk& walk, RowText& row) {
  if (request.excerpts) {
    const std::string_view heading = heading_of(walk);
    if (!heading.empty()) {
      row.markup("<span class=\"zebsection\">");
      row.html(heading);
      row.markup("</span>\n");
    }
    if (walk.excerpt[0] != '\0') write_excerpt(walk.excerpt, row);
  }
  if (request.show_date && walk.date[0] != '\0') {
    row.markup("<br><span class=\"zebdate\">");
    row.html(walk.date);
    row.markup("</span>\n");
  }
}

}  // namespace zeb
