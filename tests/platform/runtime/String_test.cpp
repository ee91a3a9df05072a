#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/runtime/String.h"

using rt::Range;
using rt::String;

TEST(String, LengthsAreUTF16Units) {
  struct Case {
    const char* utf8;
    size_t length;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"\xC3\xA9", 1},                           // é precomposed
      {"e\xCC\x81", 2},                          // e + combining acute
      {"\xE4\xB8\xAD\xE6\x96\x87", 2},           // 中文
      {"\xF0\x9F\x98\x80", 2},                   // 😀
      {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7", 8},  // family, ZWJ
      {"\xF0\x9F\x87\xA8\xF0\x9F\x87\xB3", 4},   // flag CN
      {"1\xEF\xB8\x8F\xE2\x83\xA3", 3},          // keycap 1
      {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", 4},   // thumbs up, skin tone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    String s(c.utf8);
    EXPECT_EQ(s.length(), c.length);
    EXPECT_EQ(s.utf8(), c.utf8);
    EXPECT_EQ(s.utf8Length(), std::strlen(c.utf8));
    EXPECT_EQ(s.isEmpty(), c.length == 0);
  }
}

TEST(String, InvalidUTF8BecomesReplacementCharactersOrFailsStrictly) {
  struct Case {
    std::string bytes;
    std::u16string lenient;
  } cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\x80" "b", u"a\uFFFDb"},
      {"\xC3", u"\uFFFD"},                         // truncated two-byte sequence
      {"\xE2\x82", u"\uFFFD"},                     // truncated three-byte: one maximal subpart
      {"\xE2\x82" "a", u"\uFFFDa"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},     // an encoded surrogate
      {"\xC0\xAF", u"\uFFFD\uFFFD"},               // overlong
      {"\xF0\x9F\x98", u"\uFFFD"},                 // truncated four-byte
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"abcdefghij\xC3\xA9\xFF", u"abcdefghij\u00E9\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(String(c.bytes).toU16(), c.lenient);
    EXPECT_FALSE(String::fromUTF8(c.bytes.data(), c.bytes.size()).has_value());
  }
  auto ok = String::fromUTF8("caf\xC3\xA9 \xF0\x9F\x98\x80", 10);
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->toU16(), u"café 😀");
}

TEST(String, LongTextConvertsBothWays) {
  std::string ascii(1000, 'x');
  std::string mixed = ascii + "\xE4\xB8\xAD" + ascii + "\xF0\x9F\x98\x80";
  String s(mixed);
  EXPECT_EQ(s.length(), 2000u + 1 + 2);
  EXPECT_EQ(s.characterAtIndex(1000), u'中');
  EXPECT_EQ(s.codePointAt(2001), U'😀');
  EXPECT_EQ(s.utf8(), mixed);
  EXPECT_EQ(String(ascii).utf8(), ascii);
}

TEST(String, LoneSurrogatesAndZeroUnits) {
  String lone(u"\xD800x");
  EXPECT_EQ(lone.length(), 2u);
  EXPECT_EQ(lone.codePointAt(0), 0xD800u);
  EXPECT_EQ(lone.utf8(), "\xEF\xBF\xBDx");
  EXPECT_EQ(lone.utf8Length(), 4u);

  String withZero(std::string_view("a\0b", 3));
  EXPECT_EQ(withZero.length(), 3u);
  EXPECT_EQ(withZero.cString(), "a");
  EXPECT_EQ(withZero.utf8(), std::string("a\0b", 3));
}

TEST(String, OtherEncodingsAndCodePoints) {
  EXPECT_EQ(String::fromLatin1("caf\xE9", 4), String(u"café"));
  const char32_t cps[] = {U'a', U'😀', U'中'};
  String s = String::fromUTF32(cps, 3);
  EXPECT_EQ(s.toU16(), u"a😀中");
  EXPECT_EQ(s.toUTF32(), std::u32string(cps, 3));
  EXPECT_EQ(String::fromCodePoint(0x1F600).length(), 2u);
  EXPECT_EQ(String::fromCodePoint(0x110000).toU16(), u"\uFFFD");
}

