// The sections of an HTML document, collected while the extractor walks the
// markup: each heading (h1 to h4) starts one, at the place in the text
// where the heading's own text begins. The terms of a definition list (dt)
// start none: a list of settings or options is one section, and a reader
// sent to its term would land past the section's heading (on the
// PostgreSQL manual's book index, sections with dt link the section the
// editors named for 26 % of entries, without for 55 %). Its anchor is the first that names
// it: an `id` on the heading itself; else an `id` (or `<a name>`) on an
// element around it or just before it, with no text between; else one
// inside the heading (`<h2><a id="x"></a>Title</h2>`).
#pragma once

#include <string>
#include <string_view>

#include "admin/extracted_document.h"

namespace zeb::admin {

// Anchors and headings longer than this are cut: they travel with every
// row that shows them.
constexpr size_t kMaxAnchorBytes = 200;
constexpr size_t kMaxSectionHeadingBytes = 200;
// Documents keep at most this many sections; later headings start none.
constexpr size_t kMaxSections = 2000;

class SectionCapture {
 public:
  explicit SectionCapture(ExtractedDocument& doc) : doc_(doc) {}

  // A start or end tag (name lower case) with its `id` and `name`
  // attributes (null when absent), reported before the extractor appends
  // anything for it.
  void tag(const std::string& name, bool end, const std::string* id, const std::string* name_attr);

  // Ends a heading still open; call once, at the end of the document.
  void finish();

 private:
  void close_heading();

  ExtractedDocument& doc_;
  std::string open_name_;     // the heading tag open, empty when none
  Section open_;              // the section it starts
  std::string last_anchor_;   // the latest anchor seen outside headings
  size_t last_anchor_at_ = 0; // where in the text it was seen
};

}  // namespace zeb::admin
