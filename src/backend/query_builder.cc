#include "backend/query_builder.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
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
  QueryBuilder(const QueryTarget& target, SearchBudget& budget)
      : target_(target),
        shards_(std::max<uint64_t>(target.db.size(), 1)),
        budget_(budget),
        stemmer_(kStemLanguage) {}

  int expression(const Expression& steps, Xapian::Query& out) {
    Xapian::Query result;
    for (const Step& step : steps) {
      Xapian::Query operand;
      if (int rc = this->operand(*step.operand, operand); rc != kOk) return rc;
      if (step.negated && step.connector != Connector::kAnd) {
        if (!open_lists(1)) return kQueryTooComplex;
        operand = everything_except(operand);
      }
      switch (step.connector) {
        case Connector::kFirst:
          result = operand;
          break;
        case Connector::kAnd:
          result = Xapian::Query(step.negated ? Xapian::Query::OP_AND_NOT
                                              : Xapian::Query::OP_AND,
                                 result, operand);
          break;
        case Connector::kOr:
          result = Xapian::Query(Xapian::Query::OP_OR, result, operand);
          break;
      }
    }
    out = result;
    return kOk;
  }

  // The free text's words, stop words left out, searched with OR.
  int free_text(const ParsedSearch& parsed, Xapian::Query& out, bool& dropped) {
    std::vector<Xapian::Query> words;
    for (const std::string& word : split_words(parsed.free_text)) {
      if (is_stop_word(word)) {
        dropped = true;
        continue;
      }
      words.emplace_back(word_term(word, parsed.free_text_type));
    }
    if (!open_lists(words.size())) return kQueryTooComplex;
    out = Xapian::Query(Xapian::Query::OP_OR, words.begin(), words.end());
    return kOk;
  }

 private:
  static Xapian::Query everything_except(const Xapian::Query& query) {
    return Xapian::Query(Xapian::Query::OP_AND_NOT, Xapian::Query::MatchAll, query);
  }

  // Counts `lists` posting lists in every shard; false past the budget.
  bool open_lists(uint64_t lists) { return budget_.open_lists(lists * shards_); }

  int operand(const Operand& operand, Xapian::Query& out) {
    if (operand.bracket) return expression(operand.inner, out);
    const Term& term = operand.term;
    if (term.topic) {
      out = topic(term.text);
      return open_lists(1) ? kOk : kQueryTooComplex;
    }
    if (term.mask_any || term.mask_one) return masked(term, out);
    const std::vector<std::string> words = split_words(term.text);
    if (words.size() == 1) {
      out = Xapian::Query(word_term(words[0], term.type));
      return open_lists(1) ? kOk : kQueryTooComplex;
    }
    if (words.size() > kMaxPhraseWords || !open_lists(kPhraseWordLists * words.size()))
      return kQueryTooComplex;
    out = phrase(std::vector<Xapian::Query>(words.begin(), words.end()));
    return kOk;
  }

  // A topic box left empty on a form still posts its field: an empty topic
  // names no keyword, so it restricts nothing.
  static Xapian::Query topic(const std::string& text) {
    const std::string keyword = keyword_form(text);
    if (keyword.empty()) return Xapian::Query::MatchAll;
    return Xapian::Query(prefixed_term(kKeywordPrefix, keyword));
  }

  int masked(const Term& term, Xapian::Query& out) {
    const auto pieces = split_masked_words(term.text, term.mask_any, term.mask_one);
    if (pieces.size() > kMaxPhraseWords) return kQueryTooComplex;
    // Inside a phrase every alternative reads its positions too.
    const uint64_t lists_per_word = pieces.size() == 1 ? 1 : kPhraseWordLists;
    std::vector<Xapian::Query> parts;
    for (const MaskedPiece& piece : pieces) {
      if (!piece.pattern) {
        if (!open_lists(lists_per_word)) return kQueryTooComplex;
        parts.emplace_back(pieces.size() == 1 ? word_term(piece.text, term.type) : piece.text);
        continue;
      }
      if (is_only_masking(piece.text)) return kBadMasking;
      const std::vector<std::string>* words = nullptr;
      if (int rc = expansion(piece.text, words); rc != kOk) return rc;
      if (!open_lists(lists_per_word * words->size())) return kQueryTooComplex;
      // Inside a phrase the alternatives must be an OR: Xapian takes no
      // synonym there. Alone, a synonym weighs them as one word.
      parts.emplace_back(pieces.size() == 1 ? Xapian::Query::OP_SYNONYM
                                            : Xapian::Query::OP_OR,
                         words->begin(), words->end());
    }
    if (pieces.empty() && (term.text.find(kMaskAny) != std::string::npos ||
                           term.text.find(kMaskOne) != std::string::npos))
      return kBadMasking;
    out = parts.size() == 1 ? parts[0] : phrase(parts);
    return kOk;
  }

  // The words a pattern stands for; the same pattern twice in one search
  // reads the vocabularies once.
  int expansion(const std::string& pattern, const std::vector<std::string>*& words) {
    auto known = expansions_.find(pattern);
    if (known == expansions_.end()) {
      std::vector<std::string> found;
      if (int rc = expand_mask(target_.vocabularies, pattern, budget_, found); rc != kOk)
        return rc;
      known = expansions_.emplace(pattern, std::move(found)).first;
    }
    words = &known->second;
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

  const QueryTarget& target_;
  const uint64_t shards_;
  SearchBudget& budget_;
  Xapian::Stem stemmer_;
  std::map<std::string, std::vector<std::string>> expansions_;
};

}  // namespace

int build_query(const QueryTarget& target, const ParsedSearch& parsed, SearchBudget& budget,
                BuiltQuery& out) {
  out = BuiltQuery{};
  QueryBuilder builder(target, budget);
  Xapian::Query expression;
  if (int rc = builder.expression(parsed.expression, expression); rc != kOk) return rc;
  Xapian::Query free_text;
  if (parsed.has_free_text) {
    if (int rc = builder.free_text(parsed, free_text, out.stop_words_dropped); rc != kOk)
      return rc;
  }

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
