// Whole-file replacement that a concurrent reader or a crash never sees
// half done: the bytes go to PATH.tmp, are synced, and renamed over PATH.
#pragma once

#include <string>
#include <string_view>

namespace zeb::admin {

bool write_file_atomically(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace zeb::admin
