// The data a document of an index holds: its identifier, "path;title", then
// a NUL and the stamp of the file it was built from, "<modified> <size>"
// (nanoseconds since the epoch and bytes, decimal). A search shows the
// identifier; zebadm compares the stamp with the file to find a changed
// document.
//
// Documents built before kept the stamp in value slots instead
// (index_schema.h: kValueModified, kValueSize) and their data is the
// identifier alone. A remote shard sends every value of a document with
// its data, a message each, so a page of documents costs the shard servers
// much more with values than without.
#pragma once

#include <string>
#include <string_view>

namespace zeb::backend {

constexpr char kStampSeparator = '\0';

inline std::string file_stamp(long long modified, long long size) {
  return std::to_string(modified) + ' ' + std::to_string(size);
}

inline std::string document_data(std::string_view identifier, std::string_view stamp) {
  std::string data(identifier);
  data += kStampSeparator;
  data += stamp;
  return data;
}

// Whether `text` is a decimal number; with `sign`, a '-' may lead.
inline bool is_decimal(std::string_view text, bool sign) {
  if (sign && !text.empty() && text[0] == '-') text.remove_prefix(1);
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The stamp `data` ends with; empty when it has none. Only the last NUL can
// start one, and only a stamp's form counts: a title is never taken for it.
inline std::string_view stamp_of(std::string_view data) {
  const size_t at = data.rfind(kStampSeparator);
  if (at == std::string_view::npos) return {};
  const std::string_view stamp = data.substr(at + 1);
  const size_t space = stamp.find(' ');
  if (space == std::string_view::npos || !is_decimal(stamp.substr(0, space), true) ||
      !is_decimal(stamp.substr(space + 1), false))
    return {};
  return stamp;
}

// The identifier: the data without its stamp.
inline std::string_view identifier_of(std::string_view data) {
  const std::string_view stamp = stamp_of(data);
  return stamp.empty() ? data : data.substr(0, data.size() - stamp.size() - 1);
}

// The sort key of a document on a remote shard (value kValueOrderKey,
// index_schema.h): its path, then a NUL and its data, so that a page's rows
// come with the match itself and no document need be read for them. A
// path holds no NUL, so keys sort as their paths do.
inline std::string order_key(std::string_view path, std::string_view data) {
  std::string key(path);
  key += '\0';
  key += data;
  return key;
}

// The path an order key starts with (the whole key of a document built
// before keys carried data).
inline std::string_view path_of_order_key(std::string_view key) {
  return key.substr(0, key.find('\0'));
}

// The data an order key carries; empty for the key of a document built
// before it did (the path alone).
inline std::string_view data_of_order_key(std::string_view key) {
  const size_t at = key.find('\0');
  return at == std::string_view::npos ? std::string_view() : key.substr(at + 1);
}

}  // namespace zeb::backend
