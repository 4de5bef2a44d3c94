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
  EXPECT_EQ(link_of("C:\\docs", "a/b.html"), "file:///C:\\docs\\a/b.html");
  EXPECT_EQ(link_of("HTTP://h/", "a.html"), "file:///HTTP://h/\\a.html");
  EXPECT_EQ(link_of("", "a.html"), "file:///\\a.html");
  EXPECT_EQ(link_of(nullptr, "a.html"), "file:///\\a.html");
}

// The path is encoded, the location is not.
TEST(DocumentLink, ThePathIsPercentEncoded) {
  EXPECT_EQ(link_of("http://h/a b/", "sp ace%20%2e%2e.html"),
            "http://h/a b/sp%20ace%2520%252e%252e.html");
  EXPECT_EQ(link_of("/srv/docs", "d\\x/\xff\n?.html"), "file:///srv/docs/d%5Cx/%FF%0A%3F.html");
}

TEST(DocumentLink, TheLongestLocationAndPathAreWrittenWhole) {
  const std::string location = "C:\\" + std::string(kLocationSize - 4, 'l');
  const std::string path(kDocumentIdSize - 1, 'p');
  EXPECT_EQ(link_of(location.c_str(), path.c_str()), "file:///" + location + "\\" + path);
  EXPECT_EQ(link_of("/srv", path.c_str()), "file:///srv/" + path);
  // A path of bytes that are all encoded still fits.
  const std::string blanks(kDocumentIdSize - 1, ' ');
  std::string encoded;
  for (size_t i = 0; i < blanks.size(); ++i) encoded += "%20";
  EXPECT_EQ(link_of(location.c_str(), blanks.c_str()), "file:///" + location + "\\" + encoded);
  // Anything longer is cut to the buffer.
  const std::string longer(kLinkSize + 10, 'x');
  EXPECT_EQ(link_of("http://h/", longer.c_str()).size(), kLinkSize - 1);
}

TEST(DocumentLink, APathGivenByItsLengthEndsThere) {
  char link[kLinkSize + 1];
  link[kLinkSize] = '!';
  EXPECT_STREQ(make_document_link("/srv", "a/b.html;Title", 8, link), "file:///srv/a/b.html");
  EXPECT_STREQ(make_document_link("http://h/", "x;y", 0, link), "http://h/");
  EXPECT_STREQ(make_document_link(nullptr, "x;y", 1, link), "file:///\\x");
  const std::string path(300, 'q');
  EXPECT_EQ(std::string(make_document_link("C:", path.c_str(), 200, link)),
            "file:///C:\\" + path.substr(0, 200));
  EXPECT_EQ(link[kLinkSize], '!');
  // A location that fills the link leaves no room for the path.
  const std::string location = "http://" + std::string(kLinkSize + 20, 'h');
  EXPECT_EQ(std::string(make_document_link(location.c_str(), "p", 1, link)),
            location.substr(0, kLinkSize - 1));
  EXPECT_EQ(link[kLinkSize], '!');
}

}  // namespace
}  // namespace zeb
