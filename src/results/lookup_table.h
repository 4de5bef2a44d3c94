// The look-up table ZEBMAP.DAT, reading side: for each index name, where its
// documents lie (a directory or a URL prefix), so that result links can be
// built from the document paths the engine returns.
//
// File format: one record per line, nothing else.
//   "INDEX","LOCATION","THIRD"            (fourth field empty)
//   "INDEX","LOCATION","THIRD","FOURTH"
// Fields are not escaped: a field cannot hold the three characters ","
// (that is the separator). Lines end in LF (a CR before it is dropped); the
// last line has no LF. The index name is upper case (the search upper-cases
// the names it looks for), at most 11 characters; the location at most 127;
// a line at most 510 characters; the whole text under 16384 bytes.
//
// A record is found by the first occurrence of "NAME" (with the quotes)
// anywhere in the text, so a name that also stands as a whole field of an
// earlier line is looked up there. The writing side refuses such tables.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "request/search_request.h"

namespace zeb {

constexpr size_t kLookupTextSize = 16384;    // text plus terminator
constexpr size_t kLookupRecordLength = 510;  // one line, without its LF
constexpr size_t kLookupRecordSize = kLookupRecordLength + 2;  // LF and NUL
constexpr size_t kLookupNameSize = 12;       // 11 characters
constexpr const char* kLookupFileName = "ZEBMAP.DAT";

// Path of the table under `base`, or under $ZEBINSTSRV when `base` is null.
// A base whose path contains "instance" in any letter case holds the table
// itself; any other holds it in INSTANCE/help/DATA/. With neither, the path
// starts at the root.
std::string lookup_table_path(const char* base);

// Opens the table for reading (a second attempt when the first fails);
// nullptr when it cannot be opened.
FILE* open_lookup_table(const char* base);

// Reads the table into `text` (kLookupTextSize bytes): at most
// kLookupTextSize - 1 characters, CR LF turned into LF, then a terminator.
// Returns 1 when the text is empty, else 0.
int read_lookup_table(char* text, FILE* file);

// Copies the record of `index_name` into `record` (kLookupRecordSize bytes):
// from the key's opening quote to the end of its line, cut to
// kLookupRecordLength, then a LF. Returns 0 when found, 1 when not.
int find_record(const char* index_name, char* record, const char* text);

// The four fields of a record.
struct LookupFields {
  char index_name[kLookupNameSize] = {};
  char location[kLocationSize] = {};
  char third[kLookupRecordSize] = {};
  char fourth[kLookupRecordSize] = {};
};

enum RecordParse {
  kRecordComplete = 0,
  kRecordNoIndexName = 1,   // no "," at all
  kRecordNoLocation = 2,    // only two fields
};

// Splits one record line (LF optional) into whole fields, without cutting;
// later fields stay empty when it returns a failure.
int parse_record(std::string_view record, std::string fields[4]);

// Splits a record into `fields`, cutting each to its buffer. A malformed
// record writes its message line to `out` and leaves the later fields empty.
void split_record(const char* record, LookupFields& fields, FILE* out);

// Reads the table into the request, once; its messages wait for
// load_document_locations.
void take_lookup_table(SearchRequest& request);

// Sets the document location of every selected index from the table (taken
// now unless it was before), writing the table's messages to `out`, and
// frees the table's text; a location stays empty when the table or the
// record is missing.
void load_document_locations(SearchRequest& request, FILE* out);

// Frees the table's text; the next request takes the table anew.
void release_lookup_table(SearchRequest& request);

}  // namespace zeb
