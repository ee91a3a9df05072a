#include <gtest/gtest.h>

#include <string>

#include "bench/data/ContentDocument.h"
#include "platform/foundation/Foundation.h"
#include "platform/foundation/serialization/JSONSerialization.h"

namespace fd {

namespace {

Id read(std::string_view text, uint32_t options = 0, Ref<Error>* error = nullptr) {
  return JSONSerialization::JSONObjectWithBytes(text, options, error);
}

enum class Kind { Int, UInt, Real, Bool, Null, Text };

Kind kindOf(const Id& v) {
  if (Null::isNull(v)) return Kind::Null;
  if (rt::as<StringObject>(v)) return Kind::Text;
  auto n = rt::as<Number>(v);
  if (!n) ADD_FAILURE() << "not a scalar: " << v->description();
  if (n->isBool()) return Kind::Bool;
  if (n->isFloatingPoint()) return Kind::Real;
  return n->isUnsigned() ? Kind::UInt : Kind::Int;
}

String debugDescription(const Ref<Error>& e) {
  auto d = stringValue(e->userInfo()->objectForKey(String(NSDebugDescriptionErrorKey)));
  return d ? *d : String();
}

}  // namespace

TEST(JSONReading, ScalarsKeepTheirKind) {
  struct Case {
    const char* element;
    Kind kind;
    const char* description;
  };
  const Case cases[] = {
      {"0", Kind::Int, "0"},
      {"-5", Kind::Int, "-5"},
      {"9223372036854775807", Kind::Int, "9223372036854775807"},
      {"-9223372036854775808", Kind::Int, "-9223372036854775808"},
      {"9223372036854775808", Kind::UInt, "9223372036854775808"},
      {"18446744073709551615", Kind::UInt, "18446744073709551615"},
      {"18446744073709551616", Kind::Real, "1.8446744073709552e+19"},
      {"-9223372036854775809", Kind::Real, "-9.223372036854776e+18"},
      {"1.5", Kind::Real, "1.5"},
      {"1.0", Kind::Real, "1"},
      {"2e2", Kind::Real, "200"},
      {"-0.25E-1", Kind::Real, "-0.025"},
      {"true", Kind::Bool, "1"},
      {"false", Kind::Bool, "0"},
      {"null", Kind::Null, "<null>"},
      {"\"\"", Kind::Text, ""},
      {"\"plain\"", Kind::Text, "plain"},
      {"\"a\\\"b\\\\c\\/d\\n\"", Kind::Text, "a\"b\\c/d\n"},
      {"\"\\u00e9\\u4e2d\"", Kind::Text, "é中"},
      {"\"中文 text\"", Kind::Text, "中文 text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.element);
    Ref<Error> error;
    auto array = rt::as<Array>(read(std::string("[") + c.element + "]", 0, &error));
    ASSERT_TRUE(array) << (error ? error->description().utf8() : "");
    ASSERT_EQ(array->count(), 1u);
    EXPECT_EQ(kindOf(array->objectAtIndex(0)), c.kind);
    EXPECT_EQ(array->objectAtIndex(0)->description(), String(c.description));
  }
}

TEST(JSONReading, StringsCountUTF16Units) {
  auto array = rt::as<Array>(read("[\"a\\ud83d\\ude00\", \"😀中\", \"a\\u0000b\"]"));
  ASSERT_TRUE(array);
  const size_t lengths[] = {3, 3, 3};
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rt::as<StringObject>(array->objectAtIndex(i))->length(), lengths[i]);
  EXPECT_EQ(rt::as<StringObject>(array->objectAtIndex(1))->string().codePointAt(0), U'😀');
  EXPECT_EQ(rt::as<StringObject>(array->objectAtIndex(2))->characterAtIndex(1), u'\0');
}

TEST(JSONReading, ObjectsAndArraysNest) {
  auto root = rt::as<Dictionary>(read(R"( {"a": [1, {"b": null}], "c": "x", "d": {}, "e": []} )"));
  ASSERT_TRUE(root);
  EXPECT_EQ(root->count(), 4u);
  auto a = rt::as<Array>(root->objectForKey("a"));
  ASSERT_TRUE(a);
  ASSERT_EQ(a->count(), 2u);
  auto inner = rt::as<Dictionary>(a->objectAtIndex(1));
  ASSERT_TRUE(inner);
  EXPECT_TRUE(Null::isNull(inner->objectForKey("b")));
  EXPECT_EQ(rt::as<Dictionary>(root->objectForKey("d"))->count(), 0u);
  EXPECT_EQ(rt::as<Array>(root->objectForKey("e"))->count(), 0u);
  EXPECT_EQ(root->objectForKey("c")->description(), String("x"));
}

TEST(JSONReading, DuplicateKeysKeepTheLastValue) {
  auto d = rt::as<Dictionary>(read(R"({"k": 1, "other": 0, "k": 2})"));
  ASSERT_TRUE(d);
  EXPECT_EQ(d->count(), 2u);
  EXPECT_EQ(rt::as<Number>(d->objectForKey("k"))->integerValue(), 2);
}

TEST(JSONReading, RepeatedKeysShareOneStringObject) {
  auto list = rt::as<Array>(read(R"([{"title": "a", "id": 1}, {"id": 2, "title": "b"}])"));
  ASSERT_TRUE(list);
  auto first = rt::as<Dictionary>(list->objectAtIndex(0));
  auto second = rt::as<Dictionary>(list->objectAtIndex(1));
  EXPECT_EQ(first->keys()[0].get(), second->keys()[1].get());
  EXPECT_EQ(first->keys()[1].get(), second->keys()[0].get());
  EXPECT_FALSE(first->keys()[0]->isKindOfClass(MutableStringObject::classObject()));
}

// Found by fuzzing: an object's key was held by reference while its value was read, and a
// value with many new keys grew the key table under it.
TEST(JSONReading, KeysStayValidWhileTheirValuesAddManyMoreKeys) {
  std::string inner;
  for (int i = 0; i < 200; ++i) inner += (i ? "," : "") + std::string("\"k") + std::to_string(i) + "\":" + std::to_string(i);
  auto d = rt::as<Dictionary>(read("{\"outer\":{" + inner + "},\"after\":1}"));
  ASSERT_TRUE(d);
  ASSERT_EQ(d->count(), 2u);
  auto nested = rt::as<Dictionary>(d->objectForKey("outer"));
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->count(), 200u);
  EXPECT_EQ(rt::as<Number>(nested->objectForKey("k199"))->integerValue(), 199);
  EXPECT_EQ(rt::as<Number>(d->objectForKey("after"))->integerValue(), 1);
}

