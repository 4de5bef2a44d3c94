#include "book_index.h"

#include <algorithm>
#include <cstdlib>

namespace zeb::bench {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether `html` has the tag `name` (e.g. "<dl") at `at`, followed by the
// end of its name.
bool tag_at(std::string_view html, size_t at, std::string_view name) {
  if (html.compare(at, name.size(), name) != 0) return false;
  const size_t after = at + name.size();
  return after < html.size() && (html[after] == '>' || is_blank(html[after]));
}

void append_utf8(std::string& out, unsigned long code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The text of some markup: tags dropped, the references XHTML writers use
// decoded, blanks collapsed.
std::string plain_text(std::string_view markup) {
  std::string text;
  for (size_t i = 0; i < markup.size(); ++i) {
    const char c = markup[i];
    if (c == '<') {
      const size_t close = markup.find('>', i);
      if (close == std::string_view::npos) break;
      i = close;
      text += ' ';
      continue;
    }
    const size_t semicolon = c == '&' ? markup.find(';', i) : std::string_view::npos;
    if (semicolon == std::string_view::npos || semicolon - i > 10) {
      text += is_blank(c) ? ' ' : c;
      continue;
    }
    const std::string name(markup.substr(i + 1, semicolon - i - 1));
    if (name == "amp") text += '&';
    else if (name == "lt") text += '<';
    else if (name == "gt") text += '>';
    else if (name == "quot") text += '"';
    else if (name == "apos") text += '\'';
    else if (name.size() > 1 && name[0] == '#')
      append_utf8(text, name[1] == 'x' ? strtoul(name.c_str() + 2, nullptr, 16)
                                       : strtoul(name.c_str() + 1, nullptr, 10));
    else text.append(markup.substr(i, semicolon - i + 1));
    i = semicolon;
  }
  std::string collapsed;
  for (char c : text) {
    if (c == ' ' && (collapsed.empty() || collapsed.back() == ' ')) continue;
    collapsed += c;
  }
  while (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

// The entry's own words: the text before its first link, without the comma
// that leads to the links or a "(see" that leads to a cross-reference.
std::string entry_text(std::string_view entry) {
  std::string text = plain_text(entry.substr(0, entry.find("<a")));
  constexpr std::string_view kSee = "(see";
  if (text.size() >= kSee.size() && text.compare(text.size() - kSee.size(), kSee.size(), kSee) == 0)
    text.resize(text.size() - kSee.size());
  while (!text.empty() && (text.back() == ',' || text.back() == ' ')) text.pop_back();
  return text;
}

// The value of attribute `name` in the tag that starts at `tag`, without the
// rest of the tag; empty when absent.
std::string_view attribute(std::string_view tag, std::string_view name) {
  tag = tag.substr(0, tag.find('>'));
  for (size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    const size_t quote = at + name.size() + 1;
    if (at == 0 || !is_blank(tag[at - 1]) || quote >= tag.size() || tag[quote - 1] != '=' ||
        (tag[quote] != '"' && tag[quote] != '\''))
      continue;
    const size_t end = tag.find(tag[quote], quote + 1);
    if (end == std::string_view::npos) return {};
    return tag.substr(quote + 1, end - quote - 1);
  }
  return {};
}

void add_entry_pages(std::string_view entry, Judgement& judgement) {
  for (size_t at = entry.find("<a "); at != std::string_view::npos; at = entry.find("<a ", at + 1)) {
    const std::string_view tag = entry.substr(at);
    if (attribute(tag, "class") != "indexterm") continue;
    const std::string_view href = attribute(tag, "href");
    const size_t hash = href.find('#');
    const std::string_view page = href.substr(0, hash);
    if (page.empty()) continue;
    auto& pages = judgement.pages;
    if (std::find(pages.begin(), pages.end(), page) != pages.end()) continue;
    pages.emplace_back(page);
    judgement.fragments.emplace_back(hash == std::string_view::npos ? "" : href.substr(hash + 1));
  }
}

size_t word_count(const std::string& text) {
  size_t words = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] != ' ' && (i == 0 || text[i - 1] == ' ')) ++words;
  return words;
}

}  // namespace

std::vector<Judgement> read_book_index(std::string_view html) {
  std::vector<Judgement> judgements;
  int depth = 0;
  for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
    if (tag_at(html, at, "<dl")) {
      ++depth;
    } else if (tag_at(html, at, "</dl")) {
      --depth;
    } else if (depth == 1 && tag_at(html, at, "<dt")) {
      const size_t open_end = html.find('>', at);
      const size_t close = html.find("</dt>", at);
      if (open_end == std::string_view::npos || close == std::string_view::npos) break;
      const std::string_view entry = html.substr(open_end + 1, close - open_end - 1);
      Judgement judgement{entry_text(entry), {}, {}};
      add_entry_pages(entry, judgement);
      const size_t words = word_count(judgement.query);
      if (words >= 1 && words <= kMaxJudgedWords && !judgement.pages.empty())
        judgements.push_back(std::move(judgement));
      at = close;
    }
  }
  return judgements;
}

}  // namespace zeb::bench
