// The objects a client creates through the engine interface (sessions, open
// indexes, index groups, results, result lists) and the handles that name
// them. Handles are never reused within a process, so a stale handle is
// recognised; every object records the session that owns it.
#pragma once

#include <xapian.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "backend/catalogue.h"
#include "backend/search_result.h"
#include "backend/shard_socket.h"

namespace zeb::backend {

constexpr size_t kMaxOpenIndexes = 64;

struct SessionObject {
  std::string instance_dir;
  Catalogue catalogue;
  size_t open_indexes = 0;
};

struct IndexObject {
  std::string name;  // as the catalogue records it
  Xapian::Database db;
  std::vector<Xapian::Database> shards;  // db's shards one by one
  std::vector<ShardSocket> sockets;      // and their connections
  bool remote = false;
  bool lost = false;    // its shards stopped answering: left out of group searches
  uint32_t groups = 0;  // live index groups that hold this index
  // For keeping its shard connections (shard_pool.h): the addresses of the
  // copies its shards were opened on, and the timeouts, and the engine calls that had failed when it was opened.
  std::vector<std::string> addresses;
  ShardTimeouts timeouts;
  uint64_t failures_at_open = 0;
  // With partial answers allowed (catalogue.h): its shards, and how many of
  // them were opened; 0 and 0 otherwise.
  uint32_t parts = 0;
  uint32_t parts_answered = 0;
};

struct GroupObject {
  std::vector<uint32_t> members;  // index handles, in the order given
  // Scope values per member index name; a member without any is unscoped.
  std::map<std::string, std::vector<std::string>> scopes;
};

struct ResultObject {
  std::shared_ptr<SearchResult> result;
  bool has_list = false;
  uint32_t parts = 0;  // of the searched indexes that allow partial answers
  uint32_t parts_answered = 0;
};

struct ListObject {
  std::shared_ptr<SearchResult> result;
  uint32_t result_handle = 0;
  bool ranked = false;     // the list carries rank values
  uint32_t next_entry = 0; // the first entry of the next answer
  bool finished = false;   // the last answer has been delivered
};

using EngineObject =
    std::variant<SessionObject, IndexObject, GroupObject, ResultObject, ListObject>;

class ObjectTable {
 public:
  // Adds an object owned by `session` (0 for a session itself).
  uint32_t add(uint32_t session, EngineObject object);

  // The session object, or null when `handle` names no live session.
  SessionObject* session(uint32_t handle);

  // The object of kind T that `handle` names within `session`; null when the
  // handle is stale, of another kind or owned by another session.
  template <typename T>
  T* find(uint32_t session, uint32_t handle) {
    const auto it = objects_.find(handle);
    if (it == objects_.end() || it->second.owner != session || handle == session)
      return nullptr;
    return std::get_if<T>(&it->second.object);
  }

  void remove(uint32_t handle) { objects_.erase(handle); }
  // Removes the session and everything it owns.
  void remove_session(uint32_t session);

  // Calls `visit(handle, object)` for each object of kind T in `session`.
  template <typename T, typename Visit>
  void for_each(uint32_t session, Visit visit) {
    for (auto& [handle, entry] : objects_)
      if (entry.owner == session && handle != session)
        if (T* object = std::get_if<T>(&entry.object)) visit(handle, *object);
  }

  bool empty() const { return objects_.empty(); }

 private:
  struct Entry {
    uint32_t owner;
    EngineObject object;
  };
  std::unordered_map<uint32_t, Entry> objects_;
  uint32_t last_handle_ = 0;
};

// The process's objects.
ObjectTable& engine_objects();

}  // namespace zeb::backend
