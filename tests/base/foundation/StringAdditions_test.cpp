#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/foundation/Data+DUDer.h"
#include "base/foundation/Number+DUDer.h"
#include "base/foundation/String+DUDer.h"
#include "platform/foundation/files/Bundle.h"

namespace base {
namespace {

String flag(const char* code) {
  String s;
  s.appendCodePoint(0x1F1E6 + char32_t(code[0] - 'A'));
  s.appendCodePoint(0x1F1E6 + char32_t(code[1] - 'A'));
  return s;
}

TEST(StringAdditions, DigestsAndEncodingsEqualThoseOfTheUtf8Bytes) {
  String text = u"Kestrel \u00e9 \U0001F600";
  auto bytes = dataValue(text);
  EXPECT_EQ(std::string(bytes->view()), "Kestrel \xc3\xa9 \xf0\x9f\x98\x80");
  EXPECT_EQ(md5String("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(sha256String(text), sha256String(*bytes));
  EXPECT_EQ(md2String(text), md2String(*bytes));
  EXPECT_EQ(sha512String(text), sha512String(*bytes));
  EXPECT_EQ(crc32String("123456789"), "cbf43926");
  EXPECT_EQ(hmacSHA256StringWithKey(String("what do ya want for nothing?"), "Jefe"),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(base64EncodedString(text), base64EncodedString(*bytes));
  EXPECT_EQ(stringWithBase64EncodedString(base64EncodedString(text)), text);
  EXPECT_FALSE(stringWithBase64EncodedString("//79"));  // decodes to bytes that are not UTF-8
  EXPECT_FALSE(stringWithBase64EncodedString("@@@@"));
  EXPECT_NE(jsonValueDecoded(String("[1, 2]")), nullptr);
}

TEST(StringAdditions, UrlEncodingEscapesDelimitersAndKeepsSequencesWhole) {
  EXPECT_EQ(stringByURLEncode(":#[]@!$&'()*+,;= "), "%3A%23%5B%5D%40%21%24%26%27%28%29%2A%2B%2C%3B%3D%20");
  EXPECT_EQ(stringByURLEncode("aZ09-._~/?"), "aZ09-._~/?");
  EXPECT_EQ(stringByURLEncode(""), "");
  // 60 emoji of two units each cross the 50-unit batches; the result equals one-piece encoding.
  String emoji;
  for (int i = 0; i < 60; ++i) emoji.appendCodePoint(0x1F600 + char32_t(i % 10));
  emoji = "x" + emoji;
  String whole = emoji.stringByAddingPercentEncodingWithAllowedCharacters(rt::CharacterSet::URLQueryAllowedCharacterSet());
  EXPECT_EQ(stringByURLEncode(emoji), whole);
  EXPECT_EQ(stringByURLDecode(stringByURLEncode(emoji)), emoji);
  EXPECT_EQ(stringByURLDecode("a+b%20c"), String("a+b c"));
  EXPECT_FALSE(stringByURLDecode("%zz"));
}

TEST(StringAdditions, HtmlEscapingTouchesOnlyFiveCharacters) {
  EXPECT_EQ(stringByEscapingHTML(""), "");
  EXPECT_EQ(stringByEscapingHTML(u"plain \u00e9 text"), String(u"plain \u00e9 text"));
  EXPECT_EQ(stringByEscapingHTML("<a href=\"x\">Tom & Jerry's</a>"),
            "&lt;a href=&quot;x&quot;&gt;Tom &amp; Jerry&apos;s&lt;/a&gt;");
}

TEST(StringAdditions, MeasuringUsesTheTwelvePointSystemFontByDefault) {
  String text = "The district council meets on Thursday evening in the town hall.";
  double w = widthForFont(text, nullptr);
  EXPECT_DOUBLE_EQ(w, widthForFont(text, typeset::Font::systemFontOfSize(12)));
  EXPECT_GT(widthForFont(text, typeset::Font::systemFontOfSize(24)), w * 1.5);
  double oneLine = heightForFont("x", nullptr, 1000);
  EXPECT_GT(oneLine, 0);
  EXPECT_GT(heightForFont(text, nullptr, w / 3), oneLine * 2.5);
  EXPECT_DOUBLE_EQ(heightForFont(text, nullptr, w / 3), heightForFont(text, typeset::Font::systemFontOfSize(12), w / 3));
}

TEST(StringAdditions, RegexShortcuts) {
  EXPECT_TRUE(matchesRegex("Order 66", "\\d+", 0));
  EXPECT_FALSE(matchesRegex("Order", "\\d+", 0));
  EXPECT_FALSE(matchesRegex("Order", "(", 0));
  EXPECT_TRUE(matchesRegex("ORDER", "order", 1));
  std::vector<std::pair<std::string, rt::Range>> seen;
  enumerateRegexMatches("a1 b22 c333", "\\d+", 0, [&](const String& m, rt::Range r, bool& stop) {
    seen.push_back({m.utf8(), r});
    stop = seen.size() == 2;
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].first, "22");
  EXPECT_EQ(seen[1].second.location, 4u);
  enumerateRegexMatches("abc", "", 0, [&](const String&, rt::Range, bool&) { ADD_FAILURE(); });
  EXPECT_EQ(stringByReplacingRegex("a1 b22", "(\\d+)", 0, "<$1>"), "a<1> b<22>");
  EXPECT_EQ(stringByReplacingRegex("a1", "(", 0, "x"), "a1");
}

TEST(StringAdditions, EmojiTestFollowsTheSystemVersion) {
  struct Case {
    String text;
    bool v8, v83, v9;
  };
  const Case cases[] = {
      {"plain Latin 0123 u", false, false, false},
      {u"info \u2139", true, true, true},
      {flag("SE"), false, true, true},
      {flag("AF"), false, false, true},
      {flag("JM"), false, false, true},
      {flag("US"), true, true, true},
      {String::fromCodePoint(0x1F3FB), false, false, false},  // a skin tone alone
      {u"\uFE0F", false, false, false},
      {u"\u00A9\uFE0F", true, true, true},
      {u"\u00A9", false, false, false},
      {String::fromCodePoint(0x1F600), true, true, true},
      {String::fromCodePoint(0x1F44D) + String::fromCodePoint(0x1F3FD), true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.utf8());
    EXPECT_EQ(containsEmojiForSystemVersion(c.text, 8.0f), c.v8);
    EXPECT_EQ(containsEmojiForSystemVersion(c.text, 8.3f), c.v83);
    EXPECT_EQ(containsEmojiForSystemVersion(c.text, 9.0f), c.v9);
  }
}

TEST(StringAdditions, NumbersFromText) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"42", 42},        {" 3.5 ", 3.5},   {"-7", -7},      {"YES", 1},         {"false", 0},
      {"0x1F", 31},      {"-0x10", -16},   {"0x1G", {}},    {"nil", {}},        {"<null>", {}},
      {"", {}},          {"   ", {}},      {"abc", {}},     {"0x100000000", 4294967296.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto n = numberValue(c.text);
    if (!c.value) {
      EXPECT_EQ(n, nullptr);
      EXPECT_EQ(longValue(c.text), 0);
    } else {
      ASSERT_NE(n, nullptr);
      EXPECT_DOUBLE_EQ(n->doubleValue(), *c.value);
    }
  }
  EXPECT_EQ(unsignedCharValue("258"), 2);
  EXPECT_EQ(shortValue("-3"), -3);
  EXPECT_EQ(unsignedIntegerValue("0x20"), 32u);
}

TEST(StringAdditions, Utf32AndSmallTests) {
  EXPECT_EQ(stringWithUTF32Char(0x1F600), String::fromCodePoint(0x1F600));
  EXPECT_FALSE(stringWithUTF32Char(0xD800));
  EXPECT_FALSE(stringWithUTF32Char(0x110000));
  const char32_t chars[] = {U'a', 0x1F600, U'b'};
  EXPECT_EQ(stringWithUTF32Chars(chars, 3)->length(), 4u);

  std::vector<std::pair<char32_t, rt::Range>> calls;
  auto collect = [&](char32_t c, rt::Range r, bool&) { calls.push_back({c, r}); };
  enumerateUTF32CharInRange(String::fromCodePoint(0x1F600), {0, 2}, collect);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].first, 0x1F600u);
  EXPECT_EQ(calls[0].second.length, 2u);
  // Ranges stay in the whole text's coordinates.
  calls.clear();
  String mixed = *stringWithUTF32Chars(chars, 3);
  enumerateUTF32CharInRange(mixed, {1, 3}, collect);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].second.location, 1u);
  EXPECT_EQ(calls[1].first, U'b');
  EXPECT_EQ(calls[1].second.location, 3u);
  calls.clear();
  enumerateUTF32CharInRange(mixed, {3, 5}, collect);
  EXPECT_TRUE(calls.empty());
  int n = 0;
  enumerateUTF32CharInRange(mixed, rangeOfAll(mixed), [&](char32_t, rt::Range, bool& stop) { stop = ++n == 2; });
  EXPECT_EQ(n, 2);

  String uuid = stringWithUUID();
  EXPECT_EQ(uuid.length(), 36u);
  EXPECT_EQ(uuid, uuid.uppercaseString());
  EXPECT_NE(uuid, stringWithUUID());
  EXPECT_EQ(stringByTrim(" \t x y\n"), "x y");
  EXPECT_FALSE(isNotBlank(" \t\r\n"));
  EXPECT_FALSE(isNotBlank(""));
  EXPECT_TRUE(isNotBlank(" x "));
  EXPECT_FALSE(containsString("abc", std::nullopt));
  EXPECT_TRUE(containsString("abc", String("bc")));
  EXPECT_FALSE(containsCharacterSet("abc", nullptr));
  EXPECT_TRUE(containsCharacterSet("ab1", &rt::CharacterSet::decimalDigitCharacterSet()));
}

