// Fuzz target: one whole request driven in process, from the posted form to
// the page tail, against the scripted engine of the tests (every engine
// function answers what the input says).
//
// Input: the posted body, then optionally the engine's script after the
// line "#engine":
//   14 bytes   the code of every call of each engine function, in the order
//              of kFunctions: a byte below 0x80 is 0, any other byte - 0x80
//   1 byte     the found count of KSVSEARCH
//   1 byte     the list value of KSVCREATERESULTLIST
//   then       result list answers, each: a code byte (bit 0: more follow;
//              with bit 7 set, the code is byte - 0x80), two bytes of length
//              (big-endian), that many bytes of data stream
// The instance holds header and footer templates, a look-up table and a
// spelling file, all read as the CGI reads them.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cgi/request_driver.h"
#include "fuzz_support.h"
#include "request_phases.h"
#include "support/scripted_engine.h"

namespace {

using zeb::testing::engine;

constexpr std::string_view kScriptMark = "\n#engine\n";
constexpr const char* kFunctions[] = {
    "KSVSTARTSESSION", "KSVOPENINDEX",        "KSVCREATEINDEXGROUP", "KSVADDQUERYSCOPE",
    "KSVSEARCH",       "KSVRANK",             "KSVCREATERESULTLIST", "KSVSORT",
    "KSVGETRESULTLIST", "KSVDELETERESULTLIST", "KSVDELETERESULT",     "KSVDELETEINDEXGROUP",
    "KSVCLOSEINDEX",   "KSVENDSESSION"};
std::string data_path;

int32_t code_of(uint8_t byte) { return byte < 0x80 ? 0 : byte - 0x80; }

void apply_script(std::string_view script) {
  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < script.size() ? script[at++] : 0; };
  for (const char* name : kFunctions) engine().on(name).code(code_of(next()));
  engine().on("KSVSEARCH").found(next());
  engine().on("KSVCREATERESULTLIST").list_value(next());
  std::vector<zeb::testing::ResultAnswer> answers;
  while (at < script.size()) {
    const uint8_t code = next();
    size_t length = size_t{next()} << 8;
    length |= next();
    length = std::min(length, script.size() - at);
    const auto* bytes = reinterpret_cast<const unsigned char*>(script.data() + at);
    answers.push_back({code & 0x80 ? code - 0x80 : code & 1,
                       zeb::testing::Bytes(bytes, bytes + length)});
    at += length;
  }
  engine().result_answers(std::move(answers));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const zeb::fuzz::TempDir& dir = zeb::fuzz::scratch_dir();
  const std::string instance = dir.path() + "/instance";
  dir.write("instance/header.html", "<html><head><title>Search</title></head><body>\n");
  dir.write("instance/footer.html", "<address>search</address>\n");
  dir.write("instance/ZEBMAP.DAT",
            "\"DOCS\",\"/srv/docs\",\"\"\n\"OTHER\",\"http://example.org/other/\",\"\",\"\"\n"
            "\"PGDOC\",\"https://example.org/pg/\",\"x\"");
  // A spelling file: two keys, "retrieval" with two misspellings, "table" with one.
  const std::string strings = std::string("retrieval\0retreival\0retrival\0table\0tabel\0", 41);
  const int32_t entries[3][3] = {{10, 0, 0}, {20, 0, 0}, {35, 29, 0}};
  std::string file(8, '\0');
  file[0] = 3;
  file.append(reinterpret_cast<const char*>(entries), sizeof entries);  // little-endian host
  file += strings;
  data_path = dir.write("data/DOCS/ZEBCSREF.DAT", file);
  data_path.resize(data_path.size() - strlen("/ZEBCSREF.DAT"));
  setenv("ZEBINSTSRV", instance.c_str(), 1);
  setenv("ZEBINST", "FUZZ", 1);
  setenv("REQUEST_METHOD", "POST", 1);
  setenv("CONTENT_TYPE", "application/x-www-form-urlencoded", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view script;
  if (const size_t mark = input.find(kScriptMark); mark != std::string_view::npos) {
    script = input.substr(mark + kScriptMark.size());
    input = input.substr(0, mark);
  }
  engine().reset();
  engine().storage().data_path = data_path;
  apply_script(script);
  zeb::fuzz::run_whole_request(input);
  engine().reset();
  return 0;
}
