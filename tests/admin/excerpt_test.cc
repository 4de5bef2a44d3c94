// Excerpts from documents as zebadm keeps them: the HTML extracted, its text
// and sections stored in the excerpt value and read back, and the passage
// chosen and marked for a search's words.
#include <gtest/gtest.h>
#include <lz4hc.h>

#include <memory>
#include <random>
#include <string>

#include "admin/html_extract.h"
#include "backend/excerpt_hits.h"
#include "backend/excerpt_maker.h"
#include "backend/excerpt_source.h"
#include "backend/row_extras.h"

namespace zeb::admin {
namespace {

using backend::Connector;
using backend::ExcerptSource;
using backend::ExcerptTerms;
using backend::Operand;
using backend::ParsedSearch;

struct QueryTerm {
  std::string text;
  bool exact = false;
  bool mask = false;
  bool negated = false;
};

ParsedSearch search(const std::vector<QueryTerm>& terms, const std::string& free_text = "") {
  ParsedSearch parsed;
  for (const QueryTerm& t : terms) {
    auto operand = std::make_unique<Operand>();
    operand->term.text = t.text;
    operand->term.type = t.exact ? backend::kTermTypeExact : backend::kTermTypeLinguistic;
    operand->term.mask_any = operand->term.mask_one = t.mask;
    parsed.expression.push_back(
        {parsed.expression.empty() ? Connector::kFirst : Connector::kAnd, t.negated,
         std::move(operand)});
  }
  parsed.has_free_text = !free_text.empty();
  parsed.free_text = free_text;
  return parsed;
}

// The values zebadm stores for a document.
backend::StoredExcerpt stored(const std::string& html) {
  ExtractedDocument doc;
  extract_html(html, doc);
  std::vector<backend::ExcerptSection> sections;
  for (const Section& s : doc.sections) sections.push_back({s.offset, s.anchor, s.heading});
  return backend::encode_excerpt_source(doc.text, sections);
}

// The excerpt of stored values, read back as a search reads them; counts
// the reads of the tail.
backend::Excerpt excerpt_of(const backend::StoredExcerpt& value, const ParsedSearch& query,
                            unsigned words, std::string* section = nullptr,
                            int* tail_reads = nullptr) {
  ExcerptSource source;
  EXPECT_TRUE(backend::decode_excerpt_source(value.head, source));
  ExcerptTerms terms(query);
  backend::ExcerptReader reader;
  reader.tail = [&] {
    if (tail_reads != nullptr) ++*tail_reads;
    return value.tail;
  };
  backend::Excerpt excerpt = backend::make_excerpt(source, terms, words, reader);
  if (section != nullptr)
    *section = excerpt.section == nullptr || excerpt.section->anchor.empty()
                   ? ""
                   : std::string(excerpt.section->anchor) + "|" +
                         std::string(excerpt.section->heading);
  return excerpt;
}

// Marks shown as [ and ].
std::string shown(std::string text) {
  for (char& c : text) {
    if (c == backend::kMarkStart) c = '[';
    if (c == backend::kMarkEnd) c = ']';
  }
  return text;
}

TEST(Excerpts, MarkTheWordsThatBroughtTheDocumentAndNameTheirSection) {
  const std::string filler = " one two three four five six seven eight nine ten eleven twelve"
                             " thirteen fourteen fifteen sixteen seventeen eighteen nineteen.";
  struct Case {
    const char* what;
    std::string html;
    ParsedSearch query;
    std::string excerpt;  // the whole excerpt, marks as [ ]
    std::string section;  // "anchor|heading", empty for none
  } cases[] = {
      {"a linguistic word marks every word of its stem, in any case",
       "<p>Tables and a table; tablespoons are not.</p>", search({{"tabling"}}),
       "[Tables] and a [table]; tablespoons are not.", ""},
      {"an exact word marks itself only", "<p>Tables and a table.</p>",
       search({{"table", true}}), "Tables and a [table].", ""},
      {"a mask marks the words it stands for", "<p>word ward world wad</p>",
       search({{"w?rd", false, true}}), "[word] [ward] world wad", ""},
      {"a phrase marks its words only where they stand as the phrase",
       "<p>log write ahead. The write ahead log is written.</p>",
       search({{"write ahead log"}}), "log write ahead. The [write] [ahead] [log] is written.", ""},
      {"a word inside markup is found whole",
       "<p>The <b>rep</b>lica and <code>replica</code>.</p>", search({{"replica", true}}),
       "The [replica] and [replica].", ""},
      {"free text marks its words, not its stop words, not a word under NOT",
       "<p>The cat and the dog sat.</p>", search({{"dog", false, false, true}}, "the cat sat"),
       "The [cat] and the dog [sat].", ""},
      {"the passage is where the words stand closest; both ends show the cut",
       "<p>alpha" + filler + filler + " beta gamma" + filler + filler + "</p>",
       search({}, "alpha beta gamma"),
       "\u2026fourteen fifteen sixteen seventeen eighteen nineteen. [beta] [gamma] one two "
       "three four five six seven eight nine ten eleven twelve thirteen fourteen fifteen "
       "sixteen seventeen eighteen nineteen. one two three\u2026",
       ""},
      {"text in other scripts is marked and cut on character boundaries",
       "<p>\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82 \xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB"
       " \xE6\x97\xA5\xE6\x9C\xAC</p>",
       search({{"\xD0\x96\xD0\xA3\xD0\xA0\xD0\x9D\xD0\x90\xD0\x9B", true}}),
       "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82 [\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB]"
       " \xE6\x97\xA5\xE6\x9C\xAC",
       ""},
      {"the section of an id on a wrapping element",
       "<div id=\"wal\"><h2>Write-Ahead Log</h2><p>The log.</p></div>", search({{"log", true}}),
       "Write-Ahead [Log] The [log].", "wal|Write-Ahead Log"},
      {"an anchor inside the heading, after an earlier section",
       "<h1 id=\"top\">Top</h1><p>Intro.</p><h2><a name=\"n2\"></a>Second</h2><p>Needle.</p>",
       search({{"needle", true}}), "Top Intro. Second [Needle].", "n2|Second"},
      {"a heading without an anchor ends the section before it",
       "<h2 id=\"a\">First</h2><p>One.</p><h3>Plain</h3><p>Needle.</p>",
       search({{"needle", true}}), "First One. Plain [Needle].", ""},
      {"an anchor with text before the heading names no section",
       "<a id=\"early\"></a><p>Words.</p><h2>Late</h2><p>Needle.</p>",
       search({{"needle", true}}), "Words. Late [Needle].", ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string section;
    EXPECT_EQ(shown(excerpt_of(stored(c.html), c.query, 30, &section).text), c.excerpt);
    EXPECT_EQ(section, c.section);
  }
}

TEST(Excerpts, OneLongLineIsCutToTheBoundsAndStaysWholeCharacters) {
  // One line of 200,000 bytes of two-byte letters, the word far in: the
  // stored text keeps the bound, and an excerpt of 80 long words its own.
  std::string line;
  while (line.size() < 200000) line += "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9 ";
  const backend::StoredExcerpt value = stored("<p>" + line + "needle</p>");
  EXPECT_LE(value.head.size(), backend::kExcerptHeadBytes + 16);
  EXPECT_LE(value.tail.size(), backend::kMaxExcerptTextBytes);
  const backend::Excerpt excerpt =
      excerpt_of(value, search({{"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", true}}), 80);
  EXPECT_LE(excerpt.text.size(), backend::kMaxExcerptBytes);
  EXPECT_EQ(excerpt.text.find("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), 1u);  // after a mark
  // Long words: the excerpt is cut by bytes, marks closed, then "…".
  std::string long_words;
  for (int i = 0; i < 100; ++i) long_words += std::string(60, 'x') + " ";
  const std::string cut = excerpt_of(stored(long_words), search({{"x*", false, true}}), 80).text;
  EXPECT_LE(cut.size(), backend::kMaxExcerptBytes);
  EXPECT_EQ(cut.substr(cut.size() - 4), "\x02\xE2\x80\xA6");
}

TEST(Excerpts, DamagedOrOldValuesGiveNoExcerpt) {
  ExtractedDocument doc;
  extract_html("<h2 id=\"s\">Heading</h2><p>Some text about tables.</p>", doc);
  const std::string value = backend::encode_excerpt_source(doc.text, {{0, "s", "Heading"}}).head;
  EXPECT_EQ(shown(excerpt_of({value, ""}, search({{"heading"}}), 10).text),
            "[Heading] Some text about tables.");
  ExcerptSource source;
  ASSERT_TRUE(backend::decode_excerpt_source(value, source));
  // Every shorter value, and one with a byte changed at each place, reads
  // as damaged or as some text: never past its end.
  for (size_t length = 0; length < value.size(); ++length)
    EXPECT_FALSE(backend::decode_excerpt_source(value.substr(0, length), source)) << length;
  for (size_t at = 0; at < value.size(); ++at) {
    std::string changed = value;
    changed[at] = static_cast<char>(changed[at] ^ 0x5A);
    backend::decode_excerpt_source(changed, source);
  }
  // A document of an older index has no value: a row with a date only.
  backend::RowExtrasWanted wanted;
  wanted.excerpt_words = 30;
  wanted.date = true;
  wanted.terms = std::make_shared<ExcerptTerms>(search({{"tables"}}));
  backend::RowExtras extras;
  backend::make_row_extras(wanted, "1700000000123456789 10", "", {}, extras);
  EXPECT_EQ(extras.excerpt, "");
  EXPECT_EQ(extras.date, "2023-11-14");
  backend::make_row_extras(wanted, "-1 10", value, {}, extras);
  EXPECT_EQ(extras.date, "1969-12-31");
  EXPECT_EQ(shown(extras.excerpt), "Heading Some text about [tables].");
  EXPECT_EQ(extras.section, std::string("s\0Heading", 9));
}

TEST(Excerpts, TheTailOfALongTextIsReadOnlyForAPassageInIt) {
  // Words w0 w1 ... numbered, so that each place is known; a section deep in.
  std::string html = "<h1 id=\"top\">Top</h1><p>";
  for (int i = 0; i < 9000; ++i) {
    if (i == 6000) html += "</p><h2 id=\"deep\">Needle heading</h2><p>";
    html += "w" + std::to_string(i) + " ";
  }
  html += "</p>";
  const backend::StoredExcerpt value = stored(html);
  ExcerptSource head;
  ASSERT_TRUE(backend::decode_excerpt_source(value.head, head));
  ASSERT_FALSE(value.tail.empty());
  EXPECT_LE(head.text.size(), backend::kExcerptHeadBytes);
  const size_t last_space = head.text.rfind(' ');
  const std::string last_word(head.text.substr(last_space + 1));
  const int last_number = std::stoi(last_word.substr(1));
  // The word that the end of the tail's first block cuts in two.
  ExcerptSource whole;
  ASSERT_TRUE(backend::decode_excerpt_source(value.head, whole));
  ASSERT_TRUE(backend::add_excerpt_tail(value.tail, whole));
  const size_t block_end = head.text.size() + backend::kTailBlockBytes;
  const size_t cut_start = whole.text.rfind(' ', block_end) + 1;
  const int cut = std::stoi(std::string(whole.text.substr(cut_start + 1, 5)));
  ASSERT_LT(cut_start, block_end);

  struct Case {
    const char* what;
    std::string word;
    int tail_reads;
    std::string shows;    // in the excerpt
    std::string section;  // "anchor|heading", empty for none
  } cases[] = {
      {"a word in the head", "w10", 0, "[w10]", "top|Top"},
      {"a word beyond the head", "w7000", 1, "[w7000]", "deep|Needle heading"},
      {"a heading beyond the head", "needle", 1, "[Needle] heading w6000", "deep|Needle heading"},
      {"a passage that runs past the head", last_word, 1,
       "[" + last_word + "] w" + std::to_string(last_number + 1), "top|Top"},
      {"a passage that runs past a tail block, through the word it cuts",
       "w" + std::to_string(cut - 1), 1,
       "[w" + std::to_string(cut - 1) + "] w" + std::to_string(cut) + " w" +
           std::to_string(cut + 1),
       "top|Top"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int reads = 0;
    std::string section;
    const std::string text =
        shown(excerpt_of(value, search({{c.word, true}}), 30, &section, &reads).text);
    EXPECT_NE(text.find(c.shows), std::string::npos) << text;
    EXPECT_EQ(reads, c.tail_reads);
    EXPECT_EQ(section, c.section);
  }
  // A damaged tail leaves the head: an excerpt from it, read once.
  int reads = 0;
  const std::string text =
      excerpt_of({value.head, value.tail.substr(0, 100)}, search({{"w7000", true}}), 30,
                 nullptr, &reads).text;
  EXPECT_EQ(text.rfind("Top w0 w1", 0), 0u) << text;
  EXPECT_EQ(reads, 1);
}

// The same values as an index made before kept them: the tail's blocks
// linked, each referring back to those before it.
backend::StoredExcerpt with_linked_tail(const backend::StoredExcerpt& value) {
  ExcerptSource whole;
  EXPECT_TRUE(backend::decode_excerpt_source(value.head, whole));
  EXPECT_TRUE(backend::add_excerpt_tail(value.tail, whole));
  backend::StoredExcerpt linked{value.head, ""};
  linked.head[0] = static_cast<char>(backend::kExcerptSourceFormat);
  const std::string_view rest = whole.text.substr(whole.head_size);
  LZ4_streamHC_t stream;
  LZ4_initStreamHC(&stream, sizeof stream);
  char block[LZ4_COMPRESSBOUND(backend::kTailBlockBytes)];
  for (size_t at = 0; at < rest.size(); at += backend::kTailBlockBytes) {
    const int length = static_cast<int>(std::min(backend::kTailBlockBytes, rest.size() - at));
    const int size =
        LZ4_compress_HC_continue(&stream, rest.data() + at, block, length, sizeof block);
    for (auto left = static_cast<unsigned>(size); ; left >>= 7) {  // the length, a varint
      linked.tail += static_cast<char>(left >= 0x80 ? (left & 0x7F) | 0x80 : left);
      if (left < 0x80) break;
    }
    linked.tail.append(block, static_cast<size_t>(size));
  }
  return linked;
}

TEST(Excerpts, TailBlocksOfBothFormatsGiveTheSameExcerpts) {
  std::string html = "<h1 id=\"top\">Top</h1><p>";
  for (int i = 0; i < 9000; ++i) {
    if (i == 7000) html += "</p><h2 id=\"deep\">Needle heading</h2><p>";
    html += "w" + std::to_string(i) + " ";
  }
  const backend::StoredExcerpt blocks = stored(html + "</p>");
  const backend::StoredExcerpt linked = with_linked_tail(blocks);
  ASSERT_NE(blocks.tail, linked.tail);
  for (const char* word : {"needle", "w5000", "w8990", "w3"}) {
    SCOPED_TRACE(word);
    std::string section, linked_section;
    EXPECT_EQ(excerpt_of(blocks, search({{word, true}}), 30, &section).text,
              excerpt_of(linked, search({{word, true}}), 30, &linked_section).text);
    EXPECT_EQ(section, linked_section);
  }
  // Reading far into the text from a place beyond the head: a block that
  // refers to the head alone is passed over (blanks stand for it); linked
  // blocks are all read.
  ExcerptSource from_blocks, from_linked;
  ASSERT_TRUE(backend::decode_excerpt_source(blocks.head, from_blocks));
  ASSERT_TRUE(backend::decode_excerpt_source(linked.head, from_linked));
  const size_t far = from_blocks.head_size + 3 * backend::kTailBlockBytes;
  ASSERT_TRUE(backend::add_excerpt_tail(blocks.tail, from_blocks, far, far - 100));
  ASSERT_TRUE(backend::add_excerpt_tail(linked.tail, from_linked, far, far - 100));
  const std::string_view first_block = from_blocks.text.substr(from_blocks.head_size, 100);
  EXPECT_EQ(first_block, std::string(100, ' '));
  EXPECT_NE(from_linked.text.substr(from_linked.head_size, 100), first_block);
  EXPECT_EQ(from_blocks.text.substr(far - 100, 100), from_linked.text.substr(far - 100, 100));
}

TEST(Excerpts, TheBlockSearchMarksWhatAWalkOverEveryWordMarks) {
  // Random texts of words in mixed case, punctuation and other scripts;
  // the marks found by looking only where a part's first bytes stand must
  // be those of trying every part at every word.
  const std::vector<std::string> vocabulary = {
      "Vacuum", "vacuums", "ANALYZE", "analyzing", "an", "and", "a", "key", "Keys", "foreign",
      "for", "_x", "x_1", "42", "\xC3\xA9t\xC3\xA9", "v\xC3\xA1" "cuum", "fo", "van",
      "Streams", "STREAMING", "string", "stre\xC3\xA1m", "streamlined", "stem", "Happy", "happily"};
  const std::vector<std::string> separators = {" ",  "  ", ", ", ". ",
                                               "-",  "(",  "\xE2\x80\x94", "\n"};
  std::mt19937 random(7);
  auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  const std::vector<ParsedSearch> queries = [&] {
    std::vector<ParsedSearch> all;
    all.push_back(search({}, "vacuum analyze"));
    all.push_back(search({{"foreign key"}}));
    all.push_back(search({{"an", true}, {"42", true}}));
    all.push_back(search({{"v*", false, true}}));
    all.push_back(search({{"streamed"}, {"STRINGS", true}, {"happiness"}}));
    return all;
  }();
  for (int round = 0; round < 200; ++round) {
    std::string text;
    while (text.size() < 300 + static_cast<size_t>(round) * 7)
      text += pick(vocabulary) + pick(separators);
    for (const ParsedSearch& query : queries) {
      ExcerptTerms terms(query);
      std::vector<backend::ByteSpan> expected;
      for (size_t at = backend::next_word(text, 0); at != std::string::npos;
           at = backend::next_word(text, backend::word_end(text, at))) {
        for (const backend::MarkedPart& part : terms.parts()) {
          std::vector<backend::ByteSpan> spans;
          size_t word = at;
          for (const backend::WordMatcher& matcher : part) {
            if (!spans.empty()) word = backend::next_word(text, word);
            if (word == std::string::npos) break;
            const size_t end = backend::word_end(text, word);
            if (!terms.matches(matcher, Xapian::Unicode::tolower(text.substr(word, end - word))))
              break;
            spans.push_back({word, end});
            word = end;
          }
          if (spans.size() == part.size())
            expected.insert(expected.end(), spans.begin(), spans.end());
        }
      }
      std::sort(expected.begin(), expected.end(),
                [](const auto& a, const auto& b) { return a.begin < b.begin; });
      expected.erase(std::unique(expected.begin(), expected.end(),
                                 [](const auto& a, const auto& b) { return a.begin == b.begin; }),
                     expected.end());
      const std::vector<backend::ByteSpan> found = backend::find_marks(text, terms, 0, text.size());
      ASSERT_EQ(found.size(), expected.size()) << text;
      for (size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i].begin, expected[i].begin) << text;
    }
  }
}

}  // namespace
}  // namespace zeb::admin
