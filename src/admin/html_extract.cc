#include "admin/html_extract.h"

#include "admin/charset.h"
#include "admin/html_entities.h"
#include "admin/html_fields.h"
#include "admin/html_sections.h"
#include "admin/page_marks.h"

namespace zeb::admin {

namespace {

constexpr size_t kCharsetScanBytes = 64 * 1024;

struct Attribute {
  std::string name;   // lower case
  std::string value;  // references decoded
};

struct Tag {
  std::string name;  // lower case; empty for comments and declarations
  bool end = false;
  std::vector<Attribute> attributes;

  const std::string* attribute(std::string_view wanted) const {
    for (const auto& a : attributes)
      if (a.name == wanted) return &a.value;
    return nullptr;
  }
};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string lower_string(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

// Reads markup at html[pos] == '<'. Returns the position after it, or pos
// when the '<' starts no markup (it is then text).
size_t read_markup(std::string_view html, size_t pos, Tag& tag) {
  tag = Tag{};
  const size_t n = html.size();
  if (html.substr(pos, 4) == "<!--") {
    const size_t close = html.find("-->", pos + 4);
    return close == std::string_view::npos ? n : close + 3;
  }
  if (pos + 1 < n && (html[pos + 1] == '!' || html[pos + 1] == '?')) {
    const size_t close = html.find('>', pos + 2);
    return close == std::string_view::npos ? n : close + 1;
  }
  size_t i = pos + 1;
  if (i < n && html[i] == '/') {
    tag.end = true;
    ++i;
  }
  if (i >= n || !is_alpha(html[i])) return pos;
  const size_t name_start = i;
  while (i < n && !is_space(html[i]) && html[i] != '>' && html[i] != '/') ++i;
  tag.name = lower_string(html.substr(name_start, i - name_start));
  while (i < n && html[i] != '>') {
    if (is_space(html[i]) || html[i] == '/') {
      ++i;
      continue;
    }
    const size_t attr_start = i;
    while (i < n && !is_space(html[i]) && html[i] != '>' && html[i] != '=' && html[i] != '/') ++i;
    Attribute attribute{lower_string(html.substr(attr_start, i - attr_start)), {}};
    if (i == attr_start) ++i;  // a stray character such as a lone quote
    while (i < n && is_space(html[i])) ++i;
    if (i < n && html[i] == '=') {
      ++i;
      while (i < n && is_space(html[i])) ++i;
      size_t value_start = i, value_end;
      if (i < n && (html[i] == '"' || html[i] == '\'')) {
        const size_t close = html.find(html[i], i + 1);
        value_start = i + 1;
        value_end = close == std::string_view::npos ? n : close;
        i = close == std::string_view::npos ? n : close + 1;
      } else {
        while (i < n && !is_space(html[i]) && html[i] != '>') ++i;
        value_end = i;
      }
      attribute.value = decode_entities(html.substr(value_start, value_end - value_start));
    }
    if (!attribute.name.empty()) tag.attributes.push_back(std::move(attribute));
  }
  return i < n ? i + 1 : n;
}

// The charset named in a Content-Type value: "text/html; charset=koi8-r".
std::string charset_of_content_type(const std::string& value) {
  const std::string lowered = lower_string(value);
  const size_t at = lowered.find("charset");
  if (at == std::string::npos) return {};
  size_t i = at + 7;
  while (i < value.size() && is_space(value[i])) ++i;
  if (i >= value.size() || value[i] != '=') return {};
  ++i;
  while (i < value.size() && (is_space(value[i]) || value[i] == '"' || value[i] == '\'')) ++i;
  size_t end = i;
  while (end < value.size() && !is_space(value[end]) && value[end] != ';' &&
         value[end] != '"' && value[end] != '\'')
    ++end;
  return value.substr(i, end - i);
}

// Tags after whose content no word goes on: everything but inline markup.
bool separates_words(const std::string& name) {
  static constexpr const char* kInline[] = {
      "a", "abbr", "acronym", "b", "bdi", "bdo", "big", "cite", "code", "del", "dfn",
      "em", "font", "i", "ins", "kbd", "mark", "q", "s", "samp", "small", "span",
      "strike", "strong", "sub", "sup", "tt", "u", "var", "wbr"};
  for (const char* name_inline : kInline)
    if (name == name_inline) return false;
  return true;
}

// Position of the end tag "</name" (any case) at or after `from`, or npos.
size_t find_end_tag(std::string_view html, size_t from, std::string_view name) {
  for (size_t i = html.find("</", from); i != std::string_view::npos; i = html.find("</", i + 2)) {
    if (i + 2 + name.size() > html.size()) break;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) same = lower(html[i + 2 + k]) == name[k];
    if (!same) continue;
    const size_t after = i + 2 + name.size();
    if (after == html.size() || is_space(html[after]) || html[after] == '>' || html[after] == '/')
      return i;
  }
  return std::string_view::npos;
}

void add_keywords(const std::string& content, std::vector<std::string>& keywords) {
  size_t start = 0;
  while (start <= content.size()) {
    size_t comma = content.find(',', start);
    if (comma == std::string::npos) comma = content.size();
    std::string keyword = collapse_blanks(std::string_view(content).substr(start, comma - start),
                                          content.size());
    if (!keyword.empty()) keywords.push_back(std::move(keyword));
    start = comma + 1;
  }
}

// Passes a tag to `regions`; the text appended while they kept none is
// taken back, from `dropped_from` on, when they keep text again.
void follow_regions(TextRegions& regions, const Tag& tag, bool self_closed, std::string& text,
                    size_t& dropped_from) {
  const bool was_keeping = regions.keeping();
  if (tag.end) {
    regions.end_tag(tag.name);
  } else {
    regions.start_tag({tag.name, self_closed || is_void_element(tag.name),
                       tag.attribute("role"), tag.attribute("class"),
                       tag.attribute(kIgnoreAttribute) != nullptr,
                       tag.attribute(kBodyAttribute) != nullptr});
  }
  if (was_keeping && !regions.keeping()) {
    dropped_from = text.size();
  } else if (!was_keeping && regions.keeping()) {
    text.resize(dropped_from);
    text += ' ';
  }
}

}  // namespace

std::string declared_charset(std::string_view raw) {
  const std::string_view head = raw.substr(0, kCharsetScanBytes);
  Tag tag;
  for (size_t pos = head.find('<'); pos != std::string_view::npos; pos = head.find('<', pos)) {
    const size_t next = read_markup(head, pos, tag);
    if (next == pos) {
      ++pos;
      continue;
    }
    pos = next;
    if (tag.end) continue;
    if (tag.name == "body") break;
    if (tag.name != "meta") continue;
    if (const std::string* charset = tag.attribute("charset")) return collapse_blanks(*charset, 64);
    const std::string* equiv = tag.attribute("http-equiv");
    const std::string* content = tag.attribute("content");
    if (equiv && content && lower_string(*equiv) == "content-type") {
      std::string charset = charset_of_content_type(*content);
      if (!charset.empty()) return charset;
    }
  }
  return {};
}

void extract_html(std::string_view raw, ExtractedDocument& doc) {
  extract_html(raw, doc, DocumentRules{});
}

void extract_html(std::string_view raw, ExtractedDocument& doc, const DocumentRules& rules,
                  bool body_only) {
  const std::string_view original = raw;
  doc = ExtractedDocument{};
  std::string charset;
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
    raw.remove_prefix(3);
    charset = "utf-8";
  } else if (raw.substr(0, 2) == "\xFF\xFE") {
    raw.remove_prefix(2);
    charset = "utf-16le";
  } else if (raw.substr(0, 2) == "\xFE\xFF") {
    raw.remove_prefix(2);
    charset = "utf-16be";
  } else {
    charset = declared_charset(raw);
  }
  const std::string utf8 = to_utf8(raw, charset);
  const std::string_view html = utf8;

