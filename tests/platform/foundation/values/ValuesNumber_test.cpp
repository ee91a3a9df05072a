// Numbers, decimal numbers and boxed values: kinds, descriptions, encodings, equality.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/foundation/values/DecimalNumber.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/ValueBox.h"

using namespace fd;

TEST(ValuesNumber, KindsDescriptionsAndEncodings) {
  struct Case {
    Ref<Number> n;
    const char* description;
    const char* type;
  };
  const Case cases[] = {
      {Number::numberWithBool(true), "1", "c"},
      {Number::numberWithBool(false), "0", "c"},
      {Number::numberWithChar('a'), "97", "c"},
      {Number::numberWithUnsignedChar(200), "200", "C"},
      {Number::numberWithShort(-300), "-300", "s"},
      {Number::numberWithUnsignedShort(65535), "65535", "S"},
      {Number::numberWithInt(12), "12", "i"},
      {Number::numberWithUnsignedInt(4000000000u), "4000000000", "I"},
      {Number::numberWithInteger(-9223372036854775807LL - 1), "-9223372036854775808", "q"},
      {Number::numberWithUnsignedInteger(18446744073709551615ULL), "18446744073709551615", "Q"},
      {Number::numberWithDouble(12.0), "12", "d"},
      {Number::numberWithDouble(1.5), "1.5", "d"},
      {Number::numberWithDouble(0.1), "0.1", "d"},
      {Number::numberWithDouble(2), "2", "d"},
      {Number::numberWithDouble(-0.25), "-0.25", "d"},
      {Number::numberWithDouble(1e20), "1e+20", "d"},
      {Number::numberWithDouble(1e15), "1000000000000000", "d"},
      {Number::numberWithDouble(1e16), "1e+16", "d"},
      {Number::numberWithDouble(0.0001), "0.0001", "d"},
      {Number::numberWithDouble(0.00001), "1e-05", "d"},
      {Number::numberWithDouble(0.1 + 0.2), "0.30000000000000004", "d"},
      {Number::numberWithDouble(1.7976931348623157e308), "1.7976931348623157e+308", "d"},
      {Number::numberWithFloat(0.1f), "0.1", "f"},
      {Number::numberWithFloat(3.0f), "3", "f"},
      {Number::numberWithDouble(std::numeric_limits<double>::infinity()), "inf", "d"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(c.n->description(), c.description);
    EXPECT_EQ(c.n->stringValue(), c.description);
    EXPECT_EQ(c.n->objCType(), c.type);
    EXPECT_EQ(c.n->isBool(), c.n->kind() == Number::Kind::Bool);
  }
}

TEST(ValuesNumber, BooleansAreSharedAndDistinct) {
  EXPECT_EQ(Number::numberWithBool(true).get(), Number::numberWithBool(true).get());
  EXPECT_TRUE(Number::numberWithBool(true)->isBool());
  EXPECT_FALSE(Number::numberWithInt(1)->isBool());
  EXPECT_FALSE(Number::numberWithChar(1)->isBool());
  EXPECT_TRUE(box(true)->isBool());
  EXPECT_EQ(box(int64_t{5})->objCType(), "q");
  EXPECT_EQ(box(2.5)->objCType(), "d");
  EXPECT_EQ(box(uint64_t{5})->objCType(), "Q");
}

TEST(ValuesNumber, AccessorsConvertBetweenKinds) {
  auto d = Number::numberWithDouble(-3.75);
  EXPECT_EQ(d->intValue(), -3);
  EXPECT_EQ(d->integerValue(), -3);
  EXPECT_TRUE(d->boolValue());
  EXPECT_FLOAT_EQ(d->floatValue(), -3.75f);
  auto big = Number::numberWithUnsignedLongLong(18446744073709551615ULL);
  EXPECT_EQ(big->unsignedLongLongValue(), 18446744073709551615ULL);
  EXPECT_EQ(big->doubleValue(), 18446744073709551615.0);
  EXPECT_TRUE(big->isUnsigned());
  EXPECT_EQ(Number::numberWithDouble(1e30)->integerValue(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Number::numberWithDouble(std::nan(""))->integerValue(), 0);
  EXPECT_EQ(Number::numberWithInt(300)->charValue(), static_cast<char>(300));
  EXPECT_FALSE(Number::numberWithDouble(0.0)->boolValue());
  int32_t i = 0;
  EXPECT_TRUE(Number::numberWithInt(7)->getValue(&i, sizeof i));
  EXPECT_EQ(i, 7);
  EXPECT_FALSE(Number::numberWithInt(7)->getValue(&i, 8));
}

TEST(ValuesNumber, EqualityAcrossKindsAndHash) {
  struct Case {
    Ref<Number> a, b;
    bool equal;
  };
  const Case cases[] = {
      {Number::numberWithInt(1), Number::numberWithDouble(1.0), true},
      {Number::numberWithBool(true), Number::numberWithInt(1), true},
      {Number::numberWithBool(false), Number::numberWithDouble(0.0), true},
      {Number::numberWithLongLong(-1), Number::numberWithUnsignedLongLong(18446744073709551615ULL), false},
      {Number::numberWithUnsignedLongLong(9007199254740993ULL), Number::numberWithDouble(9007199254740992.0), false},
      {Number::numberWithLongLong(9007199254740992LL), Number::numberWithDouble(9007199254740992.0), true},
      {Number::numberWithFloat(0.5f), Number::numberWithDouble(0.5), true},
      {Number::numberWithFloat(0.1f), Number::numberWithDouble(0.1), false},
      {Number::numberWithDouble(std::nan("")), Number::numberWithDouble(std::nan("")), true},
      {Number::numberWithInt(2), Number::numberWithInt(3), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a->description() + " vs " + c.b->description());
    EXPECT_EQ(c.a->isEqual(c.b), c.equal);
    EXPECT_EQ(c.b->isEqual(c.a), c.equal);
    if (c.equal) {
      EXPECT_EQ(c.a->hash(), c.b->hash());
    }
  }
  EXPECT_FALSE(Number::numberWithInt(1)->isEqual(box("1")));
}

TEST(ValuesNumber, CompareOrders) {
  EXPECT_EQ(Number::numberWithInt(-1)->compare(*Number::numberWithUnsignedInt(0)), Ordering::Ascending);
  EXPECT_EQ(Number::numberWithDouble(2.5)->compare(*Number::numberWithInt(2)), Ordering::Descending);
  EXPECT_EQ(Number::numberWithUnsignedLongLong(18446744073709551615ULL)->compare(*Number::numberWithLongLong(-5)),
            Ordering::Descending);
  EXPECT_EQ(Number::numberWithDouble(std::nan(""))->compare(*Number::numberWithInt(-100)), Ordering::Ascending);
  EXPECT_EQ(Number::numberWithInt(3)->compare(*Number::numberWithDouble(3.0)), Ordering::Same);
}

TEST(ValuesNumber, CopiesAreTheSameObjectAndClassesNest) {
  auto n = Number::numberWithInt(5);
  EXPECT_EQ(n->copy().get(), n.get());
  EXPECT_TRUE(n->isKindOfClass(ValueBox::classObject()));
  EXPECT_TRUE(DecimalNumber::one()->isKindOfClass(Number::classObject()));
  EXPECT_EQ(n->className(), "NSNumber");
  EXPECT_EQ(DecimalNumber::classObject()->superclass(), Number::classObject());
  EXPECT_EQ(Number::classObject()->superclass(), ValueBox::classObject());
  EXPECT_TRUE(n->conformsToProtocol("NSCopying"));
  EXPECT_TRUE(n->conformsToProtocol("NSSecureCoding"));
}

TEST(ValuesDecimalNumber, ParsesAndPrints) {
  struct Case {
    const char* text;
    const char* value;
  };
  const Case cases[] = {
      {"1.5", "1.5"},
      {"  -42", "-42"},
      {"18446744073709551615", "18446744073709551615"},
      {"18446744073709551616", "18446744073709551616"},
      {"0.001", "0.001"},
      {"1e5", "100000"},
      {"1.25E-2", "0.0125"},
      {"12abc", "12"},
      {"000123.4500", "123.45"},
      {"-0", "0"},
      {".5", "0.5"},
      {"99999999999999999999999999999999999999", "99999999999999999999999999999999999999"},
      {"123456789012345678901234567890123456789", "123456789012345678901234567890123456780"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto d = DecimalNumber::decimalNumberWithString(c.text);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->isNaN());
    EXPECT_EQ(d->stringValue(), c.value);
    EXPECT_EQ(d->description(), c.value);
  }
}

TEST(ValuesDecimalNumber, NotANumberForTextWithoutDigits) {
  for (const char* text : {"", "abc", "-", ".", "e5", "NaN"}) {
    SCOPED_TRACE(text);
    auto d = DecimalNumber::decimalNumberWithString(text);
    EXPECT_TRUE(d->isNaN());
    EXPECT_EQ(d.get(), DecimalNumber::notANumber().get());
    EXPECT_EQ(d->stringValue(), "NaN");
  }
  EXPECT_TRUE(DecimalNumber::decimalNumberWithString("1e200")->isNaN());  // beyond the exponent range
}

TEST(ValuesDecimalNumber, UnsignedBeyondInt64AndConversions) {
  auto d = DecimalNumber::decimalNumberWithString("18446744073709551615");
  EXPECT_EQ(d->unsignedLongLongValue(), 18446744073709551615ULL);
  EXPECT_TRUE(d->isEqual(Number::numberWithUnsignedLongLong(18446744073709551615ULL)));
  EXPECT_EQ(d->objCType(), "d");
  auto neg = DecimalNumber::decimalNumberWithString("-9223372036854775808");
  EXPECT_EQ(neg->longLongValue(), std::numeric_limits<int64_t>::min());
  EXPECT_DOUBLE_EQ(DecimalNumber::decimalNumberWithString("2.75")->doubleValue(), 2.75);

  EXPECT_EQ(DecimalNumber::decimalNumberWithNumber(*Number::numberWithDouble(0.1))->stringValue(), "0.1");
  EXPECT_EQ(DecimalNumber::decimalNumberWithNumber(*Number::numberWithLongLong(-7))->stringValue(), "-7");
  EXPECT_EQ(DecimalNumber::decimalNumberWithNumber(*Number::numberWithBool(true))->stringValue(), "1");
  EXPECT_TRUE(DecimalNumber::decimalNumberWithNumber(*Number::numberWithDouble(INFINITY))->isNaN());
  EXPECT_EQ(DecimalNumber::decimalNumberWithMantissa(15, -1, true)->stringValue(), "-1.5");
}

TEST(ValuesDecimalNumber, ComparesExactly) {
  auto a = DecimalNumber::decimalNumberWithString("0.1");
  auto b = DecimalNumber::decimalNumberWithString("0.10");
  auto c = DecimalNumber::decimalNumberWithString("0.1000000000000000000000000001");
  EXPECT_TRUE(a->isEqual(b));
  EXPECT_EQ(a->hash(), b->hash());
  EXPECT_FALSE(a->isEqual(c));
  EXPECT_EQ(a->compare(*c), Ordering::Ascending);
  EXPECT_EQ(DecimalNumber::decimalNumberWithString("-2")->compare(*DecimalNumber::decimalNumberWithString("-10")),
            Ordering::Descending);
  EXPECT_TRUE(a->isEqual(Number::numberWithDouble(0.1)));
  EXPECT_TRUE(Number::numberWithDouble(0.1)->isEqual(a));
  EXPECT_EQ(Number::numberWithInt(1)->compare(*a), Ordering::Descending);
}

TEST(ValuesValueBox, StructsKeepTheirEncoding) {
  struct Pair {
    double x, y;
  };
  Pair p{1.5, -2};
  auto v = ValueBox::create(&p, sizeof p, "{CGPoint=dd}");
  EXPECT_EQ(v->objCType(), "{CGPoint=dd}");
  Pair back{};
  EXPECT_TRUE(v->getValue(&back, sizeof back));
  EXPECT_EQ(back.x, 1.5);
  EXPECT_EQ(back.y, -2);
  EXPECT_FALSE(v->getValue(&back, 4));

  auto r = ValueBox::valueWithRange(Range{3, 5});
  EXPECT_EQ(r->objCType(), "{_NSRange=QQ}");
  EXPECT_EQ(r->rangeValue(), (Range{3, 5}));
  EXPECT_EQ(r->description(), "{3, 5}");
  Range out;
  EXPECT_TRUE(r->get(out));
  EXPECT_FALSE(v->get(out));
  EXPECT_EQ(v->rangeValue(), (Range{0, 0}));

  EXPECT_TRUE(r->isEqual(ValueBox::valueWithRange(Range{3, 5})));
  EXPECT_EQ(r->hash(), ValueBox::valueWithRange(Range{3, 5})->hash());
  EXPECT_FALSE(r->isEqual(ValueBox::valueWithRange(Range{3, 6})));
  // Same bytes under another encoding are another value.
  EXPECT_FALSE(ValueBox::create(&p, sizeof p, "{CGSize=dd}")->isEqual(v));
  EXPECT_EQ(v->copy().get(), v.get());
}

TEST(ValuesValueBox, PointersAndGenericDescriptions) {
  int target = 0;
  auto v = ValueBox::valueWithPointer(&target);
  EXPECT_EQ(v->objCType(), "^v");
  EXPECT_EQ(v->pointerValue(), &target);
  EXPECT_EQ(ValueBox::valueWithRange(Range{1, 1})->pointerValue(), nullptr);
  uint8_t bytes[6] = {0xde, 0xad, 0xbe, 0xef, 0x01, 0x02};
  EXPECT_EQ(ValueBox::create(bytes, sizeof bytes, "[6C]")->description(), "<deadbeef 0102>");
}
