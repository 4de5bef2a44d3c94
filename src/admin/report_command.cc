// zebadm report [--since DATE] [--html FILE]: what visitors searched for,
// from the instance's search log and the copies logrotate left beside it
// (search.log.1, search.log.2, ... uncompressed), oldest first. It reads
// only: no lock is taken, so it runs beside searches and other commands.
#include <sys/stat.h>

#include "admin/admin_commands.h"
#include "admin/report_output.h"
#include "request/search_log_line.h"

namespace zeb::admin {

namespace {

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// The log and its rotated copies, oldest first. Numbering stops at the
// first number with neither a plain nor a compressed copy; compressed ones
// are named on the error sink and left out.
std::vector<std::string> log_files(const AdminContext& context, const std::string& log) {
  std::vector<std::string> files;
  for (int number = 1;; ++number) {
    const std::string copy = log + "." + std::to_string(number);
    if (exists(copy)) {
      files.insert(files.begin(), copy);
    } else if (exists(copy + ".gz")) {
      report_warning(context, "%s.gz is compressed and not read", copy.c_str());
    } else {
      break;
    }
  }
  if (exists(log)) files.push_back(log);
  return files;
}

}  // namespace

int command_report(const AdminContext& context, const Operands&, const CommandOptions& options) {
  if (context.instance_dir.empty())
    return report_error(context, "no instance: set ZEBINSTSRV or give --instance DIR");
  if (!options.since.empty() && !is_report_date(options.since))
    return report_error(context, "--since takes a date as YYYY-MM-DD, not '%s'",
                        options.since.c_str());
  backend::Catalogue catalogue;
  std::string error;
  if (!backend::load_catalogue(context.instance_dir, catalogue, error))
    return report_error(context, "%s", error.c_str());

  const std::string log = context.instance_dir + "/" + kSearchLogFile;
  const std::vector<std::string> files = log_files(context, log);
  if (files.empty())
    return report_error(context, "no search log at %s (see: zebadm log on)", log.c_str());
  SearchReportBuilder builder(options.since);
  for (const std::string& file : files)
    if (!builder.add_file(file)) return report_error(context, "cannot read %s", file.c_str());
  const SearchReport report = builder.finish();

  if (options.html.empty()) {
    write_text_report(context.out, catalogue.instance_name, report);
    return kExitOk;
  }
  FILE* page = fopen(options.html.c_str(), "we");
  if (page == nullptr) return report_error(context, "cannot write %s", options.html.c_str());
  write_html_report(page, catalogue.instance_name, report);
  const bool written = ferror(page) == 0;
  if (fclose(page) != 0 || !written)
    return report_error(context, "cannot write %s", options.html.c_str());
  fprintf(context.out, "%s: %zu days, %llu searches\n", options.html.c_str(), report.days.size(),
          static_cast<unsigned long long>(report.searches));
  return kExitOk;
}

}  // namespace zeb::admin
