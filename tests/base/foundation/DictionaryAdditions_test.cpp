#include <gtest/gtest.h>

#include "base/foundation/Dictionary+DUDer.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Null.h"

namespace base {
namespace {

Ref<fd::MutableDictionary> xml(const char* text) { return dictionaryWithXML(fd::StringObject::create(text)); }
String text(const rt::Id& v) {
  auto s = rt::as<fd::StringObject>(v);
  return s ? s->string() : String("<not text>");
}

TEST(XMLDictionary, AttributesChildrenAndCollapsedText) {
  auto d = xml("<item id=\"1\"><title>Hi</title></item>");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->count(), 3u);
  EXPECT_EQ(text(d->objectForKey("_name")), "item");
  EXPECT_EQ(text(d->objectForKey("id")), "1");
  EXPECT_EQ(text(d->objectForKey("title")), "Hi");
}

TEST(XMLDictionary, RepeatedNamesBecomeArraysInDocumentOrder) {
  auto d = xml("<feed><entry>one</entry><entry><id>2</id></entry><entry>three</entry><empty/></feed>");
  ASSERT_NE(d, nullptr);
  auto entries = rt::as<fd::Array>(d->objectForKey("entry"));
  ASSERT_NE(entries, nullptr);
  ASSERT_EQ(entries->count(), 3u);
  EXPECT_EQ(text(entries->objects()[0]), "one");
  auto second = rt::as<fd::Dictionary>(entries->objects()[1]);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(text(second->objectForKey("id")), "2");
  EXPECT_EQ(text(entries->objects()[2]), "three");
  auto empty = rt::as<fd::Dictionary>(d->objectForKey("empty"));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->count(), 0u);
  // A child named like an attribute joins it in an array.
  auto clash = xml("<a b=\"attr\"><b>child</b></a>");
  auto both = rt::as<fd::Array>(clash->objectForKey("b"));
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(text(both->objects()[0]), "attr");
  EXPECT_EQ(text(both->objects()[1]), "child");
}

TEST(XMLDictionary, TextRuns) {
  auto mixed = xml("<p>\n  before <b>bold</b> after\n</p>");
  auto runs = rt::as<fd::Array>(mixed->objectForKey("_text"));
  ASSERT_NE(runs, nullptr);
  ASSERT_EQ(runs->count(), 2u);
  EXPECT_EQ(text(runs->objects()[0]), "before");
  EXPECT_EQ(text(runs->objects()[1]), "after");
  EXPECT_EQ(text(mixed->objectForKey("b")), "bold");

  auto blank = xml("<r><x>  \n\t </x></r>");
  EXPECT_EQ(rt::as<fd::Dictionary>(blank->objectForKey("x"))->count(), 0u);

  auto rootText = xml("<note>hello</note>");
  EXPECT_EQ(rootText->count(), 2u);
  EXPECT_EQ(text(rootText->objectForKey("_text")), "hello");

  auto cdata = xml("<r><c>a <![CDATA[<b>&</b>]]> z</c></r>");
  EXPECT_EQ(text(cdata->objectForKey("c")), "a <b>&</b> z");
  // The parser hands text around a comment over as one run.
  auto joined = xml("<r><c>one<!-- split -->two</c></r>");
  EXPECT_EQ(text(joined->objectForKey("c")), "onetwo");
}

TEST(XMLDictionary, InputKindsAndMalformedXml) {
  EXPECT_EQ(dictionaryWithXML(fd::Number::numberWithInt(1)), nullptr);
  EXPECT_EQ(dictionaryWithXML(nullptr), nullptr);
  auto bytes = dictionaryWithXML(fd::Data::create(std::string_view("<a><b>x</b></a>")));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(text(bytes->objectForKey("b")), "x");
  auto partial = xml("<a><b>x</b><c>unclosed");
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(text(partial->objectForKey("b")), "x");
  EXPECT_EQ(xml("not xml at all"), nullptr);
  EXPECT_EQ(xml(""), nullptr);
}

