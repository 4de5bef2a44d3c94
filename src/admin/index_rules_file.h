// The rules of an index (admin/index_rules.h), kept in its data directory
// as the file "rules", one setting a line, globs in the order they apply:
//
//   # zebadm index rules: the last include or exclude that matches decides
//   kinds html htm txt
//   exclude _sources/**
//   include _sources/index.txt
//   ignore-class navheader
//   page-marks obey            (or: ignore)
//   furniture skip             (or: keep)
//   duplicates fold            (or: keep)
//
// Lines starting with '#' and blank lines are passed over. An index
// without the file (made before there were rules) takes every .html, .htm
// and .txt file and reads each as it always did: its rules are IndexRules{}
// with every setting off. zebadm create writes the file; zebadm rules
// rewrites it whole (atomic_file.h).
#pragma once

#include <string>

#include "admin/index_rules.h"

namespace zeb::admin {

constexpr const char* kRulesFileName = "rules";
// A rules file is small: 64 globs of 240 bytes and a few settings.
constexpr size_t kMaxRulesFileBytes = 32 * 1024;

// False with a message (file and line) when the file cannot be read or
// holds a line that is no rule.
bool read_index_rules(const std::string& data_dir, IndexRules& rules, std::string& error);
bool write_index_rules(const std::string& data_dir, const IndexRules& rules, std::string& error);

// The rules as text, the file's lines without its comment.
std::string format_index_rules(const IndexRules& rules);
// Reads what format_index_rules wrote; `where` names the source in messages.
bool parse_index_rules(const std::string& text, const std::string& where, IndexRules& rules,
                       std::string& error);

}  // namespace zeb::admin
