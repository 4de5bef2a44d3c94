#include "results/lookup_table_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "results/lookup_table.h"

namespace zeb {

namespace {

constexpr std::string_view kSeparator = "\",\"";
constexpr mode_t kNewTableMode = 0644;  // the search runs as another user

std::string record_line(const LookupRecord& r) {
  std::string line = "\"" + r.index_name + "\",\"" + r.location + "\",\"" + r.third + "\"";
  if (!r.fourth.empty()) line += ",\"" + r.fourth + "\"";
  return line;
}

// Why one field cannot stand in a record, or "" when it can.
std::string field_problem(const std::string& field) {
  if (field.find(kSeparator) != std::string::npos) return "holds \",\"";
  if (!field.empty() && field.back() == '"') return "ends in a double quote";
  if (field.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
    return "holds a line feed, carriage return or zero byte";
  return "";
}

bool check_record(const LookupRecord& r, std::string& error) {
  const std::string who = "index \"" + r.index_name + "\": ";
  if (r.index_name.empty()) {
    error = "an index name is empty";
    return false;
  }
  if (r.index_name.size() >= kLookupNameSize) {
    error = who + "the name is over 11 characters";
    return false;
  }
  if (r.location.size() >= kLocationSize) {
    error = who + "the location is over 127 characters";
    return false;
  }
  const std::pair<const char*, const std::string*> fields[] = {
      {"the name", &r.index_name}, {"the location", &r.location},
      {"the third field", &r.third}, {"the fourth field", &r.fourth}};
  for (const auto& [what, field] : fields) {
    const std::string problem = field_problem(*field);
    if (!problem.empty()) {
      error = who + what + " " + problem;
      return false;
    }
  }
  if (record_line(r).size() > kLookupRecordLength) {
    error = who + "the record is over 510 characters";
    return false;
  }
  return true;
}

// The search finds a record by the first "NAME" in the whole text: every
// record must be found at its own line and split into its own fields.
bool check_read_back(const std::string& text,
                     const std::vector<LookupRecord>& records,
                     const std::vector<size_t>& line_starts, std::string& error) {
  for (size_t i = 0; i < records.size(); ++i) {
    const LookupRecord& r = records[i];
    const size_t at = text.find("\"" + r.index_name + "\"");
    if (at != line_starts[i]) {
      error = "index \"" + r.index_name +
              "\": the name stands in quotes in an earlier record";
      return false;
    }
    const size_t end = text.find('\n', at);
    std::string fields[4];
    const int parsed = parse_record(
        std::string_view(text).substr(at, end == std::string::npos ? end : end - at),
        fields);
    if (parsed != kRecordComplete || fields[0] != r.index_name ||
        fields[1] != r.location || fields[2] != r.third || fields[3] != r.fourth) {
      error = "index \"" + r.index_name + "\": the record would not read back";
      return false;
    }
  }
  return true;
}

bool compose_table(const std::vector<LookupRecord>& records, std::string& text,
                   std::string& error) {
  std::vector<size_t> line_starts;
  for (size_t i = 0; i < records.size(); ++i) {
    if (!check_record(records[i], error)) return false;
    for (size_t j = 0; j < i; ++j) {
      if (records[j].index_name == records[i].index_name) {
        error = "index \"" + records[i].index_name + "\" is given twice";
        return false;
      }
    }
    if (i > 0) text += '\n';
    line_starts.push_back(text.size());
    text += record_line(records[i]);
  }
  if (text.size() >= kLookupTextSize) {
    error = "the table would be 16384 bytes or more";
    return false;
  }
  return check_read_back(text, records, line_starts, error);
}

std::string system_error(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + strerror(errno);
}

bool write_all(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `text` beside `path`, syncs it and renames it over `path`.
bool replace_file(const std::string& path, const std::string& text,
                  std::string& error) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(path).parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    error = "cannot create " + dir.string() + ": " + ec.message();
    return false;
  }
  mode_t mode = kNewTableMode;
  struct stat old_table;
  if (stat(path.c_str(), &old_table) == 0) mode = old_table.st_mode & 07777;

  std::string temp = (dir / ".ZEBMAP.DAT.XXXXXX").string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = system_error("cannot create a temporary file in", dir.string());
    return false;
  }
  bool written = fchmod(fd, mode) == 0 && write_all(fd, text) && fsync(fd) == 0;
  if (close(fd) != 0) written = false;
  if (!written) {
    error = system_error("cannot write", temp);
    unlink(temp.c_str());
    return false;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    error = system_error("cannot replace", path);
    unlink(temp.c_str());
    return false;
  }
  // The rename itself is durable only once the directory is synced.
  const int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
  return true;
}

}  // namespace

std::string lookup_table_file(const std::string& instance_dir) {
  return lookup_table_path(instance_dir.c_str());
}

bool read_lookup_records(const std::string& path,
                         std::vector<LookupRecord>& records, std::string& error) {
  records.clear();
  FILE* file = fopen(path.c_str(), "r");
  if (file == nullptr) {
    if (errno == ENOENT) return true;
    error = system_error("cannot open", path);
    return false;
  }
  std::string text;
  int c;
  while ((c = getc(file)) != EOF) text += static_cast<char>(c);
  const bool failed = ferror(file) != 0;
  fclose(file);
  if (failed) {
    error = system_error("cannot read", path);
    return false;
  }

  size_t start = 0;
  for (int line_number = 1; start <= text.size(); ++line_number) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = std::string_view(text).substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::string fields[4];
    if (parse_record(line, fields) != kRecordComplete) {
      error = path + ": line " + std::to_string(line_number) + " is not a record";
      return false;
    }
    records.push_back({fields[0], fields[1], fields[2], fields[3]});
  }
  return true;
}

bool write_lookup_records(const std::string& path,
                          const std::vector<LookupRecord>& records,
                          std::string& error) {
  std::string text;
  if (!compose_table(records, text, error)) return false;
  return replace_file(path, text, error);
}

bool set_lookup_record(const std::string& path, const LookupRecord& record,
                       std::string& error) {
  std::vector<LookupRecord> records;
  if (!read_lookup_records(path, records, error)) return false;
  bool replaced = false;
  for (LookupRecord& r : records) {
    if (r.index_name == record.index_name) {
      r = record;
      replaced = true;
    }
  }
  if (!replaced) records.push_back(record);
  return write_lookup_records(path, records, error);
}

bool remove_lookup_record(const std::string& path,
                          const std::string& index_name, bool& removed,
                          std::string& error) {
  removed = false;
  std::vector<LookupRecord> records;
  if (!read_lookup_records(path, records, error)) return false;
  const auto erased = std::erase_if(
      records, [&](const LookupRecord& r) { return r.index_name == index_name; });
  removed = erased > 0;
  if (!removed) return true;
  return write_lookup_records(path, records, error);
}

}  // namespace zeb
