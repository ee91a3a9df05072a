#pragma once
// A fresh folder per test under the system's temporary folder, removed afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/foundation/values/Data.h"

namespace cachetest {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("kd-cache-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  rt::String path(const std::string& sub = "") const { return rt::String((sub.empty() ? dir : dir / sub).string()); }
  static Ref<fd::Data> bytes(size_t n, char fill = 'x') { return fd::Data::create(std::string(n, fill)); }
  std::filesystem::path dir;
};

}  // namespace cachetest
