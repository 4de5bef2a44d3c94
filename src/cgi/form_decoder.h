// The form decoder: turns one CGI POST request into the form entry table.
//
// It checks REQUEST_METHOD (must be "POST" when set) and CONTENT_TYPE (must
// be exactly "application/x-www-form-urlencoded" when set); on a mismatch it
// prints its explanation to `out` and rejects the request. Otherwise it reads
// the body from `in` (CONTENT_LENGTH bytes; unset or negative: up to the end
// of input), cuts it at "&", and decodes each entry: "+" to space, "%xx"
// escapes, then the split at the first "=" into name and value.
//
// Bounds, whatever the body: reading stops at the end of input; at most
// kMaxFormEntries entries are stored (the rest are read and dropped); an
// entry keeps at most kMaxEntryBytes raw bytes and all stored entries
// together at most kMaxBodyKeptBytes (body_reader.h); longer entries are cut.
// An entry that holds a NUL byte ends there, as every field is a C string.
#pragma once

#include <cstdio>

#include "request/form_entry.h"

namespace zeb {

constexpr int kFormRejected = -1;

// The page that explains HTML fill-out forms, linked from the method message.
constexpr const char* kFormsOverviewAddress = "/zebsrch/forms.html";
constexpr const char* kFormContentType = "application/x-www-form-urlencoded";

// Returns the number of entries stored in `table` (from 0), or kFormRejected
// after the explanation was printed.
int decode_form(FormTable& table, FILE* in, FILE* out);

}  // namespace zeb
