#include "cgi/form_decoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cgi/body_reader.h"
#include "cgi_test_support.h"

namespace zeb {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;
using testing::PageSink;
using testing::ScopedEnv;

struct Decoded {
  int result;
  Entries entries;
  std::string printed;
};

// Decodes `body` as a POSTed form; `length` is CONTENT_LENGTH (unset when
// absent); the other CGI variables are unset unless `env` sets them.
Decoded decode(std::string_view body, std::optional<std::string> length,
               ScopedEnv* env = nullptr) {
  std::optional<ScopedEnv> own;
  if (env == nullptr) env = &own.emplace();
  if (length) env->set("CONTENT_LENGTH", *length);
  FormTable table;
  PageSink page;
  FILE* in = testing::input_of(body);
  Decoded d;
  d.result = decode_form(table, in, page.out());
  fclose(in);
  for (const FormEntry& e : table.entries) d.entries.emplace_back(e.name, e.value);
  d.printed = page.text();
  return d;
}

std::string exact_length(std::string_view body) { return std::to_string(body.size()); }

TEST(FormDecoder, CutsTheBodyIntoNamesAndValues) {
  const struct {
    std::string body;
    Entries expected;
  } cases[] = {
      {"a=1&b=2", {{"a", "1"}, {"b", "2"}}},
      {"a=1&", {{"a", "1"}}},
      {"a=1&&b=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"flag", {{"flag", ""}}},
      {"=x", {{"", "x"}}},
      {"&", {{"", ""}}},
      {"x=%41%2b+c", {{"x", "A+ c"}}},
      {"p=%2B&q=%2b&r=+", {{"p", "+"}, {"q", "+"}, {"r", " "}}},
      {"n%3Dm=v", {{"n", "m=v"}}},
      {"v=ab%4", {{"v", "ab@"}}},
      {"v=ab%", {{"v", "ab"}}},
      {"v=%zz%", {{"v", "S"}}},
      {"k=%&j=%4", {{"k", ""}, {"j", "@"}}},
      {"%3D=1", {{"", "=1"}}},
  };
  for (const auto& c : cases) {
    Decoded d = decode(c.body, exact_length(c.body));
    EXPECT_EQ(d.result, static_cast<int>(c.expected.size())) << c.body;
    EXPECT_EQ(d.entries, c.expected) << c.body;
    EXPECT_EQ(d.printed, "") << c.body;
  }
}

TEST(FormDecoder, ContentLengthDecidesHowMuchIsRead) {
  const std::string body = "a=1&b=2";
  EXPECT_EQ(decode(body, "0").entries, Entries{});
  EXPECT_EQ(decode(body, "5").entries, (Entries{{"a", "1"}, {"b", ""}}));
  EXPECT_EQ(decode(body, "4").entries, (Entries{{"a", "1"}}));
  EXPECT_EQ(decode(body, "  7").entries, (Entries{{"a", "1"}, {"b", "2"}}));
  EXPECT_EQ(decode(body, "abc").entries, Entries{});  // not a number: 0
}

TEST(FormDecoder, StopsAtTheEndOfInputWhateverTheLengthSays) {
  const Entries both = {{"a", "1"}, {"b", "2"}};
  EXPECT_EQ(decode("a=1&b=2", "1000000").entries, both);        // overstated
  EXPECT_EQ(decode("a=1&b=2", "99999999999999999").entries, both);
  EXPECT_EQ(decode("a=1&b=2", "-1").entries, both);             // negative
  EXPECT_EQ(decode("a=1&b=2", "-2147483648").entries, both);
  EXPECT_EQ(decode("a=1&b=2", std::nullopt).entries, both);     // unset
  EXPECT_EQ(decode("a=1&", std::nullopt).entries, (Entries{{"a", "1"}}));
  EXPECT_EQ(decode("a=1&&", std::nullopt).entries, (Entries{{"a", "1"}, {"", ""}}));
  EXPECT_EQ(decode("", std::nullopt).entries, Entries{});
  EXPECT_EQ(decode("", "50").entries, Entries{});
}

TEST(FormDecoder, NulBytesEndTheirFieldButNotTheBody) {
  const std::string body("a=1\0x&b\0=2&c=%00y&d=4", 21);
  EXPECT_EQ(decode(body, exact_length(body)).entries,
            (Entries{{"a", "1"}, {"b", ""}, {"c", ""}, {"d", "4"}}));
}

TEST(FormDecoder, LongValuesArriveWhole) {
  const std::string value(2 * 102400 + 7, 'v');
  const std::string body = "t=" + value + "&u=1";
  Decoded d = decode(body, exact_length(body));
  ASSERT_EQ(d.entries.size(), 2u);
  EXPECT_EQ(d.entries[0].second, value);
  EXPECT_EQ(d.entries[1], (std::pair<std::string, std::string>{"u", "1"}));
}

TEST(FormDecoder, CutsAnEntryBeyondItsCapAndReadsOn) {
  const std::string body = "t=" + std::string(kMaxEntryBytes + 100, 'v') + "&u=1";
  Decoded d = decode(body, std::nullopt);
  ASSERT_EQ(d.entries.size(), 2u);
  EXPECT_EQ(d.entries[0].second, std::string(kMaxEntryBytes - 2, 'v'));
  EXPECT_EQ(d.entries[1], (std::pair<std::string, std::string>{"u", "1"}));
}

TEST(FormDecoder, KeepsNoMoreThanTheBodyCapOverAllEntries) {
  const size_t full = kMaxBodyKeptBytes / kMaxEntryBytes;
  std::string body;
  for (size_t i = 0; i < full + 3; ++i) body += "e=" + std::string(kMaxEntryBytes - 2, 'x') + "&";
  body += "z=1";
  Decoded d = decode(body, std::nullopt);
  ASSERT_EQ(d.entries.size(), full + 4);
  size_t kept = 0;
  for (const auto& [name, value] : d.entries) kept += name.size() + value.size();
  EXPECT_LE(kept, kMaxBodyKeptBytes);
  EXPECT_EQ(d.entries[full - 1].second.size(), kMaxEntryBytes - 2);
  EXPECT_EQ(d.entries.back(), (std::pair<std::string, std::string>{"", ""}));
}

TEST(FormDecoder, StoresTenThousandEntriesAndDropsTheRest) {
  std::string body;
  for (int i = 0; i < kMaxFormEntries + 5; ++i) body += "k=" + std::to_string(i) + "&";
  Decoded d = decode(body, exact_length(body));
  EXPECT_EQ(d.result, kMaxFormEntries);
  ASSERT_EQ(d.entries.size(), static_cast<size_t>(kMaxFormEntries));
  EXPECT_EQ(d.entries.back().second, std::to_string(kMaxFormEntries - 1));

  Decoded ampersands = decode(std::string(100000, '&'), std::nullopt);
  EXPECT_EQ(ampersands.result, kMaxFormEntries);
}

TEST(FormDecoder, RejectsAnyMethodButPost) {
  const std::string explanation =
      "This script should be referenced with a METHOD of POST.\n"
      "If you don't understand this, see this "
      "<A HREF=\"/zebsrch/forms.html\">forms overview</A>.\n";
  for (const char* method : {"GET", "post", "", "POST "}) {
    ScopedEnv env;
    env.set("REQUEST_METHOD", method);
    Decoded d = decode("a=1", "3", &env);
    EXPECT_EQ(d.result, kFormRejected) << method;
    EXPECT_EQ(d.printed, explanation) << method;
    EXPECT_TRUE(d.entries.empty());
  }
  ScopedEnv env;
  env.set("REQUEST_METHOD", "POST");
  EXPECT_EQ(decode("a=1", "3", &env).result, 1);
}

TEST(FormDecoder, RejectsAnyContentTypeButPlainFormEncoding) {
  for (const char* type : {"application/x-www-form-urlencoded; charset=UTF-8",
                           "multipart/form-data", "APPLICATION/X-WWW-FORM-URLENCODED"}) {
    ScopedEnv env;
    env.set("CONTENT_TYPE", type);
    Decoded d = decode("a=1", "3", &env);
    EXPECT_EQ(d.result, kFormRejected) << type;
    EXPECT_EQ(d.printed, "This script can only be used to decode form results. \n") << type;
  }
  ScopedEnv env;
  env.set("CONTENT_TYPE", "application/x-www-form-urlencoded");
  EXPECT_EQ(decode("a=1", "3", &env).result, 1);
}

}  // namespace
}  // namespace zeb
