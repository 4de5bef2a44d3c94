#include "support/scripted_engine.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/data_stream.h"
#include "engine/ksv_api.h"

namespace zeb::testing {

namespace {

constexpr uint32_t kSessionHandle = 1;
constexpr uint32_t kGroupHandle = 200;
constexpr uint32_t kResultHandle = 300;
constexpr uint32_t kResultListHandle = 400;

}  // namespace

Script& Script::code(int32_t value) {
  code_ = value;
  return *this;
}

Script& Script::codes(std::initializer_list<int32_t> values) {
  codes_.assign(values.begin(), values.end());
  return *this;
}

Script& Script::handle(uint32_t value) {
  has_handle_ = true;
  handle_ = value;
  return *this;
}

Script& Script::handles(std::initializer_list<uint32_t> values) {
  handles_.assign(values.begin(), values.end());
  return *this;
}

Script& Script::found(uint32_t value) {
  found_ = value;
  return *this;
}

Script& Script::list_value(uint32_t value) {
  list_value_ = value;
  return *this;
}

int32_t Script::next_code() {
  if (codes_.empty()) return code_;
  const int32_t value = codes_.front();
  codes_.pop_front();
  return value;
}

bool Script::next_handle(uint32_t* value) {
  if (!handles_.empty()) {
    *value = handles_.front();
    handles_.pop_front();
    return true;
  }
  if (has_handle_) *value = handle_;
  return has_handle_;
}

ScriptedEngine::ScriptedEngine() = default;

void ScriptedEngine::reset() {
  scripts_.clear();
  answers_.clear();
  std::free(current_answer_);
  current_answer_ = nullptr;
  calls_.clear();
  storage_ = SharedStorage{};
  open_calls_ = 0;
  delete static_cast<zeb::ThreadBlock*>(TlsGetValue(*pGTlsIndex));
  TlsSetValue(*pGTlsIndex, nullptr);
}

Script& ScriptedEngine::on(std::string_view name) {
  for (auto& [n, script] : scripts_)
    if (n == name) return script;
  scripts_.emplace_back(std::string(name), Script{});
  return scripts_.back().second;
}

void ScriptedEngine::result_answers(std::vector<ResultAnswer> answers) {
  answers_.assign(std::make_move_iterator(answers.begin()),
                  std::make_move_iterator(answers.end()));
}

std::vector<std::string> ScriptedEngine::names() const {
  std::vector<std::string> out;
  for (const Call& call : calls_) out.push_back(call.name);
  return out;
}

int ScriptedEngine::count(std::string_view name) const {
  int n = 0;
  for (const Call& call : calls_)
    if (call.name == name) ++n;
  return n;
}

const Call* ScriptedEngine::find(std::string_view name, int nth) const {
  for (const Call& call : calls_)
    if (call.name == name && nth-- == 0) return &call;
  return nullptr;
}

Bytes ScriptedEngine::stream(std::string_view name, int nth) const {
  const Call* call = find(name, nth);
  return call ? call->stream : Bytes{};
}

Call& ScriptedEngine::record(const char* name) {
  calls_.push_back(Call{name, {}, {}});
  return calls_.back();
}

int32_t ScriptedEngine::answer(const char* name, uint32_t* handle,
                               uint32_t default_handle) {
  Script& script = on(name);
  const int32_t code = script.next_code();
  uint32_t scripted = 0;
  if (script.next_handle(&scripted)) {
    if (handle) *handle = scripted;
  } else if (code == 0 && handle) {
    *handle = default_handle;
  }
  return code;
}

int32_t ScriptedEngine::next_result_answer(uint32_t* length,
                                           unsigned char** answer) {
  std::free(current_answer_);
  current_answer_ = nullptr;
  if (answers_.empty()) {
    *length = 0;
    *answer = nullptr;
    return on("KSVGETRESULTLIST").next_code();
  }
  ResultAnswer next = std::move(answers_.front());
  answers_.pop_front();
  // At least one byte, so an empty answer still has an address of its own.
  current_answer_ = static_cast<unsigned char*>(
      std::malloc(next.stream.empty() ? 1 : next.stream.size()));
  if (!next.stream.empty())
    std::memcpy(current_answer_, next.stream.data(), next.stream.size());
  *length = static_cast<uint32_t>(next.stream.size());
  *answer = current_answer_;
  return next.code;
}

ScriptedEngine& engine() {
  static ScriptedEngine the_engine;
  return the_engine;
}

AnswerStream& AnswerStream::entry(std::string_view document,
                                  std::string_view index_name) {
  return this->document(document).index(index_name);
}

AnswerStream& AnswerStream::entry(std::string_view document,
                                  std::string_view index_name, float value) {
  return this->document(document).index(index_name).rank(value);
}

AnswerStream& AnswerStream::document(std::string_view text) {
  return item(zeb::kItemDocumentId, zeb::kAtomicItem, bytes_of(text));
}

AnswerStream& AnswerStream::index(std::string_view name) {
  return item(zeb::kItemIndexName, zeb::kAtomicItem, bytes_of(name));
}

AnswerStream& AnswerStream::rank(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  Bytes data(4);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<unsigned char>(bits >> (8 * i));
  return item(zeb::kItemRankValue, zeb::kAtomicItem, data);
}

AnswerStream& AnswerStream::item(uint16_t id, uint8_t type, const Bytes& data) {
  const size_t total = data.size() + zeb::kItemHeaderSize;
  bytes_.push_back(static_cast<unsigned char>(total >> 8));
  bytes_.push_back(static_cast<unsigned char>(total));
  bytes_.push_back(static_cast<unsigned char>(id >> 8));
  bytes_.push_back(static_cast<unsigned char>(id));
  bytes_.push_back(type);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  return *this;
}

AnswerStream& AnswerStream::raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes hex(std::initializer_list<int> values) {
  Bytes out;
  for (int v : values) out.push_back(static_cast<unsigned char>(v));
  return out;
}

std::string dump(const Bytes& bytes) {
  std::string out;
  char hexbyte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(hexbyte, sizeof hexbyte, "%02X", bytes[i]);
    if (i != 0) out += ' ';
    out += hexbyte;
  }
  return out;
}

}  // namespace zeb::testing

