#include <gtest/gtest.h>

#include <climits>

#include "platform/foundation/text/Scanner.h"

namespace fd {
namespace {

TEST(ScannerTest, ScanInt) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
    size_t location;
  } cases[] = {
      {"  42 rest", true, 42, 4},
      {"-17", true, -17, 3},
      {"+5", true, 5, 2},
      {"12abc", true, 12, 2},
      {"2147483647", true, INT_MAX, 10},
      {"2147483648", true, INT_MAX, 10},
      {"-2147483648", true, INT_MIN, 11},
      {"-2147483649", true, INT_MIN, 11},
      {"99999999999999999999", true, INT_MAX, 20},
      {"\n\t 7", true, 7, 4},
      {"abc", false, 0, 0},
      {"   ", false, 0, 0},
      {"-", false, 0, 0},
      {"- 1", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    auto s = Scanner::scannerWithString(c.text);
    int32_t v = 0;
    EXPECT_EQ(s->scanInt(&v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_EQ(s->scanLocation(), c.location) << c.text;
  }
}

TEST(ScannerTest, IntegerWithOnlyWhiteSpaceAfter) {
  struct Case {
    const char* text;
    bool whole;
  } cases[] = {{" 123 ", true}, {"123", true}, {"123\n", true}, {"12.3", false}, {"123x", false}, {"x", false}};
  for (const auto& c : cases) {
    auto s = Scanner::scannerWithString(c.text);
    int32_t v;
    EXPECT_EQ(s->scanInt(&v) && s->isAtEnd(), c.whole) << c.text;
  }
}

TEST(ScannerTest, ScanInteger) {
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"-99999999999999999999999", INT64_MIN},
      {"4294967296", 4294967296LL},
  };
  for (const auto& c : cases) {
    int64_t v = 0;
    EXPECT_TRUE(Scanner::scannerWithString(c.text)->scanLongLong(&v));
    EXPECT_EQ(v, c.value) << c.text;
  }
  uint64_t u = 0;
  EXPECT_TRUE(Scanner::scannerWithString("18446744073709551615")->scanUnsignedLongLong(&u));
  EXPECT_EQ(u, UINT64_MAX);
  EXPECT_FALSE(Scanner::scannerWithString("-1")->scanUnsignedLongLong(&u));
}

TEST(ScannerTest, ScanHexInt) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t value;
    size_t location;
  } cases[] = {
      {"0xFF", true, 255, 4},
      {"ff", true, 255, 2},
      {"0X1a2B", true, 0x1a2b, 6},
      {"  7f ", true, 0x7f, 4},
      {"FFFFFFFF", true, UINT_MAX, 8},
      {"FFFFFFFFF", true, UINT_MAX, 9},
      {"0xg", true, 0, 1},
      {"#fff", false, 0, 0},
      {"x1", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    auto s = Scanner::scannerWithString(c.text);
    uint32_t v = 0;
    EXPECT_EQ(s->scanHexInt(&v), c.ok) << c.text;
    EXPECT_EQ(v, c.value) << c.text;
    EXPECT_EQ(s->scanLocation(), c.location) << c.text;
  }
  uint64_t big = 0;
  EXPECT_TRUE(Scanner::scannerWithString("0xFFFFFFFFFF")->scanHexLongLong(&big));
  EXPECT_EQ(big, 0xFFFFFFFFFFULL);
}

TEST(ScannerTest, ScanDouble) {
  struct Case {
    const char* text;
    bool ok;
    double value;
    size_t location;
  } cases[] = {
      {"3.14", true, 3.14, 4},
      {"-0.5e3", true, -500, 6},
      {".5", true, 0.5, 2},
      {"5.", true, 5, 2},
      {"1e", true, 1, 1},
      {"1e+", true, 1, 1},
      {"2E-2x", true, 0.02, 4},
      {" +7", true, 7, 3},
      {"abc", false, 0, 0},
      {"-.e", false, 0, 0},
      {".", false, 0, 0},
  };
  for (const auto& c : cases) {
    auto s = Scanner::scannerWithString(c.text);
    double v = 0;
    EXPECT_EQ(s->scanDouble(&v), c.ok) << c.text;
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    EXPECT_EQ(s->scanLocation(), c.location) << c.text;
  }
}

TEST(ScannerTest, WordsAndSets) {
  auto s = Scanner::scannerWithString("Key = value; next");
  String word;
  EXPECT_TRUE(s->scanString("key", &word));  // case ignored by default
  EXPECT_EQ(word, "Key");
  EXPECT_FALSE(s->scanUpToString("=", &word));  // "=" is right here after the skipped space
  EXPECT_TRUE(s->scanString("="));
  EXPECT_TRUE(s->scanUpToString(";", &word));
  EXPECT_EQ(word, "value");
  EXPECT_TRUE(s->scanString(";"));
  EXPECT_TRUE(s->scanUpToString("missing", &word));
  EXPECT_EQ(word, "next");
  EXPECT_TRUE(s->isAtEnd());
  EXPECT_FALSE(s->scanUpToString("x", &word));

  auto cs = Scanner::scannerWithString("Hello");
  cs->setCaseSensitive(true);
  EXPECT_FALSE(cs->scanString("hello"));
  EXPECT_TRUE(cs->scanString("Hello"));

  auto digits = Scanner::scannerWithString("123abc def");
  EXPECT_TRUE(digits->scanCharactersFromSet(CharacterSet::decimalDigitCharacterSet(), &word));
  EXPECT_EQ(word, "123");
  EXPECT_FALSE(digits->scanCharactersFromSet(CharacterSet::decimalDigitCharacterSet(), &word));
  EXPECT_TRUE(digits->scanUpToCharactersFromSet(CharacterSet::whitespaceCharacterSet(), &word));
  EXPECT_EQ(word, "abc");
  EXPECT_TRUE(digits->scanUpToCharactersFromSet(CharacterSet::whitespaceCharacterSet(), &word));
  EXPECT_EQ(word, "def");
}

TEST(ScannerTest, AstralCharactersCountAsOne) {
  auto set = CharacterSet::characterSetWithCharactersInString(u"\U0001F600");
  auto s = Scanner::scannerWithString(u"\U0001F600\U0001F600x");
  String got;
  EXPECT_TRUE(s->scanCharactersFromSet(set, &got));
  EXPECT_EQ(got.length(), 4u);
  EXPECT_EQ(s->scanLocation(), 4u);
}

TEST(ScannerTest, SkippingAndLocation) {
  auto s = Scanner::scannerWithString(" 42");
  s->setCharactersToBeSkipped(CharacterSet());
  int32_t v;
  EXPECT_FALSE(s->scanInt(&v));
  s->setScanLocation(1);
  EXPECT_TRUE(s->scanInt(&v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(s->isAtEnd());
  EXPECT_TRUE(Scanner::scannerWithString(" \n\t")->isAtEnd());
  EXPECT_FALSE(Scanner::scannerWithString(" x")->isAtEnd());
  EXPECT_THROW(s->setScanLocation(4), rt::Exception);
  EXPECT_TRUE(s->scanInt(nullptr) == false);
  auto p = Scanner::scannerWithString("7");
  EXPECT_TRUE(p->scanInt(nullptr));  // out-parameters may be null
  EXPECT_TRUE(p->isAtEnd());
}

}  // namespace
}  // namespace fd
