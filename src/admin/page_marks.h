// What an HTML page says about its own indexing, and the parts of it that
// are not its text, for the HTML extractor (admin/html_extract.h):
//
//   <meta name="robots" content="noindex">  (or "none") keeps the page
//                              out of the index; "nofollow" means nothing
//                              here, since zebadm follows no links
//   data-zebsrch-ignore        the element is left out of the text
//   data-zebsrch-body          the page is indexed from its marked
//                              elements alone (its title and keywords
//                              still count)
//   nav, header, footer, and role="navigation", "banner" or
//   "contentinfo"              page furniture: left out of the text
//   class="..."                an element of a class the index names
//
// Left out means that neither the words nor the headings and names of the
// element count; the title and keywords come from <head> and always do.
// An element is left out up to its end tag (elements of the same name
// inside it are counted); one whose end tag never comes is left out of
// nothing, since where it ends cannot be told. Void elements (img, br...)
// and self-closed ones (<div/>) hold no text.
#pragma once

#include <string>
#include <string_view>

#include "admin/document_rules.h"

namespace zeb::admin {

constexpr const char* kIgnoreAttribute = "data-zebsrch-ignore";
constexpr const char* kBodyAttribute = "data-zebsrch-body";

// Whether a robots <meta> content ("noindex, nofollow") keeps the page out.
bool robots_forbid_indexing(std::string_view content);

// The attributes of a start tag that the rules look at; null when absent.
struct MarkedTag {
  std::string_view name;  // lower case
  bool empty = false;     // self-closed or void: holds nothing
  const std::string* role = nullptr;
  const std::string* classes = nullptr;
  bool ignore = false;    // carries kIgnoreAttribute
  bool body = false;      // carries kBodyAttribute
};

// Which text of a page is kept, tag by tag. With body_only, only the text
// inside elements marked kBodyAttribute is.
class TextRegions {
 public:
  TextRegions(const DocumentRules& rules, bool body_only);

  // Whether any rule looks at the page's tags at all.
  bool active() const { return active_; }
  void start_tag(const MarkedTag& tag);
  void end_tag(std::string_view name);
  bool keeping() const { return (!body_only_ || body_.depth > 0) && left_out_.depth == 0; }
  // Whether text is being dropped because the page is outside its body.
  bool outside_body() const { return body_only_ && body_.depth == 0; }
  bool saw_body_mark() const { return saw_body_mark_; }

 private:
  struct Open {
    std::string name;
    int depth = 0;  // elements of the name open, the marked one included
  };
  bool leaves_out(const MarkedTag& tag) const;

  const DocumentRules& rules_;
  const bool body_only_;
  const bool active_;
  bool saw_body_mark_ = false;
  Open left_out_, body_;
};

// Whether the element `name` never has content.
bool is_void_element(std::string_view name);

}  // namespace zeb::admin
