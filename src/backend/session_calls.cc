// The engine calls that open and close things: sessions, indexes, index
// groups and their query scopes.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "backend/call_guard.h"
#include "backend/engine_objects.h"
#include "backend/index_opener.h"
#include "backend/request_text.h"
#include "backend/return_codes.h"
#include "backend/parsed_search.h"
#include "backend/shard_pool.h"
#include "engine/data_stream.h"
#include "engine/ksv_api.h"

namespace zeb::backend {

namespace {

constexpr const char* kServerName = "SERVER";
constexpr const char* kInstanceVariable = "ZEBINSTSRV";

bool is_atomic(const StreamItem& item) { return item.type == kAtomicItem; }
bool is_start(const StreamItem& item, uint16_t id) {
  return item.id == id && item.type == kStartItem && item.data_length == 0;
}
bool is_end(const StreamItem& item, uint16_t id) {
  return item.id == id && item.type == kEndItem && item.data_length == 0;
}
bool stream_usable(const unsigned char* stream, uint32_t length) {
  return length <= kRequestBufferSize && (stream != nullptr || length == 0);
}

std::string upper_ascii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string item_text(const StreamItem& item) {
  return std::string(reinterpret_cast<const char*>(item.data), item.data_length);
}

// Index names are upper case; a client may send them in either case.
const CatalogueEntry* find_entry(const Catalogue& catalogue, const std::string& name) {
  const std::string wanted = upper_ascii(name);
  for (const CatalogueEntry& entry : catalogue.indexes)
    if (upper_ascii(entry.name) == wanted) return &entry;
  return nullptr;
}

// The handle of the index open in `session` under `name`, else 0.
uint32_t open_index_named(ObjectTable& objects, uint32_t session, const std::string& name) {
  uint32_t found = 0;
  const std::string wanted = upper_ascii(name);
  objects.for_each<IndexObject>(session, [&](uint32_t handle, IndexObject& index) {
    if (upper_ascii(index.name) == wanted) found = handle;
  });
  return found;
}

// Keeps the connections of `index`'s remote shards for a later session,
// when no engine call failed since it was opened (shard_pool.h).
void keep_connections(const IndexObject& index) {
  if (!index.remote || index.lost || engine_failures() != index.failures_at_open) return;
  for (size_t i = 0; i < index.shards.size(); ++i)
    keep_shard(index.addresses[i], index.timeouts, {index.shards[i], index.sockets[i]});
}

// The stream of one item 60: the index name (an empty name is no index
// of the catalogue, like any other unknown name).
int read_index_name(const unsigned char* stream, uint32_t length, std::string& name) {
  if (!stream_usable(stream, length)) return kStreamSyntax;
  StreamWalker walker(stream, length);
  StreamItem item;
  if (!walker.next(item) || item.id != kItemIndexName || !is_atomic(item)) return kStreamSyntax;
  name = item_text(item);
  if (walker.next(item) || walker.broken()) return kStreamSyntax;
  return kOk;
}

// One or more items 60: the names of a group's member indexes.
int read_group_members(const unsigned char* stream, uint32_t length,
                       std::vector<std::string>& names) {
  if (!stream_usable(stream, length)) return kStreamSyntax;
  StreamWalker walker(stream, length);
  StreamItem item;
  while (walker.next(item)) {
    if (item.id != kItemIndexName || !is_atomic(item)) return kStreamSyntax;
    names.push_back(item_text(item));
  }
  return walker.broken() || names.empty() ? kStreamSyntax : kOk;
}

// 10 { 11 "SERVER" }: 0, 16 for another server name, 18 when malformed.
int read_session_request(const unsigned char* stream, uint32_t length) {
  if (!stream_usable(stream, length)) return kStreamSyntax;
  StreamWalker walker(stream, length);
  StreamItem item;
  if (!walker.next(item) || !is_start(item, kItemSession)) return kStreamSyntax;
  if (!walker.next(item) || item.id != kItemServerName || !is_atomic(item))
    return kStreamSyntax;
  const bool known = item_text(item) == kServerName;
  if (!walker.next(item) || !is_end(item, kItemSession)) return kStreamSyntax;
  if (walker.next(item) || walker.broken()) return kStreamSyntax;
  return known ? kOk : kUnknownServer;
}

// 105 { 50 { 60 name, 107 value... }... }: scope values per index name.
int read_group_scope(const unsigned char* stream, uint32_t length,
                     std::vector<std::pair<std::string, std::vector<std::string>>>& scopes) {
  if (!stream_usable(stream, length)) return kStreamSyntax;
  StreamWalker walker(stream, length);
  StreamItem item;
  if (!walker.next(item) || !is_start(item, kItemQueryScope)) return kStreamSyntax;
  while (walker.next(item)) {
    if (is_end(item, kItemQueryScope))
      return scopes.empty() || walker.next(item) || walker.broken() ? kStreamSyntax : kOk;
    if (!is_start(item, kItemIndexScope)) return kStreamSyntax;
    if (!walker.next(item) || item.id != kItemIndexName || !is_atomic(item))
      return kStreamSyntax;
    auto& scope = scopes.emplace_back(item_text(item), std::vector<std::string>{});
    while (true) {
      if (!walker.next(item)) return kStreamSyntax;
      if (is_end(item, kItemIndexScope)) break;
      if (item.id != kItemScopeValue || !is_atomic(item)) return kStreamSyntax;
      scope.second.push_back(decode_request_text(item.data, item.data_length));
    }
  }
  return kStreamSyntax;
}

}  // namespace

}  // namespace zeb::backend