TEST(JSONReading, ShortRepeatedValuesShareOneImmutableString) {
  std::string text = R"([{"a":"same","b":"x"},{"a":"same","b":"a long value of more than thirty-two bytes"},)"
                     R"({"a":"a long value of more than thirty-two bytes"}])";
  auto list = rt::as<Array>(read(text));
  ASSERT_TRUE(list);
  auto at = [&](const Ref<Array>& l, size_t i, const char* key) { return rt::as<Dictionary>(l->objectAtIndex(i))->objectForKey(key); };
  EXPECT_EQ(at(list, 0, "a").get(), at(list, 1, "a").get());
  EXPECT_FALSE(at(list, 0, "a")->isKindOfClass(MutableStringObject::classObject()));
  EXPECT_NE(at(list, 1, "b").get(), at(list, 2, "a").get());
  EXPECT_TRUE(at(list, 1, "b")->isEqual(at(list, 2, "a")));

  // Mutable leaves are objects of their own: changing one changes no other.
  auto mutableList = rt::as<Array>(read(text, JSONReadingMutableLeaves));
  auto first = rt::as<MutableStringObject>(at(mutableList, 0, "a"));
  ASSERT_TRUE(first);
  EXPECT_NE(first.get(), at(mutableList, 1, "a").get());
  first->appendString("!");
  EXPECT_EQ(*stringValue(at(mutableList, 1, "a")), String("same"));

  // Past the number of texts remembered, values are still read right.
  std::string many = "[";
  for (int i = 0; i < 10000; ++i) many += (i ? ",\"" : "\"") + std::to_string(i) + "\"";
  many += R"(,"0","9999"])";
  auto values = rt::as<Array>(read(many));
  ASSERT_TRUE(values);
  ASSERT_EQ(values->count(), 10002u);
  for (size_t i = 0; i < 10000; i += 999) EXPECT_EQ(*stringValue(values->objectAtIndex(i)), String(std::to_string(i)));
  EXPECT_EQ(values->objectAtIndex(10000).get(), values->objectAtIndex(0).get());
  EXPECT_TRUE(values->objectAtIndex(10001)->isEqual(values->objectAtIndex(9999)));
}

