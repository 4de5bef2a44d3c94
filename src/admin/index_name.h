// Index names: 1 to 8 characters of A-Z, 0-9 and '_'; lower case is taken
// as upper case.
#pragma once

#include <string>

namespace zeb::admin {

constexpr size_t kMaxIndexNameLength = 8;

// Upper-cases `name` in place; false with a message when it is not a valid
// index name.
bool normalise_index_name(std::string& name, std::string& error);

}  // namespace zeb::admin
