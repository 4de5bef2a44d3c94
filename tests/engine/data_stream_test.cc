#include "engine/data_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "support/scripted_engine.h"

namespace zeb {
namespace {

using testing::Bytes;
using testing::dump;
using testing::hex;

class RequestBufferTest : public ::testing::Test {
 protected:
  void SetUp() override { buffer.reset(storage.data()); }
  Bytes written() const { return Bytes(buffer.start, buffer.position); }

  std::vector<unsigned char> storage = std::vector<unsigned char>(kRequestBufferSize);
  RequestBuffer buffer;
};

TEST_F(RequestBufferTest, ItemsWithoutDataAreFiveBytes) {
  EXPECT_EQ(append_start(buffer, kItemBracket), 1);
  EXPECT_EQ(append_atomic(buffer, kItemAnd, nullptr, 0), 1);
  EXPECT_EQ(append_end(buffer, kItemBracket), 1);
  EXPECT_EQ(dump(written()), "00 05 00 78 E2 00 05 00 82 C1 00 05 00 78 C5");
  EXPECT_EQ(buffer.remaining, kRequestBufferSize - 15);
}

TEST_F(RequestBufferTest, NumbersAreBigEndian) {
  append_u16(buffer, kItemCodePage, 850);
  append_u16(buffer, kItemLanguage, 6011);
  append_byte(buffer, kItemTermType, 3);
  EXPECT_EQ(dump(written()), "00 07 00 73 C1 03 52 00 07 00 74 C1 17 7B 00 06 00 DE C1 03");
}

TEST_F(RequestBufferTest, SessionRequestIsTwentyOneBytes) {
  append_start(buffer, kItemSession);
  append_text(buffer, kItemServerName, "SERVER");
  EXPECT_EQ(append_end(buffer, kItemSession), 1);
  EXPECT_EQ(written(), hex({0x00, 0x05, 0x00, 0x0A, 0xE2, 0x00, 0x0B, 0x00, 0x0B, 0xC1,
                            'S', 'E', 'R', 'V', 'E', 'R', 0x00, 0x05, 0x00, 0x0A, 0xC5}));
  EXPECT_EQ(buffer.length(), 21u);
}

TEST_F(RequestBufferTest, LargestItemFillsAnEmptyBufferExactly) {
  const std::vector<unsigned char> data(kRequestBufferSize - kItemHeaderSize, 'x');
  EXPECT_EQ(append_atomic(buffer, kItemText, data.data(), data.size()), 1);
  EXPECT_EQ(buffer.remaining, 0u);
  EXPECT_EQ(dump(Bytes(storage.begin(), storage.begin() + 5)), "7F FF 00 D3 C1");
  EXPECT_EQ(append_atomic(buffer, kItemAnd, nullptr, 0), 0);
}

TEST_F(RequestBufferTest, ItemOneByteTooLongIsRefusedAndChangesNothing) {
  const std::vector<unsigned char> fill(kRequestBufferSize - 100 - kItemHeaderSize, 'f');
  ASSERT_EQ(append_atomic(buffer, kItemText, fill.data(), fill.size()), 1);
  ASSERT_EQ(buffer.remaining, 100u);
  unsigned char* position = buffer.position;
  const Bytes before(storage.begin(), storage.end());

  const std::vector<unsigned char> data(96, 'd');  // 101 bytes with its header
  EXPECT_EQ(append_atomic(buffer, kItemText, data.data(), data.size()), 0);
  EXPECT_EQ(buffer.position, position);
  EXPECT_EQ(buffer.remaining, 100u);
  EXPECT_EQ(Bytes(storage.begin(), storage.end()), before);

  EXPECT_EQ(append_atomic(buffer, kItemText, data.data(), 95), 1);  // exactly 100
  EXPECT_EQ(buffer.remaining, 0u);
}

TEST_F(RequestBufferTest, HugeDataLengthIsRefused) {
  EXPECT_EQ(append_atomic(buffer, kItemText, nullptr, size_t{0} - 2), 0);
  EXPECT_EQ(buffer.length(), 0u);
}

// The walker over a response held in a block of exactly its size, so that
// the sanitizers see any read past the end.
struct Walk {
  std::vector<uint16_t> ids;
  std::vector<Bytes> data;
  bool broken = false;
};

Walk walk(const Bytes& response) {
  auto* block = static_cast<unsigned char*>(std::malloc(response.empty() ? 1 : response.size()));
  std::copy(response.begin(), response.end(), block);
  Walk out;
  StreamWalker walker(block, static_cast<uint32_t>(response.size()));
  StreamItem item;
  for (int guard = 0; guard < 1000 && walker.next(item); ++guard) {
    out.ids.push_back(item.id);
    out.data.emplace_back(item.data, item.data + item.data_length);
  }
  out.broken = walker.broken();
  std::free(block);
  return out;
}

const Bytes kEntry = testing::AnswerStream()
                         .item(kItemQueryScope, kStartItem, {})
                         .document("a.html;A")
                         .index("DOCS")
                         .rank(0.5f)
                         .item(kItemQueryScope, kEndItem, {})
                         .bytes();

TEST(StreamWalker, SeesNestedItemsInOrder) {
  const Walk w = walk(kEntry);
  EXPECT_EQ(w.ids, (std::vector<uint16_t>{105, 106, 60, 536, 105}));
  EXPECT_EQ(w.data[1], testing::bytes_of("a.html;A"));
  EXPECT_EQ(w.data[2], testing::bytes_of("DOCS"));
  EXPECT_EQ(w.data[3], hex({0x00, 0x00, 0x00, 0x3F}));
  EXPECT_FALSE(w.broken);
}

TEST(StreamWalker, EmptyResponseHasNoItems) {
  const Walk w = walk({});
  EXPECT_TRUE(w.ids.empty());
  EXPECT_FALSE(w.broken);
}

TEST(StreamWalker, EveryTruncationStopsInsideTheResponse) {
  // Item boundaries of kEntry: the walk must give every whole item before the
  // cut and nothing after it.
  std::vector<size_t> ends;
  for (size_t at = 0; at < kEntry.size(); at += read_u16_be(&kEntry[at])) ends.push_back(at);
  for (size_t length = 0; length < kEntry.size(); ++length) {
    const Walk w = walk(Bytes(kEntry.begin(), kEntry.begin() + length));
    size_t whole = 0;
    while (whole + 1 < ends.size() && ends[whole + 1] <= length) ++whole;
    const bool at_boundary = std::find(ends.begin(), ends.end(), length) != ends.end();
    EXPECT_EQ(w.ids.size(), whole) << "length " << length;
    EXPECT_EQ(w.broken, !at_boundary) << "length " << length;
  }
}

TEST(StreamWalker, LengthBelowHeaderStopsTheWalk) {
  for (int length : {0, 1, 4}) {
    Bytes response = testing::AnswerStream().index("A").bytes();
    const Bytes bad = hex({0x00, length, 0x00, 0x6A, 0xC1, 'x', 'y', 'z'});
    response.insert(response.end(), bad.begin(), bad.end());
    const Walk w = walk(response);
    EXPECT_EQ(w.ids, std::vector<uint16_t>{60}) << length;
    EXPECT_TRUE(w.broken) << length;
  }
}

TEST(StreamWalker, OverlongItemStopsTheWalk) {
  Bytes response = testing::AnswerStream().index("A").bytes();
  const Bytes bad = hex({0x00, 0x09, 0x00, 0x6A, 0xC1, 'x', 'y', 'z'});  // says 9, holds 8
  response.insert(response.end(), bad.begin(), bad.end());
  const Walk w = walk(response);
  EXPECT_EQ(w.ids, std::vector<uint16_t>{60});
  EXPECT_TRUE(w.broken);

  const Walk max = walk(hex({0xFF, 0xFF, 0x00, 0x6A, 0xC1}));
  EXPECT_TRUE(max.ids.empty());
  EXPECT_TRUE(max.broken);
}

}  // namespace
}  // namespace zeb
