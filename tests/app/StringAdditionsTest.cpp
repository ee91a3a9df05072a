#include <gtest/gtest.h>

#include "app/util/NSData+Category.h"
#include "app/util/NSString+Category.h"
#include "platform/crypto/Digest.h"

namespace {

using fd::String;

String hexOf(const fd::Data& data, bool upper) { return String(crypto::hexString(data.vector(), upper)); }

TEST(StringAdditions, DigestsFollowTheStandardVectors) {
  struct Case {
    const char* text;
    const char* md5;
    const char* sha1;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0", "C12252CEDA8BE8994D5FA0290A47231C1D16AAE3"},
  };
  for (const auto& c : cases) {
    String text(c.text);
    EXPECT_EQ(app::md5(text), String(c.md5)) << c.text;
    EXPECT_EQ(app::MD5String(text), String(c.md5)) << c.text;
    EXPECT_EQ(app::MD5String(*fd::Data::create(std::string(c.text))), String(c.md5).uppercaseString()) << c.text;
    EXPECT_EQ(hexOf(*app::MD5Data(text), false), String(c.md5)) << c.text;
    EXPECT_EQ(app::MD5Data(text)->length(), 16u);
    EXPECT_EQ(app::SHA1String(text), String(c.sha1)) << c.text;
    EXPECT_EQ(hexOf(*app::SHA1Data(text), true), String(c.sha1)) << c.text;
    EXPECT_EQ(app::SHA1Data(text)->length(), 20u);
  }
}

TEST(StringAdditions, DigestsOfChineseTextCoverEveryUTF8Byte) {
  String text("白云岫声 news");
  std::string bytes = text.utf8();
  ASSERT_EQ(bytes.size(), 17u);
  String whole(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, bytes)));
  String shorter(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, bytes.substr(0, 16))));
  EXPECT_EQ(app::md5(text), whole);
  EXPECT_NE(app::md5(text), shorter);
  EXPECT_EQ(app::SHA1String(text),
            String(crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::SHA1, bytes), true)));
}

TEST(StringAdditions, Md5StopsAtTheFirstZeroByte) {
  const char16_t units[] = {u'a', u'b', u'c', 0, u'd', u'e'};
  String withZero(units, 6);
  EXPECT_EQ(app::md5(withZero), app::md5("abc"));
  EXPECT_NE(app::MD5String(withZero), app::md5("abc"));
}

TEST(StringAdditions, Base64FollowsTheStandardWithPadding) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(app::BASE64Encrypted(*fd::Data::create(std::string(in))), String(out)) << in;

  std::vector<uint8_t> all(256);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(255 - i);
  for (size_t n : {1u, 2u, 3u, 64u, 100u, 256u}) {
    auto data = fd::Data::create(std::vector<uint8_t>(all.begin(), all.begin() + n));
    String text = app::BASE64Encrypted(*data);
    EXPECT_EQ(text.length(), (n + 2) / 3 * 4) << n;
    EXPECT_FALSE(text.contains("\n"));
    auto back = fd::Data::fromBase64(text);
    ASSERT_TRUE(back) << n;
    EXPECT_TRUE(back->isEqualToData(*data)) << n;
  }
}

TEST(StringAdditions, URLEncodingEscapesReservedCharactersAndDecodingUndoesIt) {
  EXPECT_EQ(app::URLEncoding("a b&c"), String("a%20b%26c"));
  EXPECT_EQ(app::URLEncoding("Az09-._~"), String("Az09-._~"));
  String reserved("!*'();:@&=+$,/?%#[]");
  String escaped = app::URLEncoding(reserved);
  EXPECT_EQ(escaped.length(), reserved.length() * 3);
  EXPECT_EQ(escaped.substring(0, 6), String("%21%2A"));
  EXPECT_EQ(app::URLEncoding("中"), String("%E4%B8%AD"));

  EXPECT_EQ(app::URLDecoding("a+b%20c"), String("a b c"));
  EXPECT_EQ(app::URLDecoding("%2B%E4%B8%AD"), String("+中"));
  EXPECT_EQ(app::URLDecoding(app::URLEncoding(reserved)), reserved);
  EXPECT_FALSE(app::URLDecoding("100%zz"));
  EXPECT_FALSE(app::URLDecoding("%E4%B8"));
}

