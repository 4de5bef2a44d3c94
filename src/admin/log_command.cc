// zebadm log [on|off]: the instance's search log (request/search_log_line.h).
// The setting is a file of the instance, so that a search learns it with one
// stat; "on" also makes the log's folder and the log, "off" leaves the log
// as it is for `zebadm report`.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "admin/admin_commands.h"
#include "request/search_log_line.h"

namespace zeb::admin {

namespace {

// Makes `path` unless it is there; false with errno when it cannot be.
bool make_file(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

int command_log(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string error;
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  const std::string setting = instance.dir() + "/" + kSearchLogSetting;
  const std::string log = instance.dir() + "/" + kSearchLogFile;
  if (!operands.empty()) {
    if (operands[0] == "on") {
      const std::string folder = instance.dir() + "/" + kSearchLogDir;
      if ((::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) || !make_file(log, O_APPEND) ||
          !make_file(setting, 0))
        return report_error(context, "cannot turn the search log on: %s", std::strerror(errno));
    } else if (operands[0] == "off") {
      if (::unlink(setting.c_str()) != 0 && errno != ENOENT)
        return report_error(context, "cannot turn the search log off: %s", std::strerror(errno));
    } else {
      return report_error(context, "log takes on or off, not '%s'", operands[0].c_str());
    }
  }
  struct stat info;
  const bool on = ::stat(setting.c_str(), &info) == 0;
  fprintf(context.out, "search log: %s (%s)\n", on ? "on" : "off", log.c_str());
  return kExitOk;
}

}  // namespace zeb::admin
