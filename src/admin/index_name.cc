#include "admin/index_name.h"

namespace zeb::admin {

bool normalise_index_name(std::string& name, std::string& error) {
  if (name.empty() || name.size() > kMaxIndexNameLength) {
    error = "index name '" + name + "' must have 1 to 8 characters";
    return false;
  }
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) {
      error = "index name '" + name +
              "' may hold only the letters A-Z, the digits 0-9 and '_'";
      return false;
    }
  }
  return true;
}

}  // namespace zeb::admin
