// The form entry table: the decoded name/value pairs of the posted form, in
// posted order. The name and the value of an entry are separate zero-
// terminated strings from malloc; either may be empty. The table lives for
// the whole request: the request record keeps pointers into the values
// (index names are even upper-cased in place), so nothing is freed before
// the page tail calls free_form_entries.
#pragma once

#include <vector>

namespace zeb {

// Entries after this many are read from the body and dropped.
constexpr int kMaxFormEntries = 10000;

struct FormEntry {
  char* name;
  char* value;
};

struct FormTable {
  FormTable() = default;
  FormTable(const FormTable&) = delete;
  FormTable& operator=(const FormTable&) = delete;
  ~FormTable();

  std::vector<FormEntry> entries;  // at most kMaxFormEntries
};

// Frees the name and value of every entry and empties the table.
void free_form_entries(FormTable& table);

}  // namespace zeb
