#include "backend/query_builder.h"

#include <string>
#include <vector>

#include "backend/index_schema.h"
#include "backend/mask_expansion.h"
#include "backend/query_words.h"
#include "backend/return_codes.h"
#include "backend/stop_words.h"

namespace zeb::backend {

namespace {

class QueryBuilder {
 public:
  explicit QueryBuilder(const Xapian::Database& db) : db_(db), stemmer_(kStemLanguage) {}

  int expression(const Expression& steps, Xapian::Query& out) {
    Xapian::Query result;
    for (const Step& step : steps) {
      Xapian::Query operand;
      if (int rc = this->operand(*step.operand, operand); rc != kOk) return rc;
      switch (step.connector) {
        case Connector::kFirst:
          result = step.negated ? everything_except(operand) : operand;
          break;
        case Connector::kAnd:
          result = Xapian::Query(step.negated ? Xapian::Query::OP_AND_NOT
                                              : Xapian::Query::OP_AND,
                                 result, operand);
          break;
        case Connector::kOr:
          result = Xapian::Query(Xapian::Query::OP_OR, result,
                                 step.negated ? everything_except(operand) : operand);
          break;
      }
    }
    out = result;
    return kOk;
  }

  // The free text's words, stop words left out, searched with OR.
  Xapian::Query free_text(const ParsedSearch& parsed, bool& dropped) {
    std::vector<Xapian::Query> words;
    for (const std::string& word : split_words(parsed.free_text)) {
      if (is_stop_word(word)) {
        dropped = true;
        continue;
      }
      words.emplace_back(word_term(word, parsed.free_text_type));
    }
    terms_ += words.size();
    return Xapian::Query(Xapian::Query::OP_OR, words.begin(), words.end());
  }

  bool too_many_terms() const { return terms_ > kMaxQueryTerms; }

 private:
  static Xapian::Query everything_except(const Xapian::Query& query) {
    return Xapian::Query(Xapian::Query::OP_AND_NOT, Xapian::Query::MatchAll, query);
  }

  int operand(const Operand& operand, Xapian::Query& out) {
    if (operand.bracket) return expression(operand.inner, out);
    const Term& term = operand.term;
    if (term.topic) {
      out = topic(term.text);
      return kOk;
    }
    if (term.mask_any || term.mask_one) return masked(term, out);
    const std::vector<std::string> words = split_words(term.text);
    terms_ += words.size();
    if (words.size() == 1) {
      out = Xapian::Query(word_term(words[0], term.type));
    } else {
      out = phrase(std::vector<Xapian::Query>(words.begin(), words.end()));
    }
    return kOk;
  }

  // A topic box left empty on a form still posts its field: an empty topic
  // names no keyword, so it restricts nothing.
  Xapian::Query topic(const std::string& text) {
    const std::string keyword = keyword_form(text);
    if (keyword.empty()) return Xapian::Query::MatchAll;
    ++terms_;
    return Xapian::Query(prefixed_term(kKeywordPrefix, keyword));
  }

  int masked(const Term& term, Xapian::Query& out) {
    const auto pieces = split_masked_words(term.text, term.mask_any, term.mask_one);
    std::vector<Xapian::Query> parts;
    for (const MaskedPiece& piece : pieces) {
      if (!piece.pattern) {
        ++terms_;
        parts.emplace_back(pieces.size() == 1 ? word_term(piece.text, term.type) : piece.text);
        continue;
      }
      if (is_only_masking(piece.text)) return kBadMasking;
      std::vector<std::string> words;
      if (int rc = expand_mask(db_, piece.text, kMaxMaskExpansion, words); rc != kOk)
        return rc;
      terms_ += words.size();
      if (too_many_terms()) return kQueryTooComplex;
      // Inside a phrase the alternatives must be an OR: Xapian takes no
      // synonym there. Alone, a synonym weighs them as one word.
      parts.emplace_back(pieces.size() == 1 ? Xapian::Query::OP_SYNONYM
                                            : Xapian::Query::OP_OR,
                         words.begin(), words.end());
    }
    if (pieces.empty() && (term.text.find(kMaskAny) != std::string::npos ||
                           term.text.find(kMaskOne) != std::string::npos))
      return kBadMasking;
    out = parts.size() == 1 ? parts[0] : phrase(parts);
    return kOk;
  }

  static Xapian::Query phrase(const std::vector<Xapian::Query>& words) {
    if (words.empty()) return Xapian::Query::MatchNothing;
    return Xapian::Query(Xapian::Query::OP_PHRASE, words.begin(), words.end(),
                         static_cast<Xapian::termcount>(words.size()));
  }

  std::string word_term(const std::string& word, uint8_t type) {
    if (type == kTermTypeExact || !has_stem(word)) return word;
    return prefixed_term(kStemPrefix, stemmer_(word));
  }

  const Xapian::Database& db_;
  Xapian::Stem stemmer_;
  size_t terms_ = 0;
};

}  // namespace

int build_query(const Xapian::Database& db, const ParsedSearch& parsed, BuiltQuery& out) {
  out = BuiltQuery{};
  QueryBuilder builder(db);
  Xapian::Query expression;
  if (int rc = builder.expression(parsed.expression, expression); rc != kOk) return rc;
  Xapian::Query free_text;
  if (parsed.has_free_text) free_text = builder.free_text(parsed, out.stop_words_dropped);
  if (builder.too_many_terms()) return kQueryTooComplex;

  if (parsed.expression.empty() && free_text.empty()) return kEmptyRequest;
  if (free_text.empty()) {
    out.query = expression;
  } else if (parsed.expression.empty()) {
    out.query = free_text;
  } else {
    out.query = Xapian::Query(Xapian::Query::OP_FILTER, free_text, expression);
  }
  return kOk;
}

}  // namespace zeb::backend
