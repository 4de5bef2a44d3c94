#include "admin/command_line.h"

#include <xapian.h>

#include <cstdint>
#include <exception>

#include "admin/admin_commands.h"
#include "admin/progress.h"

namespace zeb::admin {

namespace {

using Handler = int (*)(const AdminContext&, const Operands&, const CommandOptions&);

constexpr size_t kAnyNumber = SIZE_MAX;

// The options a command takes besides --instance and --help.
enum OptionSet : unsigned {
  kNoOptions = 0,
  kLocationOption = 1,
  kShardOption = 2,
  kRuleOptions = 4,
  kReportOptions = 8,  // --since and --html
};

// The rule options of create and rules (admin/index_rules.h).
constexpr const char* kRuleOptionHelp =
    "  --exclude GLOB    leave out the files GLOB matches: a path relative to the\n"
    "                    tree, where * and ? stay within a directory and ** stands\n"
    "                    for any number of directories; a glob that matches a\n"
    "                    directory matches everything below it\n"
    "  --include GLOB    take the files GLOB matches. Includes and excludes apply\n"
    "                    in the order given, the last that matches deciding; when\n"
    "                    the first is an include, only what they include is taken\n"
    "  --kinds LIST      the file kinds to index, of html,htm,txt (default: all)\n"
    "  --ignore-class C  leave elements of class C out of the text, as the page's\n"
    "                    data-zebsrch-ignore does ('' forgets the classes)\n"
    "  --page-marks obey|ignore   robots noindex, data-zebsrch-ignore and\n"
    "                    data-zebsrch-body (default: obey)\n"
    "  --furniture skip|keep      nav, header, footer and the navigation, banner\n"
    "                    and contentinfo roles (default: skip)\n"
    "  --duplicates fold|keep     index documents of the same title and text\n"
    "                    once, under the first path (default: fold)\n";

struct Command {
  const char* name;
  const char* operands;
  size_t min_operands, max_operands;
  unsigned options;  // OptionSet bits
  Handler run;
  const char* summary;
  const char* details;
};

constexpr Command kCommands[] = {
    {"init", "NAME", 1, 1, kNoOptions, command_init, "make a new instance",
     "Makes the instance directory (and its parents), its data directory, an empty\n"
     "look-up table, default header.html and footer.html templates and the\n"
     "catalogue of the instance NAME (upper-cased).\n"},
    {"create", "INDEX DOCDIR", 2, 2, kLocationOption | kShardOption | kRuleOptions, command_create,
     "index a document tree as a new index",
     "Indexes every document (.html, .htm, .txt) below DOCDIR as the new index\n"
     "INDEX, writes its spelling file and enters it in the catalogue and in the\n"
     "look-up table with the location LOC (default: DOCDIR as an absolute path).\n"
     "Nothing is entered when it fails.\n"
     "  --location LOC    where the search's links find the documents: a directory\n"
     "                    or a URL prefix (http: or https:)\n"
     "  --shard HOST:PORT once per shard: the index is spread over these\n"
     "                    'xapian-tcpsrv --writable' servers, each document on\n"
     "                    the shard a hash of its path names. Every shard must\n"
     "                    answer and be empty (or hold what a failed create of\n"
     "                    the same index left) before anything is written.\n"
     "  --shard HOST:PORT,REPLICA:PORT...\n"
     "                    a shard with read-only replicas, kept by Xapian's\n"
     "                    replication from the shard's server; searches read any\n"
     "                    live copy, zebadm writes to the first only.\n"},
    {"update", "INDEX", 1, 1, kNoOptions, command_update,
     "reindex new, changed and removed documents",
     "Compares the index's document tree with the index by size and modification\n"
     "time: new and changed documents are indexed, removed ones (and ones its rules\n"
     "now leave out) taken out, and the\n"
     "spelling file is rewritten. The index can be searched meanwhile. A damaged\n"
     "local index is refused (see check). For an index of remote shards every\n"
     "shard must answer before anything is written; a run stopped half way leaves\n"
     "each shard at its last commit, and the next update completes it.\n"},
    {"add", "INDEX FILE...", 2, kAnyNumber, kNoOptions, command_add,
     "index single documents of the index's tree",
     "Indexes (again) each FILE, which must lie below the index's document\n"
     "directory and be let in by its rules, and rewrites the spelling file. A\n"
     "damaged index is refused.\n"},
    {"check", "INDEX", 1, 1, kNoOptions, command_check, "check an index's database for damage",
     "Runs Xapian's consistency check over every table of the database of INDEX\n"
     "(it reads the database whole) and reports its document count when it is\n"
     "sound. The exit status is 1 when it is damaged; update, add and clear make\n"
     "the same check and refuse to write into a damaged index. Only local\n"
     "indexes are checked: the check reads the database's files, and a remote\n"
     "shard's files are on its own host, where 'xapian-check DIR' checks them.\n"},
    {"list", "", 0, 0, kNoOptions, command_list, "list the indexes",
     "Lists number, name, status, document count and location of every index.\n"},
    {"status", "INDEX", 1, 1, kNoOptions, command_status, "show one index",
     "Shows number, name, status, document count, location, data directory and\n"
     "document directory of INDEX; for an index of remote shards, each shard's\n"
     "address, whether it answers, its document count and its revision (the\n"
     "commits zebadm made to it).\n"},
    {"rules", "INDEX", 1, 1, kRuleOptions, command_rules, "show or change an index's rules",
     "Without options, shows which files of its tree INDEX takes and how it reads\n"
     "them. With options, changes that: includes and excludes are added after\n"
     "those the index has, ignored classes added to its own; --reset first puts\n"
     "back what a new index starts with (no includes or excludes, every kind, no\n"
     "classes). The next update takes out what the rules now leave out and\n"
     "indexes what they let in; when the way pages are read changed, it indexes\n"
     "every document again. An index made before there were rules takes every\n"
     "kind and reads pages as it always did until its rules are changed.\n"},
    {"suspend", "INDEX", 1, 1, kNoOptions, command_suspend, "stop searches of an index",
     "Marks INDEX suspended: searches that select it are refused until resume.\n"},
    {"resume", "INDEX", 1, 1, kNoOptions, command_resume, "allow searches of an index again",
     "Marks INDEX active again.\n"},
    {"clear", "INDEX", 1, 1, kNoOptions, command_clear, "remove every document, keep the index",
     "Removes every document of INDEX; the index stays, empty, for update or add.\n"
     "A damaged index is refused: delete it and create it again.\n"},
    {"delete", "INDEX", 1, 1, kNoOptions, command_delete, "remove an index",
     "Removes INDEX from the catalogue and the look-up table and deletes its data.\n"
     "The remote shards of an index are emptied and left free for another index;\n"
     "a shard that cannot be reached keeps its documents (a warning names it).\n"},
    {"answers", "INDEX [whole|partial]", 1, 2, kNoOptions, command_answers,
     "show or set what a search does when a shard is down",
     "whole (the default): an index of remote shards whose shard has no copy that\n"
     "answers is left out of the search, as one that cannot be opened. partial:\n"
     "it is searched over the shards that answer, and the page says how many of\n"
     "its parts answered.\n"},
    {"timeouts", "[CONNECT SEARCH]", 0, 2, kNoOptions, command_timeouts,
     "show or set the waits on remote shards",
     "Without operands, shows the instance's shard timeouts; with two, sets them\n"
     "(milliseconds, 1 to 600000). A search waits at most CONNECT for the\n"
     "connection to a shard and SEARCH for each answer of it (its greeting, the\n"
     "search, a document); a shard that does not answer in time is reported like\n"
     "a shard that is down. Defaults: 5000 and 10000.\n"},
    {"log", "[on|off]", 0, 1, kNoOptions, command_log, "show or set the search log",
     "Without an operand, shows whether searches are logged; 'on' makes each\n"
     "search append one line to logs/search.log in the instance (time, indexes,\n"
     "the query, found count, time taken; nothing about the visitor), 'off'\n"
     "stops it and keeps the log. The web server's user must be able to write\n"
     "logs/ and the log; a log it cannot write costs its lines, never a page.\n"},
    {"report", "", 0, 0, kReportOptions, command_report, "summarise the search log",
     "Reads the search log and the copies logrotate left beside it (search.log.1,\n"
     "search.log.2, ...; compressed ones are not read) and shows searches per\n"
     "day, the most frequent queries, the queries that found nothing and the\n"
     "slowest searches. Days are UTC days.\n"
     "  --since DATE      leave out the days before DATE (YYYY-MM-DD)\n"
     "  --html FILE       write the report to FILE as an HTML page with charts\n"},
    {"map list", "", 0, 0, kNoOptions, command_map_list, "show the look-up table",
     "Shows each record of the look-up table: index name and document location.\n"},
    {"map set", "INDEX LOCATION", 2, 2, kNoOptions, command_map_set,
     "set where an index's documents lie",
     "Sets the document location of INDEX in the look-up table: a directory or a\n"
     "URL prefix that the search puts before each document's path.\n"},
    {"map remove", "INDEX", 1, 1, kNoOptions, command_map_remove, "remove a look-up record",
     "Removes the look-up record of INDEX.\n"},
};

void print_usage(FILE* sink) {
  fputs("usage: zebadm [--instance DIR] COMMAND [ARGUMENTS] [--help]\n"
        "The instance directory is DIR, or else $ZEBINSTSRV.\n\ncommands:\n",
        sink);
  for (const Command& command : kCommands) {
    const std::string synopsis = std::string(command.name) +
                                 (*command.operands ? " " : "") + command.operands;
    fprintf(sink, "  %-26s %s\n", synopsis.c_str(), command.summary);
  }
  fputs("\n'zebadm COMMAND --help' tells more about a command.\n", sink);
}

void print_command_help(FILE* sink, const Command& command) {
  fprintf(sink, "usage: zebadm [--instance DIR] %s%s%s%s%s%s\n\n%s", command.name,
          *command.operands ? " " : "", command.operands,
          (command.options & kLocationOption) ? " [--location LOC]" : "",
          (command.options & kShardOption) ? " [--shard HOST:PORT[,REPLICA:PORT...]]..." : "",
          (command.options & kReportOptions) ? " [--since DATE] [--html FILE]" : "",
          command.details);
  if (command.options & kRuleOptions) {
    if (std::string(command.name) == "rules")
      fputs("  --reset           start from a new index's rules\n", sink);
    fputs(kRuleOptionHelp, sink);
  }
}

int usage_error(FILE* err, const std::string& message) {
  fprintf(err, "zebadm: %s\n", message.c_str());
  fputs("Try 'zebadm --help'.\n", err);
  return kExitUsage;
}

const Command* find_command(const std::string& name) {
  for (const Command& command : kCommands)
    if (name == command.name) return &command;
  return nullptr;
}

}  // namespace

int run_zebadm(const std::vector<std::string>& args, const char* env_instance, FILE* out,
               FILE* err) {
  AdminContext context;
  context.out = out;
  context.err = err;
  context.progress = Progress::is_terminal(err);
  if (env_instance) context.instance_dir = env_instance;

  std::vector<std::string> words;  // the command's name and operands
  bool help = false, options_done = false, has_location = false;
  std::string location;
  std::vector<std::string> shards;
  RuleChanges rules;
  bool has_rules = false;
  std::string since, html;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
      words.push_back(arg);
    } else if (arg == "--") {
      options_done = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--instance" || arg == "--location") {
      if (i + 1 >= args.size()) return usage_error(err, arg + " needs a value");
      (arg == "--instance" ? context.instance_dir : location) = args[++i];
      if (arg == "--location") has_location = true;
    } else if (arg == "--since" || arg == "--html") {
      if (i + 1 >= args.size()) return usage_error(err, arg + " needs a value");
      (arg == "--since" ? since : html) = args[++i];
    } else if (arg.rfind("--since=", 0) == 0) {
      since = arg.substr(8);
    } else if (arg.rfind("--html=", 0) == 0) {
      html = arg.substr(7);
    } else if (arg == "--shard") {
      if (i + 1 >= args.size()) return usage_error(err, arg + " needs a value");
      shards.push_back(args[++i]);
    } else if (arg.rfind("--shard=", 0) == 0) {
      shards.push_back(arg.substr(8));
    } else if (arg.rfind("--instance=", 0) == 0) {
      context.instance_dir = arg.substr(11);
    } else if (arg.rfind("--location=", 0) == 0) {
      location = arg.substr(11);
      has_location = true;
    } else if (arg == "--reset") {
      rules.reset = has_rules = true;
    } else {
      const size_t equals = arg.find('=');
      const std::string option = arg.substr(0, equals);
      const bool inline_value = equals != std::string::npos;
      if (!inline_value && i + 1 >= args.size()) {
        RuleChanges scratch;
        bool recognised = false;
        std::string ignored;
        parse_rule_option(option, "x", scratch, recognised, ignored);
        return usage_error(err, recognised ? arg + " needs a value" : "unknown option '" + arg + "'");
      }
      const std::string value = inline_value ? arg.substr(equals + 1) : args[i + 1];
      bool recognised = false;
      std::string problem;
      const bool good = parse_rule_option(option, value, rules, recognised, problem);
      if (!recognised) return usage_error(err, "unknown option '" + arg + "'");
      if (!good) return usage_error(err, problem);
      if (!inline_value) ++i;
      has_rules = true;
    }
  }
  if (words.empty()) {
    if (help) {
      print_usage(out);
      return kExitOk;
    }
    print_usage(err);
    return kExitUsage;
  }
  std::string name = words[0];
  size_t first_operand = 1;
  if (name == "map") {
    if (words.size() < 2) {
      if (help) {
        for (const Command& command : kCommands)
          if (std::string(command.name).rfind("map ", 0) == 0) print_command_help(out, command);
        return kExitOk;
      }
      return usage_error(err, "map needs list, set or remove");
    }
    name += " " + words[1];
    first_operand = 2;
  }
  const Command* command = find_command(name);
  if (!command) return usage_error(err, "unknown command '" + name + "'");
  if (help) {
    print_command_help(out, *command);
    return kExitOk;
  }
  if (has_location && !(command->options & kLocationOption))
    return usage_error(err, std::string(command->name) + " takes no --location");
  if (!shards.empty() && !(command->options & kShardOption))
    return usage_error(err, std::string(command->name) + " takes no --shard");
  if (has_rules && !(command->options & kRuleOptions))
    return usage_error(err, std::string(command->name) + " takes no rule options");
  if (rules.reset && std::string(command->name) != "rules")
    return usage_error(err, std::string(command->name) + " takes no --reset");
  if ((!since.empty() || !html.empty()) && !(command->options & kReportOptions))
    return usage_error(err, std::string(command->name) + " takes no --since or --html");
  const Operands operands(words.begin() + static_cast<std::ptrdiff_t>(first_operand), words.end());
  if (operands.size() < command->min_operands || operands.size() > command->max_operands) {
    fprintf(err, "zebadm: wrong number of arguments\n");
    print_command_help(err, *command);
    return kExitUsage;
  }
  CommandOptions options;
  options.has_location = has_location;
  options.location = location;
  options.shards = shards;
  options.rules = rules;
  options.since = since;
  options.html = html;
  try {
    return command->run(context, operands, options);
  } catch (const Xapian::Error& e) {
    return report_error(context, "%s", e.get_description().c_str());
  } catch (const std::exception& e) {
    return report_error(context, "%s", e.what());
  }
}

}  // namespace zeb::admin
