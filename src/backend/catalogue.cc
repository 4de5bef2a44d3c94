#include "backend/catalogue.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace zeb::backend {

namespace {

constexpr const char* kMagic = "zebsrch-catalogue 1";
constexpr size_t kIndexFields = 6;  // and the optional options field
constexpr const char* kPartialOption = "partial";
constexpr size_t kInstanceFields = 2;
constexpr size_t kTimeoutFields = 3;
constexpr const char* kTimeoutKeyword = "shard-timeouts";

// The fields of one line, read in place; a line has at most kMaxFields that
// matter, the count covers all of them.
constexpr size_t kMaxFields = kIndexFields + 1;
struct LineFields {
  std::string_view field[kMaxFields];
  size_t count = 0;
};

// Every separator ends a field, a trailing one too ("a\t" is "a" and "");
// an empty text has no fields.
LineFields split_line(std::string_view text, char separator) {
  LineFields fields;
  if (text.empty()) return fields;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    const std::string_view part =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (fields.count < kMaxFields) fields.field[fields.count] = part;
    ++fields.count;
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// A data directory keeps to the instance directory: relative, no ".."
// component, and no zero byte (which would cut the path where it is used).
bool data_dir_inside_instance(std::string_view dir) {
  if (dir.empty() || dir.front() == '/' || dir.find('\0') != std::string_view::npos) return false;
  for (size_t start = 0; start <= dir.size();) {
    size_t end = dir.find('/', start);
    if (end == std::string_view::npos) end = dir.size();
    if (dir.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

bool parse_index(const LineFields& line, CatalogueEntry& entry) {
  if (line.count != kIndexFields &&
      !(line.count == kIndexFields + 1 && line.field[kIndexFields] == kPartialOption))
    return false;
  entry.partial_answers = line.count == kIndexFields + 1;
  const std::string_view* f = line.field;
  // As a C string: a zero byte inside the field ends the number.
  const std::string number_text(f[1]);
  char* end = nullptr;
  const long number = std::strtol(number_text.c_str(), &end, 10);
  if (f[1].empty() || *end != '\0' || number <= 0 || number > 65535) return false;
  entry.number = static_cast<int>(number);
  entry.name = f[2];
  if (f[3] == index_status_name(IndexStatus::kActive))
    entry.status = IndexStatus::kActive;
  else if (f[3] == index_status_name(IndexStatus::kSuspended))
    entry.status = IndexStatus::kSuspended;
  else
    return false;
  entry.data_dir = f[4];
  entry.shards.clear();
  entry.replicas.clear();
  if (f[5] != "-") {
    for (const std::string& shard : split(f[5], ',')) {
      std::vector<std::string> copies = split(shard, '|');
      if (copies.empty()) copies.emplace_back();
      entry.shards.push_back(copies.front());
      entry.replicas.emplace_back(copies.begin() + 1, copies.end());
    }
    if (!entry.has_replicas()) entry.replicas.clear();
  }
  return !entry.name.empty() && !entry.data_dir.empty();
}

// Counted before the list is split, so that a line of a million addresses
// costs no more than reading it.
// Replicas too: zebadm gives a shard at most 8.
bool too_many_shards(const LineFields& line) {
  if (line.count != kIndexFields && line.count != kIndexFields + 1) return false;
  const std::string_view shards = line.field[5];
  return static_cast<size_t>(std::count(shards.begin(), shards.end(), ',')) >= kMaxShards ||
         static_cast<size_t>(std::count(shards.begin(), shards.end(), '|')) > 8 * kMaxShards;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The line of the entry before `entries.back()` with its name, else 0.
int earlier_line_of_name(const std::vector<CatalogueEntry>& entries,
                         const std::vector<int>& lines) {
  for (size_t i = 0; i + 1 < entries.size(); ++i)
    if (same_name(entries[i].name, entries.back().name)) return lines[i];
  return 0;
}

// The whole file; false when it cannot be opened. A read error ends the
// text where it happened.
bool read_whole_file(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char block[4096];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(block, static_cast<size_t>(got));
  }
  ::close(fd);
  return true;
}

}  // namespace

bool parse_timeout_ms(std::string_view text, unsigned& ms) {
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string_view::npos)
    return false;
  unsigned value = 0;
  for (char digit : text) value = value * 10 + static_cast<unsigned>(digit - '0');
  if (value == 0 || value > kMaxShardTimeoutMs) return false;
  ms = value;
  return true;
}

const char* index_status_name(IndexStatus status) {
  return status == IndexStatus::kActive ? "active" : "suspended";
}

const std::vector<std::string>& CatalogueEntry::replicas_of(size_t i) const {
  static const std::vector<std::string> none;
  return i < replicas.size() ? replicas[i] : none;
}

bool CatalogueEntry::has_replicas() const {
  return std::any_of(replicas.begin(), replicas.end(),
                     [](const std::vector<std::string>& copies) { return !copies.empty(); });
}

const CatalogueEntry* Catalogue::find(const std::string& name) const {
  for (const auto& entry : indexes)
    if (entry.name == name) return &entry;
  return nullptr;
}

CatalogueEntry* Catalogue::find(const std::string& name) {
  for (auto& entry : indexes)
    if (entry.name == name) return &entry;
  return nullptr;
}

int Catalogue::next_number() const {
  int highest = 0;
  for (const auto& entry : indexes) highest = std::max(highest, entry.number);
  return highest + 1;
}

std::string catalogue_path(const std::string& instance_dir) {
  return instance_dir + "/" + kCatalogueFileName;
}

std::string resolve_data_dir(const std::string& instance_dir,
                             const CatalogueEntry& entry) {
  return instance_dir + "/" + entry.data_dir;
}

bool load_catalogue(const std::string& instance_dir, Catalogue& catalogue,
                    std::string& error) {
  const std::string path = catalogue_path(instance_dir);
  std::string text;
  if (!read_whole_file(path, text)) {
    error = "no instance catalogue at " + path;
    return false;
  }
  catalogue = Catalogue{};
  std::vector<int> entry_lines;  // the line of each index entry
  int line_number = 0;
  bool have_name = false;
  // Lines end at "\n"; the last one may lack it.
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    ++line_number;
    if (line_number == 1) {
      if (line != kMagic) break;
      continue;
    }
    if (line.empty()) continue;
    const LineFields fields = split_line(line, '\t');
    if (fields.field[0] == "instance" && fields.count == kInstanceFields) {
      catalogue.instance_name = fields.field[1];
      have_name = true;
      continue;
    }
    if (fields.field[0] == kTimeoutKeyword && fields.count == kTimeoutFields &&
        parse_timeout_ms(fields.field[1], catalogue.shard_timeouts.connect_ms) &&
        parse_timeout_ms(fields.field[2], catalogue.shard_timeouts.search_ms))
      continue;
    CatalogueEntry entry;
    const std::string where = path + ":" + std::to_string(line_number);
    if (fields.field[0] == "index" && too_many_shards(fields)) {
      error = where + ": an index has at most " + std::to_string(kMaxShards) + " shards";
      return false;
    }
    if (fields.field[0] == "index" && parse_index(fields, entry)) {
      if (!data_dir_inside_instance(entry.data_dir)) {
        error = where + ": data directory must lie inside the instance (relative, no \"..\")";
        return false;
      }
      catalogue.indexes.push_back(std::move(entry));
      entry_lines.push_back(line_number);
      if (const int first = earlier_line_of_name(catalogue.indexes, entry_lines)) {
        error = where + ": index " + catalogue.indexes.back().name + " is listed already, at line " +
                std::to_string(first);
        return false;
      }
      continue;
    }
    error = where + ": malformed line";
    return false;
  }
  if (line_number == 0 || !have_name) {
    error = path + ": not an instance catalogue";
    return false;
  }
  return true;
}

bool save_catalogue(const std::string& instance_dir, const Catalogue& catalogue,
                    std::string& error) {
  std::string data = kMagic;
  data += "\ninstance\t";
  data += catalogue.instance_name;
  data += '\n';
  if (catalogue.shard_timeouts != ShardTimeouts{}) {
    data += kTimeoutKeyword;
    data += '\t' + std::to_string(catalogue.shard_timeouts.connect_ms);
    data += '\t' + std::to_string(catalogue.shard_timeouts.search_ms) + '\n';
  }
  for (const auto& entry : catalogue.indexes) {
    data += "index\t";
    data += std::to_string(entry.number);
    data += '\t';
    data += entry.name;
    data += '\t';
    data += index_status_name(entry.status);
    data += '\t';
    data += entry.data_dir;
    data += '\t';
    if (entry.shards.empty()) data += '-';
    for (size_t i = 0; i < entry.shards.size(); ++i) {
      if (i != 0) data += ',';
      data += entry.shards[i];
      for (const std::string& replica : entry.replicas_of(i)) data += '|' + replica;
    }
    if (entry.partial_answers) data += std::string("\t") + kPartialOption;
    data += '\n';
  }
  const std::string path = catalogue_path(instance_dir);
  const std::string temp = path + ".tmp";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  bool ok = fd >= 0 &&
            ::write(fd, data.data(), data.size()) ==
                static_cast<ssize_t>(data.size()) &&
            ::fsync(fd) == 0;
  const int saved_errno = errno;
  if (fd >= 0) ::close(fd);
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    error = "cannot write " + path + ": " + std::strerror(saved_errno ? saved_errno : errno);
    ::unlink(temp.c_str());
  }
  return ok;
}

}  // namespace zeb::backend
