// zebadm list and status: the catalogue's view of the indexes, with what
// their databases answer. An index of remote shards is asked shard by
// shard, each within the instance's shard timeouts, so that a shard that is
// down or stalls is named without holding the others up for long.
#include <xapian.h>

#include "admin/admin_commands.h"
#include "admin/index_rules_file.h"
#include "admin/instance_layout.h"
#include "admin/shard_stamp.h"
#include "backend/index_opener.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

namespace {

// What one shard answered.
struct ShardAnswer {
  bool answers = false;
  std::string problem;  // when it does not
  Xapian::doccount documents = 0;
  unsigned long long revision = 0;
};

ShardAnswer ask_shard(const std::string& address, const backend::ShardTimeouts& timeouts) {
  ShardAnswer answer;
  Xapian::Database db;
  if (backend::open_shard(address, timeouts, db, answer.problem) != 0) return answer;
  try {
    answer.documents = db.get_doccount();
    answer.revision = counted_revision(db);
    answer.answers = true;
  } catch (const Xapian::Error& e) {
    answer.problem = e.get_description();
  }
  return answer;
}

// The document count of an index as text; "unavailable" with the reason
// on the error sink when it cannot be opened.
std::string document_count(const AdminContext& context, const OpenedInstance& instance,
                           const backend::CatalogueEntry& entry) {
  try {
    Xapian::Database db;
    std::string shard;
    if (backend::open_index_database(instance.dir(), entry, instance.catalogue.shard_timeouts,
                                     db, &shard) == 0)
      return std::to_string(db.get_doccount());
    if (shard.empty())
      report_warning(context, "index %s: its database cannot be opened", entry.name.c_str());
    else
      report_warning(context, "index %s: shard %s does not answer", entry.name.c_str(),
                     shard.c_str());
  } catch (const Xapian::Error& e) {
    report_warning(context, "index %s: %s", entry.name.c_str(), e.get_description().c_str());
  }
  return "unavailable";
}

// The look-up table's location of every index; empty when it has none.
std::string location_of(const std::vector<LookupRecord>& records, const std::string& name) {
  for (const auto& record : records)
    if (record.index_name == name) return record.location;
  return {};
}

std::vector<LookupRecord> read_records(const AdminContext& context,
                                       const OpenedInstance& instance) {
  std::vector<LookupRecord> records;
  std::string error;
  if (!read_lookup_records(lookup_table_file(instance.dir()), records, error))
    report_warning(context, "%s", error.c_str());
  return records;
}

// The documents line, one line per shard and one per replica, with its
// revision and how many revisions it lags behind its primary.
void print_shards(const AdminContext& context, const OpenedInstance& instance,
                  const backend::CatalogueEntry& entry) {
  const backend::ShardTimeouts& timeouts = instance.catalogue.shard_timeouts;
  std::vector<ShardAnswer> answers;
  bool all = true;
  Xapian::doccount documents = 0;
  for (const std::string& address : entry.shards) {
    answers.push_back(ask_shard(address, timeouts));
    all = all && answers.back().answers;
    documents += answers.back().documents;
  }
  fprintf(context.out, "documents:  %s\n",
          all ? std::to_string(documents).c_str() : "unavailable (a shard does not answer)");
  for (size_t i = 0; i < answers.size(); ++i) {
    const ShardAnswer& answer = answers[i];
    if (answer.answers)
      fprintf(context.out, "shard %zu:    %s  answers  %u documents  revision %llu\n", i + 1,
              entry.shards[i].c_str(), answer.documents, answer.revision);
    else
      fprintf(context.out, "shard %zu:    %s  does not answer: %s\n", i + 1,
              entry.shards[i].c_str(), answer.problem.c_str());
    const std::vector<std::string>& replicas = entry.replicas_of(i);
    for (size_t r = 0; r < replicas.size(); ++r) {
      const ShardAnswer copy = ask_shard(replicas[r], timeouts);
      if (!copy.answers) {
        fprintf(context.out, "  replica %zu.%zu: %s  does not answer: %s\n", i + 1, r + 1,
                replicas[r].c_str(), copy.problem.c_str());
        continue;
      }
      std::string lag = "lag unknown (the shard does not answer)";
      if (answer.answers)
        lag = copy.revision >= answer.revision
                  ? "lag 0"
                  : "lag " + std::to_string(answer.revision - copy.revision);
      fprintf(context.out, "  replica %zu.%zu: %s  answers  %u documents  revision %llu  %s\n",
              i + 1, r + 1, replicas[r].c_str(), copy.documents, copy.revision, lag.c_str());
    }
  }
}

}  // namespace

int command_list(const AdminContext& context, const Operands&, const CommandOptions&) {
  std::string error;
  OpenedInstance instance;
  if (!instance.open(context, error)) return report_error(context, "%s", error.c_str());
  if (instance.catalogue.indexes.empty()) {
    fprintf(context.out, "instance %s has no indexes\n", instance.catalogue.instance_name.c_str());
    return kExitOk;
  }
  const std::vector<LookupRecord> records = read_records(context, instance);
  fprintf(context.out, "%6s  %-8s  %-9s  %9s  %s\n", "NUMBER", "NAME", "STATUS", "DOCUMENTS",
          "LOCATION");
  for (const auto& entry : instance.catalogue.indexes) {
    fprintf(context.out, "%6d  %-8s  %-9s  %9s  %s\n", entry.number, entry.name.c_str(),
            backend::index_status_name(entry.status),
            document_count(context, instance, entry).c_str(),
            location_of(records, entry.name).c_str());
  }
  return kExitOk;
}

int command_status(const AdminContext& context, const Operands& operands, const CommandOptions&) {
  std::string name = operands[0], error;
  OpenedInstance instance;
  backend::CatalogueEntry* entry = nullptr;
  if (!instance.open(context, error) || !instance.find(name, entry, error))
    return report_error(context, "%s", error.c_str());
  const std::vector<LookupRecord> records = read_records(context, instance);
  const std::string data_dir = instance.data_dir(*entry);
  fprintf(context.out, "number:     %d\n", entry->number);
  fprintf(context.out, "name:       %s\n", entry->name.c_str());
  fprintf(context.out, "status:     %s\n", backend::index_status_name(entry->status));
  if (entry->shards.empty())
    fprintf(context.out, "documents:  %s\n", document_count(context, instance, *entry).c_str());
  fprintf(context.out, "location:   %s\n", location_of(records, entry->name).c_str());
  fprintf(context.out, "data:       %s\n", data_dir.c_str());
  std::string doc_dir;
  if (read_index_source(data_dir, doc_dir, error))
    fprintf(context.out, "documents from: %s\n", doc_dir.c_str());
  if (!entry->shards.empty()) print_shards(context, instance, *entry);
  IndexRules rules;
  if (!read_index_rules(data_dir, rules, error)) {
    report_warning(context, "%s", error.c_str());
  } else {
    const std::string lines = format_index_rules(rules);
    for (size_t start = 0, end; start < lines.size(); start = end + 1) {
      end = lines.find('\n', start);
      fprintf(context.out, "%s%s\n", start == 0 ? "rules:      " : "            ",
              lines.substr(start, end - start).c_str());
    }
  }
  return kExitOk;
}

}  // namespace zeb::admin
