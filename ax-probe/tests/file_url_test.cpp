#include "file_url.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "file_system.h"

namespace ozmi::probe {
namespace {

TEST(FileUrlTest, ParserAcceptsUrlTextOnly) {
  static constexpr struct {
    const char* text;
    bool accepted;
  } kCases[] = {
      {"file:///tmp/in/a%20b.txt", true},
      {"/tmp/in", true},
      {"relative/name.txt", true},
      {"https://example.com/a?b=c#d", true},
      {"", false},
      {"/tmp/a b", false},
      {"/tmp/a%2", false},
      {"/tmp/a%zz", false},
      {"/tmp/\xc3\xa4", false},  // non-ASCII must be percent-encoded
      {"/tmp/a\nb", false},
      {"/tmp/<a>", false},
      {"/tmp/a\\b", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parseUrl(c.text).has_value(), c.accepted);
  }
}

TEST(FileUrlTest, FileUrlsAndTheirPaths) {
  static constexpr struct {
    const char* url;
    bool isFile;
    const char* path;  // nullptr: none
  } kCases[] = {
      {"file:///tmp/in/a.txt", true, "/tmp/in/a.txt"},
      {"FILE:///tmp/in/", true, "/tmp/in"},
      {"file:///", true, "/"},
      {"file://localhost/tmp//x//", true, "/tmp//x"},
      {"file:///tmp/a%20b%2Fc.txt", true, "/tmp/a b/c.txt"},
      {"file:///tmp/%C3%B6ffnen", true, "/tmp/\xc3\xb6" "ffnen"},
      {"file:///tmp/a.txt?x=1#frag", true, "/tmp/a.txt"},
      {"file:///tmp/100%", true, "/tmp/100%"},
      {"file:///tmp/%FF", true, nullptr},  // not UTF-8 once decoded
      {"file://host", true, nullptr},
      {"file:", true, nullptr},
      {"/tmp/in", false, nullptr},
      {"files:///tmp", false, nullptr},
      {"https://example.com/tmp", false, nullptr},
      {"tmp/file:x", false, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.url);
    const Url url(c.url);
    EXPECT_EQ(isFileURL(url), c.isFile);
    const std::optional<std::string> p = path(url);
    if (c.path) {
      EXPECT_EQ(p, std::optional<std::string>(c.path));
    } else {
      EXPECT_EQ(p, std::nullopt);
    }
  }
}

TEST(FileUrlTest, LastPathComponent) {
  static constexpr struct {
    const char* path;
    const char* last;
  } kCases[] = {
      {"/tmp/in/a.txt", "a.txt"}, {"/tmp/in/", "in"}, {"/", "/"}, {"name", "name"}, {"", ""}, {"/a", "a"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(lastPathComponent(c.path), c.last);
  }
}

TEST(FileUrlTest, JoinPutsExactlyOneSeparator) {
  static constexpr struct {
    const char* dir;
    const char* name;
    const char* joined;
  } kCases[] = {
      {"/tmp/in", "a.txt", "/tmp/in/a.txt"},
      {"/tmp/in/", "a.txt", "/tmp/in/a.txt"},
      {"/tmp/in", "/a.txt", "/tmp/in/a.txt"},
      {"/tmp/in//", "//a.txt", "/tmp/in/a.txt"},
      {"/", "a.txt", "/a.txt"},
      {"", "a.txt", "a.txt"},
      {"/tmp/in", "", "/tmp/in"},
      {"/tmp/in", "sub/a.txt", "/tmp/in/sub/a.txt"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.dir) + " + " + c.name);
    EXPECT_EQ(appendingPathComponent(c.dir, c.name), c.joined);
  }
}

class IsDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ax-probe-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
    std::ofstream(root + "/file.txt") << "x";
    ASSERT_EQ(::symlink((root).c_str(), (root + "/link").c_str()), 0);
  }
  void TearDown() override {
    ::unlink((root + "/link").c_str());
    ::unlink((root + "/file.txt").c_str());
    ::rmdir(root.c_str());
  }
  std::string root;
};

TEST_F(IsDirectoryTest, AnswersTrueFalseOrFails) {
  EXPECT_EQ(isDirectory(root), std::optional<bool>(true));
  EXPECT_EQ(isDirectory(root + "/link"), std::optional<bool>(false));  // the link itself, as on macOS
  EXPECT_EQ(isDirectory(root + "/file.txt"), std::optional<bool>(false));
  EXPECT_EQ(isDirectory(root + "/missing"), std::nullopt);
  EXPECT_EQ(isDirectory(""), std::nullopt);
  // The system would stop at the NUL and answer for the folder instead.
  EXPECT_EQ(isDirectory(root + std::string("\0/x", 3)), std::nullopt);
}

}  // namespace
}  // namespace ozmi::probe
