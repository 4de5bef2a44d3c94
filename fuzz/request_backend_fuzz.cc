// Fuzz target: one whole request driven in process, from the posted form to
// the page tail, against the real back end over a small real instance that
// zebadm's commands build once when the fuzzer starts: a document tree with
// titles, keywords, scope directories and a misspelled word, indexed as DOCS
// (a directory location), OTHER (an http location) and EMPTY (no documents).
//
// Input: the posted body.
#include <cstdio>
#include <string>

#include "admin/admin_commands.h"
#include "fuzz_support.h"
#include "request_phases.h"

namespace {

void write_documents(const zeb::fuzz::TempDir& dir) {
  dir.write("docs/intro.html",
            "<html><head><title>Introduction to Widgets</title>\n"
            "<meta name=\"keywords\" content=\"Getting Started, widgets\"></head>\n"
            "<body><p>Widgets help with information retrieval. One word about the world."
            "</p></body></html>\n");
  dir.write("docs/guide/tables.html",
            "<html><head><title>Guide: Tables &amp; Rows</title></head>\n"
            "<body><p>Tables hold rows; retrieval of rows is fast. A ward.</p></body></html>\n");
  dir.write("docs/guide/typo.html",
            "<html><head><title>Typo page</title></head>"
            "<body>This page misspells retreival once. Caf\xc3\xa9 na\xc3\xafve.</body></html>\n");
  dir.write("docs/ref/retrieval.html",
            "<html><head><title>Reference: Retrieval</title>"
            "<meta name=\"keywords\" content=\"reference\"></head>"
            "<body>Retrieval functions. Information retrieval, retrieval and retrieval."
            "</body></html>\n");
  dir.write("docs/notes.txt", "Release notes\nNothing about the planted terms.\n");
  dir.write("other/guide/other.html",
            "<title>Other guide</title><p>retrieval in the other index</p>");
  dir.write("other/top.html", "<title>Other top</title><p>retrieval at the top</p>");
  dir.write("empty/README", "no documents here");
}

void build_instance() {
  const zeb::fuzz::TempDir& dir = zeb::fuzz::scratch_dir();
  write_documents(dir);
  FILE* null = fopen("/dev/null", "w");
  zeb::admin::AdminContext context;
  context.instance_dir = dir.path() + "/instance";
  context.out = null;
  context.err = stderr;
  using Operands = zeb::admin::Operands;
  zeb::admin::CommandOptions local, http;
  http.has_location = true;
  http.location = "http://example.org/other/";
  if (zeb::admin::command_init(context, Operands{"fuzz"}, local) != 0 ||
      zeb::admin::command_create(context, Operands{"docs", dir.path() + "/docs"}, local) != 0 ||
      zeb::admin::command_create(context, Operands{"other", dir.path() + "/other"}, http) != 0 ||
      zeb::admin::command_create(context, Operands{"empty", dir.path() + "/empty"}, local) != 0)
    abort();
  fclose(null);
  setenv("ZEBINSTSRV", context.instance_dir.c_str(), 1);
  setenv("ZEBINST", "FUZZ", 1);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  build_instance();
  setenv("REQUEST_METHOD", "POST", 1);
  setenv("CONTENT_TYPE", "application/x-www-form-urlencoded", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zeb::fuzz::run_whole_request(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
