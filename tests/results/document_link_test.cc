#include "results/document_link.h"

#include <gtest/gtest.h>

#include <string>

namespace zeb {
namespace {

std::string link_of(const char* location, const char* path) {
  char link[kLinkSize + 1];
  link[kLinkSize] = '!';  // the byte past the link's buffer
  make_document_link(location, path, link);
  EXPECT_EQ(link[kLinkSize], '!');
  return link;
}

TEST(DocumentLink, UrlPrefixDirectoryAndOtherLocations) {
  EXPECT_EQ(link_of("http://h/docs/", "a/b.html"), "http://h/docs/a/b.html");
  EXPECT_EQ(link_of("https://h/docs/", "a/b.html"), "https://h/docs/a/b.html");
  EXPECT_EQ(link_of("/srv/docs", "a/b.html"), "file:///srv/docs/a/b.html");
  EXPECT_EQ(link_of("C:\\docs", "a\\b.html"), "file:///C:\\docs\\a\\b.html");
  EXPECT_EQ(link_of("HTTP://h/", "a.html"), "file:///HTTP://h/\\a.html");
  EXPECT_EQ(link_of("", "a.html"), "file:///\\a.html");
  EXPECT_EQ(link_of(nullptr, "a.html"), "file:///\\a.html");
}

TEST(DocumentLink, ALongLinkIsCutToItsBuffer) {
  const std::string path(200, 'p');
  EXPECT_EQ(link_of("http://h/", path.c_str()), "http://h/" + path.substr(0, 127 - 9));
  EXPECT_EQ(link_of("/srv", path.c_str()).size(), 127u);
}

}  // namespace
}  // namespace zeb
