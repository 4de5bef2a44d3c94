// The same requests through the CGI and through one long-lived FastCGI
// process must give the same bytes and exit status: a few hundred forms (the
// golden pages' forms, every error path of the form, the query, the engine
// and the environment, and random mixes of fields), over two instances and
// several indexes, sent to the FastCGI process in a shuffled order, so that
// whatever one request could leave behind meets the others.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/fastcgi_client.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

using testing::FastcgiAnswer;
using testing::FastcgiServer;
using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

constexpr unsigned kSeed = 20261208;
constexpr int kRandomForms = 240;

struct Case {
  std::string what;  // for the failure message
  std::vector<std::string> env;
  std::string body;
};

// Percent-escapes everything but letters and digits.
std::string escaped(const std::string& text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (isalnum(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

class FastcgiDifferential : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    write_sites();
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }

  static std::string path(const std::string& name) { return dir_->path() + "/" + name; }

  static void admin(const std::string& instance, const std::vector<std::string>& args) {
    const ProcessResult r = run_process(ZEB_BIN_DIR "/zebadm", args, {"ZEBINSTSRV=" + instance}, "");
    ASSERT_EQ(r.exit_status, 0) << args[0] << ": " << r.out << r.err;
  }

  // Instance TEST: indexes with and without documents, one suspended, one
  // whose database is gone, local and http locations, templates of its own
  // and a link to one outside. Instance SECOND: another index and the
  // templates zebadm makes. And a directory that holds no instance.
  static void write_sites() {
    const TempDir& d = *dir_;
    d.write("docs/intro.html",
            "<html><head><title>Introduction to Widgets</title>\n"
            "<meta name=\"keywords\" content=\"Getting Started, widgets\"></head>\n"
            "<body><p>Widgets help with information retrieval. One word about the world.</p>"
            "</body></html>\n");
    d.write("docs/guide/tables.html",
            "<html><head><title>Guide: Tables &amp; Rows</title></head>\n"
            "<body><p>Tables hold rows; retrieval of rows is fast. A ward.</p></body></html>\n");
    d.write("docs/guide/typo.html",
            "<title>Typo page</title><body>This page misspells retreival once.</body>\n");
    d.write("docs/ref/retrieval.html",
            "<title>Reference: Retrieval</title><meta name=\"keywords\" content=\"reference\">"
            "<body>Retrieval functions. Information retrieval, retrieval and retrieval.</body>\n");
    d.write("docs/notes.txt", "Release notes\nNothing about the planted terms, <b>&amp;</b>.\n");
    for (int i = 0; i < 70; ++i)
      d.write("docs/many/page" + std::to_string(i) + ".txt",
              "Page " + std::to_string(i) + "\nmany pages of retrieval and widgets\n");
    d.write("other/guide/other.html", "<title>Other guide</title><p>retrieval in the other index</p>");
    d.write("other/top.html", "<title>Other top</title><p>retrieval at the top, widgets</p>");
    d.write("susp/a.txt", "Suspended\nretrieval\n");
    d.write("gone/a.txt", "Gone\nretrieval\n");
    d.write("empty/README", "no documents here");
    d.write("web/news/today.html", "<title>Today's news</title><p>widgets and tables today</p>");
    d.write("web/about.txt", "About\nretrieval of widgets, information about the site\n");
    d.write("outside.html", "<p>outside the instance</p>\n");

    const std::string one = path("instance");
    admin(one, {"init", "test"});
    admin(one, {"create", "docs", path("docs")});
    admin(one, {"create", "other", path("other"), "--location", "http://example.org/other/"});
    admin(one, {"create", "empty", path("empty")});
    admin(one, {"create", "susp", path("susp")});
    admin(one, {"suspend", "susp"});
    admin(one, {"create", "gone", path("gone")});
    std::filesystem::remove_all(one + "/data/GONE");
    d.write("instance/site.html", "<html><head><title>Site</title></head><body class=\"site\">\n");
    d.write("instance/parts/foot.inc", "<address>Site footer</address>\n");
    std::filesystem::create_symlink(path("outside.html"), one + "/outside.html");

    const std::string two = path("site2/instance");
    admin(two, {"init", "second"});
    admin(two, {"create", "web", path("web")});
    admin(two, {"map", "set", "web", "https://example.net/web/"});
    std::filesystem::create_directories(path("noinstance"));
  }

  // The CGI environment of a posted form on instance `site`.
  static std::vector<std::string> form_env(const std::string& body, const std::string& site,
                                           const std::string& name) {
    return {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
            "CONTENT_LENGTH=" + std::to_string(body.size()), "ZEBINSTSRV=" + site,
            "ZEBINST=" + name, "SERVER_SOFTWARE=test", "GATEWAY_INTERFACE=CGI/1.1"};
  }
  static Case form(const std::string& what, const std::string& body) {
    return {what, form_env(body, path("instance"), "TEST"), body};
  }

  static std::vector<Case> fixed_cases();
  static std::vector<Case> random_cases(std::mt19937& random);

  static TempDir* dir_;
};

TempDir* FastcgiDifferential::dir_ = nullptr;

const std::string kStars =
    "&stars1=s1.gif&stars2=s2.gif&stars3=s3.gif&stars4=s4.gif&stars5=s5.gif";
const std::string kTemplates = "&header=header.html&footer=footer.html";

std::vector<Case> FastcgiDifferential::fixed_cases() {
  std::vector<Case> cases;
  // The golden pages' forms.
  for (const std::string& body : std::vector<std::string>{
           "SelectIndex=docs&free_text=hello+world&rank=Y&limit_number=20" + kTemplates + kStars,
           "SelectIndex=docs&SelectIndex=other&Manual=guide&query_word0=cat&connector0=or"
           "&query_word1=dog" + kTemplates + kStars,
           "SelectIndex=docs&query_word0=retrieval&OddStripes=%23FFFFFF&EvenStripes=%23EEEEEE"
           "&limit_number=3" + kTemplates,
           "SelectIndex=docs&query_word0=nothing&ShowForm=Y&new_free_text=nothing" + kTemplates,
           "SelectIndex=docs&SelectIndex=web&query_word0=retrieval" + kTemplates,
           "SelectIndex=docs&free_text=retrieval&rank=Y" + kTemplates + kStars,
       })
    cases.push_back(form("golden form", body));

  // Searches that list, rank, group, scope, mask, spell and link.
  for (const std::string& fields : std::vector<std::string>{
           "SelectIndex=docs&free_text=information+retrieval&rank=Y",
           "SelectIndex=docs&query_word0=retrieval&connector0=and&query_word1=rows",
           "SelectIndex=docs&query_word0=widgets&connector0=or&query_word1=rows",
           "SelectIndex=docs&query_word0=retrieval&connector0=not&query_word1=rows",
           "SelectIndex=docs&query_word0=information+retrieval",
           "SelectIndex=docs&query_word0=wor*",
           "SelectIndex=docs&query_word0=w%3Frd",
           "SelectIndex=docs&query_word0=retrieval&topic=Getting+Started",
           "SelectIndex=docs&query_word0=retrieval&Manual=ref",
           "SelectIndex=docs&SelectIndex=other&query_word0=retrieval&Manual=guide&Manual=ALL",
           "SelectIndex=docs&query_word0=retrieval&SPCHK=SPELL",
           "SelectIndex=docs&SelectIndex=other&query_word0=retrieval&SPCHK=SPELL&rank=Y",
           "SelectIndex=docs&query_word0=many&limit_number=65&rank=Y",
           "SelectIndex=docs&free_text=pages&limit_number=0",
           "SelectIndex=docs&ShowForm=Y&new_free_text=%2Bretrieval+-rows+%22information+retrieval%22"
           "&FormName=again&rank=Y" + kStars,
           "SelectIndex=other&free_text=retrieval&OddStripes=red&EvenStripes=blue",
           "SelectIndex=docs&SelectIndex=other&free_text=retrieval&excerpts=Y&show_date=Y"
           "&first_number=2&limit_number=2&ShowForm=Y&new_free_text=retrieval",
           "SelectIndex=docs&query_word0=wor*&excerpts=Y&excerpt_words=10&first_number=1",
       })
    cases.push_back(form("search", fields + kTemplates));

  // Every way the form, the query or the engine ends the page early.
  for (const std::string& fields : std::vector<std::string>{
           "",
           "SelectIndex=docs",
           "SelectIndex=docs&free_text=the+and+of",
           "SelectIndex=docs&ShowForm=Y&new_free_text=%22unterminated",
           "SelectIndex=docs&ShowForm=Y&new_free_text=-rows",
           "SelectIndex=docs&free_text=wor*",
           "SelectIndex=docs&query_word0=***",
           "SelectIndex=docs&query_word0=%2A" + std::string(64, 'w'),
           "SelectIndex=docs&query_word0=a+b+c+d+e+f+g+h+i+j+k+l+m+n+o+p+q+r+s+t+u+v+w+x+y+z+aa"
           "+bb+cc+dd+ee+ff+gg+hh",
           "SelectIndex=nosuch&query_word0=retrieval",
           "SelectIndex=&query_word0=retrieval",
           "SelectIndex=&SelectIndex=docs&query_word0=retrieval",
           "SelectIndex=empty&query_word0=retrieval",
           "SelectIndex=susp&query_word0=retrieval",
           "SelectIndex=gone&query_word0=retrieval",
           "SelectIndex=susp&SelectIndex=gone&SelectIndex=nosuch&query_word0=retrieval",
           "SelectIndex=docs&SelectIndex=docs&query_word0=retrieval",
           "SelectIndex=gone&SelectIndex=docs&query_word0=retrieval&SPCHK=SPELL",
           "query_word0=retrieval",
       })
    cases.push_back(form("page ended early", fields + kTemplates));
  std::string many_scopes = "SelectIndex=docs&query_word0=retrieval";
  for (int i = 0; i < 70; ++i) many_scopes += "&Manual=s" + std::to_string(i);
  cases.push_back(form("too many scopes", many_scopes + kTemplates));
  std::string many_indexes = "query_word0=retrieval";
  for (int i = 0; i < 70; ++i) many_indexes += "&SelectIndex=docs";
  cases.push_back(form("too many indexes", many_indexes + kTemplates));
  cases.push_back(form("over-long values", "SelectIndex=docs&free_text=" + std::string(1100, 'x') +
                                               "&stars1=" + std::string(300, 's') +
                                               "&OddStripes=" + std::string(40, 'o') + kTemplates));

  // Templates: the site's own, missing ones, and names that are no template.
  for (const std::string& names : std::vector<std::string>{"&header=site.html&footer=parts/foot.inc",
                                   "&header=missing.html&footer=missing.html",
                                   "&header=../outside.html&footer=data/x.html",
                                   "&header=outside.html&footer=zebinst.cat",
                                   "&header=ZEBMAP.DAT&footer=", ""})
    cases.push_back(form("templates", "SelectIndex=docs&query_word0=retrieval" + names));

  // The environment: other instances, none, the request's kind and length.
  const std::string body = "SelectIndex=web&free_text=widgets&rank=Y" + kTemplates;
  cases.push_back({"second instance", form_env(body, path("site2/instance"), "SECOND"), body});
  cases.push_back({"no catalogue", form_env(body, path("noinstance"), "TEST"), body});
  cases.push_back({"instance name mismatch",
                   form_env("SelectIndex=docs&query_word0=retrieval&SPCHK=SPELL" + kTemplates,
                            path("instance"), "OTHER"),
                   "SelectIndex=docs&query_word0=retrieval&SPCHK=SPELL" + kTemplates});
  const auto changed = [&](const std::string& what, const std::string& variable,
                           const std::string& value) {
    Case c = form(what, "SelectIndex=docs&query_word0=retrieval&ShowForm=Y" + kTemplates);
    std::erase_if(c.env, [&](const std::string& v) { return v.rfind(variable + "=", 0) == 0; });
    if (value != "(unset)") c.env.push_back(variable + "=" + value);
    return c;
  };
  cases.push_back(changed("GET", "REQUEST_METHOD", "GET"));
  cases.push_back(changed("no method", "REQUEST_METHOD", "(unset)"));
  cases.push_back(changed("other type", "CONTENT_TYPE", "multipart/form-data"));
  cases.push_back(changed("no type", "CONTENT_TYPE", "(unset)"));
  cases.push_back(changed("no length", "CONTENT_LENGTH", "(unset)"));
  cases.push_back(changed("short length", "CONTENT_LENGTH", "20"));
  cases.push_back(changed("long length", "CONTENT_LENGTH", "100000"));
  cases.push_back(changed("negative length", "CONTENT_LENGTH", "-5"));
  cases.push_back(changed("no instance directory", "ZEBINSTSRV", "(unset)"));
  cases.push_back(changed("no instance name", "ZEBINST", "(unset)"));
  cases.push_back(changed("script name", "SCRIPT_NAME", "/search/zebsrch"));
  cases.push_back(changed("long script name", "SCRIPT_NAME", "/" + std::string(200, 'p')));
  return cases;
}

// Random mixes of every field the form knows, with values good and bad,
// and now and then a variable more or less.
std::vector<Case> FastcgiDifferential::random_cases(std::mt19937& random) {
  const auto chance = [&](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  const auto pick = [&](const std::vector<std::string>& choices) {
    return choices[std::uniform_int_distribution<size_t>(0, choices.size() - 1)(random)];
  };
  const std::vector<std::string> words = {
      "retrieval", "rows", "widgets", "information", "word", "ward", "world", "tables",
      "table", "retreival", "reference", "pages", "many", "the", "and", "of", "wor*",
      "w?rd", "r*", "*", "\"information retrieval\"", "+rows", "-widgets", "\"open",
      "<b>", "caf\xC3\xA9", "\xFF\xFE", "a&b", "today", "nothing"};
  const std::vector<std::string> found_words = {"retrieval", "widgets", "pages", "information",
                                                "tables", "today", "rows"};
  // Mostly words that find something, so that most pages list documents.
  const auto text = [&](int most) {
    std::string t;
    for (int n = std::uniform_int_distribution<int>(1, most)(random); n > 0; --n)
      t += (t.empty() ? "" : " ") + pick(chance(60) ? found_words : words);
    return t;
  };
  const std::vector<std::string> fields = {
      "SelectIndex", "free_text", "new_free_text", "query_word0", "query_word1", "query_word2",
      "query_word3", "connector0", "connector1", "connector2", "topic", "Manual", "SPCHK",
      "limit_number", "rank", "ling", "ShowForm", "FormName", "header", "footer", "stars1",
      "stars3", "stars5", "OddStripes", "EvenStripes", "msgcat", "", "unknown"};
  const auto value_of = [&](const std::string& field) -> std::string {
    if (field == "SelectIndex")
      return chance(60) ? pick({"docs", "other"})
                        : pick({"DOCS", "Docs", "empty", "susp", "gone", "nosuch", "", "web"});
    if (field == "free_text" || field == "new_free_text") return text(3);
    if (field.rfind("query_word", 0) == 0) return text(chance(70) ? 1 : 2);
    if (field.rfind("connector", 0) == 0) return pick({"and", "or", "not", "AND", "xor", ""});
    if (field == "topic") return pick({"Getting Started", "widgets", "reference", "nosuch"});
    if (field == "Manual") return pick({"ALL", "all", "guide", "ref", "many", "nosuch"});
    if (field == "SPCHK") return pick({"SPELL", "spell", "no"});
    if (field == "limit_number") return pick({"0", "1", "2", "5", "20", "65535", "70000", "-1", "x"});
    if (field == "header" || field == "footer")
      return pick({"header.html", "footer.html", "site.html", "parts/foot.inc", "missing.html",
                   "../outside.html", "outside.html", "data/x.html", "zebinst.cat", ""});
    if (field.rfind("stars", 0) == 0) return pick({"s.gif", "<script>.gif", "a\"b.gif", ""});
    return pick({"Y", "n", "yes", "F", "#FFFFFF", "red", "form", "x<y>\"z\"", ""});
  };

  std::vector<Case> cases;
  for (int i = 0; i < kRandomForms; ++i) {
    std::string body;
    if (chance(85)) body = "SelectIndex=" + escaped(value_of("SelectIndex"));
    for (int n = std::uniform_int_distribution<int>(1, 6)(random); n > 0; --n) {
      const std::string field = pick(fields);
      body += (body.empty() ? "" : "&") + field + "=" + escaped(value_of(field));
    }
    if (chance(80)) body += kTemplates;
    if (chance(10)) body += "&" + escaped(text(2));  // an entry without "="
    Case c = form("random form", body);
    if (chance(15)) c.env.push_back("SCRIPT_NAME=/cgi-bin/" + pick(words));
    if (chance(10)) {
      c.env[4] = "ZEBINST=SECOND";
      c.env[3] = "ZEBINSTSRV=" + path("site2/instance");
    }
    if (chance(5)) c.env[2] = "CONTENT_LENGTH=" + pick({"0", "7", "-1", "abc", "99999"});
    cases.push_back(std::move(c));
  }
  return cases;
}

std::vector<std::string> sanitizer_options() {
  std::vector<std::string> env;
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
    if (const char* value = getenv(name)) env.push_back(std::string(name) + "=" + value);
  return env;
}

TEST_F(FastcgiDifferential, OneProcessWritesTheCgiPagesInAnyOrder) {
  std::mt19937 random(kSeed);
  std::vector<Case> cases = fixed_cases();
  for (Case& c : random_cases(random)) cases.push_back(std::move(c));
  std::shuffle(cases.begin(), cases.end(), random);

  // Variables of the process itself must never reach a request.
  std::vector<std::string> own_env = {"ZEBINSTSRV=" + path("instance"), "ZEBINST=TEST",
                                      "SCRIPT_NAME=/leaked", "REQUEST_METHOD=GET"};
  for (std::string& option : sanitizer_options()) own_env.push_back(option);
  FastcgiServer server(ZEB_BIN_DIR "/zebsrch", path("zebsrch.sock"), own_env);

  int searched = 0;
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    std::vector<std::string> cgi_env = c.env;
    for (std::string& option : sanitizer_options()) cgi_env.push_back(option);
    const ProcessResult cgi = run_process(ZEB_BIN_DIR "/zebsrch", {}, cgi_env, c.body);
    const FastcgiAnswer fastcgi = testing::fastcgi_request(server.socket(), c.env, c.body);
    ASSERT_EQ(fastcgi.out, cgi.out) << "request " << i << " (" << c.what << "): " << c.body;
    ASSERT_EQ(fastcgi.app_status, cgi.exit_status) << "request " << i << ": " << c.body;
    ASSERT_EQ(fastcgi.err, cgi.err) << "request " << i << ": " << c.body;
    if (cgi.out.find("top document(s) returned") != std::string::npos) ++searched;
  }
  EXPECT_GE(cases.size(), 300u);
  // Enough of them list documents, so the comparison is not of error pages.
  EXPECT_GE(searched, 60) << "of " << cases.size();
  EXPECT_EQ(server.stop(), 0) << server.err();
  EXPECT_EQ(server.err(), "");
}

}  // namespace
}  // namespace zeb
