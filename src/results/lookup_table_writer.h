// The look-up table ZEBMAP.DAT, writing side, for the administration tool.
// The format is the one of results/lookup_table.h; a table is only written
// when the search can read every record of it back unchanged.
//
// Writes go to a temporary file in the table's directory, which is synced
// and renamed over the table: a reader sees the old table or the new one,
// never a torn one, also after a crash.
#pragma once

#include <string>
#include <vector>

namespace zeb {

struct LookupRecord {
  std::string index_name, location, third, fourth;
};

// The table's path in an instance directory (the search's own composition).
std::string lookup_table_file(const std::string& instance_dir);

// Reads every record of the table; a missing file is an empty table. False
// with a message when the file cannot be read or a line is not a record.
bool read_lookup_records(const std::string& path,
                         std::vector<LookupRecord>& records, std::string& error);

// Replaces the table with `records`, in order; creates the table's
// directories when missing. False with a message, and the table unchanged,
// when a record could not be read back by the search: a field holding
// ",", a double quote at a field's end, a line feed, carriage return or zero
// byte, an empty index name or one over 11 characters, a location over 127,
// a line over 510 characters, a table of 16384 bytes or more, an index name
// given twice or standing as a whole field of an earlier record.
bool write_lookup_records(const std::string& path,
                          const std::vector<LookupRecord>& records,
                          std::string& error);

// Replaces the record of that index name, or adds it at the end.
bool set_lookup_record(const std::string& path, const LookupRecord& record,
                       std::string& error);

// Removes the record of that index name; `removed` tells whether there was
// one (the file is not rewritten when there was none).
bool remove_lookup_record(const std::string& path,
                          const std::string& index_name, bool& removed,
                          std::string& error);

}  // namespace zeb
