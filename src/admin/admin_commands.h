// The zebadm commands. Each gets its operands as the command line gave them
// (index names not yet normalised) and returns the process's exit status.
#pragma once

#include <string>
#include <vector>

#include "admin/admin_context.h"
#include "admin/index_rules.h"

namespace zeb::admin {

using Operands = std::vector<std::string>;

struct CommandOptions {
  bool has_location = false;
  std::string location;             // --location LOC
  std::vector<std::string> shards;  // --shard HOST:PORT, in the order given
  RuleChanges rules;                // --include, --exclude, --kinds... (create, rules)
  std::string since;                // --since YYYY-MM-DD
  std::string html;                 // --html FILE
};

int command_init(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_create(const AdminContext& context, const Operands& operands,
                   const CommandOptions& options);
int command_update(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_add(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_check(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_list(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_status(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_suspend(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_resume(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_clear(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_delete(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_answers(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_rules(const AdminContext& context, const Operands& operands,
                  const CommandOptions& options);
int command_timeouts(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_log(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_report(const AdminContext& context, const Operands& operands,
                   const CommandOptions& options);
int command_map_list(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_map_set(const AdminContext& context, const Operands& operands, const CommandOptions&);
int command_map_remove(const AdminContext& context, const Operands& operands,
                       const CommandOptions&);

}  // namespace zeb::admin
