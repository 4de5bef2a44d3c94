// Searches that run while zebadm changes the index they search: CGI
// processes side by side, over and over, and one persistent process whose
// request is under way (its page half written, the index open) when the
// change lands. Every page is whole and lists documents that exist or gives
// the answer for an index that cannot be searched; once a change is done,
// the next page of either kind shows all of it and nothing older.
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <filesystem>
#include <fstream>

#include "cgi/temp_dir.h"
#include "e2e/concurrent_runs.h"

namespace zeb::testing {
namespace {

// Enough rows, with long titles and links, that a page fills the socket to the web
// server, so that a process whose client does not read stops half way.
constexpr int kPages = 1000;
const std::string kForm =
    "SelectIndex=docs&query_word0=common&limit_number=5000"
    "&header=header.html&footer=footer.html";

// Whether process `pid` waits to write (its page, to a client that does
// not read).
bool blocked_writing(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  file >> number;
  return number == SYS_write || number == SYS_writev || number == SYS_sendmsg ||
         number == SYS_sendto;
}

class SearchesAgainstZebadm : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < kPages; ++i) {
      const std::string path = folder(i) + "/page" + std::to_string(i) + ".html";
      dir_.write("docs/" + path, "<title>Page " + std::to_string(i) + " " + std::string(240, 'x') +
                                     "</title><p>common words</p>");
      known_.insert("file://" + docs() + "/" + path);
    }
    ASSERT_EQ(run_zebadm(instance(), {"init", "test"}).exit_status, 0);
  }

  // Long folder names make long links.
  static std::string folder(int i) {
    return "part" + std::to_string(i % 10) + std::string(200, 'f');
  }

  std::string instance() const { return dir_.path() + "/instance"; }
  std::string docs() const { return dir_.path() + "/docs"; }

  std::string cgi_page() const {
    const ProcessResult r = run_process(
        ZEB_BIN_DIR "/zebsrch", {}, form_env(instance(), "TEST", kForm), kForm, kPageBoundSeconds);
    EXPECT_EQ(r.exit_status, 0) << "signal " << r.signal << "\n" << r.err;
    return r.out;
  }
  std::string persistent_page() const {
    const FastcgiAnswer answer =
        fastcgi_request(server_.socket(), form_env(instance(), "TEST", kForm), kForm);
    EXPECT_EQ(answer.app_status, 0) << answer.err << server_.err();
    return answer.out;
  }

  // The documents the tree holds now.
  std::set<std::string> in_tree() const {
    std::set<std::string> links;
    for (const auto& file : std::filesystem::recursive_directory_iterator(docs()))
      if (file.is_regular_file()) links.insert("file://" + file.path().string());
    return links;
  }

  TempDir dir_;
  std::set<std::string> known_;
  // A held request waits on its records while zebadm runs, which on a busy
  // machine may take longer than the usual read timeout.
  mutable FastcgiServer server_{ZEB_BIN_DIR "/zebsrch", dir_.path() + "/zebsrch.sock",
                                {"ZEBSRCH_READ_TIMEOUT=300"}};
};

TEST_F(SearchesAgainstZebadm, PagesAreWholeAndShowEachChangeOnceItIsDone) {
  SearchLoop loop(
      {[&] { return cgi_page(); }, [&] { return cgi_page(); }, [&] { return cgi_page(); }},
      &known_);
  struct Step {
    const char* what;
    std::vector<std::string> run;
    bool held;                 // a persistent request is under way meanwhile
    const char* settled_code;  // the answer once done; null: the tree's documents
  };
  const Step steps[] = {
      {"create", {"create", "docs", docs()}, false, nullptr},
      {"suspend", {"suspend", "docs"}, true, "(rc=61)"},
      {"resume", {"resume", "docs"}, false, nullptr},
      {"update removing half", {"update", "docs"}, true, nullptr},
      {"delete", {"delete", "docs"}, true, "(rc=24)"},
      {"create again", {"create", "docs", docs()}, false, nullptr},
      {"clear", {"clear", "docs"}, true, "(rc=72)"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    if (step.run[0] == "update")
      for (int i = 1; i < kPages; i += 2)
        std::filesystem::remove(docs() + "/" + folder(i) + "/page" + std::to_string(i) + ".html");
    std::unique_ptr<FastcgiConnection> held;
    if (step.held) {
      held = std::make_unique<FastcgiConnection>(server_.socket());
      held->begin(form_env(instance(), "TEST", kForm));
      held->send_body(kForm);
      bool blocked = false;
      for (int i = 0; i < 2000 && !(blocked = blocked_writing(server_.pid())); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ASSERT_TRUE(blocked) << "the page did not fill the socket";
    }
    const ProcessResult r = run_zebadm(instance(), step.run);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    if (held) {
      const FastcgiAnswer answer = held->read_answer();
      // As a web server does: the process finishes a request only once its
      // client has closed the connection.
      held.reset();
      EXPECT_EQ(answer.app_status, 0) << server_.err();
      EXPECT_EQ(judge_page(answer.out, known_), "listed");
    }
    for (const std::string& page : {cgi_page(), persistent_page()}) {
      if (step.settled_code != nullptr) {
        EXPECT_NE(page.find(step.settled_code), std::string::npos) << page.substr(0, 3000);
        continue;
      }
      std::set<std::string> listed;
      for (const PageRow& row : page_rows(page)) listed.insert(row.link);
      EXPECT_EQ(listed, in_tree()) << page.substr(0, 3000);
    }
  }
  loop.stop();
  const std::map<std::string, int> kinds = loop.kinds();
  std::string seen;
  for (const auto& [kind, count] : kinds) seen += kind + ": " + std::to_string(count) + "  ";
  std::cout << "pages seen meanwhile: " << seen << "\n";
  EXPECT_GT(kinds.count("listed") ? kinds.at("listed") : 0, 0) << seen;
  EXPECT_EQ(expect_sound_instance(instance()), std::set<std::string>{"DOCS"});
  EXPECT_EQ(server_.stop(), 0) << server_.err();
}

}  // namespace
}  // namespace zeb::testing
