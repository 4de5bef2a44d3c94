#include "backend/search_stream.h"

#include <cstring>
#include <utility>

#include "backend/request_text.h"
#include "backend/return_codes.h"
#include "engine/data_stream.h"

namespace zeb::backend {

namespace {

constexpr unsigned char kTopicFrame[2] = {0xFF, 0xFF};
constexpr size_t kTopicFrameSize = sizeof kTopicFrame;

bool is_atomic(const StreamItem& item, uint32_t data_length) {
  return item.type == kAtomicItem && item.data_length == data_length;
}
bool is_start(const StreamItem& item) {
  return item.type == kStartItem && item.data_length == 0;
}
bool is_end(const StreamItem& item, uint16_t id) {
  return item.id == id && item.type == kEndItem && item.data_length == 0;
}

// Folds operators and operands into one expression, left to right. A NOT
// after an operand means AND NOT; a NOT before an operand negates it; an
// operand right after another is joined by AND.
class ExpressionBuilder {
 public:
  explicit ExpressionBuilder(Expression& out) : out_(out) {}

  int on_operator(uint16_t id) {
    dangling_ = true;
    if (id == kItemNot) {
      if (!expecting_operand_) begin_operator(Connector::kAnd);
      negated_ = !negated_;
      return kOk;
    }
    if (expecting_operand_) return kStreamSyntax;  // two operators in a row
    begin_operator(id == kItemAnd ? Connector::kAnd : Connector::kOr);
    return kOk;
  }

  void on_operand(std::unique_ptr<Operand> operand) {
    if (!expecting_operand_) connector_ = Connector::kAnd;
    out_.push_back({connector_, negated_, std::move(operand)});
    negated_ = false;
    expecting_operand_ = false;
    dangling_ = false;
  }

  // An expression may not end in an operator.
  bool complete() const { return !dangling_; }
  bool empty() const { return out_.empty() && !dangling_; }

 private:
  void begin_operator(Connector connector) {
    connector_ = connector;
    expecting_operand_ = true;
  }

  Expression& out_;
  Connector connector_ = Connector::kFirst;
  bool negated_ = false;
  bool expecting_operand_ = true;
  bool dangling_ = false;  // an operator still waits for its operand
};

class SearchStreamParser {
 public:
  SearchStreamParser(const unsigned char* stream, uint32_t length, ParsedSearch& parsed)
      : walker_(stream, length), parsed_(parsed) {}

  int parse() {
    ExpressionBuilder expression(parsed_.expression);
    StreamItem item;
    while (walker_.next(item)) {
      int rc = kOk;
      switch (item.id) {
        case kItemRanking:
          if (!is_atomic(item, 0)) return kStreamSyntax;
          parsed_.ranking = true;
          break;
        case kItemMaxResults:
          if (!is_atomic(item, 2)) return kStreamSyntax;
          parsed_.max_results = read_u16_be(item.data);
          break;
        case kItemFirstEntry:
          if (!is_atomic(item, 4)) return kStreamSyntax;
          parsed_.first_entry = static_cast<uint32_t>(read_u16_be(item.data)) << 16 |
                                read_u16_be(item.data + 2);
          break;
        case kItemExcerpt:
          if (!is_atomic(item, 1) || item.data[0] == 0) return kStreamSyntax;
          parsed_.excerpt_words = item.data[0];
          break;
        case kItemRowDate:
          if (!is_atomic(item, 0)) return kStreamSyntax;
          parsed_.row_dates = true;
          break;
        case kItemRowsShown:
          if (!is_atomic(item, 2)) return kStreamSyntax;
          parsed_.rows_shown = read_u16_be(item.data);
          break;
        case kItemCodePage:
          if (!is_atomic(item, 2)) return kStreamSyntax;
          if (read_u16_be(item.data) != kCodePage850) return kUnknownCodePage;
          break;
        case kItemLanguage:
          if (!is_atomic(item, 2)) return kStreamSyntax;
          if (read_u16_be(item.data) != kLanguageEnglish) return kUnknownLanguage;
          break;
        case kItemQueryScope:
          rc = is_start(item) ? parse_scope() : kStreamSyntax;
          break;
        case kItemFreeText:
          rc = is_start(item) && !parsed_.has_free_text ? parse_free_text() : kStreamSyntax;
          break;
        default:
          rc = expression_item(item, expression, 0);
      }
      if (rc != kOk) return rc;
    }
    if (walker_.broken() || !expression.complete()) return kStreamSyntax;
    return kOk;
  }

