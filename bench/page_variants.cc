#include "page_variants.h"

#include <utility>

namespace zeb::bench {
namespace {

constexpr std::string_view kHead =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>";
constexpr std::string_view kKeywords = "</title>\n<meta name=\"keywords\" content=\"";
constexpr std::string_view kBody = "\">\n</head><body>\n";
constexpr std::string_view kTail = "</body></html>\n";
constexpr std::string_view kOpen = "<p>";
constexpr std::string_view kClose = "</p>\n";

// splitmix64: a generator whose sequence is fixed by its definition, unlike
// the standard library's distributions, so the corpus is the same everywhere.
struct Mix {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
};

template <typename T>
void shuffle(std::vector<T>& items, Mix& mix) {
  for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[mix.below(i)]);
}

// Sentences end at . ; ? or ! followed by a blank; the blanks stay with the
// sentence they follow, so the shuffled text keeps its line breaks.
std::vector<std::string> sentences(const std::string& text) {
  auto blank = [](char c) { return c == ' ' || c == '\n'; };
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const char c = text[i];
    if ((c == '.' || c == ';' || c == '?' || c == '!') && blank(text[i + 1])) {
      size_t end = i + 1;
      while (end < text.size() && blank(text[end])) ++end;
      out.push_back(text.substr(start, end - start));
      start = end;
      i = end - 1;
    }
  }
  if (start < text.size()) out.push_back(text.substr(start));
  return out;
}

std::string reordered(const std::string& paragraph, Mix& mix) {
  std::vector<std::string> parts = sentences(paragraph);
  shuffle(parts, mix);
  std::string out;
  for (const std::string& part : parts) {
    // A sentence that ended the paragraph has no blank after it.
    if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
    out += part;
  }
  return out;
}

}  // namespace

std::optional<DictionaryPage> parse_dictionary_page(std::string_view html) {
  if (html.substr(0, kHead.size()) != kHead) return std::nullopt;
  size_t at = kHead.size();
  DictionaryPage page;
  const size_t title_end = html.find(kKeywords, at);
  if (title_end == std::string_view::npos) return std::nullopt;
  page.title = html.substr(at, title_end - at);
  at = title_end + kKeywords.size();
  const size_t keywords_end = html.find(kBody, at);
  if (keywords_end == std::string_view::npos) return std::nullopt;
  page.keywords = html.substr(at, keywords_end - at);
  at = keywords_end + kBody.size();
  while (html.substr(at, kOpen.size()) == kOpen) {
    const size_t end = html.find(kClose, at);
    if (end == std::string_view::npos) return std::nullopt;
    page.paragraphs.emplace_back(html.substr(at + kOpen.size(), end - at - kOpen.size()));
    at = end + kClose.size();
  }
  if (html.substr(at) != kTail) return std::nullopt;
  return page;
}

std::string write_dictionary_page(const DictionaryPage& page) {
  std::string out;
  out.reserve(kHead.size() + page.title.size() + page.keywords.size() + 200);
  out.append(kHead).append(page.title).append(kKeywords).append(page.keywords).append(kBody);
  for (const std::string& p : page.paragraphs) out.append(kOpen).append(p).append(kClose);
  out.append(kTail);
  return out;
}

DictionaryPage page_variant(const DictionaryPage& own, const DictionaryPage& partner,
                            uint64_t seed) {
  Mix mix{seed};
  DictionaryPage page;
  page.title = own.title + ", " + partner.title;
  page.keywords = own.keywords;
  page.paragraphs = own.paragraphs;
  shuffle(page.paragraphs, mix);
  for (std::string& p : page.paragraphs) p = reordered(p, mix);
  if (!partner.paragraphs.empty()) {
    const std::string& lent = partner.paragraphs[mix.below(partner.paragraphs.size())];
    const size_t where = mix.below(page.paragraphs.size() + 1);
    page.paragraphs.insert(page.paragraphs.begin() + static_cast<long>(where),
                           reordered(lent, mix));
  }
  return page;
}

}  // namespace zeb::bench
