#include "admin/instance_layout.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "admin/atomic_file.h"
#include "backend/catalogue.h"
#include "results/lookup_table_writer.h"

namespace zeb::admin {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultHeader =
    "<html><head><meta charset=\"utf-8\"><title>Search Results</title></head>\n"
    "<body>\n"
    "<h1>Search Results</h1>\n";
constexpr const char* kDefaultFooter = "<hr>\n";

bool write_template(const fs::path& path, const char* text, std::string& error) {
  std::error_code ec;
  if (fs::exists(path, ec)) return true;
  return write_file_atomically(path.string(), text, error);
}

}  // namespace

std::string index_data_dir(const std::string& index_name) {
  return std::string(kDataDirName) + "/" + index_name;
}

std::string new_index_dir(const std::string& instance_dir, const std::string& index_name) {
  return instance_dir + "/" + kDataDirName + "/." + index_name + ".new";
}

std::string old_index_dir(const std::string& instance_dir, const std::string& index_name) {
  return instance_dir + "/" + kDataDirName + "/." + index_name + ".old";
}

bool normalise_instance_name(std::string& name, std::string& error) {
  if (name.empty() || name.size() > kMaxInstanceNameLength) {
    error = "instance name '" + name + "' must have 1 to " +
            std::to_string(kMaxInstanceNameLength) + " characters";
    return false;
  }
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-')) {
      error = "instance name '" + name +
              "' may hold only the letters A-Z, the digits 0-9, '_' and '-'";
      return false;
    }
  }
  return true;
}

bool init_instance(const std::string& instance_dir, const std::string& name, std::string& error) {
  std::error_code ec;
  if (fs::exists(backend::catalogue_path(instance_dir), ec)) {
    error = instance_dir + " already holds an instance";
    return false;
  }
  fs::create_directories(fs::path(instance_dir) / kDataDirName, ec);
  if (ec) {
    error = "cannot make " + instance_dir + "/" + kDataDirName + ": " + ec.message();
    return false;
  }
  const std::string table = lookup_table_file(instance_dir);
  if (!fs::exists(table, ec)) {
    std::vector<LookupRecord> none;
    if (!write_lookup_records(table, none, error)) return false;
  }
  if (!write_template(fs::path(instance_dir) / kDefaultHeaderName, kDefaultHeader, error) ||
      !write_template(fs::path(instance_dir) / kDefaultFooterName, kDefaultFooter, error))
    return false;
  backend::Catalogue catalogue;
  catalogue.instance_name = name;
  return backend::save_catalogue(instance_dir, catalogue, error);
}

std::string absolute_path(const std::string& path) {
  std::string absolute = fs::absolute(path).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  return absolute;
}

bool read_index_source(const std::string& data_dir, std::string& doc_dir, std::string& error) {
  const std::string path = data_dir + "/" + kSourceFileName;
  std::ifstream in(path);
  if (!in || !std::getline(in, doc_dir) || doc_dir.empty()) {
    error = "the index has no record of its document directory (" + path + ")";
    return false;
  }
  return true;
}

bool write_index_source(const std::string& data_dir, const std::string& doc_dir,
                        std::string& error) {
  return write_file_atomically(data_dir + "/" + kSourceFileName, doc_dir + "\n", error);
}

}  // namespace zeb::admin
