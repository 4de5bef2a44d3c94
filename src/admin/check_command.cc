// zebadm check INDEX: Xapian's consistency check of a local index.
#include "admin/admin_commands.h"
#include "admin/index_check.h"

namespace zeb::admin {

int command_check(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  if (!entry->shards.empty()) {
    // A remote server offers no check: the shards' own servers must run it.
    std::string shards;
    for (const auto& shard : entry->shards) shards += (shards.empty() ? "" : ", ") + shard;
    return report_error(context,
                        "index %s is held by remote servers (%s); zebadm check checks local "
                        "indexes only: check each shard's database on its server",
                        name.c_str(), shards.c_str());
  }
  const IndexHealth health = check_index_database(index_database_dir(instance.data_dir(*entry)));
  if (!health.sound)
    return report_error(context, "index %s is damaged: %s", name.c_str(), health.problem.c_str());
  fprintf(context.out, "index %s is sound: %s documents\n", name.c_str(),
          std::to_string(health.documents).c_str());
  return kExitOk;
}

}  // namespace zeb::admin