// Records of one list share one key table; editing one record (mutable containers) must
// leave its siblings, and the table they share, as they were.
TEST(JSONReading, RecordsWithTheSameKeysStayIndependent) {
  std::string text = "[";
  for (int i = 0; i < 12; ++i) {
    text += (i ? "," : "") + std::string("{\"id\":") + std::to_string(i) + ",\"title\":\"t" + std::to_string(i) + "\"";
    for (int k = 0; k < 10; ++k) text += ",\"f" + std::to_string(k) + "\":" + std::to_string(k);  // past the index threshold
    text += "}";
  }
  text += R"(,{"title":"x","id":99},{"id":7,"id":8}])";
  auto list = rt::as<Array>(read(text, JSONReadingMutableContainers));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->count(), 14u);
  auto first = rt::as<MutableDictionary>(list->objectAtIndex(0));
  auto second = rt::as<MutableDictionary>(list->objectAtIndex(1));
  ASSERT_TRUE(first && second);
  first->setObjectForKey(box("new"), "added");
  first->removeObjectForKey(String("f3"));
  first->setObjectForKey(box(100), "id");
  EXPECT_EQ(first->count(), 12u);
  EXPECT_EQ(second->count(), 12u);
  EXPECT_FALSE(second->objectForKey("added"));
  EXPECT_EQ(rt::as<Number>(second->objectForKey("f3"))->integerValue(), 3);
  EXPECT_EQ(rt::as<Number>(second->objectForKey("id"))->integerValue(), 1);
  for (size_t i = 1; i < 12; ++i) {
    auto d = rt::as<Dictionary>(list->objectAtIndex(i));
    SCOPED_TRACE(i);
    EXPECT_EQ(rt::as<Number>(d->objectForKey("id"))->integerValue(), static_cast<int64_t>(i));
    EXPECT_EQ(*stringValue(d->objectForKey("title")), String::format("t%llu", static_cast<uint64_t>(i)));
    EXPECT_EQ(rt::as<Number>(d->objectForKey("f9"))->integerValue(), 9);
    EXPECT_EQ(d->keys()[0]->description(), String("id"));
  }
  // Another order of the same keys, and a repeated key, are records of their own.
  auto swapped = rt::as<Dictionary>(list->objectAtIndex(12));
  EXPECT_EQ(swapped->keys()[0]->description(), String("title"));
  EXPECT_EQ(rt::as<Number>(swapped->objectForKey("id"))->integerValue(), 99);
  auto repeated = rt::as<Dictionary>(list->objectAtIndex(13));
  EXPECT_EQ(repeated->count(), 1u);
  EXPECT_EQ(rt::as<Number>(repeated->objectForKey("id"))->integerValue(), 8);
  // Equal records stay equal and hash alike whether or not they share a table.
  auto again = rt::as<Array>(read(text));
  EXPECT_TRUE(again->objectAtIndex(5)->isEqual(list->objectAtIndex(5)));
  EXPECT_EQ(again->objectAtIndex(5)->hash(), list->objectAtIndex(5)->hash());
  EXPECT_EQ(again->objectAtIndex(5)->description(), list->objectAtIndex(5)->description());
}