TEST(StringAdditions, ScaleSuffixesOfImageNames) {
  EXPECT_EQ(stringByAppendingNameScale("icon", 2), "icon@2x");
  EXPECT_EQ(stringByAppendingNameScale("icon", 1.5), "icon@1.5x");
  EXPECT_EQ(stringByAppendingNameScale("icon", 1), "icon");
  EXPECT_EQ(stringByAppendingNameScale("", 2), "");
  EXPECT_EQ(stringByAppendingNameScale("dir/", 2), "dir/");
  EXPECT_EQ(stringByAppendingPathScale("a/b.png", 3), "a/b@3x.png");
  EXPECT_EQ(stringByAppendingPathScale("a/b", 3), "a/b@3x");
  struct Case {
    const char* name;
    double scale;
  };
  for (const Case& c : {Case{"icon@2x.png", 2}, Case{"icon@2x", 2}, Case{"icon@1.5x.png", 1.5}, Case{"icon.png", 1},
                        Case{"dir@2x/", 1}, Case{"", 1}, Case{"a@2x/b@3x.png", 3}}) {
    EXPECT_DOUBLE_EQ(pathScale(c.name), c.scale) << c.name;
  }
}

}  // namespace
}  // namespace base

namespace base {
namespace {

TEST(ResourceAdditions, NamedDataAndTextFromTheMainBundle) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("drresources-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "greeting", std::ios::binary) << "hi\xc3\xa9";
  std::ofstream(dir / "notes.txt", std::ios::binary) << "from txt";
  std::ofstream(dir / "bad.txt", std::ios::binary) << "\xff\xfe";
  fd::Bundle::setMainBundle(fd::Bundle::bundleWithPath(String(dir.string())));
  auto data = dataNamed("greeting");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::string(data->view()), "hi\xc3\xa9");
  EXPECT_EQ(dataNamed("missing"), nullptr);
  EXPECT_EQ(stringNamed("greeting"), String(u"hi\u00e9"));
  EXPECT_EQ(stringNamed("notes"), String("from txt"));
  EXPECT_FALSE(stringNamed("bad"));
  EXPECT_FALSE(stringNamed("missing"));
  fd::Bundle::setMainBundle(nullptr);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace base
