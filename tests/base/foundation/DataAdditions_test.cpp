#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/foundation/Data+DUDer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Dictionary.h"

namespace base {
namespace {

Ref<fd::Data> bytes(std::string_view s) { return fd::Data::create(s); }
Ref<fd::Data> hex(const char* h) { return dataWithHexString(h); }
std::string lowerHex(const Ref<fd::Data>& d) { return hexString(*d).lowercaseString().utf8(); }

TEST(DataAdditions, DigestsMatchStandardVectorsAsTextAndBytes) {
  struct Case {
    String (*text)(const fd::Data&);
    Ref<fd::Data> (*raw)(const fd::Data&);
    const char* input;
    const char* expected;
  };
  const Case cases[] = {
      {md2String, md2Data, "", "8350e5a3e24c153df2275c9f80692773"},
      {md2String, md2Data, "abc", "da853b0d3f88d99b30283a69e6ded6bb"},
      {md4String, md4Data, "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
      {md4String, md4Data, "abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {md5String, md5Data, "", "d41d8cd98f00b204e9800998ecf8427e"},
      {md5String, md5Data, "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {sha1String, sha1Data, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {sha1String, sha1Data, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {sha224String, sha224Data, "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
      {sha256String, sha256Data, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {sha256String, sha256Data, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {sha384String, sha384Data, "abc",
       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
      {sha512String, sha512Data, "abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e"
       "2a9ac94fa54ca49f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.text(*bytes(c.input)), c.expected);
    EXPECT_EQ(lowerHex(c.raw(*bytes(c.input))), c.expected);
  }
}

TEST(DataAdditions, HmacMatchesStandardVectorsInEveryForm) {
  auto message = bytes("what do ya want for nothing?");
  auto key = bytes("Jefe");
  struct Case {
    uint32_t alg;
    String (*text)(const fd::Data&, const String&);
    Ref<fd::Data> (*raw)(const fd::Data&, const fd::Data&);
    const char* expected;
  };
  const Case cases[] = {
      {1, hmacMD5StringWithKey, hmacMD5DataWithKey, "750c783e6ab0b503eaa86e310a5db738"},
      {0, hmacSHA1StringWithKey, hmacSHA1DataWithKey, "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {5, hmacSHA224StringWithKey, hmacSHA224DataWithKey, "a30e01098bc6dbbf45690f3a7e9e6d0f8bbea2a39e6148008fd05e44"},
      {2, hmacSHA256StringWithKey, hmacSHA256DataWithKey,
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {3, hmacSHA384StringWithKey, hmacSHA384DataWithKey,
       "af45d2e376484031617f78d2b58a6b1b9c7ef464f5a01b47e42ec3736322445e8e2240ca5e69e2c78b3239ecfab21649"},
      {4, hmacSHA512StringWithKey, hmacSHA512DataWithKey,
       "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d034f65f8f0e6fdcaeab1a34d4a6b4b6"
       "36e070a38bce737"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.alg);
    EXPECT_EQ(c.text(*message, "Jefe"), c.expected);
    EXPECT_EQ(lowerHex(c.raw(*message, *key)), c.expected);
    EXPECT_EQ(hmacStringUsingAlg(*message, c.alg, "Jefe"), String(c.expected));
  }
  EXPECT_FALSE(hmacStringUsingAlg(*message, 6, "Jefe"));
  EXPECT_EQ(hmacDataUsingAlg(*message, 6, *key), nullptr);
  // A key holding U+0000 keeps the bytes after it.
  EXPECT_NE(hmacSHA256StringWithKey(*message, String(u"Je\0fe", 5)), hmacSHA256StringWithKey(*message, "Je"));
}

TEST(DataAdditions, Crc32OfCheckStringAndEmptyBuffer) {
  EXPECT_EQ(crc32(*bytes("123456789")), 0xcbf43926u);
  EXPECT_EQ(crc32String(*bytes("123456789")), "cbf43926");
  EXPECT_EQ(crc32(*bytes("")), 0u);
  EXPECT_EQ(crc32String(*bytes("")), "00000000");
  EXPECT_EQ(crc32String(*bytes("a")), "e8b7be43");  // leading digits stay when small values need padding
}

TEST(DataAdditions, AesCbcMatchesNistVectorsForEveryKeySizeAndRoundTrips) {
  auto iv = hex("000102030405060708090a0b0c0d0e0f");
  auto plain = hex("6bc1bee22e409f96e93d7e117393172a");
  struct Case {
    const char* key;
    const char* firstBlock;
  };
  const Case cases[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", "7649abac8119b246cee98e9b12e9197d"},
      {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b", "4f021db243bc633d7178183a9fa071e8"},
      {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", "f58c4c04d6e5f1ba779eabfb5f7bfbd6"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    auto cipher = aes256EncryptWithKey(*plain, *hex(c.key), iv);
    ASSERT_NE(cipher, nullptr);
    ASSERT_EQ(cipher->length(), 32u);  // a whole block of padding follows
    EXPECT_EQ(lowerHex(cipher).substr(0, 32), c.firstBlock);
    auto back = aes256DecryptWithkey(*cipher, *hex(c.key), iv);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isEqualToData(*plain));
  }
}

TEST(DataAdditions, AesRejectsBadLengthsAndWrongKeys) {
  auto plain = bytes("seventeen bytes!!");
  auto key16 = bytes("0123456789abcdef");
  EXPECT_EQ(aes256EncryptWithKey(*plain, *bytes("01234567890123456789"), nullptr), nullptr);
  EXPECT_EQ(aes256EncryptWithKey(*plain, *key16, bytes("twelve bytes")), nullptr);
  // A null vector and an empty one both mean zeros.
  auto a = aes256EncryptWithKey(*plain, *key16, nullptr);
  auto b = aes256EncryptWithKey(*plain, *key16, fd::Data::create());
  auto c = aes256EncryptWithKey(*plain, *key16, fd::Data::create(std::vector<uint8_t>(16, 0)));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->length(), 32u);
  EXPECT_TRUE(a->isEqualToData(*b));
  EXPECT_TRUE(a->isEqualToData(*c));
  // Wrong keys fail the padding check almost always; count that nothing garbled slips through.
  int wrongAccepted = 0;
  for (int i = 0; i < 20; ++i) {
    auto other = fd::Data::create(std::string("fedcba987654321") + char('a' + i));
    auto out = aes256DecryptWithkey(*a, *other, nullptr);
    if (out) wrongAccepted += out->isEqualToData(*plain) ? 100 : 1;
  }
  EXPECT_LT(wrongAccepted, 3);
  EXPECT_EQ(aes256DecryptWithkey(*bytes("not a block"), *key16, nullptr), nullptr);
}

// The limit the interface states: only the padding is checked, so some wrong key among a few
// thousand yields bytes that are not the plain text, answered as a success.
TEST(DataAdditions, AesDecryptionWithAWrongKeyCanAnswerGarbage) {
  auto plain = bytes("seventeen bytes!!");
  auto cipher = aes256EncryptWithKey(*plain, *bytes("0123456789abcdef"), nullptr);
  ASSERT_TRUE(cipher);
  Ref<fd::Data> garbage;
  for (int i = 0; i < 4096 && !garbage; ++i) {
    std::string key = "wrong-key-" + std::to_string(100000 + i);  // 16 bytes
    garbage = aes256DecryptWithkey(*cipher, *fd::Data::create(key.data(), key.size()), nullptr);
  }
  ASSERT_TRUE(garbage) << "no wrong key passed the padding check";
  EXPECT_FALSE(garbage->isEqualToData(*plain));
}

TEST(DataAdditions, TextViewsOfBytes) {
  EXPECT_EQ(utf8String(*bytes("")), String(""));
  EXPECT_EQ(utf8String(*bytes("h\xc3\xa9")), String(u"h\u00e9"));
  EXPECT_FALSE(utf8String(*bytes("\xff\xfe")));
  EXPECT_EQ(hexString(*hex("0aff")), "0AFF");
  EXPECT_EQ(hexString(*bytes("")), "");
}

TEST(DataAdditions, HexDecoding) {
  struct Case {
    const char* text;
    const char* expectedHex;  // nullptr: no buffer
  };
  const Case cases[] = {
      {"0a ff", "0AFF"}, {"0AFF", "0AFF"}, {"abc", "AB"}, {"a", ""},
      {"", nullptr},     {"   ", nullptr}, {"0g", nullptr}, {"zz12", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto d = dataWithHexString(c.text);
    if (!c.expectedHex) {
      EXPECT_EQ(d, nullptr);
    } else {
      ASSERT_NE(d, nullptr);
      EXPECT_EQ(hexString(*d), c.expectedHex);
    }
  }
}

TEST(DataAdditions, Base64EncodingPadsAndRoundTrips) {
  EXPECT_EQ(base64EncodedString(*bytes("")), "");
  EXPECT_EQ(base64EncodedString(*bytes("f")), "Zg==");
  EXPECT_EQ(base64EncodedString(*bytes("fo")), "Zm8=");
  EXPECT_EQ(base64EncodedString(*bytes("foo")), "Zm9v");
  EXPECT_EQ(base64EncodedString(*bytes("foobar")), "Zm9vYmFy");
  EXPECT_EQ(base64EncodedString(*hex("fbff")), "+/8=");
  std::mt19937 rng(7);
  for (size_t n : {1u, 2u, 3u, 4u, 5u, 63u, 64u, 1000u}) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    auto d = fd::Data::create(v);
    auto back = dataWithBase64EncodedString(base64EncodedString(*d));
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isEqualToData(*d)) << n;
  }
}

TEST(DataAdditions, Base64DecodingRejectsGarbageAndKeepsCompleteGroups) {
  auto text = [](const char* s) -> std::optional<std::string> {
    auto d = dataWithBase64EncodedString(s);
    if (!d) return std::nullopt;
    return std::string(d->view());
  };
  EXPECT_EQ(text(""), "");
  EXPECT_EQ(text("Zm9vYmFy"), "foobar");
  EXPECT_EQ(text("Zm8"), "fo");  // padding is optional
  EXPECT_EQ(text("Zm9v\r\nYmFy"), "foobar");
  EXPECT_EQ(text("Zm9vY"), "foo");  // the lone last character adds no byte
  EXPECT_EQ(dataWithBase64EncodedString(String(u"Zm9v\u00e9")), nullptr);
  EXPECT_EQ(text("Zm9v*mFy"), std::nullopt);
  EXPECT_EQ(text("Zg==Zg=="), std::nullopt);
}

TEST(DataAdditions, JsonDecodingLogsFailures) {
  std::vector<String> lines;
  fd::setLogSink([&](const String& m) { lines.push_back(m); });
  auto value = jsonValueDecoded(*bytes(R"({"a": 1})"));
  auto bad = jsonValueDecoded(*bytes("{\"a\": "));
  fd::setLogSink(nullptr);
  auto dict = std::dynamic_pointer_cast<fd::Dictionary>(value);
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(dict->count(), 1u);
  EXPECT_EQ(bad, nullptr);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].hasPrefix("jsonValueDecoded error:")) << lines[0];
}

TEST(DataAdditions, CompressionRoundTripsAndRejectsCorruptOrTruncatedStreams) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i % 97) + " of the district news\n";
  auto input = bytes(text);
  auto gz = gzipDeflate(*input);
  auto z = zlibDeflate(*input);
  ASSERT_NE(gz, nullptr);
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(gz->bytes()[0], 0x1f);
  EXPECT_EQ(gz->bytes()[1], 0x8b);
  EXPECT_EQ(z->bytes()[0], 0x78);
  EXPECT_LT(gz->length(), input->length() / 4);
  for (const auto& packed : {gz, z}) {
    auto back = gzipInflate(*packed);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->isEqualToData(*input));
  }
  auto zback = zlibInflate(*z);
  ASSERT_NE(zback, nullptr);
  EXPECT_TRUE(zback->isEqualToData(*input));
  EXPECT_EQ(zlibInflate(*gz), nullptr);

  auto truncated = fd::Data::create(gz->bytes(), gz->length() - 9);
  EXPECT_EQ(gzipInflate(*truncated), nullptr);
  EXPECT_EQ(zlibInflate(*fd::Data::create(z->bytes(), z->length() / 2)), nullptr);
  auto corrupt = fd::MutableData::create(z->bytes(), z->length());
  corrupt->mutableBytes()[corrupt->length() / 2] ^= 0x55;
  corrupt->mutableBytes()[corrupt->length() / 2 + 1] ^= 0xAA;
  EXPECT_EQ(zlibInflate(*corrupt), nullptr);
  EXPECT_EQ(gzipInflate(*bytes("plain text, not a stream")), nullptr);
  EXPECT_EQ(gzipInflate(*bytes("x")), nullptr);

  auto empty = fd::Data::create();
  for (auto f : {gzipInflate, zlibInflate, gzipDeflate, zlibDeflate}) EXPECT_EQ(f(*empty).get(), empty.get());
}

TEST(DataAdditions, InflateGrowsForHighlyCompressibleInput) {
  auto zeros = fd::Data::create(std::vector<uint8_t>(3 << 20, 0));
  auto packed = gzipDeflate(*zeros);
  ASSERT_NE(packed, nullptr);
  EXPECT_LT(packed->length(), 8000u);
  auto back = gzipInflate(*packed);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqualToData(*zeros));
}

}  // namespace
}  // namespace base