TEST(JSONReading, OptionsChooseMutability) {
  struct Case {
    uint32_t options;
    bool mutableContainers;
    bool mutableLeaves;
  };
  const Case cases[] = {
      {0, false, false},
      {JSONReadingMutableContainers, true, false},
      {JSONReadingMutableLeaves, false, true},
      {JSONReadingMutableContainers | JSONReadingMutableLeaves, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    auto root = rt::as<Dictionary>(read(R"({"list": [{"s": "v"}]})", c.options));
    ASSERT_TRUE(root);
    auto list = rt::as<Array>(root->objectForKey("list"));
    auto item = rt::as<Dictionary>(list->objectAtIndex(0));
    auto value = item->objectForKey("s");
    EXPECT_EQ(root->isKindOfClass(MutableDictionary::classObject()), c.mutableContainers);
    EXPECT_EQ(list->isKindOfClass(MutableArray::classObject()), c.mutableContainers);
    EXPECT_EQ(item->isKindOfClass(MutableDictionary::classObject()), c.mutableContainers);
    EXPECT_EQ(value->isKindOfClass(MutableStringObject::classObject()), c.mutableLeaves);
    EXPECT_FALSE(item->keys()[0]->isKindOfClass(MutableStringObject::classObject()));
  }
  auto list = rt::as<MutableArray>(read("[1]", JSONReadingMutableContainers));
  ASSERT_TRUE(list);
  list->addObject(Number::numberWithInt(2));
  EXPECT_EQ(list->count(), 2u);
}

TEST(JSONReading, FragmentsNeedTheOption) {
  const char* fragments[] = {"\"text\"", " 12 ", "null", "true", "-1.5"};
  for (const char* text : fragments) {
    SCOPED_TRACE(text);
    Ref<Error> error;
    EXPECT_FALSE(read(text, 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), JSONReadCorruptError);
    EXPECT_TRUE(debugDescription(error).contains("did not start with array or object"));
    Id value = read(text, JSONReadingFragmentsAllowed, &error);
    ASSERT_TRUE(value);
  }
  EXPECT_EQ(read("\"text\"", JSONReadingFragmentsAllowed)->description(), String("text"));
  EXPECT_TRUE(Null::isNull(read("null", JSONReadingFragmentsAllowed)));
  EXPECT_EQ(kindOf(read("184467440737095516160", JSONReadingFragmentsAllowed)), Kind::Real);
}

TEST(JSONReading, ErrorsSayWhatAndWhere) {
  struct Case {
    std::string text;
    size_t offset;
    const char* what;
  };
  const Case cases[] = {
      {"", 0, "No value"},
      {"   ", 3, "No value"},
      {"[1,]", 3, "Invalid value"},
      {"[1", 2, "Unexpected end of file while parsing array"},
      {"{\"a\":1", 6, "Unexpected end of file while parsing object"},
      {"{\"a\" 1}", 5, "No ':' after key in object"},
      {"{1:2}", 1, "No string key for value in object"},
      {"[\"abc", 1, "Unterminated string"},
      {"[\"\xff\"]", 2, "Unable to convert data to string"},
      {"[\"\xc0\xaf\"]", 2, "Unable to convert data to string"},
      {"[1] x", 4, "Garbage at end"},
      {"[tru]", 1, "Invalid value"},
      {"[01]", 2, "Badly formed array"},
      {"{\"a\":1 \"b\":2}", 7, "Badly formed object"},
      {"[\"\\ud800\"]", 2, "no low character"},
      {"[\"\\udc00\"]", 2, "no high character"},
      {"[\"\\x\"]", 2, "Invalid escape sequence"},
      {"[1e400]", 1, "Number out of range"},
      {"[-]", 1, "Invalid number"},
      {"[\"a\tb\"]", 3, "Unescaped control character"},
      {std::string(600, '['), 512, "Too many nested arrays or dictionaries"},
      {"\xEF\xBB\xBF[1,]", 6, "Invalid value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    Ref<Error> error;
    EXPECT_FALSE(read(c.text, 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), String(NSCocoaErrorDomain));
    EXPECT_EQ(error->code(), JSONReadCorruptError);
    EXPECT_EQ(error->localizedDescription(),
              String("The data couldn’t be read because it isn’t in the correct format."));
    String debug = debugDescription(error);
    EXPECT_TRUE(debug.hasPrefix(String(c.what)) || debug.contains(String(c.what))) << debug;
    EXPECT_TRUE(debug.hasSuffix(String::format(" around character %zu.", c.offset))) << debug;
    auto index = rt::as<Number>(error->userInfo()->objectForKey(String(JSONErrorIndexKey)));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->unsignedLongLongValue(), c.offset);
  }
}

TEST(JSONReading, NullDataIsAnError) {
  Ref<Error> error;
  EXPECT_FALSE(JSONSerialization::JSONObjectWithData(nullptr, 0, &error));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code(), JSONReadCorruptError);
}