 private:
  // An operator, a term or a bracket at bracket depth `depth`.
  int expression_item(const StreamItem& item, ExpressionBuilder& expression, int depth) {
    switch (item.id) {
      case kItemAnd:
      case kItemOr:
      case kItemNot:
        if (!is_atomic(item, 0)) return kStreamSyntax;
        return expression.on_operator(item.id);
      case kItemTerm: {
        if (!is_start(item)) return kStreamSyntax;
        auto operand = std::make_unique<Operand>();
        if (int rc = parse_term(operand->term); rc != kOk) return rc;
        expression.on_operand(std::move(operand));
        return kOk;
      }
      case kItemBracket: {
        if (!is_start(item)) return kStreamSyntax;
        if (depth + 1 > kMaxBracketDepth) return kQueryTooComplex;
        auto operand = std::make_unique<Operand>();
        operand->bracket = true;
        if (int rc = parse_bracket(operand->inner, depth + 1); rc != kOk) return rc;
        expression.on_operand(std::move(operand));
        return kOk;
      }
      default:
        return kStreamSyntax;
    }
  }

  int parse_bracket(Expression& inner, int depth) {
    ExpressionBuilder expression(inner);
    StreamItem item;
    while (walker_.next(item)) {
      if (is_end(item, kItemBracket))
        return !expression.empty() && expression.complete() ? kOk : kStreamSyntax;
      if (int rc = expression_item(item, expression, depth); rc != kOk) return rc;
    }
    return kStreamSyntax;  // the bracket is never closed
  }

  int parse_term(Term& term) {
    bool have_text = false;
    bool have_type = false;
    StreamItem item;
    while (walker_.next(item)) {
      if (is_end(item, kItemTerm)) return have_text ? kOk : kStreamSyntax;
      if (item.type != kAtomicItem) return kStreamSyntax;
      switch (item.id) {
        case kItemMaskAny:
          if (item.data_length != 1 || item.data[0] != '*') return kStreamSyntax;
          term.mask_any = true;
          break;
        case kItemMaskOne:
          if (item.data_length != 1 || item.data[0] != '?') return kStreamSyntax;
          term.mask_one = true;
          break;
        case kItemTermType:
          if (have_type || !read_term_type(item, term.type)) return kStreamSyntax;
          have_type = true;
          break;
        case kItemText:
          if (have_text) return kStreamSyntax;
          read_term_text(item, term);
          have_text = true;
          break;
        default:
          return kStreamSyntax;
      }
    }
    return kStreamSyntax;
  }

  static bool read_term_type(const StreamItem& item, uint8_t& type) {
    if (item.data_length != 1) return false;
    type = item.data[0];
    return type == kTermTypeLinguistic || type == kTermTypeExact;
  }

  static void read_term_text(const StreamItem& item, Term& term) {
    const unsigned char* text = item.data;
    size_t length = item.data_length;
    if (length >= 2 * kTopicFrameSize &&
        std::memcmp(text, kTopicFrame, kTopicFrameSize) == 0 &&
        std::memcmp(text + length - kTopicFrameSize, kTopicFrame, kTopicFrameSize) == 0) {
      term.topic = true;
      text += kTopicFrameSize;
      length -= 2 * kTopicFrameSize;
    }
    term.text = decode_request_text(text, length);
  }

  int parse_scope() {
    StreamItem item;
    while (walker_.next(item)) {
      if (is_end(item, kItemQueryScope)) return parsed_.scope.empty() ? kStreamSyntax : kOk;
      if (item.id != kItemScopeValue || item.type != kAtomicItem) return kStreamSyntax;
      if (parsed_.scope.size() == kMaxScopeValues) return kScopeTooComplex;
      parsed_.scope.push_back(decode_request_text(item.data, item.data_length));
    }
    return kStreamSyntax;
  }

  int parse_free_text() {
    bool have_text = false;
    bool have_type = false;
    StreamItem item;
    while (walker_.next(item)) {
      if (is_end(item, kItemFreeText)) {
        parsed_.has_free_text = have_text;
        return have_text ? kOk : kStreamSyntax;
      }
      if (item.type != kAtomicItem) return kStreamSyntax;
      if (item.id == kItemTermType && !have_type) {
        if (!read_term_type(item, parsed_.free_text_type)) return kStreamSyntax;
        have_type = true;
      } else if (item.id == kItemText && !have_text) {
        parsed_.free_text = decode_request_text(item.data, item.data_length);
        have_text = true;
      } else {
        return kStreamSyntax;
      }
    }
    return kStreamSyntax;
  }

  StreamWalker walker_;
  ParsedSearch& parsed_;
};

}  // namespace

int parse_search_stream(const unsigned char* stream, uint32_t length, ParsedSearch& parsed) {
  parsed = ParsedSearch{};
  if (length > kRequestBufferSize || (stream == nullptr && length != 0)) return kStreamSyntax;
  return SearchStreamParser(stream, length, parsed).parse();
}

}  // namespace zeb::backend
