#include "admin/index_rules.h"

#include "admin/path_glob.h"

namespace zeb::admin {

namespace {

struct KindName {
  const char* name;
  unsigned bit;
};
constexpr KindName kKindNames[] = {{"html", kKindHtml}, {"htm", kKindHtm}, {"txt", kKindTxt}};

// The file name's ending after its last '.', in lower case.
std::string extension_of(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
  std::string ending = path.substr(dot + 1);
  for (char& c : ending)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ending;
}

// "on"/"off"-like option values: the first word means on.
bool parse_switch(const std::string& option, const std::string& value, const char* on,
                  const char* off, int& setting, std::string& error) {
  if (value == on || value == off) {
    setting = value == on ? 1 : 0;
    return true;
  }
  error = option + " takes " + on + " or " + off;
  return false;
}

bool acceptable_class(const std::string& name, std::string& error) {
  if (name.size() > kMaxClassBytes || name.find_first_of(" \t\n\r\f") != std::string::npos) {
    error = "--ignore-class takes one class name of at most " + std::to_string(kMaxClassBytes) +
            " bytes";
    return false;
  }
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      error = "--ignore-class: a class name may not hold control characters";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string DocumentRules::signature() const {
  std::string out;
  const auto word = [&out](const std::string& w) { out += (out.empty() ? "" : " ") + w; };
  if (page_marks) word("marks");
  if (furniture) word("furniture");
  for (const std::string& name : ignore_classes) word("class=" + name);
  if (fold_duplicates) word("fold");
  return out;
}

IndexRules IndexRules::for_new_index() {
  IndexRules rules;
  rules.documents.page_marks = true;
  rules.documents.furniture = true;
  rules.documents.fold_duplicates = true;
  return rules;
}

bool IndexRules::takes_kind(const std::string& path) const {
  const std::string ending = extension_of(path);
  for (const KindName& kind : kKindNames)
    if ((kinds & kind.bit) && ending == kind.name) return true;
  return false;
}

bool IndexRules::admits(const std::string& path, std::string* rule) const {
  for (size_t i = globs.size(); i-- > 0;) {
    if (!glob_matches(globs[i].glob, path)) continue;
    if (!globs[i].include && rule) *rule = "--exclude " + globs[i].glob;
    return globs[i].include;
  }
  if (rule) rule->clear();
  return globs.empty() || !globs.front().include;
}

bool parse_kinds(const std::string& list, unsigned& kinds, std::string& error) {
  kinds = 0;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    std::string word = list.substr(start, comma - start);
    if (!word.empty() && word[0] == '.') word.erase(0, 1);
    bool known = false;
    for (const KindName& kind : kKindNames) {
      if (word == kind.name) {
        kinds |= kind.bit;
        known = true;
      }
    }
    if (!known) {
      error = "--kinds takes a list of html, htm and txt, such as html,htm";
      return false;
    }
    start = comma + 1;
  }
  return true;
}

std::string describe_kinds(unsigned kinds) {
  std::vector<std::string> names;
  for (const KindName& kind : kKindNames)
    if (kinds & kind.bit) names.push_back(std::string(".") + kind.name);
  std::string out;
  for (size_t i = 0; i < names.size(); ++i)
    out += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  return out;
}

bool RuleChanges::any() const {
  return reset || !globs.empty() || has_kinds || !ignore_classes.empty() || clear_classes ||
         page_marks >= 0 || furniture >= 0 || fold_duplicates >= 0;
}

bool parse_rule_option(const std::string& option, const std::string& value, RuleChanges& changes,
                       bool& recognised, std::string& error) {
  recognised = true;
  if (option == "--include" || option == "--exclude") {
    if (!acceptable_glob(value, error)) return false;
    changes.globs.push_back({option == "--include", value});
    return true;
  }
  if (option == "--kinds") {
    changes.has_kinds = true;
    return parse_kinds(value, changes.kinds, error);
  }
  if (option == "--ignore-class") {
    if (value.empty()) {
      changes.clear_classes = true;
      changes.ignore_classes.clear();
      return true;
    }
    if (!acceptable_class(value, error)) return false;
    changes.ignore_classes.push_back(value);
    return true;
  }
  if (option == "--page-marks")
    return parse_switch(option, value, "obey", "ignore", changes.page_marks, error);
  if (option == "--furniture")
    return parse_switch(option, value, "skip", "keep", changes.furniture, error);
  if (option == "--duplicates")
    return parse_switch(option, value, "fold", "keep", changes.fold_duplicates, error);
  recognised = false;
  return true;
}

bool apply_rule_changes(IndexRules& rules, const RuleChanges& changes, std::string& error) {
  if (changes.reset) rules = IndexRules::for_new_index();
  rules.globs.insert(rules.globs.end(), changes.globs.begin(), changes.globs.end());
  if (rules.globs.size() > kMaxGlobRules) {
    error = "an index has at most " + std::to_string(kMaxGlobRules) + " include and exclude rules";
    return false;
  }
  if (changes.has_kinds) rules.kinds = changes.kinds;
  std::vector<std::string>& classes = rules.documents.ignore_classes;
  if (changes.clear_classes) classes.clear();
  for (const std::string& name : changes.ignore_classes) {
    bool known = false;
    for (const std::string& existing : classes) known = known || existing == name;
    if (!known) classes.push_back(name);
  }
  if (classes.size() > kMaxIgnoreClasses) {
    error = "an index has at most " + std::to_string(kMaxIgnoreClasses) + " ignored classes";
    return false;
  }
  if (changes.page_marks >= 0) rules.documents.page_marks = changes.page_marks;
  if (changes.furniture >= 0) rules.documents.furniture = changes.furniture;
  if (changes.fold_duplicates >= 0) rules.documents.fold_duplicates = changes.fold_duplicates;
  return true;
}

}  // namespace zeb::admin
