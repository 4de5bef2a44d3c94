// Documents of the same text, indexed once (DocumentRules::fold_duplicates):
// under the first path in path order, whichever run indexed them, so that
// an update leaves the index as a new create of the same tree would.
//
// Each document of an index that folds duplicates carries the term
// kContentPrefix + the FNV-1a 128-bit hash of its title and text, in hex.
// A document whose term an earlier path already holds is left out (and
// taken out, when an earlier run had indexed it); one that comes before the
// holder takes the holder's place. A duplicate left out is not in the index
// at all, so each update reads it again and finds it folded again (or no
// longer a duplicate, once either file changed).
#pragma once

#include <xapian.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "admin/extracted_document.h"

namespace zeb::admin {

constexpr const char* kContentPrefix = "XH";

// The content term of an extracted document.
std::string content_term(const ExtractedDocument& doc);

// The first path of each content term among documents that go into new
// databases side by side (zebadm create's runs), in any order.
class ContentClaims {
 public:
  // Whether the document at `path` is to be indexed. When it comes before
  // the path that held its term, that one is added to displaced().
  bool claim(const std::string& term, const std::string& path, size_t run);

  struct Displaced {
    std::string path;
    size_t run;
  };
  // Documents that were indexed and then found to come after another of
  // the same text.
  std::vector<Displaced> displaced() const;

 private:
  struct Holder {
    std::string path;
    size_t run;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Holder> holders_;
  std::vector<Displaced> displaced_;
};

}  // namespace zeb::admin
