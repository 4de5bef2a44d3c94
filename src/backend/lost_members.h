// Members of an index group whose remote shards stop answering during a
// search. The search of the whole group fails then (Xapian answers for all
// shards together); rather than lose the page, the group's remote members
// are opened anew, those that cannot be are left out of the group's
// searches, and the search runs again over the others.
//
// Opening anew waits as long as opening at first: a member whose shard
// hangs costs the search timeout once more, after the connect timeout.
#pragma once

#include <cstdint>

#include "backend/engine_objects.h"

namespace zeb::backend {

// For `target` (a group of `session`): opens every remote member anew,
// marks those that cannot be opened lost (IndexObject::lost) and gives the
// others fresh connections (the failed search may have left answers unread
// on theirs). True when a member was lost and another is left.
bool leave_out_lost_members(ObjectTable& objects, uint32_t session, uint32_t target);

}  // namespace zeb::backend
