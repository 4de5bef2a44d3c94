// zebadm init NAME: makes a new instance.
#include <filesystem>

#include "admin/admin_commands.h"
#include "admin/instance_layout.h"
#include "admin/instance_lock.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

int command_init(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  if (context.instance_dir.empty())
    return report_error(context, "no instance directory: set ZEBINSTSRV or give --instance DIR");
  std::string name = operands[0], error;
  if (!normalise_instance_name(name, error)) return report_error(context, "%s", error.c_str());
  // Under the instance lock, so that of two runs at once one makes the
  // instance and the other finds it made.
  std::error_code ec;
  std::filesystem::create_directories(context.instance_dir, ec);
  if (ec)
    return report_error(context, "cannot make %s: %s", context.instance_dir.c_str(),
                        ec.message().c_str());
  InstanceLock lock;
  if (!lock.acquire(context.instance_dir, context.err, error) ||
      !init_instance(context.instance_dir, name, error))
    return report_error(context, "%s", error.c_str());
  fprintf(context.out, "instance %s made in %s; look-up table %s\n", name.c_str(),
          context.instance_dir.c_str(), lookup_table_file(context.instance_dir).c_str());
  return kExitOk;
}

}  // namespace zeb::admin
