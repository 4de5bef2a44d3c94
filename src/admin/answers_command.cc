// zebadm answers INDEX [whole|partial]: whether a search of an index of
// remote shards goes on over the shards that answer when every copy of some
// others is down (partial), or the index is then left out as one that
// cannot be opened (whole, the default). Kept in the catalogue
// (backend/catalogue.h) and read by every search.
#include "admin/admin_commands.h"

namespace zeb::admin {

int command_answers(const AdminContext& context, const Operands& operands,
                    const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  if (operands.size() == 2) {
    if (operands[1] != "whole" && operands[1] != "partial")
      return report_error(context, "answers are whole or partial, not %s", operands[1].c_str());
    entry->partial_answers = operands[1] == "partial";
    if (!backend::save_catalogue(instance.dir(), instance.catalogue, error))
      return report_error(context, "%s", error.c_str());
  }
  fprintf(context.out, "index %s: %s answers\n", entry->name.c_str(),
          entry->partial_answers ? "partial" : "whole");
  return kExitOk;
}

}  // namespace zeb::admin