  std::string title;
  bool have_title = false;
  doc.text.reserve(html.size() / 2);
  FieldCapture fields(doc);
  SectionCapture sections(doc);
  TextRegions regions(rules, body_only);
  size_t dropped_from = 0;
  Tag tag;
  size_t pos = 0;
  while (pos < html.size()) {
    size_t lt = html.find('<', pos);
    if (lt == std::string_view::npos) lt = html.size();
    append_decoded(doc.text, html.substr(pos, lt - pos));
    if (lt == html.size()) break;
    const size_t next = read_markup(html, lt, tag);
    if (next == lt) {
      doc.text += '<';
      pos = lt + 1;
      continue;
    }
    pos = next;
    if (regions.active() && !tag.name.empty())
      follow_regions(regions, tag, html[next - 1] == '>' && html[next - 2] == '/', doc.text,
                     dropped_from);
    if (regions.keeping()) {
      fields.tag(tag.name, tag.end);
      sections.tag(tag.name, tag.end, tag.attribute("id"), tag.attribute("name"));
    }
    if (tag.name.empty() || tag.end) {
      if (separates_words(tag.name)) doc.text += ' ';
      continue;
    }
    if (tag.name == "script" || tag.name == "style") {
      const size_t close = find_end_tag(html, pos, tag.name);
      if (close == std::string_view::npos) break;
      pos = close;
      continue;
    }
    if (tag.name == "title") {
      // Title text is plain text up to </title>: markup inside is not parsed.
      const size_t close = find_end_tag(html, pos, tag.name);
      if (close == std::string_view::npos) continue;
      if (!have_title) append_decoded(title, html.substr(pos, close - pos));
      have_title = true;
      pos = close;
      continue;
    }
    if (tag.name == "meta") {
      const std::string* name = tag.attribute("name");
      const std::string* content = tag.attribute("content");
      if (name && content && lower_string(*name) == "keywords") add_keywords(*content, doc.keywords);
      if (rules.page_marks && name && content && lower_string(*name) == "robots" &&
          robots_forbid_indexing(*content))
        doc.noindex = true;
      continue;
    }
    if (separates_words(tag.name)) doc.text += ' ';
  }
  if (regions.outside_body()) doc.text.resize(dropped_from);
  fields.finish();
  sections.finish();
  doc.title = collapse_blanks(title, kMaxTitleBytes);
  if (!body_only && regions.saw_body_mark()) extract_html(original, doc, rules, true);
}

}  // namespace zeb::admin
