// The instance catalogue: the instance's name and its indexes (number, name,
// status, data directory, remote shards). One text file in the instance
// directory, replaced whole by rename so that a reader never sees it torn.
//
//   zebsrch-catalogue 1
//   instance<TAB>NAME
//   shard-timeouts<TAB>CONNECT MS<TAB>SEARCH MS        (optional)
//   index<TAB>NUMBER<TAB>NAME<TAB>active|suspended<TAB>DATA DIR<TAB>SHARDS[<TAB>partial]
//
// DATA DIR is relative to the instance directory, with no ".." component:
// an index's data stays inside its instance, and one catalogue cannot serve
// another instance's index or any other directory under an index's name. A
// line whose data directory is absolute, reaches up or holds a zero byte
// makes the whole catalogue unreadable, like any other malformed line
// (zebadm only ever writes data/NAME). SHARDS is "-" for a local index,
// else a comma-separated list of the remote Xapian servers that together
// hold the index, one per shard (the data directory is still recorded: it
// keeps the index's spelling file and the record of its document tree). A
// shard is host:port of its writable server (its primary), optionally
// followed by "|host:port" for each read-only replica of it: a copy that
// the primary's changesets keep up to date (shard_copies.h). An index has
// at most kMaxShards shards, and no two indexes share a name (in any letter
// case): a line that breaks either makes the catalogue unreadable.
//
// "partial" (written only when set) lets a search of the index go on over
// the shards that answer when every copy of some others is down; the page
// then says how many of its parts answered. Without it such an index
// cannot be opened, as any index whose shard is down.
//
// The shard-timeouts line bounds every wait on a remote shard of the
// instance's indexes, in milliseconds: CONNECT MS for making a connection,
// SEARCH MS for each exchange over it (the server's greeting, a search, a
// result document). It is written only when a value differs from the
// defaults, so the catalogue of an instance that never set them stays as
// readers without the line expect it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::backend {

constexpr const char* kCatalogueFileName = "zebinst.cat";
constexpr const char* kLockFileName = ".zebadm.lock";

// Shards one index may have: as many indexes as a search may open. Every
// search opens every shard, so a longer list is refused where it is read.
constexpr size_t kMaxShards = 64;

enum class IndexStatus { kActive, kSuspended };

// "active" or "suspended", as the catalogue and zebadm write it.
const char* index_status_name(IndexStatus status);

// Waits on remote shards, in milliseconds. Never 0: Xapian reads 0 as "no
// timeout", and a stalled shard would then hold a search for ever.
constexpr unsigned kDefaultShardConnectMs = 5000;
constexpr unsigned kDefaultShardSearchMs = 10000;
constexpr unsigned kMaxShardTimeoutMs = 600000;

struct ShardTimeouts {
  unsigned connect_ms = kDefaultShardConnectMs;
  unsigned search_ms = kDefaultShardSearchMs;
  bool operator==(const ShardTimeouts&) const = default;
};

// A timeout as the catalogue and zebadm take it: 1 to kMaxShardTimeoutMs
// decimal digits' worth of milliseconds, nothing else.
bool parse_timeout_ms(std::string_view text, unsigned& ms);

struct CatalogueEntry {
  int number = 0;
  std::string name;
  IndexStatus status = IndexStatus::kActive;
  std::string data_dir;             // as recorded
  std::vector<std::string> shards;  // host:port; empty for a local index
  // The replicas of each shard, host:port; empty, or one list per shard.
  std::vector<std::vector<std::string>> replicas = {};
  bool partial_answers = false;  // "partial": searched over the shards that answer

  // The replicas of shard `i` (none when there are none).
  const std::vector<std::string>& replicas_of(size_t i) const;
  bool has_replicas() const;
};

struct Catalogue {
  std::string instance_name;
  ShardTimeouts shard_timeouts;
  std::vector<CatalogueEntry> indexes;

  const CatalogueEntry* find(const std::string& name) const;
  CatalogueEntry* find(const std::string& name);
  int next_number() const;
};

std::string catalogue_path(const std::string& instance_dir);
// The data directory of an entry as a path usable on disk (below the
// instance directory for every entry load_catalogue accepts).
std::string resolve_data_dir(const std::string& instance_dir,
                             const CatalogueEntry& entry);

// False with a message when the file is missing or malformed.
bool load_catalogue(const std::string& instance_dir, Catalogue& catalogue,
                    std::string& error);
// Writes a temporary file, syncs it and renames it over the catalogue.
bool save_catalogue(const std::string& instance_dir, const Catalogue& catalogue,
                    std::string& error);

}  // namespace zeb::backend
