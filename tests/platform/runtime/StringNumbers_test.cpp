#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/runtime/String.h"

using rt::String;

TEST(StringNumbers, IntegerPrefixes) {
  struct Case {
    const char16_t* s;
    int32_t i32;
    int64_t i64;
  } cases[] = {
      {u"12abc", 12, 12},
      {u"  -42", -42, -42},
      {u"+7", 7, 7},
      {u"\n\t 5", 5, 5},
      {u"\u00A05", 5, 5},  // no-break space is white space
      {u"abc", 0, 0},
      {u"", 0, 0},
      {u"-", 0, 0},
      {u"3.75", 3, 3},
      {u"０５", 0, 0},      // only ASCII digits count
      {u"9999999999", std::numeric_limits<int32_t>::max(), 9999999999},
      {u"-2147483648", std::numeric_limits<int32_t>::min(), -2147483648LL},
      {u"9223372036854775807", std::numeric_limits<int32_t>::max(), std::numeric_limits<int64_t>::max()},
      {u"-99999999999999999999", std::numeric_limits<int32_t>::min(), std::numeric_limits<int64_t>::min()},
  };
  for (const auto& c : cases) {
    String s(c.s);
    SCOPED_TRACE(s.utf8());
    EXPECT_EQ(s.intValue(), c.i32);
    EXPECT_EQ(s.integerValue(), c.i64);
    EXPECT_EQ(s.longLongValue(), c.i64);
  }
}

TEST(StringNumbers, DoublePrefixes) {
  struct Case {
    const char* s;
    double expected;
  } cases[] = {
      {"3.75xyz", 3.75}, {"1e3", 1000.0},    {"1e", 1.0},       {"1e+", 1.0},     {".5", 0.5},
      {"-.5e-1", -0.05}, {"  +2.5", 2.5},    {"abc", 0.0},      {".", 0.0},       {"12.", 12.0},
      {"1e-999", 0.0},   {"0.1", 0.1},       {"-0", -0.0},      {"7,5", 7.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(String(c.s).doubleValue(), c.expected);
  }
  EXPECT_EQ(String("1e999").doubleValue(), HUGE_VAL);
  EXPECT_EQ(String("-1e999").doubleValue(), -HUGE_VAL);
  EXPECT_FLOAT_EQ(String("0.3").floatValue(), 0.3f);
}

TEST(StringNumbers, BooleanPrefixes) {
  struct Case {
    const char* s;
    bool expected;
  } cases[] = {
      {"YES", true}, {"yes", true}, {"true", true}, {"T", true},   {" -1", true}, {"0005", true},
      {"no", false}, {"0", false},  {"", false},    {".5", false}, {"false", false}, {"  ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(String(c.s).boolValue(), c.expected);
  }
}