TEST(JSONReading, TruncatedDocumentsFailCleanly) {
  std::string doc = bench_data::contentDocument(20000);
  ASSERT_TRUE(rt::as<Dictionary>(read(doc)));
  for (size_t cut = 1; cut < doc.size(); cut += 97) {
    Ref<Error> error;
    EXPECT_FALSE(read(std::string_view(doc).substr(0, cut), 0, &error)) << cut;
    ASSERT_TRUE(error) << cut;
    EXPECT_EQ(error->code(), JSONReadCorruptError);
  }
}

TEST(JSONReading, WideIntegersInsideContainersBecomeReals) {
  auto root = rt::as<Dictionary>(read(R"({"a": [18446744073709551616, 2, "x"], "b": {"a": true}})"));
  ASSERT_TRUE(root);
  auto a = rt::as<Array>(root->objectForKey("a"));
  ASSERT_TRUE(a);
  ASSERT_EQ(a->count(), 3u);
  EXPECT_EQ(kindOf(a->objectAtIndex(0)), Kind::Real);
  EXPECT_DOUBLE_EQ(rt::as<Number>(a->objectAtIndex(0))->doubleValue(), 18446744073709551616.0);
  EXPECT_EQ(kindOf(a->objectAtIndex(1)), Kind::Int);
  EXPECT_EQ(a->objectAtIndex(2)->description(), String("x"));
  auto b = rt::as<Dictionary>(root->objectForKey("b"));
  EXPECT_EQ(b->keys()[0].get(), root->keys()[0].get());
}

TEST(JSONReading, DataStringAndBytesAgree) {
  const char* text = R"({"name": "区", "n": [1, 2.5]})";
  Id fromBytes = read(text);
  Id fromData = JSONSerialization::JSONObjectWithData(Data::create(std::string_view(text)), 0, nullptr);
  Id fromString = JSONSerialization::JSONObjectWithString(String(text), 0, nullptr);
  ASSERT_TRUE(fromBytes);
  EXPECT_TRUE(fromBytes->isEqual(fromData));
  EXPECT_TRUE(fromBytes->isEqual(fromString));
}

TEST(JSONReading, ContentServiceDocument) {
  std::string doc = bench_data::contentDocument(200000);
  auto root = rt::as<Dictionary>(read(doc));
  ASSERT_TRUE(root);
  EXPECT_EQ(rt::as<Number>(root->objectForKey("status"))->integerValue(), 200);
  auto data = rt::as<Dictionary>(root->objectForKey("data"));
  auto list = rt::as<Array>(data->objectForKey("list"));
  ASSERT_TRUE(list);
  auto page = rt::as<Dictionary>(data->objectForKey("page"));
  EXPECT_EQ(page->objectForKey("total")->description(), String(std::to_string(list->count())));
  for (const Id& item : list->objects()) {
    auto record = rt::as<Dictionary>(item);
    ASSERT_TRUE(record);
    EXPECT_TRUE(rt::as<Number>(record->objectForKey("is_top"))->isBool());
    EXPECT_FALSE(rt::as<Number>(record->objectForKey("views"))->isFloatingPoint());
    EXPECT_TRUE(rt::as<StringObject>(record->objectForKey("title")));
  }
}