// The interface itself: each function records its call and answers from its
// script.
using zeb::testing::engine;

namespace {

zeb::testing::Bytes copy_stream(uint32_t length, const unsigned char* stream) {
  if (stream == nullptr || length == 0) return {};
  return zeb::testing::Bytes(stream, stream + length);
}

// The thread-local slot of the per-thread block; not 0, so a client that
// ignores *pGTlsIndex and uses slot 0 is caught.
uint32_t slot_index_value = 5;

}  // namespace

extern "C" {

uint32_t* pGTlsIndex = &slot_index_value;

void InitNonZeroTLS(zeb::ThreadBlock*) { ++engine().storage().init_calls; }

int32_t g_get_shared_storage(zeb::AnchorBlock**, const char* instance) {
  zeb::testing::SharedStorage& s = engine().storage();
  ++s.attach_calls;
  s.instance = instance ? instance : "";
  if (s.attach_code != 0) return s.attach_code;
  auto* block = static_cast<zeb::ThreadBlock*>(TlsGetValue(*pGTlsIndex));
  if (block != nullptr) {
    static zeb::ControlArea control;
    control.index_number_limit = s.index_number_limit;
    block->control = s.fill_control ? &control : nullptr;
    for (int i = 0; i < 4; ++i) block->instance_words[i] = s.instance_words[i];
  }
  return 0;
}

int32_t g_search_index_number(const unsigned char key[zeb::kIndexKeySize],
                              unsigned char work[zeb::kSearchWorkSize]) {
  zeb::testing::SharedStorage& s = engine().storage();
  ++s.search_calls;
  std::memcpy(s.key, key, zeb::kIndexKeySize);
  std::memset(work, 0xAA, zeb::kSearchWorkSize);  // the whole buffer is ours
  return s.index_number;
}

void g_give_data_path(int32_t number, char path[zeb::kSharedDataPathSize]) {
  zeb::testing::SharedStorage& s = engine().storage();
  ++s.path_calls;
  s.path_number = number;
  std::snprintf(path, zeb::kSharedDataPathSize, "%s", s.data_path.c_str());
}

int32_t KSVSTARTSESSION(uint32_t length, const unsigned char* stream,
                        uint32_t* session, int32_t*) {
  engine().record("KSVSTARTSESSION").stream = copy_stream(length, stream);
  return engine().answer("KSVSTARTSESSION", session, zeb::testing::kSessionHandle);
}

int32_t KSVOPENINDEX(uint32_t session, uint32_t length,
                     const unsigned char* stream, uint32_t* index, int32_t*) {
  zeb::testing::Call& call = engine().record("KSVOPENINDEX");
  call.handles = {session};
  call.stream = copy_stream(length, stream);
  return engine().answer("KSVOPENINDEX", index, engine().next_index_handle());
}

int32_t KSVCREATEINDEXGROUP(uint32_t session, uint32_t length,
                            const unsigned char* stream, uint32_t* group,
                            int32_t*) {
  zeb::testing::Call& call = engine().record("KSVCREATEINDEXGROUP");
  call.handles = {session};
  call.stream = copy_stream(length, stream);
  return engine().answer("KSVCREATEINDEXGROUP", group, zeb::testing::kGroupHandle);
}

int32_t KSVADDQUERYSCOPE(uint32_t session, uint32_t group, uint32_t length,
                         const unsigned char* stream, int32_t*) {
  zeb::testing::Call& call = engine().record("KSVADDQUERYSCOPE");
  call.handles = {session, group};
  call.stream = copy_stream(length, stream);
  return engine().answer("KSVADDQUERYSCOPE", nullptr, 0);
}

int32_t KSVSEARCH(uint32_t session, uint32_t target, uint32_t length,
                  const unsigned char* stream, uint32_t* result,
                  uint32_t* found, int32_t*) {
  zeb::testing::Call& call = engine().record("KSVSEARCH");
  call.handles = {session, target};
  call.stream = copy_stream(length, stream);
  // A search hands back its result and count with warnings and errors too.
  *result = zeb::testing::kResultHandle;
  *found = engine().on("KSVSEARCH").found_answer();
  return engine().answer("KSVSEARCH", result, zeb::testing::kResultHandle);
}

// Not scripted: the scripted indexes have no shards.
int32_t KSVRESULTPARTS(uint32_t, uint32_t, uint32_t* answered, uint32_t* parts, int32_t*) {
  *answered = *parts = 0;
  return 0;
}

int32_t KSVRANK(uint32_t session, uint32_t result, int32_t*) {
  engine().record("KSVRANK").handles = {session, result};
  return engine().answer("KSVRANK", nullptr, 0);
}

int32_t KSVCREATERESULTLIST(uint32_t session, uint32_t result,
                            uint32_t* result_list, uint32_t* list_value,
                            int32_t*) {
  engine().record("KSVCREATERESULTLIST").handles = {session, result};
  const int32_t code = engine().answer("KSVCREATERESULTLIST", result_list,
                                       zeb::testing::kResultListHandle);
  *list_value = engine().on("KSVCREATERESULTLIST").list_value_answer();
  return code;
}

int32_t KSVSORT(uint32_t session, uint32_t result_list, uint32_t length,
                const unsigned char* stream, int32_t*) {
  zeb::testing::Call& call = engine().record("KSVSORT");
  call.handles = {session, result_list};
  call.stream = copy_stream(length, stream);
  return engine().answer("KSVSORT", nullptr, 0);
}

int32_t KSVGETRESULTLIST(uint32_t session, uint32_t result_list,
                         uint32_t* length, unsigned char** answer, int32_t*) {
  engine().record("KSVGETRESULTLIST").handles = {session, result_list};
  return engine().next_result_answer(length, answer);
}

int32_t KSVDELETERESULTLIST(uint32_t session, uint32_t result_list, int32_t*) {
  engine().record("KSVDELETERESULTLIST").handles = {session, result_list};
  return engine().answer("KSVDELETERESULTLIST", nullptr, 0);
}

int32_t KSVDELETERESULT(uint32_t session, uint32_t result, int32_t*) {
  engine().record("KSVDELETERESULT").handles = {session, result};
  return engine().answer("KSVDELETERESULT", nullptr, 0);
}

int32_t KSVDELETEINDEXGROUP(uint32_t session, uint32_t group, int32_t*) {
  engine().record("KSVDELETEINDEXGROUP").handles = {session, group};
  return engine().answer("KSVDELETEINDEXGROUP", nullptr, 0);
}

int32_t KSVCLOSEINDEX(uint32_t session, uint32_t index, int32_t*) {
  engine().record("KSVCLOSEINDEX").handles = {session, index};
  return engine().answer("KSVCLOSEINDEX", nullptr, 0);
}

int32_t KSVENDSESSION(uint32_t session, int32_t*) {
  engine().record("KSVENDSESSION").handles = {session};
  return engine().answer("KSVENDSESSION", nullptr, 0);
}

}  // extern "C"
