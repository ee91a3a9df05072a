#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/utility/DRFileHash.h"

namespace base {
namespace {

class DRFileHashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("drfilehash-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string write(const std::string& name, const std::string& bytes) {
    auto path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::filesystem::path dir_;
};

constexpr uint64_t kAll = 0x3FF;

TEST_F(DRFileHashTest, KnownValuesForEmptyAndSmallFiles) {
  struct Case {
    std::string bytes;
    const char *md5, *sha1, *sha256, *crc, *adler;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "00000000", "00000001"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", "352441c2", "024d0127"},
  };
  for (const auto& c : cases) {
    auto h = DRFileHash::hashForFile(write("f", c.bytes), kAll);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->md5String()->string(), c.md5);
    EXPECT_EQ(h->sha1String()->string(), c.sha1);
    EXPECT_EQ(h->sha256String()->string(), c.sha256);
    EXPECT_EQ(h->crc32String()->string(), c.crc);
    EXPECT_EQ(h->adler32String()->string(), c.adler);
    EXPECT_EQ(h->md5Data()->length(), 16u);
    EXPECT_EQ(h->sha512Data()->length(), 64u);
    EXPECT_EQ(h->md2String()->length(), 32u);
  }
  auto onlyCrc = DRFileHash::hashForFile(write("g", "abc"), DRFileHashTypeCRC32);
  EXPECT_EQ(onlyCrc->crc32(), 0x352441c2u);
  EXPECT_FALSE(onlyCrc->md5String());
  EXPECT_EQ(onlyCrc->adler32(), 0u);
}

TEST_F(DRFileHashTest, FailuresGiveNothing) {
  EXPECT_FALSE(DRFileHash::hashForFile(write("f", "x"), 0));
  EXPECT_FALSE(DRFileHash::hashForFile((dir_ / "missing").string(), kAll));
  EXPECT_FALSE(DRFileHash::hashForFile("", kAll));
  EXPECT_FALSE(DRFileHash::hashForFile(dir_.string(), kAll));  // a folder cannot be read
}

TEST_F(DRFileHashTest, ProgressEveryEightMebibytesAndStop) {
  std::string big(8 << 20, 'k');
  auto path = write("big", big + "tail");
  std::vector<uint64_t> reports;
  auto h = DRFileHash::hashForFile(path, DRFileHashTypeSHA256, [&](uint64_t total, uint64_t done, bool*) {
    EXPECT_EQ(total, big.size() + 4);
    reports.push_back(done);
  });
  ASSERT_TRUE(h);
  EXPECT_EQ(reports, std::vector<uint64_t>{8u << 20});
  auto plain = DRFileHash::hashForFile(path, DRFileHashTypeSHA256);
  EXPECT_EQ(plain->sha256String()->string(), h->sha256String()->string());

  EXPECT_FALSE(DRFileHash::hashForFile(path, DRFileHashTypeMD5, [](uint64_t, uint64_t, bool* stop) { *stop = true; }));
  int calls = 0;
  EXPECT_TRUE(DRFileHash::hashForFile(write("small", std::string(4 << 20, 's')), DRFileHashTypeMD5,
                                      [&](uint64_t, uint64_t, bool*) { ++calls; }));
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace base