TEST(String, CopiesShareUntilChanged) {
  String a("shared text");
  String b = a;
  EXPECT_EQ(a.data(), b.data());
  b.appendCharacter(u'!');
  EXPECT_NE(a.data(), b.data());
  EXPECT_EQ(a, String("shared text"));
  EXPECT_EQ(b, String("shared text!"));

  String c = a;
  c.mutableData()[0] = u'S';
  EXPECT_EQ(a, String("shared text"));
  EXPECT_EQ(c, String("Shared text"));

  String moved = std::move(c);
  EXPECT_EQ(moved, String("Shared text"));
}

TEST(String, EditingInPlace) {
  String s("hello");
  s.append(s);
  EXPECT_EQ(s, String("hellohello"));
  s.insert("--", 5);
  EXPECT_EQ(s, String("hello--hello"));
  s.deleteCharactersInRange(Range{0, 7});
  EXPECT_EQ(s, String("hello"));
  s.replaceCharactersInRange(Range{1, 3}, "ipp");
  EXPECT_EQ(s, String("hippo"));
  s.appendCodePoint(U'😀');
  EXPECT_EQ(s.length(), 7u);
  s.setLength(3);
  EXPECT_EQ(s, String("hip"));
  s.setLength(5);
  EXPECT_EQ(s.toU16(), std::u16string(u"hip\0\0", 5));
  EXPECT_EQ(String("abc").stringByReplacingCharactersInRange(Range{1, 1}, "XYZ"), String("aXYZc"));

  String built;
  for (int i = 0; i < 1000; ++i) built += "ab";
  EXPECT_EQ(built.length(), 2000u);

  String filled = String::withCapacity(3);
  std::copy_n(u"xyz", 3, filled.mutableData());
  EXPECT_EQ(filled, String("xyz"));
}

TEST(String, SubstringsAreClamped) {
  String s("0123456789");
  struct Case {
    size_t from, length;
    const char* expected;
  } cases[] = {{0, 10, "0123456789"}, {2, 3, "234"}, {8, 100, "89"}, {10, 1, ""}, {50, 1, ""}, {3, 0, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_EQ(s.substring(c.from, c.length), String(c.expected));
  }
  EXPECT_EQ(s.substringToIndex(4), String("0123"));
  EXPECT_EQ(s.substringFromIndex(7), String("789"));
  EXPECT_EQ(s.substring(Range{1, 2}), String("12"));
}

TEST(String, OrdinalOrderIsByUTF16Unit) {
  // U+FF61 precedes U+1F600 as a code point but follows it by UTF-16 unit (0xFF61 > 0xD83D).
  EXPECT_GT(String(u"\uFF61"), String(u"😀"));
  EXPECT_LT(String("B"), String("a"));
  EXPECT_LT(String("ab"), String("abc"));
  EXPECT_EQ(String("x") + "y", String("xy"));
  EXPECT_EQ("x" + String("y"), String("xy"));
  EXPECT_TRUE(String("abc") == "abc");
  EXPECT_EQ(String("abc").hash(), String(u"abc").hash());
  EXPECT_EQ(std::hash<String>()(String("k")), String(std::string("k")).hash());
}

TEST(String, CopiesReadFromManyThreads) {
  String shared("a string read and copied by many threads at once");
  std::vector<std::thread> threads;
  std::atomic<size_t> total{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      size_t sum = 0;
      for (int i = 0; i < 20000; ++i) {
        String copy = shared;
        String other = copy;
        sum += other.length();
      }
      total += sum;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(total.load(), 8u * 20000u * shared.length());
  EXPECT_EQ(shared, String("a string read and copied by many threads at once"));
}
