#include "backend/engine_objects.h"

#include <utility>

namespace zeb::backend {

uint32_t ObjectTable::add(uint32_t session, EngineObject object) {
  do {
    ++last_handle_;
  } while (last_handle_ == 0 || objects_.count(last_handle_) != 0);
  const uint32_t handle = last_handle_;
  objects_.emplace(handle, Entry{session == 0 ? handle : session, std::move(object)});
  return handle;
}

SessionObject* ObjectTable::session(uint32_t handle) {
  const auto it = objects_.find(handle);
  if (it == objects_.end() || it->second.owner != handle) return nullptr;
  return std::get_if<SessionObject>(&it->second.object);
}

void ObjectTable::remove_session(uint32_t session) {
  for (auto it = objects_.begin(); it != objects_.end();) {
    if (it->second.owner == session) {
      it = objects_.erase(it);
    } else {
      ++it;
    }
  }
}

ObjectTable& engine_objects() {
  static ObjectTable table;
  return table;
}

}  // namespace zeb::backend
