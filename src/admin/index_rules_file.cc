#include "admin/index_rules_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "admin/atomic_file.h"
#include "admin/path_glob.h"

namespace zeb::admin {

namespace {

constexpr const char* kHeader =
    "# zebadm index rules (zebadm rules INDEX changes them): the last include or\n"
    "# exclude that matches a path decides\n";

// The line's setting name and the rest after one blank.
void split_line(const std::string& line, std::string& key, std::string& value) {
  const size_t blank = line.find(' ');
  key = line.substr(0, blank);
  value = blank == std::string::npos ? std::string() : line.substr(blank + 1);
}

bool parse_line(const std::string& key, const std::string& value, IndexRules& rules,
                std::string& error) {
  if (key == "include" || key == "exclude") {
    if (!acceptable_glob(value, error)) return false;
    if (rules.globs.size() >= kMaxGlobRules) {
      error = "more than " + std::to_string(kMaxGlobRules) + " include and exclude rules";
      return false;
    }
    rules.globs.push_back({key == "include", value});
    return true;
  }
  if (key == "kinds") {
    std::string list = value;
    for (char& c : list) c = c == ' ' ? ',' : c;
    return parse_kinds(list, rules.kinds, error);
  }
  RuleChanges changes;
  bool recognised = false;
  if (!parse_rule_option("--" + key, value, changes, recognised, error)) return false;
  if (!recognised) {
    error = "unknown setting '" + key + "'";
    return false;
  }
  if (key == "ignore-class" && value.empty()) {
    error = "ignore-class without a class";
    return false;
  }
  return apply_rule_changes(rules, changes, error);
}

}  // namespace

std::string format_index_rules(const IndexRules& rules) {
  std::string out = "kinds";
  for (const char* kind : {"html", "htm", "txt"})
    if (rules.takes_kind(std::string("x.") + kind)) out += std::string(" ") + kind;
  out += '\n';
  for (const GlobRule& rule : rules.globs)
    out += (rule.include ? "include " : "exclude ") + rule.glob + '\n';
  for (const std::string& name : rules.documents.ignore_classes) out += "ignore-class " + name + '\n';
  out += std::string("page-marks ") + (rules.documents.page_marks ? "obey" : "ignore") + '\n';
  out += std::string("furniture ") + (rules.documents.furniture ? "skip" : "keep") + '\n';
  out += std::string("duplicates ") + (rules.documents.fold_duplicates ? "fold" : "keep") + '\n';
  return out;
}

bool parse_index_rules(const std::string& text, const std::string& where, IndexRules& rules,
                       std::string& error) {
  rules = IndexRules{};
  size_t start = 0, number = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#') continue;
    std::string key, value, problem;
    split_line(line, key, value);
    if (!parse_line(key, value, rules, problem)) {
      error = where + " line " + std::to_string(number) + ": " + problem;
      return false;
    }
  }
  return true;
}

bool read_index_rules(const std::string& data_dir, IndexRules& rules, std::string& error) {
  const std::string path = data_dir + "/" + kRulesFileName;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errno == ENOENT) {
      rules = IndexRules{};
      return true;
    }
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string text(kMaxRulesFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxRulesFileBytes) {
    error = path + ": larger than " + std::to_string(kMaxRulesFileBytes) + " bytes";
    return false;
  }
  return parse_index_rules(text, path, rules, error);
}

bool write_index_rules(const std::string& data_dir, const IndexRules& rules, std::string& error) {
  return write_file_atomically(data_dir + "/" + kRulesFileName,
                               kHeader + format_index_rules(rules), error);
}

}  // namespace zeb::admin
