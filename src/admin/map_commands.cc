// zebadm map list | set INDEX LOCATION | remove INDEX: the look-up table
// that tells the search where each index's documents lie.
#include "admin/admin_commands.h"
#include "admin/index_name.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

int command_map_list(const AdminContext& context, const Operands&, const CommandOptions&) {
  std::string error;
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  std::vector<LookupRecord> records;
  if (!read_lookup_records(lookup_table_file(instance.dir()), records, error))
    return report_error(context, "%s", error.c_str());
  for (const auto& record : records) {
    fprintf(context.out, "%-11s  %s", record.index_name.c_str(), record.location.c_str());
    if (!record.third.empty() || !record.fourth.empty())
      fprintf(context.out, "  [%s]", record.third.c_str());
    if (!record.fourth.empty()) fprintf(context.out, " [%s]", record.fourth.c_str());
    fputc('\n', context.out);
  }
  return kExitOk;
}

int command_map_set(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  if (!normalise_index_name(name, error)) return report_error(context, "%s", error.c_str());
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  const std::string table = lookup_table_file(instance.dir());
  std::vector<LookupRecord> records;
  if (!read_lookup_records(table, records, error))
    return report_error(context, "%s", error.c_str());
  // The fields the search does not use are kept as they were.
  LookupRecord record{name, operands[1], "", ""};
  for (const auto& existing : records)
    if (existing.index_name == name) record.third = existing.third, record.fourth = existing.fourth;
  if (!set_lookup_record(table, record, error)) return report_error(context, "%s", error.c_str());
  if (!instance.catalogue.find(name))
    report_warning(context, "the instance has no index %s (yet)", name.c_str());
  fprintf(context.out, "%s -> %s\n", name.c_str(), operands[1].c_str());
  return kExitOk;
}

int command_map_remove(const AdminContext& context, const Operands& operands,
                       const CommandOptions&) {
  std::string name = operands[0], error;
  if (!normalise_index_name(name, error)) return report_error(context, "%s", error.c_str());
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  bool removed = false;
  if (!remove_lookup_record(lookup_table_file(instance.dir()), name, removed, error))
    return report_error(context, "%s", error.c_str());
  if (!removed) return report_error(context, "the look-up table has no record for %s", name.c_str());
  fprintf(context.out, "look-up record of %s removed\n", name.c_str());
  return kExitOk;
}

}  // namespace zeb::admin
