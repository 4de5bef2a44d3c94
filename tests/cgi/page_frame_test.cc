#include "cgi/page_frame.h"

#include <gtest/gtest.h>

#include <string>

#include "cgi_test_support.h"
#include "temp_dir.h"

namespace zeb {
namespace {

using testing::PageSink;
using testing::ScopedEnv;
using testing::TempDir;

const std::string kDefaultHeader =
    "<html><head><title>Search Results</title></head>\n<p><b>Search form header not found</b>\n";
const std::string kNoFooter = "\n<p><b>Search form footer not found</b>\n";

class PageFrame : public ::testing::Test {
 protected:
  PageFrame() { env.set("ZEBINSTSRV", dir.path()); }

  // The header and the footer as the page frame prints them.
  std::string header(const std::string& name) {
    request.header_name = name.c_str();
    PageSink page;
    print_header(request, page.out());
    return page.text();
  }
  std::string footer(const std::string& name) {
    request.footer_name = name.c_str();
    PageSink page;
    print_footer(request, page.out());
    return page.text();
  }

  ScopedEnv env;
  TempDir dir;
  SearchRequest request;
};

TEST_F(PageFrame, CopiesTemplatesByteForByte) {
  const std::string head = "<html><head><title>Site</title></head><body>\n<h1>Search</h1>\n";
  dir.write("head.html", head);
  dir.write("foot.html", "<address>site</address>");  // no final line feed
  EXPECT_EQ(header("head.html"), head);
  EXPECT_EQ(footer("foot.html"), "<address>site</address>");
  EXPECT_STREQ(request.instance_dir, dir.path().c_str());
}

TEST_F(PageFrame, LongLinesArriveUnchanged) {
  const std::string line600 = std::string(600, 'x') + "\n";
  const std::string exactly = std::string(254, 'y') + "\n" + std::string(253, 'z') + "\n\n";
  dir.write("long.html", line600 + exactly + std::string(300, 'w'));
  EXPECT_EQ(header("long.html"), line600 + exactly + std::string(300, 'w'));
}

TEST_F(PageFrame, AnEmptyTemplateAddsNothing) {
  dir.write("empty.html", "");
  EXPECT_EQ(header("empty.html"), "");
  EXPECT_EQ(footer("empty.html"), "");
}

TEST_F(PageFrame, MissingTemplatesGetTheirReplacementText) {
  EXPECT_EQ(header("absent.html"), kDefaultHeader);
  EXPECT_EQ(footer("absent.html"), kNoFooter);
  // No header or footer field: the path names the directory itself.
  EXPECT_EQ(header(""), kDefaultHeader);
  EXPECT_EQ(footer(""), kNoFooter);
  dir.write("sub/x.html", "x");
  EXPECT_EQ(header("sub"), kDefaultHeader);
}

TEST_F(PageFrame, NamesLeadingOutOfTheInstanceDirectoryAreRefused) {
  TempDir outside;
  const std::string secret = outside.write("secret.html", "secret");
  dir.write("inner/ok.html", "ok");
  const std::string up =
      "../" + std::filesystem::path(outside.path()).filename().string() + "/secret.html";
  EXPECT_EQ(header(up), kDefaultHeader);
  EXPECT_EQ(header(secret), kDefaultHeader);              // absolute
  EXPECT_EQ(footer("inner/../inner/ok.html"), kNoFooter);  // ".." anywhere
  EXPECT_EQ(footer("inner/.."), kNoFooter);
  EXPECT_EQ(footer("inner/ok.html"), "ok");
  dir.write("a..b.html", "dots");  // ".." inside a name is no component
  EXPECT_EQ(footer("a..b.html"), "dots");
}

TEST_F(PageFrame, PathsLongerThanTheBufferAreRefused) {
  // A name that makes the path exactly 255 characters works; one more does not.
  const size_t room = kTemplatePathSize - 1 - dir.path().size() - 1;
  const std::string folder(100, 'd');
  const std::string fits = folder + "/" + std::string(room - folder.size() - 1, 'f');
  const std::string over = folder + "/" + std::string(room - folder.size(), 'f');
  dir.write(fits, "fits");
  dir.write(over, "over");
  EXPECT_EQ(header(fits), "fits");
  EXPECT_EQ(footer(over), kNoFooter);
}

TEST_F(PageFrame, WithoutInstanceDirectoryThereIsNoFrame) {
  env.unset("ZEBINSTSRV");
  dir.write("head.html", "head");
  EXPECT_EQ(header("head.html"),
            "\n<p><b>Environment not set correctly, missing ZEBINSTSRV.</b>\n");
  EXPECT_EQ(request.instance_dir, nullptr);
  EXPECT_EQ(footer("head.html"), "");
}

}  // namespace
}  // namespace zeb