TEST(StringAdditions, EmptinessAndEquality) {
  EXPECT_TRUE(app::isEmpty(""));
  EXPECT_FALSE(app::isEmpty(" "));
  EXPECT_TRUE(app::equal("资讯", "资讯"));
  EXPECT_FALSE(app::equal("abc", "ABC"));
}

TEST(StringAdditions, ValidatorsMatchTheWholeText) {
  using Check = bool (*)(const String&);
  struct Case {
    const char* name;
    Check check;
    const char* text;
    bool expected;
  };
  const Case cases[] = {
      {"user", app::isUserName, "ab", false},
      {"user", app::isUserName, "abc", true},
      {"user", app::isUserName, "abcdefghij0123456789", true},
      {"user", app::isUserName, "abcdefghij01234567890", false},
      {"user", app::isUserName, "ab_c", false},
      {"user", app::isUserName, "张三丰", false},
      {"chinese user", app::isChineseUserName, "张三丰", true},
      {"chinese user", app::isChineseUserName, "张三", false},
      {"chinese user", app::isChineseUserName, "ab张", true},
      {"chinese user", app::isChineseUserName, "ab。", false},
      {"password", app::isPassword, "abc12", false},
      {"password", app::isPassword, "abc123", true},
      {"password", app::isPassword, "abc123abc123abc123ab", true},
      {"password", app::isPassword, "abc123abc123abc123abc", false},
      {"password", app::isPassword, "abc 123", false},
      {"email", app::isEmail, "reader@news.example.cn", true},
      {"email", app::isEmail, "reader@news", false},
      {"email", app::isEmail, "reader@news.example.info2", false},
      {"email", app::isEmail, "a b@news.cn", false},
      {"url", app::isUrl, "http://news.example.cn/a/b.html?x=1&y=2", true},
      {"url", app::isUrl, "https://example.cn", true},
      {"url", app::isUrl, "ftp://example.cn", false},
      {"url", app::isUrl, "http://localhost", false},
      {"digital", app::isDigital, "0123*", true},
      {"digital", app::isDigital, "", false},
      {"digital", app::isDigital, "12a", false},
      {"digital", app::isDigital, "123456789012345678901", false},
      {"telephone", app::isTelephone, "13012345678", true},
      {"telephone", app::isTelephone, "18912345678", true},
      {"telephone", app::isTelephone, "14712345678", true},
      {"telephone", app::isTelephone, "12012345678", false},
      {"telephone", app::isTelephone, "1301234567", false},
      {"telephone", app::isTelephone, "130123456789", false},
      {"telephone", app::isTelephone, "", false},
      {"tel", app::isTel, "0571-87654321", true},
      {"tel", app::isTel, "01087654321", true},
      {"tel", app::isTel, "87654321", false},
      {"tel", app::isTel, "0571-876543", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.check(c.text), c.expected) << c.name << ": " << c.text;
  EXPECT_FALSE(app::isTelephone(std::optional<String>()));
  EXPECT_TRUE(app::isTelephone(std::optional<String>(String("13512345678"))));
}

TEST(StringAdditions, TextSizeGrowsWithFontAndWrapsWithinTheWidth) {
  String line("白云山下的新闻");
  gfx::Size unlimited{10000, 10000};
  gfx::Size small = app::boundingRectWithSize(line, unlimited, 12);
  gfx::Size large = app::boundingRectWithSize(line, unlimited, 24);
  EXPECT_GT(small.width, 0);
  EXPECT_GT(small.height, 0);
  EXPECT_GT(large.width, small.width * 1.5);
  EXPECT_GT(large.height, small.height);

  String paragraph;
  for (int i = 0; i < 8; ++i) paragraph += line;
  gfx::Size wrapped = app::boundingRectWithSize(paragraph, gfx::Size{100, 10000}, 12);
  EXPECT_LE(wrapped.width, 100);
  EXPECT_GT(wrapped.height, small.height * 3);
  gfx::Size clipped = app::boundingRectWithSize(paragraph, gfx::Size{100, small.height * 2.5}, 12);
  EXPECT_LT(clipped.height, wrapped.height);
  EXPECT_LE(clipped.height, small.height * 2.5);
  EXPECT_EQ(app::boundingRectWithSize("", unlimited, 12).width, 0);
}

}  // namespace
