// Data streams: the encoding of every request to and every answer from the
// search engine interface.
//
// Item layout (header fields big-endian whatever the host):
//   offset 0, 2 bytes: total length of the item, the 5-byte header included
//   offset 2, 2 bytes: item identifier
//   offset 4, 1 byte:  type: 0xE2 start, 0xC5 end, 0xC1 atomic
//   offset 5:          data, length - 5 bytes (none for start and end items)
// Items follow one another with no padding and no overall header. A structure
// is a start item and an end item with the same identifier around its items.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zeb {

constexpr uint32_t kRequestBufferSize = 32767;  // not 32768
constexpr uint32_t kItemHeaderSize = 5;

constexpr uint8_t kStartItem = 0xE2;
constexpr uint8_t kEndItem = 0xC5;
constexpr uint8_t kAtomicItem = 0xC1;

// Item identifiers sent or read by the system.
enum ItemId : uint16_t {
  kItemSession = 10,         // S/E session: the server to reach
  kItemServerName = 11,      // A "SERVER"
  kItemIndexScope = 50,      // S/E scope of one index: 60, then 107s
  kItemIndexName = 60,       // A index name
  kItemMaxResults = 102,     // A two bytes big-endian
  kItemRanking = 103,        // A no data
  kItemQueryScope = 105,     // S/E query scope
  kItemDocumentId = 106,     // A "path;title"
  kItemScopeValue = 107,     // A one scope value
  kItemCodePage = 115,       // A two bytes big-endian
  kItemLanguage = 116,       // A two bytes big-endian
  kItemBracket = 120,        // S/E bracket
  kItemAnd = 130,            // A no data
  kItemOr = 140,             // A no data
  kItemNot = 151,            // A no data
  kItemTerm = 200,           // S/E one term
  kItemText = 211,           // A term, topic or free text
  kItemTermType = 222,       // A one byte: 1 words and free text, 3 topics
  kItemMaskAny = 350,        // A "*"
  kItemMaskOne = 360,        // A "?"
  kItemFreeText = 380,       // S/E free text
  kItemSort = 480,           // S/E sort order: 502 and 500
  kItemSortKey = 500,        // A one byte, 1
  kItemSortOrder = 502,      // A one byte, 1
  kItemRankValue = 536,      // A four bytes, single precision, little-endian
  // Asked for only by forms that want them; old requests never carry them.
  kItemFirstEntry = 600,     // A four bytes big-endian: entries the list skips
  kItemExcerpt = 610,        // A request: one byte, words; answer: the excerpt
  kItemSection = 612,        // A answer: anchor, NUL, heading
  kItemRowDate = 620,        // A request: no data; answer: "YYYY-MM-DD"
  kItemRowsShown = 630,      // A two bytes big-endian: the rows the page shows
};

// The one buffer every request is built in, with its write position and the
// space still free.
struct RequestBuffer {
  unsigned char* start = nullptr;
  unsigned char* position = nullptr;
  uint32_t remaining = 0;

  void reset(unsigned char* buffer) {
    start = position = buffer;
    remaining = kRequestBufferSize;
  }
  uint32_t length() const { return static_cast<uint32_t>(position - start); }
};

// Appends one item; returns 1 when written, 0 when it does not fit (nothing
// written then). An item that exactly fills the remaining space is written.
int append_item(RequestBuffer& buffer, uint16_t id, uint8_t type,
                const void* data, size_t data_length);
int append_start(RequestBuffer& buffer, uint16_t id);
int append_end(RequestBuffer& buffer, uint16_t id);
int append_atomic(RequestBuffer& buffer, uint16_t id, const void* data,
                  size_t data_length);
int append_byte(RequestBuffer& buffer, uint16_t id, uint8_t value);
int append_u16(RequestBuffer& buffer, uint16_t id, uint16_t value);
int append_text(RequestBuffer& buffer, uint16_t id, const char* text);

// One item of a response, read in place.
struct StreamItem {
  uint16_t id = 0;
  uint8_t type = 0;
  const unsigned char* data = nullptr;
  uint32_t data_length = 0;
};

// Walks a response item by item. An item whose length field is below 5 or
// that runs past the end stops the walk: nothing outside the answer is read.
class StreamWalker {
 public:
  StreamWalker(const unsigned char* data, uint32_t length)
      : position_(data), end_(data + length) {}
  // Fills `item` with the next item; false at the end or at a broken item.
  bool next(StreamItem& item);
  // True when the walk stopped at an item that did not fit the answer.
  bool broken() const { return broken_; }

 private:
  const unsigned char* position_;
  const unsigned char* end_;
  bool broken_ = false;
};

uint16_t read_u16_be(const unsigned char* p);

}  // namespace zeb
