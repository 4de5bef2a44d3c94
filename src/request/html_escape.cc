#include "request/html_escape.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace zeb {

namespace {

// The entity of each byte; empty for the bytes written as they are. A table,
// so that scanning a text costs one look-up a byte. The entities are held in
// the table itself: a table of pointers would be rewritten by the loader at
// every start of the program.
struct Entity {
  char text[7] = {};
  uint8_t length = 0;
};

template <size_t N>
constexpr Entity make_entity(const char (&text)[N]) {
  static_assert(N <= sizeof Entity::text);
  Entity e;
  for (size_t i = 0; i + 1 < N; ++i) e.text[i] = text[i];
  e.length = N - 1;
  return e;
}

constexpr std::array<Entity, 256> make_entities() {
  std::array<Entity, 256> table{};
  table['&'] = make_entity("&amp;");
  table['<'] = make_entity("&lt;");
  table['>'] = make_entity("&gt;");
  table['"'] = make_entity("&quot;");
  return table;
}

constexpr std::array<Entity, 256> kEntities = make_entities();

const Entity& entity(char c) { return kEntities[static_cast<unsigned char>(c)]; }

// The end of the run of plain bytes that starts at `from`.
size_t plain_run_end(std::string_view text, size_t from) {
  while (from < text.size() && entity(text[from]).length == 0) ++from;
  return from;
}

}  // namespace

std::string html_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const size_t end = plain_run_end(text, at);
    out.append(text.data() + at, end - at);
    if (end == text.size()) break;
    const Entity& e = entity(text[end]);
    out.append(e.text, e.length);
    at = end + 1;
  }
  return out;
}

void put_html(FILE* out, std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t end = plain_run_end(text, at);
    if (end > at) fwrite(text.data() + at, 1, end - at, out);
    if (end == text.size()) break;
    const Entity& e = entity(text[end]);
    fwrite(e.text, 1, e.length, out);
    at = end + 1;
  }
}

size_t append_html(char* buffer, size_t size, size_t& length, std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = plain_run_end(text, at);
    const size_t run = end - at < size - length ? end - at : size - length;
    memcpy(buffer + length, text.data() + at, run);
    length += run;
    at += run;
    if (at < end || at == text.size()) break;
    const Entity& e = entity(text[at]);
    if (size - length < e.length) break;
    memcpy(buffer + length, e.text, e.length);
    length += e.length;
    ++at;
  }
  return at;
}

}  // namespace zeb