using namespace zeb::backend;

extern "C" {

int32_t KSVSTARTSESSION(uint32_t length, const unsigned char* stream,
                        uint32_t* session, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (session == nullptr) return kStreamSyntax;
    *session = 0;
    if (int rc = read_session_request(stream, length); rc != kOk) return rc;
    const char* instance_dir = std::getenv(kInstanceVariable);
    if (instance_dir == nullptr || *instance_dir == '\0') return kServerUnavailable;
    SessionObject object;
    object.instance_dir = instance_dir;
    std::string error;
    if (!load_catalogue(object.instance_dir, object.catalogue, error))
      return kServerUnavailable;
    *session = engine_objects().add(0, std::move(object));
    return kOk;
  });
}

int32_t KSVOPENINDEX(uint32_t session, uint32_t length, const unsigned char* stream,
                     uint32_t* index, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (index == nullptr) return kStreamSyntax;
    *index = 0;
    ObjectTable& objects = engine_objects();
    SessionObject* owner = objects.session(session);
    if (owner == nullptr) return kBadSession;
    std::string name;
    if (int rc = read_index_name(stream, length, name); rc != kOk) return rc;
    const CatalogueEntry* entry = find_entry(owner->catalogue, name);
    if (entry == nullptr) return kUnknownIndex;
    if (entry->status == IndexStatus::kSuspended) return kIndexSuspended;
    if (open_index_named(objects, session, entry->name) != 0) return kIndexAlreadyOpen;
    if (owner->open_indexes >= kMaxOpenIndexes) return kTooManyOpenIndexes;
    IndexObject object;
    object.name = entry->name;
    object.remote = !entry->shards.empty();
    object.timeouts = owner->catalogue.shard_timeouts;
    object.failures_at_open = engine_failures();
    size_t answered = 0;
    if (int rc = open_index_database(owner->instance_dir, *entry,
                                     owner->catalogue.shard_timeouts, object.db, nullptr,
                                     &object.shards, &object.sockets, &object.addresses,
                                     &answered);
        rc != kOk)
      return rc;
    if (entry->partial_answers) {
      object.parts = static_cast<uint32_t>(std::max<size_t>(entry->shards.size(), 1));
      object.parts_answered = static_cast<uint32_t>(answered);
    }
    *index = objects.add(session, std::move(object));
    ++owner->open_indexes;
    return kOk;
  });
}

int32_t KSVCLOSEINDEX(uint32_t session, uint32_t index, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    SessionObject* owner = objects.session(session);
    if (owner == nullptr) return kBadSession;
    IndexObject* object = objects.find<IndexObject>(session, index);
    if (object == nullptr) return kBadHandle;
    if (object->groups != 0) return kIndexInGroup;
    keep_connections(*object);
    objects.remove(index);
    --owner->open_indexes;
    return kOk;
  });
}

int32_t KSVCREATEINDEXGROUP(uint32_t session, uint32_t length, const unsigned char* stream,
                            uint32_t* group, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    if (group == nullptr) return kStreamSyntax;
    *group = 0;
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    std::vector<std::string> names;
    if (int rc = read_group_members(stream, length, names); rc != kOk) return rc;
    GroupObject object;
    for (const std::string& name : names) {
      const uint32_t handle = open_index_named(objects, session, name);
      if (handle == 0) return kIndexNotOpen;
      bool listed = false;
      for (uint32_t member : object.members) listed = listed || member == handle;
      if (!listed) object.members.push_back(handle);
    }
    for (uint32_t member : object.members) ++objects.find<IndexObject>(session, member)->groups;
    *group = objects.add(session, std::move(object));
    return kOk;
  });
}

int32_t KSVADDQUERYSCOPE(uint32_t session, uint32_t group, uint32_t length,
                         const unsigned char* stream, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    GroupObject* object = objects.find<GroupObject>(session, group);
    if (object == nullptr) return kBadHandle;
    std::vector<std::pair<std::string, std::vector<std::string>>> scopes;
    if (int rc = read_group_scope(stream, length, scopes); rc != kOk) return rc;
    // Checked whole before anything changes: a refused scope leaves the
    // group as it was.
    std::map<std::string, std::vector<std::string>> merged = object->scopes;
    for (auto& [name, values] : scopes) {
      std::string member_name;
      for (uint32_t member : object->members) {
        const IndexObject* index = objects.find<IndexObject>(session, member);
        if (upper_ascii(index->name) == upper_ascii(name)) member_name = index->name;
      }
      if (member_name.empty()) return kNotGroupMember;
      auto& kept = merged[member_name];
      kept.insert(kept.end(), values.begin(), values.end());
      if (kept.size() > kMaxScopeValues) return kScopeTooComplex;
    }
    object->scopes = std::move(merged);
    return kOk;
  });
}

int32_t KSVDELETEINDEXGROUP(uint32_t session, uint32_t group, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    GroupObject* object = objects.find<GroupObject>(session, group);
    if (object == nullptr) return kBadHandle;
    for (uint32_t member : object->members)
      if (IndexObject* index = objects.find<IndexObject>(session, member)) --index->groups;
    objects.remove(group);
    return kOk;
  });
}

int32_t KSVENDSESSION(uint32_t session, int32_t* diag) {
  return guarded(diag, [&]() -> int32_t {
    ObjectTable& objects = engine_objects();
    if (objects.session(session) == nullptr) return kBadSession;
    objects.for_each<IndexObject>(session,
                                  [](uint32_t, const IndexObject& index) { keep_connections(index); });
    objects.remove_session(session);
    return kOk;
  });
}

}  // extern "C"
