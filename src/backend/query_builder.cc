#include "backend/query_builder.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "backend/index_schema.h"
#include "backend/mask_expansion.h"
#include "backend/operand_run.h"
#include "backend/query_words.h"
#include "backend/return_codes.h"
#include "backend/ranking_weight.h"
#include "backend/stop_words.h"
#include "backend/title_key.h"

namespace zeb::backend {

namespace {

class QueryBuilder {
 public:
  QueryBuilder(const QueryTarget& target, WeightlessParts& parts, SearchBudget& budget)
      : target_(target),
        shards_(std::max<uint64_t>(target.db.size(), 1)),
        parts_(parts),
        budget_(budget),
        stemmer_(kStemLanguage) {}

  // Whether the weights of the terms built next count in the search.
  void set_weight_counts(bool counts) { weight_counts_ = counts; }

  int expression(const Expression& steps, Xapian::Query& out) {
    OperandRun run;
    for (const Step& step : steps) {
      Xapian::Query operand;
      // What a document is excluded for adds nothing to its weight.
      const bool weight_counts = weight_counts_;
      weight_counts_ = weight_counts && !step.negated;
      const int rc = this->operand(*step.operand, operand);
      weight_counts_ = weight_counts;
      if (rc != kOk) return rc;
      if (step.negated && step.connector != Connector::kAnd) {
        if (!open_lists(1)) return kQueryTooComplex;
        operand = parts_.exclude(Xapian::Query::MatchAll, operand);
      }
      switch (step.connector) {
        case Connector::kFirst:
          run.start(operand);
          break;
        case Connector::kAnd:
          if (step.negated) run.start(parts_.exclude(run.query(), operand));
          else run.add(Xapian::Query::OP_AND, operand);
          break;
        case Connector::kOr:
          run.add(Xapian::Query::OP_OR, operand);
          break;
      }
    }
    out = run.query();
    return kOk;
  }

  // The free text's words, stop words left out, searched with OR; each
  // word's term goes to `rank_terms`. `words` are all of them.
  int free_text(const ParsedSearch& parsed, const std::vector<std::string>& words,
                Xapian::Query& out, BuiltQuery& built) {
    const bool short_text = words.size() <= kMaxOwnFormWords;
    // A word given twice is read once, weighed twice (operand_run.h).
    OperandRun parts;
    size_t lists = 0;
    for (const std::string& word : words) {
      if (is_stop_word(word)) {
        built.stop_words_dropped = true;
        continue;
      }
      built.rank_terms.push_back(word_term(word, parsed.free_text_type));
      parts.add(Xapian::Query::OP_OR, term(built.rank_terms.back()));
      ++lists;
      if (short_text && parsed.free_text_type != kTermTypeExact && has_stem(word)) {
        parts.add(Xapian::Query::OP_OR,
                  Xapian::Query(Xapian::Query::OP_SCALE_WEIGHT, term(word), kOwnFormWeight));
        ++lists;
      }
    }
    if (!open_lists(lists)) return kQueryTooComplex;
    out = parts.query();
    return kOk;
  }

  // `query` with the weight of the title-start term of `words` added to the
  // documents it matches whose title starts with them.
  int with_title_start(const std::vector<std::string>& words, Xapian::Query& query) {
    const std::string key = title_key(words, stemmer_);
    if (key.empty()) return kOk;
    if (!open_lists(1)) return kQueryTooComplex;
    const Xapian::Query title = term(prefixed_term(kTitleStartPrefix, key));
    query = Xapian::Query(Xapian::Query::OP_AND_MAYBE, query,
                          Xapian::Query(Xapian::Query::OP_SCALE_WEIGHT, title, kTitleStartWeight));
    return kOk;
  }

  // The words of an expression of plain terms joined by AND (no OR, NOT,
  // bracket, topic or mask), in order: every match holds them all. Empty for
  // any other expression.
  static std::vector<std::string> conjunction_words(const Expression& steps) {
    std::vector<std::string> words;
    for (const Step& step : steps) {
      const Operand& operand = *step.operand;
      if (step.negated || step.connector == Connector::kOr || operand.bracket ||
          operand.term.topic || operand.term.mask_any || operand.term.mask_one)
        return {};
      for (std::string& word : split_words(operand.term.text)) words.push_back(std::move(word));
    }
    return words;
  }