TEST(DictionaryAdditions, TypedGetters) {
  auto d = fd::Dictionary::withStrings({
      {"float", fd::StringObject::create("12.7")},
      {"yes", fd::StringObject::create("yes")},
      {"null", fd::StringObject::create("null")},
      {"word", fd::StringObject::create("abc")},
      {"number", fd::Number::numberWithDouble(3.5)},
      {"array", fd::Array::create()},
      {"nsnull", fd::Null::null()},
      {"big", fd::StringObject::create("300")},
  });
  EXPECT_EQ(intValueForKey(*d, String("float"), 9), 12);
  EXPECT_DOUBLE_EQ(doubleValueForKey(*d, String("float"), 9), 12.7);
  EXPECT_EQ(intValueForKey(*d, String("yes"), 9), 1);
  EXPECT_EQ(intValueForKey(*d, String("null"), 9), 0);
  EXPECT_EQ(intValueForKey(*d, String("word"), 9), 0);
  EXPECT_EQ(intValueForKey(*d, String("missing"), 9), 9);
  EXPECT_EQ(intValueForKey(*d, String("array"), 9), 9);
  EXPECT_EQ(intValueForKey(*d, String("nsnull"), 9), 9);
  EXPECT_EQ(intValueForKey(*d, std::nullopt, 9), 9);
  EXPECT_EQ(intValueForKey(*d, String("number"), 9), 3);
  EXPECT_TRUE(boolValueForKey(*d, String("yes"), false));
  EXPECT_EQ(unsignedCharValueForKey(*d, String("big"), 1), 44);
  EXPECT_EQ(numverValueForKey(*d, String("null"), fd::Number::numberWithInt(5)), nullptr);
  EXPECT_EQ(numverValueForKey(*d, String("array"), fd::Number::numberWithInt(5))->intValue(), 5);
  EXPECT_EQ(stringValueForKey(*d, String("number"), std::nullopt), String("3.5"));
  EXPECT_EQ(stringValueForKey(*d, String("nsnull"), String("def")), String("def"));
  EXPECT_EQ(stringValueForKey(*d, String("word"), std::nullopt), String("abc"));
}

TEST(DictionaryAdditions, KeysPlistsAndJson) {
  auto d = fd::Dictionary::withStrings({
      {"beta", fd::Number::numberWithInt(2)},
      {"Alpha", fd::Number::numberWithInt(1)},
      {"gamma", fd::StringObject::create("g")},
  });
  auto keys = allKeysSorted(*d);
  ASSERT_EQ(keys->count(), 3u);
  EXPECT_EQ(text(keys->objects()[0]), "Alpha");
  EXPECT_EQ(text(keys->objects()[2]), "gamma");
  EXPECT_EQ(rt::as<fd::Number>(allValuesSortedByKeys(*d)->objects()[1])->intValue(), 2);
  EXPECT_TRUE(containsObjectForKey(*d, fd::StringObject::create("beta")));
  EXPECT_FALSE(containsObjectForKey(*d, nullptr));
  auto some = entriesForKeys(*d, {fd::StringObject::create("beta"), fd::StringObject::create("none")});
  EXPECT_EQ(some->count(), 1u);

  auto withDate = fd::Dictionary::withStrings({{"when", fd::Date::dateWithTimeIntervalSinceReferenceDate(0)}});
  auto xmlPlist = plistString(*withDate);
  ASSERT_TRUE(xmlPlist);
  EXPECT_NE(xmlPlist->rangeOfString("<date>2001-01-01T00:00:00Z</date>").location, rt::NotFound);
  auto back = dictionaryWithPlistString(*xmlPlist);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(back->isEqual(withDate.get()));
  auto binary = plistData(*d);
  ASSERT_NE(binary, nullptr);
  EXPECT_TRUE(dictionaryWithPlistData(binary)->isEqual(d.get()));
  auto notPlist = fd::Dictionary::withStrings({{"null", fd::Null::null()}});
  EXPECT_FALSE(plistString(*notPlist));
  EXPECT_EQ(plistData(*notPlist), nullptr);
  EXPECT_EQ(dictionaryWithPlistString(String("<plist><array/></plist>")), nullptr);
  EXPECT_EQ(dictionaryWithPlistData(fd::Data::create(std::string_view("junk"))), nullptr);

  auto compact = jsonStringEncoded(*fd::Dictionary::withStrings({{"a", fd::Number::numberWithInt(1)}}));
  EXPECT_EQ(compact, String("{\"a\":1}"));
  auto pretty = jsonPrettyStringEncoded(*fd::Dictionary::withStrings({{"a", fd::Number::numberWithInt(1)}}));
  ASSERT_TRUE(pretty);
  EXPECT_NE(pretty->rangeOfString("\n").location, rt::NotFound);
  EXPECT_FALSE(jsonStringEncoded(*withDate));
}

}  // namespace
}  // namespace base
