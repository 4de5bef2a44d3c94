// The scripted engine: the search engine interface (every KSV function) and
// the instance's shared-storage calls, as linked into the test binary
// zebsrch_tests. It records every call and answers what the test says.
//
// Use:
//   #include "support/scripted_engine.h"
//   using zeb::testing::engine;
//
//   engine().reset();                                  // in SetUp()
//   engine().on("KSVSEARCH").code(10).found(7);        // every KSVSEARCH call
//   engine().on("KSVOPENINDEX").codes({0, 24, 0});     // call 1, 2, 3; then 0
//   engine().result_answers({
//       {1, zeb::testing::AnswerStream()
//               .entry("a/b.html;Title", "DOCS", 87.5f).bytes()},
//       {0, zeb::testing::AnswerStream().entry("c.html", "DOCS").bytes()}});
//   ... run the code under test ...
//   EXPECT_EQ(engine().names(), (std::vector<std::string>{"KSVSTARTSESSION", ...}));
//   EXPECT_EQ(engine().stream("KSVSEARCH"), expected_bytes);
//
// Answers of a function, unless the test scripts otherwise:
//   code 0;
//   output handles: session 1, index 100 + n for the n-th KSVOPENINDEX call
//   (101, 102, ...), index group 200, result 300, result list 400, list
//   value 0. A handle is written only when the code is 0, unless the test
//   gave one with handle()/handles(): then it is written whatever the code
//   (an engine may leave a handle behind a failure). KSVSEARCH always writes
//   its result handle and found count (found defaults to 0).
//   KSVGETRESULTLIST: the queued result_answers() one per call, each in a
//   fresh heap block that is freed on the next call or reset() (so a reader
//   that keeps a stale answer is caught by the sanitizers); when the queue is
//   empty, the code of on("KSVGETRESULTLIST") with an empty answer.
//
// Shared storage (storage()): g_get_shared_storage records the instance name
// and answers attach_code; on 0 it fills the per-thread block found in the
// thread-local slot *pGTlsIndex from the fields below. The per-thread block
// is allocated by the client as `new zeb::ThreadBlock` and stays in the slot
// across calls, as in a real process; reset() deletes it and empties the slot.
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "engine/shared_storage.h"

namespace zeb::testing {

using Bytes = std::vector<unsigned char>;

// One call of an engine function, as the code under test made it.
struct Call {
  std::string name;               // "KSVOPENINDEX"
  std::vector<uint32_t> handles;  // handle arguments in order: session, then
                                  // index / group / result / result list
  Bytes stream;                   // the request's bytes (empty when none)
};

// One answer of KSVGETRESULTLIST: its return code and its data stream.
struct ResultAnswer {
  int32_t code = 0;
  Bytes stream;
};

// What one engine function answers.
class Script {
 public:
  // The return code of every call.
  Script& code(int32_t value);
  // Return codes of successive calls; once used up, code() applies.
  Script& codes(std::initializer_list<int32_t> values);
  // The handle written by every call (written whatever the code).
  Script& handle(uint32_t value);
  // Handles of successive calls; once used up, handle() or the default.
  Script& handles(std::initializer_list<uint32_t> values);
  // KSVSEARCH: the found count.
  Script& found(uint32_t value);
  // KSVCREATERESULTLIST: the list value.
  Script& list_value(uint32_t value);

  uint32_t found_answer() const { return found_; }
  uint32_t list_value_answer() const { return list_value_; }

 private:
  friend class ScriptedEngine;
  int32_t next_code();
  bool next_handle(uint32_t* value);  // false: no scripted handle

  int32_t code_ = 0;
  std::deque<int32_t> codes_;
  bool has_handle_ = false;
  uint32_t handle_ = 0;
  std::deque<uint32_t> handles_;
  uint32_t found_ = 0;
  uint32_t list_value_ = 0;
};

// The shared storage of the instance: what the attach fills in, and what the
// calls saw.
struct SharedStorage {
  // Answers.
  int32_t attach_code = 0;            // g_get_shared_storage
  bool fill_control = true;           // false: leave the control area address 0
  uint16_t index_number_limit = 100;  // in the control area
  uint32_t instance_words[4] = {1, 2, 3, 4};
  int32_t index_number = 1;           // g_search_index_number
  std::string data_path;              // g_give_data_path

  // Records.
  int init_calls = 0;                 // InitNonZeroTLS
  int attach_calls = 0;
  std::string instance;               // the name given to the last attach
  int search_calls = 0;
  unsigned char key[zeb::kIndexKeySize] = {};  // the key given to the last search
  int path_calls = 0;
  int32_t path_number = -1;           // the number given to the last path call
};

class ScriptedEngine {
 public:
  ScriptedEngine();
  // Forgets every script, record and answer; frees the per-thread block.
  void reset();

  // The script of one function by its name, e.g. "KSVSEARCH".
  Script& on(std::string_view name);
  // The answers of KSVGETRESULTLIST, in order (replaces the queue).
  void result_answers(std::vector<ResultAnswer> answers);
  SharedStorage& storage() { return storage_; }

  // Records.
  const std::vector<Call>& calls() const { return calls_; }
  std::vector<std::string> names() const;  // function names, in call order
  int count(std::string_view name) const;
  // The n-th call (0-based) of a function; nullptr when there is none.
  const Call* find(std::string_view name, int nth = 0) const;
  // The request bytes of the n-th call of a function (empty when none).
  Bytes stream(std::string_view name, int nth = 0) const;

  // Used by the engine functions themselves.
  Call& record(const char* name);
  int32_t answer(const char* name, uint32_t* handle, uint32_t default_handle);
  int32_t next_result_answer(uint32_t* length, unsigned char** answer);
  uint32_t next_index_handle() { return 100 + ++open_calls_; }

 private:
  std::vector<std::pair<std::string, Script>> scripts_;
  std::deque<ResultAnswer> answers_;
  unsigned char* current_answer_ = nullptr;
  std::vector<Call> calls_;
  SharedStorage storage_;
  uint32_t open_calls_ = 0;
};

// The one scripted engine of the test binary.
ScriptedEngine& engine();

// Builds a result-list answer: data stream items back to back.
class AnswerStream {
 public:
  // One entry as the engine delivers it: item 106 "path;title", item 60 the
  // index name, and, for a ranked list, item 536 the rank value
  // (single precision, little-endian).
  AnswerStream& entry(std::string_view document, std::string_view index);
  AnswerStream& entry(std::string_view document, std::string_view index,
                      float rank);
  AnswerStream& document(std::string_view text);  // item 106
  AnswerStream& index(std::string_view name);     // item 60
  AnswerStream& rank(float value);                // item 536
  // Any item: identifier, type byte, data.
  AnswerStream& item(uint16_t id, uint8_t type, const Bytes& data);
  AnswerStream& raw(const Bytes& bytes);          // bytes as they are
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Bytes of a text, for comparing with recorded streams.
Bytes bytes_of(std::string_view text);
// Bytes written as a list of values: hex({0x00, 0x05, 0x00, 0x0A, 0xE2}).
Bytes hex(std::initializer_list<int> values);
// Readable form of a stream for failure messages: "00 05 00 0A E2 ...".
std::string dump(const Bytes& bytes);

}  // namespace zeb::testing
