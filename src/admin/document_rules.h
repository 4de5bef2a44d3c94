// How each document of an index is read and kept, besides its kind: what
// the page itself may say (admin/page_marks.h), which of its elements are
// page furniture, and whether documents of the same text are kept once.
// Everything off is how indexes were always built; an index made before
// these rules existed has them all off.
#pragma once

#include <string>
#include <vector>

namespace zeb::admin {

// Classes an index may name as furniture, each of at most this many bytes.
constexpr size_t kMaxIgnoreClasses = 16;
constexpr size_t kMaxClassBytes = 64;

struct DocumentRules {
  // <meta name="robots" content="noindex"> (or "none") keeps the page out;
  // data-zebsrch-ignore leaves an element out, data-zebsrch-body indexes a
  // page from its marked elements alone.
  bool page_marks = false;
  // nav, header, footer and the navigation, banner and contentinfo roles
  // are left out of the text.
  bool furniture = false;
  // Elements of these classes are left out, as if marked by the page.
  std::vector<std::string> ignore_classes;
  // Documents of the same title and text are indexed once, under the first
  // path in path order.
  bool fold_duplicates = false;

  bool any_page_rule() const { return page_marks || furniture || !ignore_classes.empty(); }

  // What the documents of an index were built with, as its database keeps
  // it: empty for everything off, as an index of earlier versions has.
  std::string signature() const;
};

}  // namespace zeb::admin
