#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/JSONSerialization.h"

namespace fd {

namespace {

std::string write(const Id& value, uint32_t options = 0, Ref<Error>* error = nullptr) {
  Ref<Data> data = JSONSerialization::dataWithJSONObject(value, options, error);
  return data ? std::string(data->view()) : std::string("<nil>");
}

Ref<Array> arrayOf(std::vector<Id> items) { return Array::create(std::move(items)); }

}  // namespace

TEST(JSONWriting, CompactFormsOfEveryKind) {
  auto value = arrayOf({
      Number::numberWithInt(1), Number::numberWithLongLong(-2), Number::numberWithDouble(1.5),
      Number::numberWithBool(true), Number::numberWithBool(false), Null::null(), box(String("a/b")),
      box(String(u"q\"\\\n\t\x01")), box(String("中😀")),
      Number::numberWithUnsignedLongLong(std::numeric_limits<uint64_t>::max()), Number::numberWithDouble(0.1),
      Number::numberWithDouble(1e20), Number::numberWithFloat(0.1f), Number::numberWithDouble(2.0),
      DecimalNumber::decimalNumberWithString("12.50"), arrayOf({}), Dictionary::create(),
  });
  EXPECT_EQ(write(value),
            "[1,-2,1.5,true,false,null,\"a\\/b\",\"q\\\"\\\\\\n\\t\\u0001\",\"中😀\",18446744073709551615,"
            "0.1,1e+20,0.1,2,12.5,[],{}]");
}

TEST(JSONWriting, SlashesAndLoneSurrogates) {
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  auto value = arrayOf({box(String("http://x/y")), box(String(lone))});
  EXPECT_EQ(write(value, JSONWritingWithoutEscapingSlashes), "[\"http://x/y\",\"a\\ud800b\"]");
  EXPECT_EQ(write(value), "[\"http:\\/\\/x\\/y\",\"a\\ud800b\"]");
}

TEST(JSONWriting, PrettyPrintedWithSortedKeys) {
  auto value = Dictionary::withStrings({
      {"b", arrayOf({Number::numberWithInt(1), Dictionary::create()})},
      {"a", box(String("x"))},
      {"c", Dictionary::withStrings({{"z", Null::null()}, {"y", arrayOf({})}})},
  });
  EXPECT_EQ(write(value, JSONWritingPrettyPrinted | JSONWritingSortedKeys),
            "{\n"
            "  \"a\" : \"x\",\n"
            "  \"b\" : [\n"
            "    1,\n"
            "    {}\n"
            "  ],\n"
            "  \"c\" : {\n"
            "    \"y\" : [],\n"
            "    \"z\" : null\n"
            "  }\n"
            "}");
  EXPECT_EQ(write(value, JSONWritingSortedKeys), "{\"a\":\"x\",\"b\":[1,{}],\"c\":{\"y\":[],\"z\":null}}");
  // Without sorting, entries keep their order.
  EXPECT_EQ(write(Dictionary::withStrings({{"z", Number::numberWithInt(1)}, {"a", Number::numberWithInt(2)}})),
            "{\"z\":1,\"a\":2}");
}

TEST(JSONWriting, FragmentsNeedTheOption) {
  Ref<Error> error;
  EXPECT_EQ(write(box(String("x")), 0, &error), "<nil>");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), JSONWriteInvalidError);
  EXPECT_EQ(write(box(String("x")), JSONWritingFragmentsAllowed), "\"x\"");
  EXPECT_EQ(write(Null::null(), JSONWritingFragmentsAllowed), "null");
  EXPECT_EQ(write(Number::numberWithInt(7), JSONWritingFragmentsAllowed), "7");
}

