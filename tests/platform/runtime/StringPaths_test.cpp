#include <gtest/gtest.h>

#include <pwd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/runtime/String.h"

using rt::String;

namespace {
struct PathCase {
  const char* path;
  const char* expected;
};

void expectAll(String (String::*op)() const, std::initializer_list<PathCase> cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(((String(c.path)).*op)().utf8(), c.expected);
  }
}

// Sets HOME for the scope of a test.
class HomeOverride {
 public:
  explicit HomeOverride(const char* home) {
    if (const char* h = std::getenv("HOME")) saved_ = h;
    setenv("HOME", home, 1);
  }
  ~HomeOverride() {
    if (saved_) setenv("HOME", saved_->c_str(), 1);
    else unsetenv("HOME");
  }

 private:
  std::optional<std::string> saved_;
};
}  // namespace

TEST(StringPaths, LastComponentAndExtension) {
  expectAll(&String::lastPathComponent, {{"/tmp/scratch.tiff", "scratch.tiff"},
                                         {"/tmp/scratch", "scratch"},
                                         {"/tmp/", "tmp"},
                                         {"/a/b/", "b"},
                                         {"scratch///", "scratch"},
                                         {"/", "/"},
                                         {"", ""}});
  expectAll(&String::pathExtension, {{"/tmp/scratch.tiff", "tiff"},
                                     {".scratch.tiff", "tiff"},
                                     {"/tmp/scratch", ""},
                                     {"/tmp/", ""},
                                     {"/tmp/scratch..tiff", "tiff"},
                                     {"a.tar.gz", "gz"},
                                     {".bashrc", ""},
                                     {"/dir.d/file", ""},
                                     {"photo.JPG/", "JPG"}});
}

TEST(StringPaths, Deleting) {
  expectAll(&String::stringByDeletingPathExtension, {{"/tmp/scratch.tiff", "/tmp/scratch"},
                                                     {"/tmp/", "/tmp"},
                                                     {"scratch.bundle/", "scratch"},
                                                     {"scratch..tiff", "scratch."},
                                                     {".tiff", ".tiff"},
                                                     {"/", "/"},
                                                     {"a.tar.gz", "a.tar"}});
  expectAll(&String::stringByDeletingLastPathComponent, {{"/tmp/scratch.tiff", "/tmp"},
                                                         {"/tmp/lock/", "/tmp"},
                                                         {"/tmp/", "/"},
                                                         {"/tmp", "/"},
                                                         {"/", "/"},
                                                         {"scratch.tiff", ""},
                                                         {"a//b", "a"}});
}

TEST(StringPaths, Appending) {
  struct Case {
    const char* base;
    const char* part;
    const char* component;
    const char* extension;
  } cases[] = {
      {"/tmp", "scratch.tiff", "/tmp/scratch.tiff", "/tmp.scratch.tiff"},
      {"/tmp/", "scratch.tiff", "/tmp/scratch.tiff", "/tmp.scratch.tiff"},
      {"/", "x", "/x", "/"},
      {"", "x", "x", ""},
      {"/tmp//", "/x//y/", "/tmp/x/y", "/tmp//"},  // no extension can hold a separator
      {"/tmp", "", "/tmp", "/tmp."},
      {"/tmp/scratch.old", "tiff", "/tmp/scratch.old/tiff", "/tmp/scratch.old.tiff"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.base) + " + " + c.part);
    EXPECT_EQ(String(c.base).stringByAppendingPathComponent(c.part).utf8(), c.component);
    EXPECT_EQ(String(c.base).stringByAppendingPathExtension(c.part).utf8(), c.extension);
  }
}

TEST(StringPaths, Components) {
  struct Case {
    const char* path;
    std::vector<std::string> expected;
  } cases[] = {
      {"tmp/scratch", {"tmp", "scratch"}},
      {"/tmp/scratch", {"/", "tmp", "scratch"}},
      {"scratch", {"scratch"}},
      {"/tmp/", {"/", "tmp", "/"}},
      {"a//b", {"a", "b"}},
      {"/", {"/"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::vector<std::string> got;
    for (const auto& p : String(c.path).pathComponents()) got.push_back(p.utf8());
    EXPECT_EQ(got, c.expected);
  }
  EXPECT_TRUE(String("/a").isAbsolutePath());
  EXPECT_FALSE(String("a/b").isAbsolutePath());
  EXPECT_FALSE(String("").isAbsolutePath());
}

TEST(StringPaths, TildeExpansion) {
  HomeOverride home("/home/tester/");
  expectAll(&String::stringByExpandingTildeInPath, {{"~", "/home/tester"},
                                                    {"~/", "/home/tester"},
                                                    {"~/Documents/x.txt", "/home/tester/Documents/x.txt"},
                                                    {"/abs/~", "/abs/~"},
                                                    {"x~", "x~"},
                                                    {"~no_such_user_kd/x", "~no_such_user_kd/x"}});
  if (passwd* root = getpwnam("root")) {
    EXPECT_EQ(String("~root/x").stringByExpandingTildeInPath().utf8(), std::string(root->pw_dir) + "/x");
  }
}
