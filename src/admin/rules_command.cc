// zebadm rules INDEX [rule options]: shows or changes which files of its
// tree an index takes and how it reads them (index_rules.h). The rules
// file is replaced whole; the next update brings the index in line.
#include "admin/admin_commands.h"
#include "admin/index_rules_file.h"

namespace zeb::admin {

int command_rules(const AdminContext& context, const Operands& operands,
                  const CommandOptions& options) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  IndexRules rules;
  if (!instance.open(context, error) || !instance.find(name, entry, error) ||
      !read_index_rules(instance.data_dir(*entry), rules, error))
    return report_error(context, "%s", error.c_str());
  if (options.rules.any()) {
    if (!apply_rule_changes(rules, options.rules, error) ||
        !write_index_rules(instance.data_dir(*entry), rules, error))
      return report_error(context, "%s", error.c_str());
  }
  fputs(format_index_rules(rules).c_str(), context.out);
  if (options.rules.any())
    fprintf(context.out, "'zebadm update %s' brings the index in line with them\n",
            entry->name.c_str());
  return kExitOk;
}

}  // namespace zeb::admin
