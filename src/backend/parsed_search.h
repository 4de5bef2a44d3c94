// What a search request asks for, read from its data stream:
//
//   103                 ranking data wanted (no data)
//   102                 most results the result holds (2 bytes, big-endian)
//   105 { 107... }      scope values of a single index
//   115, 116            code page 850 and language 6011 (2 bytes each)
//   expression          operands (200 terms, 120 brackets) joined by 130 AND,
//                       140 OR, 151 NOT, combined left to right
//   380 { 222 211 }     free text: term type and text
//   600                 entries the result list skips (4 bytes, big-endian)
//   610                 excerpts of this many words per entry (1 byte)
//   620                 the date of each entry's file (no data)
//
// A term is 200 { [350 "*"] [360 "?"] [222 type] 211 text }; a text framed by
// 0xFF 0xFF on both sides is a topic.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zeb::backend {

constexpr uint8_t kTermTypeLinguistic = 1;  // words and free text, stemmed
constexpr uint8_t kTermTypeExact = 3;       // topics and exact words
constexpr uint16_t kCodePage850 = 850;
constexpr uint16_t kLanguageEnglish = 6011;
constexpr size_t kMaxScopeValues = 64;
constexpr int kMaxBracketDepth = 32;

struct Term {
  bool topic = false;
  uint8_t type = kTermTypeLinguistic;
  bool mask_any = false;  // item 350: '*' is a masking character
  bool mask_one = false;  // item 360: '?' is a masking character
  std::string text;       // UTF-8; a topic's text without its frame
};

struct Operand;

enum class Connector { kFirst, kAnd, kOr };

// One operand with the operator that joins it to what stands before it.
struct Step {
  Connector connector = Connector::kFirst;
  bool negated = false;  // NOT: the operand's documents are excluded
  std::unique_ptr<Operand> operand;
};

using Expression = std::vector<Step>;

struct Operand {
  bool bracket = false;
  Term term;         // when not a bracket
  Expression inner;  // when a bracket
};

struct ParsedSearch {
  bool ranking = false;
  uint16_t max_results = 0;  // 0: no cap
  std::vector<std::string> scope;
  Expression expression;
  bool has_free_text = false;
  uint8_t free_text_type = kTermTypeLinguistic;
  std::string free_text;
  uint32_t first_entry = 0;
  uint8_t excerpt_words = 0;  // 0: no excerpts
  bool row_dates = false;
  uint16_t rows_shown = 0;  // 0: not said
};

}  // namespace zeb::backend
