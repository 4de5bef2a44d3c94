#include "admin/html_sections.h"

namespace zeb::admin {

namespace {

bool is_heading(const std::string& name) {
  return name == "h1" || name == "h2" || name == "h3" || name == "h4";
}

// Whether the text from `from` on holds nothing but blanks: an anchor seen
// there still names what comes next.
bool only_blanks_since(const std::string& text, size_t from) {
  for (size_t i = from; i < text.size(); ++i)
    if (text[i] != ' ' && text[i] != '\n' && text[i] != '\t' && text[i] != '\r') return false;
  return true;
}

// A NUL in an attribute value is U+FFFD to a browser, so the fragment must
// say that too; and a section travels as "anchor\0heading", where a NUL of
// its own would move the border.
std::string anchor_of(const std::string* id, const std::string* name_attr) {
  const std::string* anchor = id != nullptr && !id->empty() ? id : name_attr;
  if (anchor == nullptr || anchor->empty()) return {};
  std::string value;
  for (const char c : *anchor) {
    if (c == '\0')
      value += "\xEF\xBF\xBD";
    else
      value += c;
  }
  return collapse_blanks(value, kMaxAnchorBytes);
}

// A browser shows no NUL of the text; the heading then parts words there.
std::string heading_of(std::string_view text) {
  std::string heading(text);
  for (char& c : heading)
    if (c == '\0') c = ' ';
  return collapse_blanks(heading, kMaxSectionHeadingBytes);
}

}  // namespace

void SectionCapture::tag(const std::string& name, bool end, const std::string* id,
                         const std::string* name_attr) {
  if (end) {
    if (!open_name_.empty() && name == open_name_) close_heading();
    return;
  }
  // `name` on an `a` only: elsewhere it names a form control, not a place.
  std::string anchor = anchor_of(id, name == "a" ? name_attr : nullptr);
  if (!open_name_.empty()) {
    if (open_.anchor.empty()) open_.anchor = std::move(anchor);
    return;
  }
  if (is_heading(name)) {
    if (doc_.sections.size() >= kMaxSections) return;
    open_name_ = name;
    open_ = Section{doc_.text.size(), std::move(anchor), {}};
    if (open_.anchor.empty() && !last_anchor_.empty() &&
        only_blanks_since(doc_.text, last_anchor_at_))
      open_.anchor = last_anchor_;
    return;
  }
  if (!anchor.empty()) {
    last_anchor_ = std::move(anchor);
    last_anchor_at_ = doc_.text.size();
  }
}

void SectionCapture::close_heading() {
  open_.heading = heading_of(std::string_view(doc_.text).substr(open_.offset));
  doc_.sections.push_back(std::move(open_));
  open_ = Section{};
  open_name_.clear();
  last_anchor_.clear();
}

void SectionCapture::finish() {
  if (!open_name_.empty()) close_heading();
}

}  // namespace zeb::admin
