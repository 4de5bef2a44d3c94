#include "request/form_entry.h"

#include <cstdlib>

namespace zeb {

FormTable::~FormTable() { free_form_entries(*this); }

void free_form_entries(FormTable& table) {
  for (FormEntry& entry : table.entries) {
    free(entry.name);
    free(entry.value);
  }
  table.entries.clear();
}

}  // namespace zeb
