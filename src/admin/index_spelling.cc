#include "admin/index_spelling.h"

#include "admin/spelling_file.h"
#include "backend/index_schema.h"

namespace zeb::admin {

std::vector<VocabularyWord> read_vocabulary(const Xapian::Database& db) {
  std::vector<VocabularyWord> words;
  for (auto it = db.allterms_begin(); it != db.allterms_end();) {
    const std::string& term = *it;
    // Prefixed terms (stems, keywords, scopes, paths) start with a capital,
    // so they lie together in term order: a large index holds as many of
    // them as words, and they are passed over at one step.
    if (!term.empty() && term[0] >= 'A' && term[0] <= 'Z') {
      it.skip_to("[");  // the byte after 'Z'
      continue;
    }
    if (!term.empty()) words.push_back({term, it.get_termfreq()});
    ++it;
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
