#include "cgi/page_frame.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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

TEST_F(PageFrame, ANulEndsWhatIsCopiedOfItsPiece) {
  // A piece ends after a line feed or at 254 characters; from a NUL on, the
  // rest of that piece is left out, line feed included.
  dir.write("nul.html", std::string("ab\0cd\nef\n", 9) + std::string(300, 'x') + '\0' + "yz");
  EXPECT_EQ(header("nul.html"), "abef\n" + std::string(300, 'x'));
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

TEST_F(PageFrame, TheInstancesOwnFilesAndIndexDataAreNoTemplates) {
  const char* refused[] = {
      "zebinst.cat", "zebinst.cat.tmp", "ZEBMAP.DAT", "INSTANCE/help/DATA/ZEBMAP.DAT",
      ".zebadm.lock", "data/PGDOC/source", "data/PGDOC/ZEBCSREF.DAT",
      "data/PGDOC/xapian/docdata.glass", "data/PGDOC/notes.html", "DATA/notes.html",
      "Data/PGDOC/notes.txt", "data/.PGDOC.new/x.html", "header.html.tmp",
  };
  for (const char* name : refused) {
    dir.write(name, "<script>index data</script>");
    EXPECT_EQ(header(name), kDefaultHeader) << name;
    EXPECT_EQ(footer(name), kNoFooter) << name;
  }
  // The default templates zebadm makes, and names that merely look alike.
  for (const char* name : {"header.html", "footer.html", "database/x.html", "site/data/x.html"}) {
    dir.write(name, name);
    EXPECT_EQ(header(name), name);
  }
}

TEST_F(PageFrame, OnlyTemplateNamesAreTemplates) {
  for (const char* name : {"head.HTM", "head.html", "notes.Txt", "parts/menu.INC",
                           "site/en/foot.htm", "site/head.html", "a.b.html"}) {
    dir.write(name, name);
    EXPECT_EQ(header(name), name);
    EXPECT_EQ(footer(name), name);
  }
  for (const char* name : {"head.htmlx", "head.php", "head", "head.html~", "html", ".html",
                           ".site/head.html", "site/.head.html"})
    dir.write(name, "hidden or misnamed");
  // The second group spells files that exist in a way no template name has.
  for (const char* name : {"head.htmlx", "head.php", "head", "head.html~", "html", ".html",
                           ".site/head.html", "site/.head.html", "./head.html",
                           "site/./head.html", "site//head.html", "site/en/../head.html",
                           "head.html/", "site/"}) {
    EXPECT_EQ(footer(name), kNoFooter) << name;
  }
  EXPECT_EQ(header(dir.path() + "/head.html"), kDefaultHeader);  // absolute
}

TEST_F(PageFrame, OnlyRegularFilesAreTemplates) {
  std::filesystem::create_directories(dir.path() + "/folder.html");
  EXPECT_EQ(header("folder.html"), kDefaultHeader);
  // A pipe would block a plain open; it must neither hang the page nor count.
  ASSERT_EQ(mkfifo((dir.path() + "/pipe.html").c_str(), 0600), 0);
  EXPECT_EQ(header("pipe.html"), kDefaultHeader);
  EXPECT_EQ(footer("pipe.html"), kNoFooter);
}

TEST_F(PageFrame, LinksMustEndAtATemplateOfTheInstance) {
  namespace fs = std::filesystem;
  TempDir outside;
  outside.write("secret.html", "secret");
  dir.write("data/PGDOC/xapian/docdata.glass", "<script>stored</script>");
  dir.write("zebinst.cat", "catalogue");
  dir.write(".private.html", "private");
  dir.write("themes/blue.html", "blue");
  const std::string base = dir.path() + "/";
  fs::create_symlink(base + "data/PGDOC/xapian/docdata.glass", base + "stored.html");
  fs::create_symlink("data/PGDOC/xapian/docdata.glass", base + "relative.html");
  fs::create_symlink("zebinst.cat", base + "catalogue.html");
  fs::create_symlink(".private.html", base + "private.html");
  fs::create_symlink(outside.path() + "/secret.html", base + "secret.html");
  fs::create_symlink("/etc/passwd", base + "passwd.txt");
  fs::create_symlink(outside.path(), base + "away");
  fs::create_symlink("data/PGDOC", base + "pages");
  fs::create_symlink("missing.html", base + "dangling.html");
  for (const char* name : {"stored.html", "relative.html", "catalogue.html", "private.html",
                           "secret.html", "passwd.txt", "away/secret.html", "dangling.html"}) {
    EXPECT_EQ(header(name), kDefaultHeader) << name;
  }
  dir.write("data/PGDOC/page.html", "index data");
  EXPECT_EQ(footer("pages/page.html"), kNoFooter);

  // Links that stay among the instance's templates are followed.
  fs::create_symlink("themes/blue.html", base + "current.html");
  fs::create_symlink("themes", base + "look");
  EXPECT_EQ(header("current.html"), "blue");
  EXPECT_EQ(footer("look/blue.html"), "blue");
}

TEST_F(PageFrame, AnInstanceDirectoryReachedThroughALinkKeepsItsTemplates) {
  TempDir other;
  const std::string link = other.path() + "/instance-link";
  std::filesystem::create_symlink(dir.path(), link);
  env.set("ZEBINSTSRV", link);
  dir.write("head.html", "head");
  dir.write("zebinst.cat", "catalogue");
  EXPECT_EQ(header("head.html"), "head");
  EXPECT_EQ(footer("zebinst.cat"), kNoFooter);
  env.set("ZEBINSTSRV", dir.path() + "/");
  EXPECT_EQ(header("head.html"), "head");
}

TEST_F(PageFrame, PathsLongerThanTheBufferAreRefused) {
  // A name that makes the path exactly 255 characters works; one more does not.
  const size_t room = kTemplatePathSize - 1 - dir.path().size() - 1;
  const std::string folder(100, 'd');
  const std::string fits = folder + "/" + std::string(room - folder.size() - 6, 'f') + ".html";
  const std::string over = folder + "/" + std::string(room - folder.size() - 5, 'f') + ".html";
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
