// The built zebsrch run as the web server runs it: environment, posted body
// on standard input, the page on standard output, the exit status. These
// requests end before any search, so they need no index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/temp_dir.h"
#include "e2e/run_process.h"

namespace zeb {
namespace {

using testing::ProcessResult;
using testing::run_process;
using testing::TempDir;

const std::string kHttpHeader = "Content-type: text/html\n\n\n";
const std::string kHead = "<html><head><title>Site</title></head><body>\n";
const std::string kFoot = "<address>Site</address>\n";
const std::string kDefaultHeader =
    "<html><head><title>Search Results</title></head>\n<p><b>Search form header not found</b>\n";
const std::string kNoFooter = "\n<p><b>Search form footer not found</b>\n";
const std::string kEmpty =
    "<p>Vant message: The search request is empty. Maybe stopwords only specified..\n";
const std::string kEnd = "</BODY></HTML>\n";
const std::string kFramedEmptyPage = kHttpHeader + kHead + kEmpty + kFoot + kEnd;

class CgiProcess : public ::testing::Test {
 protected:
  CgiProcess() {
    instance.write("head.html", kHead);
    instance.write("foot.html", kFoot);
  }

  // The usual CGI environment of a posted form; `length` "" leaves
  // CONTENT_LENGTH unset.
  std::vector<std::string> cgi_env(const std::string& length) const {
    std::vector<std::string> env = {"REQUEST_METHOD=POST",
                                    "CONTENT_TYPE=application/x-www-form-urlencoded",
                                    "ZEBINSTSRV=" + instance.path(), "ZEBINST=TEST"};
    if (!length.empty()) env.push_back("CONTENT_LENGTH=" + length);
    return env;
  }

  ProcessResult post(const std::string& body, const std::string& length) {
    return run_process(ZEB_BIN_DIR "/zebsrch", {}, cgi_env(length), body);
  }
  ProcessResult post(const std::string& body) { return post(body, std::to_string(body.size())); }

  // The same, with the program's data memory limited to 40 MiB: less than
  // the bodies it is given, more than the 16 MiB it may keep of them.
  // (Address sanitizer builds reserve memory of their own: no limit there.)
  ProcessResult post_with_little_memory(const std::string& body) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit = "";
#else
    const std::string limit = "ulimit -d 40960 && ";
#endif
    return run_process("/bin/sh", {"-c", limit + "exec \"$0\"", ZEB_BIN_DIR "/zebsrch"},
                       cgi_env(std::to_string(body.size())), body);
  }

  TempDir instance;
};

TEST_F(CgiProcess, RejectedMethodEndsWithStatusOne) {
  std::vector<std::string> env = cgi_env("3");
  env[0] = "REQUEST_METHOD=GET";
  ProcessResult r = run_process(ZEB_BIN_DIR "/zebsrch", {}, env, "a=1");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.out, kHttpHeader +
                       "This script should be referenced with a METHOD of POST.\n"
                       "If you don't understand this, see this "
                       "<A HREF=\"/zebsrch/forms.html\">forms overview</A>.\n"
                       "<P>An invalid search form has been specified!</HTML>\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(CgiProcess, EmptyBodyGetsTheDefaultFrame) {
  ProcessResult r = post("");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, kHttpHeader + kDefaultHeader + kEmpty + kNoFooter + kEnd);
}

TEST_F(CgiProcess, FormWithoutUsableQueryIsFramedByTheTemplates) {
  ProcessResult r = post("header=head.html&footer=foot.html&query_word0=&rank=Y&SelectIndex=docs");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, kFramedEmptyPage);
}

TEST_F(CgiProcess, MissingTemplatesAreReportedInThePage) {
  ProcessResult r = post("header=nothere.html&footer=../foot.html&topic=x");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, kHttpHeader + kDefaultHeader + kEmpty + kNoFooter + kEnd);
}

TEST_F(CgiProcess, WithoutInstanceDirectoryThereIsNoFrame) {
  std::vector<std::string> env = {"REQUEST_METHOD=POST", "CONTENT_LENGTH=33"};
  ProcessResult r =
      run_process(ZEB_BIN_DIR "/zebsrch", {}, env, "header=head.html&footer=foot.html");
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, kHttpHeader + "\n<p><b>Environment not set correctly, missing ZEBINSTSRV.</b>\n" +
                       kEmpty + kEnd);
}

TEST_F(CgiProcess, LengthOverstatedNegativeOrUnsetReadsToTheEndOfInput) {
  const std::string body = "header=head.html&footer=foot.html&rank=Y";
  for (const std::string& length : {std::string("1000000000"), std::string("-1"),
                                    std::string("-2147483648"), std::string("")}) {
    ProcessResult r = post(body, length);
    EXPECT_EQ(r.exit_status, 0) << length;
    EXPECT_EQ(r.out, kFramedEmptyPage) << length;
  }
}

TEST_F(CgiProcess, HugeBodiesAreReadWithBoundedMemory) {
  // 50 MB: fifty entries of 1 MiB, then the templates.
  std::string body;
  body.reserve(51 << 20);
  const std::string big = "junk=" + std::string((1 << 20) - 6, 'x') + "&";
  for (int i = 0; i < 50; ++i) body += big;
  std::string tail = "header=head.html&footer=foot.html";
  ProcessResult r = post_with_little_memory(body + tail);
  EXPECT_EQ(r.exit_status, 0);
  // Beyond 16 MiB nothing more is kept, so the templates are lost too.
  EXPECT_EQ(r.out, kHttpHeader + kDefaultHeader + kEmpty + kNoFooter + kEnd);

  ProcessResult front = post_with_little_memory(tail + "&" + body);
  EXPECT_EQ(front.exit_status, 0);
  EXPECT_EQ(front.out, kFramedEmptyPage);
}

TEST_F(CgiProcess, ManyEmptyEntriesAreDropped) {
  ProcessResult r = post("header=head.html&footer=foot.html" + std::string(100000, '&'));
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.out, kFramedEmptyPage);
}

TEST_F(CgiProcess, MalformedEscapesAndNulBytesDecodeWithoutHarm) {
  ProcessResult escapes = post("header=head%2ehtml&footer=foot.htm%6C&x=%4&%zz=%%%&y=%");
  EXPECT_EQ(escapes.exit_status, 0);
  EXPECT_EQ(escapes.out, kFramedEmptyPage);

  const char with_nuls[] = "header=head.html\0tail&\0\0\0&footer=foot.html%00x";
  ProcessResult nul = post(std::string(with_nuls, sizeof with_nuls - 1));
  EXPECT_EQ(nul.exit_status, 0);
  EXPECT_EQ(nul.out, kFramedEmptyPage);
}

}  // namespace
}  // namespace zeb
