#include "admin/index_check.h"

#include <filesystem>
#include <sstream>
#include <vector>

#include "backend/index_schema.h"

namespace zeb::admin {

namespace {

// Xapian's report names each table on a line of its own ("postlist:"),
// followed by "... checked OK", "Lazily created, and not yet used." or the
// faults found and "... errors found: N". The first fault, with its table.
std::string first_fault(const std::string& report) {
  std::istringstream lines(report);
  std::string line, table;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line.back() == ':' && line.find(' ') == std::string::npos) {
      table = line.substr(0, line.size() - 1);
    } else if (line.find("checked OK") == std::string::npos &&
               line.rfind("Lazily created", 0) != 0 &&
               line.find("errors found") == std::string::npos) {
      return table.empty() ? line : table + ": " + line;
    }
  }
  return {};
}

// Xapian's check takes a table whose file is missing for one that was never
// needed ("Lazily created"), and so does a search: a missing position table
// makes every phrase an AND. The tables that zebadm's indexes always have
// once they hold a document: postings, term lists and document data; and
// positions whenever a word of the text is indexed (words without a prefix
// carry their positions). The first that is missing, else empty.
std::string missing_table(const std::string& xapian_dir, const Xapian::Database& db) {
  namespace fs = std::filesystem;
  if (!fs::exists(xapian_dir + "/iamglass")) return {};
  std::vector<std::string> needed = {"postlist"};
  if (db.get_doccount() > 0) needed.insert(needed.end(), {"termlist", "docdata"});
  // Prefixes are capital letters: an unprefixed word sorts before "A" or
  // from "[" on.
  Xapian::TermIterator term = db.allterms_begin();
  const bool before = term != db.allterms_end() && *term < "A";
  term.skip_to("[");
  if (before || term != db.allterms_end()) needed.push_back("position");
  for (const std::string& table : needed)
    if (!fs::exists(xapian_dir + "/" + table + ".glass")) return table;
  return {};
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Xapian 1.4's check deletes its table checker through the base class, with
// the base class's size: harmless with the system's allocator, but
// AddressSanitizer stops every process that checks an index at it. Its other
// reports stay on.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0"; }
#endif

IndexHealth check_index_database(const std::string& xapian_dir) {
  IndexHealth health;
  try {
    std::ostringstream report;
    const size_t errors = Xapian::Database::check(xapian_dir, 0, &report);
    if (errors != 0) {
      const std::string fault = first_fault(report.str());
      health.problem = (fault.empty() ? "" : fault + " ") + "(" + std::to_string(errors) +
                       (errors == 1 ? " error)" : " errors)");
      return health;
    }
    const Xapian::Database db(xapian_dir);
    const std::string missing = missing_table(xapian_dir, db);
    if (!missing.empty()) {
      health.problem = missing + ": the table's file is missing";
      return health;
    }
    health.documents = db.get_doccount();
    health.sound = true;
  } catch (const Xapian::Error& e) {
    // The check throws when a block cannot even be walked.
    health.problem = e.get_description();
  } catch (const std::exception& e) {
    health.problem = e.what();
  }
  return health;
}

std::string index_database_dir(const std::string& data_dir) {
  return data_dir + "/" + backend::kXapianDirName;
}

bool index_sound_for_writing(const AdminContext& context, const std::string& name,
                             const std::string& data_dir) {
  const IndexHealth health = check_index_database(index_database_dir(data_dir));
  if (health.sound) return true;
  report_error(context,
               "index %s is damaged: %s; nothing was written (rebuild it: zebadm delete %s, "
               "then zebadm create)",
               name.c_str(), health.problem.c_str(), name.c_str());
  return false;
}

}  // namespace zeb::admin