 private:
  // `text` searched as a term at this place of the query.
  Xapian::Query term(const std::string& text) { return parts_.term(text, weight_counts_); }

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
      out = this->term(word_term(words[0], term.type));
      return open_lists(1) ? kOk : kQueryTooComplex;
    }
    if (words.size() > kMaxPhraseWords || !open_lists(kPhraseWordLists * words.size()))
      return kQueryTooComplex;
    out = phrase(std::vector<Xapian::Query>(words.begin(), words.end()));
    return kOk;
  }

  // A topic box left empty on a form still posts its field: an empty topic
  // names no keyword, so it restricts nothing.
  Xapian::Query topic(const std::string& text) {
    const std::string keyword = keyword_form(text);
    if (keyword.empty()) return Xapian::Query::MatchAll;
    return term(prefixed_term(kKeywordPrefix, keyword));
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
        parts.push_back(pieces.size() == 1 ? this->term(word_term(piece.text, term.type))
                                           : Xapian::Query(piece.text));
        continue;
      }
      if (is_only_masking(piece.text)) return kBadMasking;
      const std::vector<std::string>* words = nullptr;
      if (int rc = expansion(piece.text, words); rc != kOk) return rc;
      if (!open_lists(lists_per_word * words->size())) return kQueryTooComplex;
      // Inside a phrase the alternatives must be an OR: Xapian takes no
      // synonym there. Alone, a synonym weighs them as one word.
      if (pieces.size() > 1) {
        parts.emplace_back(Xapian::Query::OP_OR, words->begin(), words->end());
        continue;
      }
      std::vector<Xapian::Query> alternatives;
      alternatives.reserve(words->size());
      for (const std::string& word : *words) alternatives.push_back(this->term(word));
      parts.emplace_back(Xapian::Query::OP_SYNONYM, alternatives.begin(), alternatives.end());
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
    auto& expansions = target_.expansions != nullptr ? *target_.expansions : expansions_;
    auto known = expansions.find(pattern);
    if (known == expansions.end()) {
      std::vector<std::string> found;
      if (int rc = expand_mask(target_.vocabularies, pattern, budget_, found); rc != kOk)
        return rc;
      known = expansions.emplace(pattern, std::move(found)).first;
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
  WeightlessParts& parts_;
  SearchBudget& budget_;
  bool weight_counts_ = false;
  Xapian::Stem stemmer_;
  std::map<std::string, std::vector<std::string>> expansions_;
};

}  // namespace

int build_query(const QueryTarget& target, const ParsedSearch& parsed, WeightlessParts& parts,
                SearchBudget& budget, BuiltQuery& out) {
  out = BuiltQuery{};
  QueryBuilder builder(target, parts, budget);
  // Beside free text the expression is a filter.
  builder.set_weight_counts(parsed.ranking && !parsed.has_free_text);
  Xapian::Query expression;
  if (int rc = builder.expression(parsed.expression, expression); rc != kOk) return rc;
  Xapian::Query free_text;
  if (parsed.has_free_text) {
    builder.set_weight_counts(true);
    const std::vector<std::string> words = split_words(parsed.free_text);
    if (int rc = builder.free_text(parsed, words, free_text, out); rc != kOk) return rc;
    if (!free_text.empty()) {
      if (int rc = builder.with_title_start(words, free_text); rc != kOk) return rc;
      out.own_rank_scale = true;
    }
  }

  if (parsed.expression.empty() && free_text.empty()) return kEmptyRequest;
  if (free_text.empty()) {
    out.query = expression;
    const std::vector<std::string> words = QueryBuilder::conjunction_words(parsed.expression);
    if (parsed.ranking && !words.empty()) {
      if (int rc = builder.with_title_start(words, out.query); rc != kOk) return rc;
      out.own_rank_scale = true;
    }
  } else if (parsed.expression.empty()) {
    out.query = free_text;
  } else {
    out.query = parts.filter(free_text, expression);
  }
  return kOk;
}

}  // namespace zeb::backend
