#include "cgi/url_unescape.h"

#include <cstdlib>
#include <cstring>

namespace zeb {

namespace {
unsigned digit_value(char c) {
  unsigned code = static_cast<unsigned char>(c);
  return code >= 65 ? (code & 223) - 55 : code - 48;
}
}  // namespace

void plus_to_space(char* text) {
  for (; *text != '\0'; ++text) {
    if (*text == '+') *text = ' ';
  }
}

unsigned char hex_pair_value(char high, char low) {
  return static_cast<unsigned char>(16 * digit_value(high) + digit_value(low));
}

void unescape(char* text) {
  size_t write = 0;
  for (size_t read = 0; text[read] != '\0'; ++read, ++write) {
    if (text[read] != '%') {
      text[write] = text[read];
      continue;
    }
    if (text[read + 1] == '\0') break;  // lone "%" at the end: dropped
    if (text[read + 2] == '\0') {       // one digit left: it is the high half
      text[write++] = static_cast<char>(16 * digit_value(text[read + 1]));
      break;
    }
    text[write] = static_cast<char>(hex_pair_value(text[read + 1], text[read + 2]));
    read += 2;
  }
  text[write] = '\0';
}

char* split_at(char* text, char separator) {
  const char* found = strchr(text, separator);
  size_t name_length = found != nullptr ? static_cast<size_t>(found - text) : strlen(text);
  char* name = static_cast<char*>(malloc(name_length + 1));
  if (name == nullptr) return nullptr;
  memcpy(name, text, name_length);
  name[name_length] = '\0';
  if (found == nullptr) {
    text[0] = '\0';
  } else {
    memmove(text, found + 1, strlen(found + 1) + 1);
  }
  return name;
}

}  // namespace zeb
