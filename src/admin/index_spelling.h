// The spelling cross-reference file of an index, made from the index's own
// vocabulary: its unprefixed (unstemmed) terms with their document counts.
#pragma once

#include <xapian.h>

#include <string>
#include <vector>

#include "admin/spelling_variants.h"

namespace zeb::admin {

std::vector<VocabularyWord> read_vocabulary(const Xapian::Database& db);

// Writes <data dir>/ZEBCSREF.DAT for `db`; `keys` tells how many words got
// a group. Xapian errors are thrown.
bool write_index_spelling_file(const Xapian::Database& db, const std::string& data_dir,
                               size_t& keys, std::string& error);

}  // namespace zeb::admin
