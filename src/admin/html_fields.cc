#include "admin/html_fields.h"

namespace zeb::admin {

namespace {

// Only the start of a field left open is read: it is cut anyway.
constexpr size_t kFieldScanBytes = 16 * kMaxFieldBytes;

}  // namespace

std::string field_text(std::string_view raw, bool complete) {
  std::string text = collapse_blanks(raw, raw.size());
  bool partial_end = !complete;
  if (text.size() > kMaxFieldBytes) {
    // A cut that does not fall on a blank falls inside a word (or a character).
    partial_end = text[kMaxFieldBytes] != ' ';
    text.resize(kMaxFieldBytes);
  }
  if (partial_end) {
    const size_t blank = text.rfind(' ');
    text.resize(blank == std::string::npos ? 0 : blank);
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void FieldCapture::tag(const std::string& name, bool end_tag) {
  // Most tags are none of these: tell by the length first.
  const std::string_view n = name;
  Kind kind = kKinds;
  switch (n.size()) {
    case 2:
      if (n[0] == 'h' && n[1] >= '1' && n[1] <= '3') kind = kHeading;
      else if (n == "dt") kind = kDefinition;
      else if (n == "tt") kind = kCode;
      else if (n == "dd" || n == "dl") end(kDefinition);  // its end tag may be left out
      else if (n == "th" || n == "td" || n == "tr") cell(n, end_tag);
      break;
    case 3:
      if (n == "kbd" || n == "var") kind = kCode;
      break;
    case 4:
      if (n == "code" || n == "samp") kind = kCode;
      break;
    case 5:
      if (n == "table") cell(n, end_tag);
      break;
  }
  if (kind == kKinds) return;
  if (end_tag) end(kind);
  else start(kind);
}

void FieldCapture::cell(std::string_view name, bool end_tag) {
  end(kCell);
  if (name == "th") {
    if (!end_tag) start(kCell);
    first_cell_ = false;
  } else if (name == "td") {
    if (!end_tag && first_cell_) start(kCell);
    if (!end_tag) first_cell_ = false;
  } else {
    first_cell_ = name == "tr" && !end_tag;
  }
}

void FieldCapture::finish() {
  for (int kind = 0; kind < kKinds; ++kind) end(static_cast<Kind>(kind));
}

void FieldCapture::start(Kind kind) {
  end(kind);
  open_[kind] = doc_.text.size();
}

void FieldCapture::end(Kind kind) {
  if (open_[kind] == kClosed) return;
  const std::string_view raw = std::string_view(doc_.text).substr(open_[kind]);
  open_[kind] = kClosed;
  std::string text = field_text(raw.substr(0, kFieldScanBytes), raw.size() <= kFieldScanBytes);
  if (text.empty()) return;
  (kind == kHeading || kind == kDefinition ? doc_.headings : doc_.names).push_back(std::move(text));
}

}  // namespace zeb::admin
