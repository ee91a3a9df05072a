#include "platform/crypto/Aes.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "platform/crypto/Digest.h"
#include "platform/crypto/SecureRandom.h"

namespace {

std::vector<uint8_t> fromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::vector<uint8_t> randomBytes(size_t n) {
  std::vector<uint8_t> v(n);
  EXPECT_TRUE(crypto::secureRandomBytes(v.data(), n));
  return v;
}

}  // namespace

TEST(Aes, PublishedCBCBlock) {
  auto key = fromHex("2b7e151628aed2a6abf7158809cf4f3c");
  auto iv = fromHex("000102030405060708090a0b0c0d0e0f");
  auto plain = fromHex("6bc1bee22e409f96e93d7e117393172a");
  auto out = crypto::aesCBCEncrypt(key, iv, plain);
  ASSERT_EQ(out.size(), 32u);  // a whole block of padding follows
  EXPECT_EQ(crypto::hexString({out.begin(), out.begin() + 16}), "7649abac8119b246cee98e9b12e9197d");
  EXPECT_EQ(crypto::aesCBCDecrypt(key, iv, out), plain);
}

TEST(Aes, MatchesOpenSSLAndRoundTripsForEveryKeySize) {
  const std::pair<size_t, const EVP_CIPHER*> variants[] = {
      {16, EVP_aes_128_cbc()}, {24, EVP_aes_192_cbc()}, {32, EVP_aes_256_cbc()}};
  for (auto [keySize, cipher] : variants) {
    for (size_t length : {0, 1, 15, 16, 17, 1000}) {
      auto key = randomBytes(keySize);
      auto plain = randomBytes(length);
      for (bool emptyIV : {false, true}) {
        auto iv = emptyIV ? std::vector<uint8_t>{} : randomBytes(16);
        auto ours = crypto::aesCBCEncrypt(key, iv, plain);
        EXPECT_LE(ours.size(), plain.size() + 16);
        std::vector<uint8_t> zero(16, 0);
        std::vector<uint8_t> theirs(plain.size() + 16);
        int n1 = 0, n2 = 0;
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), emptyIV ? zero.data() : iv.data());
        EVP_EncryptUpdate(ctx, theirs.data(), &n1, plain.data(), static_cast<int>(plain.size()));
        EVP_EncryptFinal_ex(ctx, theirs.data() + n1, &n2);
        EVP_CIPHER_CTX_free(ctx);
        theirs.resize(static_cast<size_t>(n1 + n2));
        EXPECT_EQ(ours, theirs) << keySize << " " << length;
        EXPECT_EQ(crypto::aesCBCDecrypt(key, iv, ours), plain);
      }
    }
  }
}

TEST(Aes, Errors) {
  std::vector<uint8_t> key16(16, 1), iv(16, 2);
  struct Case {
    std::vector<uint8_t> key, iv, input;
    bool decrypt;
    int64_t code;
  };
  auto good = crypto::aesCBCEncrypt(key16, iv, {1, 2, 3});
  auto badPadding = good;
  badPadding.back() ^= 0xff;  // garbles the last block's padding
  const Case cases[] = {
      {std::vector<uint8_t>(15, 1), iv, {1}, false, crypto::kCCParamError},
      {std::vector<uint8_t>(33, 1), iv, {1}, true, crypto::kCCParamError},
      {key16, std::vector<uint8_t>(8, 0), {1}, false, crypto::kCCParamError},
      {key16, iv, std::vector<uint8_t>(17, 0), true, crypto::kCCAlignmentError},
      {key16, iv, {}, true, crypto::kCCAlignmentError},
      {key16, iv, badPadding, true, crypto::kCCDecodeError},
  };
  for (const auto& c : cases) {
    Ref<fd::Error> error;
    auto out = c.decrypt ? crypto::aesCBCDecrypt(c.key, c.iv, c.input, &error)
                         : crypto::aesCBCEncrypt(c.key, c.iv, c.input, &error);
    EXPECT_TRUE(out.empty());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), c.code);
    EXPECT_EQ(error->domain(), fd::NSOSStatusErrorDomain);
  }
}
