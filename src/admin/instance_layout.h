// Where an instance keeps things, as zebadm lays them out:
//
//   <instance>/zebinst.cat          the catalogue (backend/catalogue.h)
//   <instance>/header.html          default page templates, made by init
//   <instance>/footer.html
//   <instance>/data/<INDEX>/        one index: xapian/, ZEBCSREF.DAT and
//                                   "source", the absolute path of its
//                                   document tree on one line
//   <instance>/data/.<INDEX>.new/   an index being created (renamed into
//                                   place when complete)
//   <instance>/data/.<INDEX>.old/   an index being deleted
//   the look-up table               where the search reads it
//                                   (lookup_table_file)
#pragma once

#include <string>

namespace zeb::admin {

constexpr const char* kDataDirName = "data";
constexpr const char* kSourceFileName = "source";
constexpr const char* kDefaultHeaderName = "header.html";
constexpr const char* kDefaultFooterName = "footer.html";
constexpr size_t kMaxInstanceNameLength = 32;

// The catalogue's data directory of a new index, relative to the instance.
std::string index_data_dir(const std::string& index_name);
std::string new_index_dir(const std::string& instance_dir, const std::string& index_name);
std::string old_index_dir(const std::string& instance_dir, const std::string& index_name);

// Upper-cases an instance name in place; false with a message when it is
// not 1 to kMaxInstanceNameLength of A-Z, 0-9, '_' and '-'.
bool normalise_instance_name(std::string& name, std::string& error);

// Makes the instance directory (and its parents), data/, an empty look-up
// table, the default templates (existing ones are kept) and, last, the
// catalogue. False with a message when the directory already holds an
// instance or something cannot be made.
bool init_instance(const std::string& instance_dir, const std::string& name, std::string& error);

// `path` made absolute against the working directory, without "." and ".."
// components or a trailing '/'.
std::string absolute_path(const std::string& path);

// The document tree of an index, from its data directory.
bool read_index_source(const std::string& data_dir, std::string& doc_dir, std::string& error);
bool write_index_source(const std::string& data_dir, const std::string& doc_dir,
                        std::string& error);

}  // namespace zeb::admin
