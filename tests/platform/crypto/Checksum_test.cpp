#include "platform/crypto/Checksum.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/crypto/SecureRandom.h"

TEST(Checksum, PublishedValuesAndStartValues) {
  std::string check = "123456789";
  EXPECT_EQ(crypto::crc32(check.data(), check.size()), 0xcbf43926u);
  std::string wiki = "Wikipedia";
  EXPECT_EQ(crypto::adler32(wiki.data(), wiki.size()), 0x11E60398u);
  EXPECT_EQ(crypto::crc32(nullptr, 0), 0u);
  EXPECT_EQ(crypto::adler32(nullptr, 0), 1u);
}

TEST(Checksum, ContinuesOverPieces) {
  std::string s = "The quick brown fox jumps over the lazy dog";
  uint32_t crc = crypto::crc32(s.data(), 10);
  crc = crypto::crc32(s.data() + 10, s.size() - 10, crc);
  EXPECT_EQ(crc, crypto::crc32(s.data(), s.size()));
  uint32_t ad = crypto::adler32(s.data(), 7);
  ad = crypto::adler32(s.data() + 7, s.size() - 7, ad);
  EXPECT_EQ(ad, crypto::adler32(s.data(), s.size()));
}

TEST(SecureRandom, FillsAndDiffers) {
  std::set<std::vector<uint8_t>> seen;
  for (int i = 0; i < 8; ++i) {
    std::vector<uint8_t> v(32, 0);
    ASSERT_TRUE(crypto::secureRandomBytes(v.data(), v.size()));
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 8u);
}
