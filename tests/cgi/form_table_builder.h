// Builds a form entry table from name/value pairs, as the decoder would.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "request/form_entry.h"

namespace zeb::testing {

inline void fill_table(FormTable& table,
                       const std::vector<std::pair<std::string, std::string>>& fields) {
  for (const auto& [name, value] : fields) {
    table.entries.push_back(FormEntry{strdup(name.c_str()), strdup(value.c_str())});
  }
}

}  // namespace zeb::testing
