// zebadm timeouts [CONNECT SEARCH]: the instance's waits on remote
// shards, kept in its catalogue (backend/catalogue.h) and read by every
// search and every zebadm run of the instance.
#include "admin/admin_commands.h"

namespace zeb::admin {

int command_timeouts(const AdminContext& context, const Operands& operands,
                     const CommandOptions&) {
  std::string error;
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  backend::ShardTimeouts& timeouts = instance.catalogue.shard_timeouts;
  if (operands.size() == 1)
    return report_error(context, "give both timeouts: CONNECT SEARCH (milliseconds)");
  if (operands.size() == 2) {
    backend::ShardTimeouts wanted;
    if (!backend::parse_timeout_ms(operands[0], wanted.connect_ms) ||
        !backend::parse_timeout_ms(operands[1], wanted.search_ms))
      return report_error(context, "a timeout is 1 to %u milliseconds",
                          backend::kMaxShardTimeoutMs);
    timeouts = wanted;
    if (!backend::save_catalogue(instance.dir(), instance.catalogue, error))
      return report_error(context, "%s", error.c_str());
  }
  fprintf(context.out, "connect timeout: %u ms\nsearch timeout:  %u ms\n", timeouts.connect_ms,
          timeouts.search_ms);
  return kExitOk;
}

}  // namespace zeb::admin
