#include <gtest/gtest.h>

#include <cstdint>

#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/text/NumberFormatter.h"
#include "tests/platform/foundation/time/I18nSettings.h"

namespace fd {
namespace {

using testing::ScopedI18nSettings;

Ref<NumberFormatter> formatter(uint64_t style, const char* locale) {
  auto f = NumberFormatter::create();
  f->setNumberStyle(style);
  if (locale) f->setLocale(Locale::localeWithLocaleIdentifier(locale));
  return f;
}

TEST(NumberFormatterTest, ParsesWithThePOSIXLocale) {
  auto f = formatter(NumberFormatterNoStyle, "en_US_POSIX");
  struct Case {
    const char* text;
    bool integer;
    double value;
  } cases[] = {
      {"1.5", false, 1.5},   {"12", true, 12},          {"-3", true, -3},     {"0", true, 0},
      {"0.25", false, 0.25}, {"9007199254740993", true, 9007199254740993.0}, {"-0.5", false, -0.5},
  };
  for (const auto& c : cases) {
    auto n = f->numberFromString(c.text);
    ASSERT_TRUE(n) << c.text;
    EXPECT_EQ(n->isFloatingPoint(), !c.integer) << c.text;
    EXPECT_DOUBLE_EQ(n->doubleValue(), c.value) << c.text;
  }
  EXPECT_EQ(f->numberFromString("9007199254740993")->longLongValue(), 9007199254740993LL);
  for (const char* bad : {"", "abc", "12abc", "1.5.5", "--1", "1 2", "0x10"}) {
    EXPECT_FALSE(f->numberFromString(bad)) << bad;
  }
}

TEST(NumberFormatterTest, FormatsByStyleAndLocale) {
  struct Case {
    uint64_t style;
    const char* locale;
    Ref<Number> number;
    const char* text;
  } cases[] = {
      {NumberFormatterNoStyle, "en_US_POSIX", Number::numberWithDouble(1234.5), "1234"},
      {NumberFormatterNoStyle, "en_US_POSIX", Number::numberWithDouble(3.5), "4"},
      {NumberFormatterNoStyle, "en_US_POSIX", Number::numberWithInt(-42), "-42"},
      {NumberFormatterNoStyle, "en_US_POSIX", Number::numberWithBool(true), "1"},
      {NumberFormatterNoStyle, "en_US_POSIX", Number::numberWithUnsignedLongLong(UINT64_MAX), "18446744073709551615"},
      {NumberFormatterDecimalStyle, "en_US", Number::numberWithDouble(1234.5678), "1,234.568"},
      {NumberFormatterDecimalStyle, "zh_CN", Number::numberWithDouble(1234.5678), "1,234.568"},
      {NumberFormatterDecimalStyle, "de_DE", Number::numberWithDouble(1234.5678), "1.234,568"},
      {NumberFormatterPercentStyle, "en_US", Number::numberWithDouble(0.25), "25%"},
      {NumberFormatterCurrencyStyle, "en_US", Number::numberWithDouble(1234.5), "$1,234.50"},
      {NumberFormatterSpellOutStyle, "en_US", Number::numberWithInt(42), "forty-two"},
      {NumberFormatterOrdinalStyle, "en_US", Number::numberWithInt(2), "2nd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatter(c.style, c.locale)->stringFromNumber(c.number), c.text) << c.locale << " " << c.style;
  }
  EXPECT_EQ(formatter(NumberFormatterDecimalStyle, "en_US")->stringFromNumber(nullptr), "");
  auto dec = DecimalNumber::decimalNumberWithString("12345678901234567890.5");
  EXPECT_EQ(formatter(NumberFormatterDecimalStyle, "en_US")->stringFromNumber(dec), "12,345,678,901,234,567,890.5");
}

TEST(NumberFormatterTest, ParsesByStyleAndLocale) {
  struct Case {
    uint64_t style;
    const char* locale;
    const char* text;
    double value;
  } cases[] = {
      {NumberFormatterDecimalStyle, "en_US", "1,234.5", 1234.5},
      {NumberFormatterDecimalStyle, "de_DE", "1.234,5", 1234.5},
      {NumberFormatterPercentStyle, "en_US", "25%", 0.25},
      {NumberFormatterCurrencyStyle, "en_US", "$1,234.50", 1234.5},
  };
  for (const auto& c : cases) {
    auto n = formatter(c.style, c.locale)->numberFromString(c.text);
    ASSERT_TRUE(n) << c.text;
    EXPECT_DOUBLE_EQ(n->doubleValue(), c.value) << c.text;
  }
}

TEST(NumberFormatterTest, FractionDigits) {
  auto f = formatter(NumberFormatterDecimalStyle, "en_US");
  f->setMaximumFractionDigits(2);
  EXPECT_EQ(f->stringFromNumber(Number::numberWithDouble(3.14159)), "3.14");
  f->setMinimumFractionDigits(2);
  EXPECT_EQ(f->stringFromNumber(Number::numberWithInt(3)), "3.00");
  f->setMaximumFractionDigits(-1);
  f->setMinimumFractionDigits(-1);
  EXPECT_EQ(f->stringFromNumber(Number::numberWithDouble(3.14159)), "3.142");
}

TEST(NumberFormatterTest, GeneratesDecimalNumbersWhenAsked) {
  auto f = formatter(NumberFormatterDecimalStyle, "en_US_POSIX");
  EXPECT_FALSE(f->generatesDecimalNumbers());
  EXPECT_FALSE(rt::as<DecimalNumber>(f->numberFromString("1.10")));
  f->setGeneratesDecimalNumbers(true);
  auto n = rt::as<DecimalNumber>(f->numberFromString("1.10"));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->stringValue(), "1.1");
  EXPECT_FALSE(f->numberFromString("x"));
}

TEST(NumberFormatterTest, DefaultLocaleFollowsTheSettings) {
  auto f = formatter(NumberFormatterDecimalStyle, nullptr);
  auto n = Number::numberWithDouble(1234.5);
  {
    ScopedI18nSettings settings("GMT", "de_DE");
    EXPECT_EQ(f->stringFromNumber(n), "1.234,5");
  }
  {
    ScopedI18nSettings settings("GMT", "en_US");
    EXPECT_EQ(f->stringFromNumber(n), "1,234.5");
  }
}

}  // namespace
}  // namespace fd