TEST(JSONWriting, UnrepresentableValuesAreErrors) {
  auto cyclic = MutableArray::create();
  cyclic->addObject(cyclic);
  struct Case {
    const char* name;
    Id value;
    const char* why;
  };
  const Case cases[] = {
      {"date", arrayOf({Date::dateWithTimeIntervalSince1970(0)}), "Invalid type in JSON write (NSDate)"},
      {"data", arrayOf({Data::create(std::string_view("ab"))}), "Invalid type in JSON write (NSData)"},
      {"url", Dictionary::withStrings({{"u", URL::URLWithString("http://a/")}}), "Invalid type in JSON write (NSURL)"},
      {"number key", Dictionary::create({{Number::numberWithInt(1), box(String("x"))}}), "(non-string) key"},
      {"nan", arrayOf({Number::numberWithDouble(std::nan(""))}), "Invalid number value (NaN)"},
      {"infinity", arrayOf({Number::numberWithDouble(INFINITY)}), "Invalid number value (infinite)"},
      {"decimal nan", arrayOf({DecimalNumber::notANumber()}), "Invalid number value (NaN)"},
      {"top level", box(String("x")), "Invalid top-level type"},
      {"nil", nullptr, "Invalid top-level type"},
      {"cycle", cyclic, "Too many nested"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ref<Error> error;
    EXPECT_FALSE(JSONSerialization::dataWithJSONObject(c.value, 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
    EXPECT_EQ(error->code(), JSONWriteInvalidError);
    auto debug = stringValue(error->userInfo()->objectForKey(String(NSDebugDescriptionErrorKey)));
    ASSERT_TRUE(debug);
    EXPECT_TRUE(debug->contains(String(c.why))) << *debug;
    EXPECT_FALSE(JSONSerialization::isValidJSONObject(c.value));
  }
  cyclic->removeAllObjects();  // break the cycle so the array can go
}

TEST(JSONWriting, ValidityCheck) {
  const std::pair<Id, bool> cases[] = {
      {arrayOf({}), true},
      {Dictionary::withStrings({{"a", arrayOf({Number::numberWithInt(1), Null::null(), box(String("s"))})}}), true},
      {MutableDictionary::create(), true},
      {box(String("top")), false},
      {Number::numberWithInt(1), false},
      {arrayOf({Date::dateWithTimeIntervalSince1970(0)}), false},
      {arrayOf({Dictionary::create({{Null::null(), Number::numberWithInt(1)}})}), false},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(JSONSerialization::isValidJSONObject(cases[i].first), cases[i].second) << i;
}

TEST(JSONWriting, RoundTripKeepsValuesAndKinds) {
  auto value = Dictionary::withStrings({
      {"title", box(String("社区 \"news\" \\ /\n😀"))},
      {"views", Number::numberWithLongLong(-42)},
      {"big", Number::numberWithUnsignedLongLong(18446744073709551000ull)},
      {"score", Number::numberWithDouble(4.25)},
      {"top", Number::numberWithBool(true)},
      {"nothing", Null::null()},
      {"list", arrayOf({Dictionary::withStrings({{"k", arrayOf({})}})})},
  });
  for (uint32_t options : {0u, unsigned(JSONWritingPrettyPrinted), unsigned(JSONWritingSortedKeys)}) {
    Ref<Error> error;
    Ref<Data> data = JSONSerialization::dataWithJSONObject(value, options, &error);
    ASSERT_TRUE(data);
    auto back = rt::as<Dictionary>(JSONSerialization::JSONObjectWithData(data, 0, &error));
    ASSERT_TRUE(back) << error->description();
    EXPECT_TRUE(back->isEqual(value.get()));
    EXPECT_TRUE(rt::as<Number>(back->objectForKey("top"))->isBool());
    EXPECT_TRUE(rt::as<Number>(back->objectForKey("big"))->isUnsigned());
    EXPECT_TRUE(rt::as<Number>(back->objectForKey("score"))->isFloatingPoint());
    EXPECT_FALSE(rt::as<Number>(back->objectForKey("views"))->isFloatingPoint());
  }
}

}  // namespace fd
