#include "admin/index_spelling.h"

#include "admin/spelling_file.h"
#include "backend/index_schema.h"

namespace zeb::admin {

std::vector<VocabularyWord> read_vocabulary(const Xapian::Database& db) {
  std::vector<VocabularyWord> words;
  for (auto it = db.allterms_begin(); it != db.allterms_end(); ++it) {
    const std::string& term = *it;
    // Prefixed terms (stems, keywords, scopes, paths) start with a capital.
    if (term.empty() || (term[0] >= 'A' && term[0] <= 'Z')) continue;
    words.push_back({term, it.get_termfreq()});
  }
  return words;
}

bool write_index_spelling_file(const Xapian::Database& db, const std::string& data_dir,
                               size_t& keys, std::string& error) {
  const std::vector<SpellingGroup> groups = find_misspellings(read_vocabulary(db));
  keys = groups.size();
  return write_spelling_file(data_dir + "/" + backend::kSpellingFileName, groups, error);
}

}  // namespace zeb::admin