// Documents past the reusable parser's size take the on-demand path: the same values, the
// same errors at the same places, as a small document.
TEST(JSONReading, LargeDocumentsReadAsSmallOnesDo) {
  const std::string extras =
      R"({"k\"ey":"caf\u00e9 \ud83d\ude00","plain":"abc","empty":"","nested":[[],{},[null,true,false]],)"
      R"("wide":123456789012345678901234567890,"neg":-12,"big":18446744073709551615,"real":-1.5e-3,)"
      R"("esc":"line\nbreak\t\"q\" \\ \/","中文":"新闻"})";
  auto documentOf = [&](size_t size) {
    return "{\"extras\":" + extras + ",\"content\":" + bench_data::contentDocument(size) + "}";
  };
  const std::string small = documentOf(20000);
  const std::string large = documentOf(9u << 20);
  for (uint32_t options : {0u, static_cast<uint32_t>(JSONReadingMutableContainers | JSONReadingMutableLeaves)}) {
    SCOPED_TRACE(options);
    auto a = rt::as<Dictionary>(read(small, options));
    auto b = rt::as<Dictionary>(read(large, options));
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(a->objectForKey("extras")->isEqual(b->objectForKey("extras")));
    EXPECT_EQ(a->objectForKey("extras")->description(), b->objectForKey("extras")->description());
    auto extrasB = rt::as<Dictionary>(b->objectForKey("extras"));
    EXPECT_EQ(*stringValue(extrasB->objectForKey("k\"ey")), String(u"caf\u00e9 \U0001F600"));
    EXPECT_TRUE(rt::as<Number>(extrasB->objectForKey("wide"))->isFloatingPoint());
    EXPECT_EQ(extrasB->isKindOfClass(MutableDictionary::classObject()), options != 0);
    EXPECT_EQ(extrasB->objectForKey("plain")->isKindOfClass(MutableStringObject::classObject()), options != 0);
    auto listOf = [](const Ref<Dictionary>& root) {
      auto content = rt::as<Dictionary>(root->objectForKey("content"));
      return rt::as<Array>(rt::as<Dictionary>(content->objectForKey("data"))->objectForKey("list"));
    };
    auto listA = listOf(a);
    auto listB = listOf(b);
    ASSERT_TRUE(listA && listB);
    ASSERT_GT(listB->count(), listA->count());
    for (size_t i = 0; i < listA->count(); ++i) ASSERT_TRUE(listA->objectAtIndex(i)->isEqual(listB->objectAtIndex(i))) << i;
  }

  // A fault after the large prefix is found where a small document finds it.
  const std::string smallPrefix = "[" + bench_data::contentDocument(2000) + ",";
  const std::string largePrefix = "[" + bench_data::contentDocument(9u << 20) + ",";
  for (const char* tail : {"tru]", "\"abc", "\"\xff\"]", "\"\\ud800\"]", "1e400]", "1] x", "1", "\"a\tb\"]"}) {
    SCOPED_TRACE(tail);
    Ref<Error> smallError, largeError;
    EXPECT_FALSE(read(smallPrefix + tail, 0, &smallError));
    EXPECT_FALSE(read(largePrefix + tail, 0, &largeError));
    ASSERT_TRUE(smallError && largeError);
    auto indexOf = [](const Ref<Error>& e) {
      return rt::as<Number>(e->userInfo()->objectForKey(String(JSONErrorIndexKey)))->unsignedLongLongValue();
    };
    EXPECT_EQ(indexOf(largeError) - largePrefix.size(), indexOf(smallError) - smallPrefix.size());
    String smallText = debugDescription(smallError), largeText = debugDescription(largeError);
    EXPECT_EQ(smallText.substring(0, smallText.rangeOfString(" around").location),
              largeText.substring(0, largeText.rangeOfString(" around").location));
  }
}

}  // namespace fd
