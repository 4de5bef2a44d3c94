#include "admin/page_marks.h"

namespace zeb::admin {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_separator(char c) {
  return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether the blank- or comma-separated list holds `word` (ASCII case
// ignored when `fold` is set).
bool list_holds(std::string_view list, std::string_view word, bool fold) {
  size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && is_separator(list[i])) ++i;
    const size_t start = i;
    while (i < list.size() && !is_separator(list[i])) ++i;
    if (i - start != word.size()) continue;
    bool same = true;
    for (size_t k = 0; k < word.size() && same; ++k)
      same = fold ? lower(list[start + k]) == lower(word[k]) : list[start + k] == word[k];
    if (same) return true;
  }
  return false;
}

}  // namespace

bool robots_forbid_indexing(std::string_view content) {
  return list_holds(content, "noindex", true) || list_holds(content, "none", true);
}

bool is_void_element(std::string_view name) {
  static constexpr std::string_view kVoid[] = {"area", "base", "br", "col", "embed", "hr",
                                               "img", "input", "link", "meta", "param",
                                               "source", "track", "wbr"};
  for (std::string_view v : kVoid)
    if (name == v) return true;
  return false;
}

TextRegions::TextRegions(const DocumentRules& rules, bool body_only)
    : rules_(rules), body_only_(body_only), active_(rules.any_page_rule()) {}

bool TextRegions::leaves_out(const MarkedTag& tag) const {
  if (rules_.page_marks && tag.ignore) return true;
  if (rules_.furniture) {
    if (tag.name == "nav" || tag.name == "header" || tag.name == "footer") return true;
    if (tag.role && (list_holds(*tag.role, "navigation", true) ||
                     list_holds(*tag.role, "banner", true) ||
                     list_holds(*tag.role, "contentinfo", true)))
      return true;
  }
  if (tag.classes)
    for (const std::string& name : rules_.ignore_classes)
      if (list_holds(*tag.classes, name, false)) return true;
  return false;
}

void TextRegions::start_tag(const MarkedTag& tag) {
  if (tag.empty) return;
  if (rules_.page_marks && tag.body) saw_body_mark_ = true;
  for (Open* open : {&left_out_, &body_})
    if (open->depth > 0 && open->name == tag.name) ++open->depth;
  if (body_only_ && body_.depth == 0 && rules_.page_marks && tag.body) body_ = {std::string(tag.name), 1};
  if (left_out_.depth == 0 && leaves_out(tag)) left_out_ = {std::string(tag.name), 1};
}

void TextRegions::end_tag(std::string_view name) {
  for (Open* open : {&left_out_, &body_})
    if (open->depth > 0 && open->name == name) --open->depth;
}

}  // namespace zeb::admin
