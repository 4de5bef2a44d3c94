#include "admin/run_report.h"

namespace zeb::admin {

void print_listing_warnings(const AdminContext& context, const TreeListing& listing) {
  for (size_t i = 0; i < listing.warnings.size() && i < kMaxWarningsShown; ++i)
    report_warning(context, "%s", listing.warnings[i].c_str());
  if (listing.warnings.size() > kMaxWarningsShown)
    report_warning(context, "%zu more files or directories skipped",
                   listing.warnings.size() - kMaxWarningsShown);
}

void print_run_summary(const AdminContext& context, const char* what, const std::string& name,
                       const SyncCounts& counts, size_t other_files, double seconds,
                       size_t spelling_keys) {
  const size_t handled =
      counts.indexed + counts.unchanged + counts.failed + counts.noindex + counts.folded;
  fprintf(context.out, "index %s %s: %zu documents indexed, %zu unchanged, %zu removed, %zu unreadable",
          name.c_str(), what, counts.indexed, counts.unchanged, counts.removed, counts.failed);
  if (other_files) fprintf(context.out, ", %zu other files skipped", other_files);
  if (counts.excluded) fprintf(context.out, ", %zu left out by the rules", counts.excluded);
  if (counts.noindex) fprintf(context.out, ", %zu asking not to be indexed", counts.noindex);
  if (counts.folded) fprintf(context.out, ", %zu duplicates folded", counts.folded);
  fprintf(context.out, "; %.1f s", seconds);
  if (seconds > 0 && handled) fprintf(context.out, ", %.0f documents/s", handled / seconds);
  fprintf(context.out, "; spelling file: %zu words\n", spelling_keys);
}

}  // namespace zeb::admin
