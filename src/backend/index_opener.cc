#include "backend/index_opener.h"

#include <cstdlib>

#include "backend/index_schema.h"
#include "backend/return_codes.h"

namespace zeb::backend {

bool parse_shard_address(const std::string& address, std::string& host,
                         unsigned& port) {
  const size_t colon = address.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == address.size())
    return false;
  const std::string digits = address.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long value = std::strtoul(digits.c_str(), nullptr, 10);
  if (value == 0 || value > 65535) return false;
  host = address.substr(0, colon);
  port = static_cast<unsigned>(value);
  return true;
}

int open_index_database(const std::string& instance_dir,
                        const CatalogueEntry& entry, Xapian::Database& db) {
  if (entry.shards.empty()) {
    const std::string path =
        resolve_data_dir(instance_dir, entry) + "/" + kXapianDirName;
    try {
      db = Xapian::Database(path);
    } catch (const Xapian::Error&) {
      return kIndexNotAccessible;
    }
    return kOk;
  }
  Xapian::Database combined;
  for (const std::string& address : entry.shards) {
    std::string host;
    unsigned port = 0;
    if (!parse_shard_address(address, host, port)) return kIndexNotAccessible;
    try {
      combined.add_database(
          Xapian::Remote::open(host, port, kShardTimeoutMs, kShardConnectTimeoutMs));
    } catch (const Xapian::NetworkError&) {
      return kServerUnavailable;
    } catch (const Xapian::Error&) {
      return kIndexNotAccessible;
    }
  }
  db = combined;
  return kOk;
}

}  // namespace zeb::backend
