#pragma once
// A fresh temporary folder per test, removed afterwards, and environment variables set for
// one test only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fd::testing {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kdfiles-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
      else unsetenv(it->first.c_str());
    }
    std::error_code ec;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(root_, ec);
  }
  void setEnv(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    setenv(name, value.c_str(), 1);
  }
  void unsetEnv(const char* name) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    unsetenv(name);
  }
  std::string path(const std::string& relative) const { return root_ + "/" + relative; }

  std::string root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace fd::testing
