// Test instances for the back end: a temporary instance directory with a
// catalogue and small real Xapian indexes laid out as index_schema.h says,
// and a builder of request streams.
#pragma once

#include <unistd.h>
#include <xapian.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "backend/catalogue.h"
#include "backend/index_schema.h"
#include "engine/data_stream.h"

namespace zeb::testing {

struct TestDocument {
  std::string path;   // relative, '/' separated
  std::string title;
  std::string text;
  std::vector<std::string> keywords;
};

// Writes a Xapian database at `dir` holding `documents`, indexed the way the
// administration tool indexes them.
inline void write_test_database(const std::string& dir,
                                const std::vector<TestDocument>& documents) {
  Xapian::WritableDatabase db(dir, Xapian::DB_CREATE_OR_OVERWRITE | Xapian::DB_NO_SYNC);
  Xapian::TermGenerator generator;
  generator.set_stemmer(Xapian::Stem(backend::kStemLanguage));
  generator.set_stemming_strategy(Xapian::TermGenerator::STEM_SOME);
  for (const TestDocument& source : documents) {
    Xapian::Document doc;
    generator.set_document(doc);
    generator.index_text(source.title);
    generator.increase_termpos();
    generator.index_text(source.text);
    for (const std::string& keyword : source.keywords)
      doc.add_boolean_term(backend::kKeywordPrefix + keyword);
    const size_t slash = source.path.find('/');
    if (slash != std::string::npos)
      doc.add_boolean_term(backend::kScopePrefix + source.path.substr(0, slash));
    doc.add_boolean_term(backend::kPathPrefix + source.path);
    doc.set_data(source.title.empty() ? source.path : source.path + ";" + source.title);
    db.add_document(doc);
  }
  db.commit();
}

// An instance directory under the temporary directory, removed at the end;
// the constructor points ZEBINSTSRV at it.
class TestInstance {
 public:
  explicit TestInstance(const std::string& name = "DEMO") {
    static int serial = 0;
    dir_ = (std::filesystem::temp_directory_path() /
            ("zebback-" + std::to_string(::getpid()) + "-" + std::to_string(++serial)))
               .string();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    catalogue_.instance_name = name;
    save();
    ::setenv("ZEBINSTSRV", dir_.c_str(), 1);
  }
  ~TestInstance() { std::filesystem::remove_all(dir_); }
  TestInstance(const TestInstance&) = delete;
  TestInstance& operator=(const TestInstance&) = delete;

  const std::string& dir() const { return dir_; }

  // A local index with its database in data/<NAME>/xapian.
  void add_index(const std::string& name, const std::vector<TestDocument>& documents,
                 backend::IndexStatus status = backend::IndexStatus::kActive) {
    const std::string data = "data/" + name;
    std::filesystem::create_directories(dir_ + "/" + data);
    write_test_database(dir_ + "/" + data + "/" + backend::kXapianDirName, documents);
    add_entry(name, data, status, {});
  }

  // A catalogue entry only: its files are whatever the test leaves there.
  void add_entry(const std::string& name, const std::string& data_dir,
                 backend::IndexStatus status, std::vector<std::string> shards) {
    backend::CatalogueEntry entry;
    entry.number = catalogue_.next_number();
    entry.name = name;
    entry.status = status;
    entry.data_dir = data_dir;
    entry.shards = std::move(shards);
    catalogue_.indexes.push_back(entry);
    save();
  }

  void set_shard_timeouts(const backend::ShardTimeouts& timeouts) {
    catalogue_.shard_timeouts = timeouts;
    save();
  }

  void remove_catalogue() { std::filesystem::remove(backend::catalogue_path(dir_)); }

 private:
  void save() {
    std::string error;
    if (!backend::save_catalogue(dir_, catalogue_, error)) std::abort();
  }

  std::string dir_;
  backend::Catalogue catalogue_;
};

// Builds one request stream in a request buffer, as the CGI does.
class Request {
 public:
  Request() { buffer_.reset(bytes_); }
  // A copy writes into its own bytes: the buffer's positions are rebased.
  Request(const Request& other) { *this = other; }
  Request& operator=(const Request& other) {
    if (this == &other) return *this;
    const uint32_t used = other.length();
    std::memcpy(bytes_, other.bytes_, used);
    buffer_.reset(bytes_);
    buffer_.position += used;
    buffer_.remaining -= used;
    return *this;
  }

  Request& start(uint16_t id) { return check(append_start(buffer_, id)); }
  Request& end(uint16_t id) { return check(append_end(buffer_, id)); }
  Request& flag(uint16_t id) { return check(append_atomic(buffer_, id, nullptr, 0)); }
  Request& byte(uint16_t id, uint8_t value) { return check(append_byte(buffer_, id, value)); }
  Request& u16(uint16_t id, uint16_t value) { return check(append_u16(buffer_, id, value)); }
  Request& text(uint16_t id, const std::string& value) {
    return check(append_atomic(buffer_, id, value.data(), value.size()));
  }
  Request& raw(const std::vector<unsigned char>& bytes) {
    std::memcpy(buffer_.position, bytes.data(), bytes.size());
    buffer_.position += bytes.size();
    buffer_.remaining -= static_cast<uint32_t>(bytes.size());
    return *this;
  }

  // A term structure: 200 { [350] [360] [222 type] 211 text }.
  Request& term(const std::string& value, int type = 1) {
    start(kItemTerm);
    const bool any = value.find('*') != std::string::npos;
    const bool one = value.find('?') != std::string::npos;
    if (any) text(kItemMaskAny, "*");
    if (one) text(kItemMaskOne, "?");
    if (!any && !one) byte(kItemTermType, static_cast<uint8_t>(type));
    return text(kItemText, value).end(kItemTerm);
  }
  Request& topic(const std::string& value) {
    return start(kItemTerm)
        .byte(kItemTermType, 3)
        .text(kItemText, "\xFF\xFF" + value + "\xFF\xFF")
        .end(kItemTerm);
  }
  Request& free_text(const std::string& value, int type = 1) {
    return start(kItemFreeText)
        .byte(kItemTermType, static_cast<uint8_t>(type))
        .text(kItemText, value)
        .end(kItemFreeText);
  }
  // The constants every search request of the CGI carries.
  Request& constants() { return u16(kItemCodePage, 850).u16(kItemLanguage, 6011); }

  const unsigned char* data() const { return bytes_; }
  uint32_t length() const { return buffer_.length(); }
  std::vector<unsigned char> bytes() const { return {bytes_, bytes_ + length()}; }

 private:
  Request& check(int appended) {
    if (!appended) std::abort();
    return *this;
  }

  unsigned char bytes_[kRequestBufferSize];
  RequestBuffer buffer_;
};

}  // namespace zeb::testing
