#include "platform/crypto/Digest.h"

#include <gtest/gtest.h>
#include <openssl/hmac.h>

#include <string>

#include "platform/crypto/Hmac.h"

using crypto::Digest;
using crypto::DigestAlgorithm;

namespace {

struct Vector {
  DigestAlgorithm algorithm;
  const char* abc;  // published digest of "abc"
};

const Vector kVectors[] = {
    {DigestAlgorithm::MD2, "da853b0d3f88d99b30283a69e6ded6bb"},
    {DigestAlgorithm::MD4, "a448017aaf21d8525fc10ae87aa6729d"},
    {DigestAlgorithm::MD5, "900150983cd24fb0d6963f7d28e17f72"},
    {DigestAlgorithm::SHA1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {DigestAlgorithm::SHA224, "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
    {DigestAlgorithm::SHA256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {DigestAlgorithm::SHA384,
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {DigestAlgorithm::SHA512,
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2"
     "a9ac94fa54ca49f"},
};

}  // namespace

TEST(Digest, KnownAnswersOneShotAndIncremental) {
  for (const auto& v : kVectors) {
    std::string expected = v.abc;
    EXPECT_EQ(crypto::hexString(Digest::of(v.algorithm, "abc")), expected);
    EXPECT_EQ(crypto::digestLength(v.algorithm) * 2, expected.size());
    Digest d(v.algorithm);
    d.update("a");
    d.update("");
    d.update("bc");
    EXPECT_EQ(crypto::hexString(d.finish()), expected);
    // The object starts over after finishing.
    d.update("abc");
    EXPECT_EQ(crypto::hexString(d.finish()), expected);
  }
}

TEST(Digest, UpperCaseHex) {
  EXPECT_EQ(crypto::hexString(Digest::of(DigestAlgorithm::MD5, "abc"), true), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(Hmac, AlgorithmNumbers) {
  const DigestAlgorithm expected[] = {DigestAlgorithm::SHA1, DigestAlgorithm::MD5, DigestAlgorithm::SHA256,
                                      DigestAlgorithm::SHA384, DigestAlgorithm::SHA512, DigestAlgorithm::SHA224};
  const size_t sizes[] = {20, 16, 32, 48, 64, 28};
  for (int i = 0; i < 6; ++i) {
    ASSERT_EQ(crypto::hmacAlgorithm(i), expected[i]);
    EXPECT_EQ(crypto::digestLength(expected[i]), sizes[i]);
  }
  EXPECT_FALSE(crypto::hmacAlgorithm(6));
  EXPECT_FALSE(crypto::hmacAlgorithm(-1));
}

TEST(Hmac, PublishedVector) {
  std::string key = "Jefe", msg = "what do ya want for nothing?";
  EXPECT_EQ(crypto::hexString(crypto::Hmac::of(DigestAlgorithm::SHA256, key.data(), key.size(), msg.data(), msg.size())),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
}

TEST(Hmac, MatchesOpenSSLForEveryAlgorithmAndKeyLength) {
  const std::pair<DigestAlgorithm, const EVP_MD*> pairs[] = {
      {DigestAlgorithm::MD5, EVP_md5()},       {DigestAlgorithm::SHA1, EVP_sha1()},
      {DigestAlgorithm::SHA224, EVP_sha224()}, {DigestAlgorithm::SHA256, EVP_sha256()},
      {DigestAlgorithm::SHA384, EVP_sha384()}, {DigestAlgorithm::SHA512, EVP_sha512()}};
  std::string msg(1000, 'x');
  for (size_t keyLength : {0, 5, 64, 128, 200}) {
    std::string key(keyLength, 'k');
    for (auto [ours, theirs] : pairs) {
      unsigned char out[EVP_MAX_MD_SIZE];
      unsigned int n = 0;
      HMAC(theirs, key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(msg.data()),
           msg.size(), out, &n);
      crypto::Hmac h(ours, key.data(), key.size());
      h.update(msg.data(), 300);
      h.update(msg.data() + 300, msg.size() - 300);
      EXPECT_EQ(h.finish(), std::vector<uint8_t>(out, out + n)) << "key length " << keyLength;
    }
  }
}
