#include "backend/catalogue.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zeb::backend {

namespace {

constexpr const char* kMagic = "zebsrch-catalogue 1";

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  if (!text.empty() && text.back() == separator) parts.emplace_back();
  return parts;
}

bool parse_index(const std::vector<std::string>& f, CatalogueEntry& entry) {
  if (f.size() != 6) return false;
  char* end = nullptr;
  const long number = std::strtol(f[1].c_str(), &end, 10);
  if (f[1].empty() || *end != '\0' || number <= 0 || number > 65535) return false;
  entry.number = static_cast<int>(number);
  entry.name = f[2];
  if (f[3] == "active") entry.status = IndexStatus::kActive;
  else if (f[3] == "suspended") entry.status = IndexStatus::kSuspended;
  else return false;
  entry.data_dir = f[4];
  entry.shards.clear();
  if (f[5] != "-") entry.shards = split(f[5], ',');
  return !entry.name.empty() && !entry.data_dir.empty();
}

}  // namespace

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
  if (!entry.data_dir.empty() && entry.data_dir[0] == '/') return entry.data_dir;
  return instance_dir + "/" + entry.data_dir;
}

bool load_catalogue(const std::string& instance_dir, Catalogue& catalogue,
                    std::string& error) {
  const std::string path = catalogue_path(instance_dir);
  std::ifstream in(path);
  if (!in) {
    error = "no instance catalogue at " + path;
    return false;
  }
  catalogue = Catalogue{};
  std::string line;
  int line_number = 0;
  bool have_name = false;
  while (std::getline(in, line)) {
    ++line_number;
    if (line_number == 1) {
      if (line != kMagic) break;
      continue;
    }
    if (line.empty()) continue;
    const auto fields = split(line, '\t');
    if (fields[0] == "instance" && fields.size() == 2) {
      catalogue.instance_name = fields[1];
      have_name = true;
      continue;
    }
    CatalogueEntry entry;
    if (fields[0] == "index" && parse_index(fields, entry)) {
      catalogue.indexes.push_back(std::move(entry));
      continue;
    }
    error = path + ":" + std::to_string(line_number) + ": malformed line";
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
  std::ostringstream text;
  text << kMagic << '\n' << "instance\t" << catalogue.instance_name << '\n';
  for (const auto& entry : catalogue.indexes) {
    text << "index\t" << entry.number << '\t' << entry.name << '\t'
         << (entry.status == IndexStatus::kActive ? "active" : "suspended")
         << '\t' << entry.data_dir << '\t';
    if (entry.shards.empty()) text << '-';
    for (size_t i = 0; i < entry.shards.size(); ++i)
      text << (i ? "," : "") << entry.shards[i];
    text << '\n';
  }
  const std::string path = catalogue_path(instance_dir);
  const std::string temp = path + ".tmp";
  const std::string data = text.str();
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

InstanceLock::InstanceLock(const std::string& instance_dir) {
  const std::string path = instance_dir + "/" + kLockFileName;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error_ = "cannot open " + path + ": " + std::strerror(errno);
    return;
  }
  if (::flock(fd_, LOCK_EX) != 0) {
    error_ = "cannot lock " + path + ": " + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace zeb::backend
