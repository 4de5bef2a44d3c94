// Fuzz target: the excerpt values a search reads from an index. Each input
// is a head value and a tail value (split at the first "\n--\n", or the
// input is the head alone); the excerpt is made for a few searches, reading
// the tail as a search reads it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "backend/excerpt_maker.h"
#include "backend/excerpt_source.h"
#include "backend/parsed_search.h"

namespace {

zeb::backend::ParsedSearch free_text(const char* text) {
  zeb::backend::ParsedSearch parsed;
  parsed.has_free_text = true;
  parsed.free_text = text;
  return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find("\n--\n");
  const std::string_view head = input.substr(0, cut);
  const std::string tail(cut == std::string_view::npos ? std::string_view()
                                                       : input.substr(cut + 4));
  static zeb::backend::ExcerptTerms* const searches[] = {
      new zeb::backend::ExcerptTerms(free_text("vacuum analyze")),
      new zeb::backend::ExcerptTerms(free_text("a")),
  };
  for (zeb::backend::ExcerptTerms* terms : searches) {
    zeb::backend::ExcerptSource source;
    if (!zeb::backend::decode_excerpt_source(head, source)) return 0;
    zeb::backend::ExcerptReader reader;
    reader.tail = [&] { return tail; };
    const zeb::backend::Excerpt excerpt = zeb::backend::make_excerpt(source, *terms, 30, reader);
    if (excerpt.text.size() > zeb::backend::kMaxExcerptBytes + 8) __builtin_trap();
  }
  return 0;
}
