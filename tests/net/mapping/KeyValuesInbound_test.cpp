// Key values to model objects: accepting the data, conversions by property type, nesting,
// element classes, renamed keys and key paths, hooks, and the error slot.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/serialization/JSONSerialization.h"
#include "tests/net/mapping/MappingModels.h"

// A namespace of its own: test programs compile several files as one.
namespace key_values_inbound_test {

using namespace net;
using fd::String;
using kmtest::TMBook;
using kmtest::TMChapter;
using kmtest::TMEBook;
using kmtest::TMHooked;
using kmtest::TMUser;

namespace {

rt::Id json(std::string_view text) {
  rt::Id v = fd::JSONSerialization::JSONObjectWithBytes(text, fd::JSONReadingFragmentsAllowed, nullptr);
  EXPECT_TRUE(v) << text;
  return v;
}

String errorDomain(const rt::Class* cls) {
  auto e = km_error(cls);
  return e ? e->domain() : String("(none)");
}

Ref<TMUser> userFrom(std::string_view text) { return km_objectWithKeyValues<TMUser>(json(text)); }

}  // namespace

TEST(KeyValuesInbound, ConvertsByPropertyType) {
  struct Case {
    const char* json;
    std::function<bool(const TMUser&)> check;
  };
  const Case cases[] = {
      {R"({"name":"Ada","age":36})", [](const TMUser& u) { return u.name == "Ada" && u.age == 36; }},
      {R"({"name":12})", [](const TMUser& u) { return u.name == "12"; }},
      {R"({"name":1.5})", [](const TMUser& u) { return u.name == "1.5"; }},
      {R"({"age":"12"})", [](const TMUser& u) { return u.age == 12; }},
      {R"({"age":"abc"})", [](const TMUser& u) { return u.age == 0; }},
      {R"({"score":"2.75"})", [](const TMUser& u) { return u.score == 2.75; }},
      {R"({"vip":"Yes"})", [](const TMUser& u) { return u.vip; }},
      {R"({"vip":"TRUE"})", [](const TMUser& u) { return u.vip; }},
      {R"({"vip":"1"})", [](const TMUser& u) { return u.vip; }},
      {R"({"vip":true})", [](const TMUser& u) { return u.vip; }},
      {R"({"flag":"true"})", [](const TMUser& u) { return u.flag == 1; }},
      {R"({"balance":"19.5"})", [](const TMUser& u) { return u.balance && u.balance->doubleValue() == 19.5; }},
      {R"({"balance":7})", [](const TMUser& u) { return u.balance && u.balance->integerValue() == 7; }},
      {R"({"balance":{"a":1}})", [](const TMUser& u) { return !u.balance; }},
      {R"({"name":{"a":1}})", [](const TMUser& u) { return u.name.isEmpty(); }},
      {R"({"homepage":"http://example.com/a b/中文"})",
       [](const TMUser& u) {
         return u.homepage && u.homepage->absoluteString() == "http://example.com/a%20b/%E4%B8%AD%E6%96%87";
       }},
      {R"({"homepage":"http://example.com/a%20b"})",
       [](const TMUser& u) { return u.homepage && u.homepage->absoluteString() == "http://example.com/a%20b"; }},
      {R"({"tags":["a","b"]})",
       [](const TMUser& u) { return u.tags && u.tags->count() == 2 && u.tags->isMemberOfClass(fd::MutableArray::classObject()); }},
      {R"({"plainTags":["a"]})", [](const TMUser& u) { return u.plainTags && u.plainTags->count() == 1; }},
      {R"({"note":"hi"})",
       [](const TMUser& u) { return u.note && u.note->isMemberOfClass(fd::MutableStringObject::classObject()); }},
      {R"({"info":{"k":"v"}})", [](const TMUser& u) { return u.info && u.info->count() == 1; }},
      {R"({"anything":[1,2]})", [](const TMUser& u) { return rt::as<fd::Array>(u.anything) != nullptr; }},
      {R"({"name":null,"age":null})", [](const TMUser& u) { return u.name.isEmpty() && u.age == 0; }},
      {R"({"description":"never","action":"run"})",
       [](const TMUser& u) { return u.description_.isEmpty() && u.action.isNull(); }},
      {R"({"unknown":"ignored"})", [](const TMUser& u) { return u.name.isEmpty(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    Ref<TMUser> u = userFrom(c.json);
    ASSERT_TRUE(u);
    EXPECT_TRUE(c.check(*u));
    EXPECT_EQ(km_error(TMUser::classObject()), nullptr);
  }
}

TEST(KeyValuesInbound, BooleanWordsAndOtherText) {
  const std::pair<const char*, bool> words[] = {{"Yes", true}, {"TRUE", true}, {"no", false},
                                                {"False", false}, {"1", true}, {"0", false}};
  for (auto [word, expected] : words) {
    SCOPED_TRACE(word);
    auto u = rt::make<TMUser>();
    u->vip = !expected;
    km_setKeyValues(*u, fd::Dictionary::withStrings({{"vip", fd::box(String(word))}}));
    EXPECT_EQ(u->vip, expected);
  }
  auto u = rt::make<TMUser>();
  u->vip = true;
  km_setKeyValues(*u, json(R"({"vip":"maybe"})"));
  EXPECT_TRUE(u->vip);
}

TEST(KeyValuesInbound, AcceptsJSONTextAndBytes) {
  const char* text = R"({"name":"Grace","age":85})";
  auto fromText = km_objectWithKeyValues<TMUser>(fd::box(String(text)));
  auto fromBytes = km_objectWithKeyValues<TMUser>(fd::Data::create(std::string_view(text)));
  for (const auto& u : {fromText, fromBytes}) {
    ASSERT_TRUE(u);
    EXPECT_EQ(u->name, "Grace");
    EXPECT_EQ(u->age, 85);
  }
}

TEST(KeyValuesInbound, RefusesWhatIsNoDictionary) {
  const rt::Id inputs[] = {nullptr, fd::box(String("[1,2]")), fd::box(String("12")), fd::box(String("{oops")),
                           fd::Data::create(std::string_view("\xff\xfe")), json("[1]"), fd::Number::numberWithInt(3)};
  for (const rt::Id& input : inputs) {
    SCOPED_TRACE(input ? input->description().utf8() : "nil");
    EXPECT_EQ(km_objectWithKeyValues(TMUser::classObject(), input), nullptr);
    EXPECT_EQ(errorDomain(TMUser::classObject()), "keyValues参数不是一个字典");
    EXPECT_EQ(km_error(TMUser::classObject())->code(), 250);
    EXPECT_EQ(km_error(TMUser::classObject())->userInfo()->count(), 0u);
  }
  // A fill with no dictionary leaves the receiver as it was.
  auto u = rt::make<TMUser>();
  u->name = "kept";
  EXPECT_EQ(&km_setKeyValues(*u, fd::box(String("not json"))), u.get());
  EXPECT_EQ(u->name, "kept");
  EXPECT_EQ(errorDomain(TMUser::classObject()), "keyValues参数不是一个字典");
  // The next operation clears the slot.
  userFrom("{}");
  EXPECT_EQ(km_error(TMUser::classObject()), nullptr);
}

TEST(KeyValuesInbound, MissingAndNullKeysKeepValues) {
  auto u = rt::make<TMUser>();
  u->name = "before";
  u->age = 5;
  km_setKeyValues(*u, json(R"({"name":null})"));
  EXPECT_EQ(u->name, "before");
  EXPECT_EQ(u->age, 5);
}

TEST(KeyValuesInbound, RefusedValueRecordsReasonAndGoesOn) {
  auto u = userFrom(R"({"age":{"x":1},"name":"still set","rank":[1]})");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->age, 0);
  EXPECT_EQ(u->rank, 0);
  EXPECT_EQ(u->name, "still set");
  auto e = km_error(TMUser::classObject());
  ASSERT_TRUE(e);
  EXPECT_EQ(e->code(), 250);
  // The last failure wins: the rank property comes after age.
  EXPECT_TRUE(e->domain().contains("rank")) << e->domain();
}

TEST(KeyValuesInbound, NestedModelsArraysAndKeyPaths) {
  auto book = km_objectWithKeyValues<TMBook>(json(R"({
      "id": "b-1", "title": "Notes",
      "meta": {"subtitle": "from the meta"},
      "images": [{"url": "http://img/1.png"}, {"url": "http://img/2.png"}],
      "author": "{\"name\":\"Ada\",\"age\":\"36\"}",
      "chapters": [{"title": "One", "pages": 10}, [{"title": "Inner"}], {"title": "Two", "pages": "20"}, 5],
      "links": ["http://a.example/x y", 3, "http://b.example/"]
  })"));
  ASSERT_TRUE(book);
  EXPECT_EQ(book->identifier, "b-1");
  EXPECT_EQ(book->subtitle, "from the meta");
  EXPECT_EQ(book->cover, "http://img/1.png");
  ASSERT_TRUE(book->author);
  EXPECT_EQ(book->author->name, "Ada");
  EXPECT_EQ(book->author->age, 36);

  ASSERT_TRUE(book->chapters);
  ASSERT_EQ(book->chapters->count(), 3u);  // the number is dropped, leaving its error
  auto one = rt::as<TMChapter>(book->chapters->objectAtIndex(0));
  ASSERT_TRUE(one);
  EXPECT_EQ(one->pages, 10);
  auto inner = rt::as<fd::Array>(book->chapters->objectAtIndex(1));
  ASSERT_TRUE(inner);
  ASSERT_EQ(inner->count(), 1u);
  EXPECT_EQ(rt::as<TMChapter>(inner->objectAtIndex(0))->title, "Inner");
  EXPECT_EQ(rt::as<TMChapter>(book->chapters->objectAtIndex(2))->pages, 20);
  EXPECT_EQ(errorDomain(TMChapter::classObject()), "keyValues参数不是一个字典");

  ASSERT_TRUE(book->links);
  ASSERT_EQ(book->links->count(), 2u);
  EXPECT_EQ(rt::as<fd::URL>(book->links->objectAtIndex(0))->absoluteString(), "http://a.example/x%20y");

  // The first alternative that gives a value wins.
  auto early = km_objectWithKeyValues<TMBook>(json(R"({"sub_title":"direct","meta":{"subtitle":"later"}})"));
  EXPECT_EQ(early->subtitle, "direct");
  // A key that is renamed is not read under the property's own name.
  EXPECT_TRUE(km_objectWithKeyValues<TMBook>(json(R"({"identifier":"x"})"))->identifier.isEmpty());
}

TEST(KeyValuesInbound, NestedFailureStaysOnNestedClass) {
  auto book = km_objectWithKeyValues<TMBook>(json(R"({"title":"T","author":[1,2]})"));
  ASSERT_TRUE(book);
  EXPECT_EQ(book->author, nullptr);
  EXPECT_EQ(km_error(TMBook::classObject()), nullptr);
  EXPECT_EQ(errorDomain(TMUser::classObject()), "keyValues参数不是一个字典");
}

TEST(KeyValuesInbound, SubclassInheritsConfiguration) {
  auto e = km_objectWithKeyValues<TMEBook>(json(R"({"id":"e-1","format":"epub","chapters":[{"title":"A"}]})"));
  ASSERT_TRUE(e);
  EXPECT_EQ(e->identifier, "e-1");
  EXPECT_EQ(e->format, "epub");
  ASSERT_TRUE(e->chapters);
  EXPECT_TRUE(rt::as<TMChapter>(e->chapters->objectAtIndex(0)));
}

TEST(KeyValuesInbound, HooksAllowIgnoreReplaceAndFinish) {
  auto h = km_objectWithKeyValues<TMHooked>(
      json(R"({"kept":"k","dropped":"d","secret":"s","computed":"from data","finished":9})"));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->kept, "k");
  EXPECT_TRUE(h->dropped.isEmpty());  // not allowed
  EXPECT_TRUE(h->secret.isEmpty());   // allowed but ignored
  EXPECT_EQ(h->computed, "made by the hook");
  EXPECT_EQ(h->finished, 1);
  // The hook is asked even when the key is missing, and its completion runs on every fill.
  auto empty = km_objectWithKeyValues<TMHooked>(json("{}"));
  EXPECT_EQ(empty->computed, "made by the hook");
  EXPECT_EQ(empty->finished, 1);
}

TEST(KeyValuesInbound, ObjectArrays) {
  auto users = km_objectArrayWithKeyValuesArray(TMUser::classObject(),
                                                fd::box(String(R"([{"name":"a"},"{\"name\":\"b\"}",7,[{"name":"c"}]])")));
  ASSERT_TRUE(users);
  ASSERT_EQ(users->count(), 3u);
  EXPECT_EQ(rt::as<TMUser>(users->objectAtIndex(1))->name, "b");
  EXPECT_TRUE(rt::as<fd::Array>(users->objectAtIndex(2)));

  EXPECT_EQ(km_objectArrayWithKeyValuesArray(TMUser::classObject(), json(R"({"a":1})")), nullptr);
  EXPECT_EQ(errorDomain(TMUser::classObject()), "keyValuesArray参数不是一个数组");

  // A platform class takes the array as it is, as a mutable copy.
  auto raw = json(R"([{"a":1},2])");
  auto copy = km_objectArrayWithKeyValuesArray(fd::Dictionary::classObject(), raw);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), raw.get());
  EXPECT_TRUE(copy->isEqual(raw));
}

TEST(KeyValuesInbound, ManagedObjectSubclassIsAModel) {
  auto r = km_objectWithKeyValues<kmtest::TMRecord>(json(R"({"title":"stored"})"), fd::box(String("a context")));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->title, "stored");
}

TEST(KeyValuesInbound, NumberFormatterIgnoresTheUserLocale) {
  auto before = fd::Locale::currentLocale();
  fd::Locale::setCurrentLocale(fd::Locale::localeWithLocaleIdentifier("de_DE"));
  auto u = userFrom(R"({"score":"1.5","age":"1.000"})");
  fd::Locale::setCurrentLocale(nullptr);
  ASSERT_TRUE(u);
  EXPECT_EQ(u->score, 1.5);
  EXPECT_EQ(u->age, 1);
  EXPECT_EQ(km_sharedNumberFormatter()->locale()->localeIdentifier(), "en_US_POSIX");
  (void)before;
}

TEST(KeyValuesInbound, RaisingClassHookIsRecordedNotThrown) {
  rt::Id made;
  EXPECT_NO_THROW(made = km_objectWithKeyValues(kmtest::TMRaising::classObject(), json(R"({"title":"t"})")));
  ASSERT_TRUE(made);
  EXPECT_TRUE(rt::as<kmtest::TMRaising>(made)->title.isEmpty());
  EXPECT_EQ(errorDomain(kmtest::TMRaising::classObject()), "no key for title");
  rt::Id keyValues;
  EXPECT_NO_THROW(keyValues = km_keyValues(*made));
  EXPECT_EQ(errorDomain(kmtest::TMRaising::classObject()), "no key for title");
}

TEST(KeyValuesInbound, WrongKindsAndBrokenTextNeverRaise) {
  const char* inputs[] = {
      R"({"name":[1],"age":[],"rank":{},"vip":{},"flag":[true],"score":"x","balance":[],"homepage":7,"tags":"t",
          "plainTags":{"a":1},"info":[1],"note":5,"joined":"yesterday","action":1})",
      R"({"id":[],"images":"none","author":5,"chapters":{"title":"x"},"links":"http://a.example/","meta":[1]})",
      R"({"images":[{"url":{}}],"author":{"age":{"deep":[1,2,{"x":null}]}},"chapters":[[[[]]]]})",
      R"({"name":"unterminated)",
      "",
      "\xff\xfe\x00",
  };
  for (const char* text : inputs) {
    SCOPED_TRACE(text);
    EXPECT_NO_THROW({
      km_objectWithKeyValues(TMUser::classObject(), fd::box(String(text)));
      km_objectWithKeyValues(TMBook::classObject(), fd::box(String(text)));
      km_objectWithKeyValues(TMBook::classObject(), fd::Data::create(std::string_view(text)));
    });
  }
  auto u = km_objectWithKeyValues<TMUser>(fd::box(String(inputs[0])));
  ASSERT_TRUE(u);
  EXPECT_TRUE(u->name.isEmpty());
  EXPECT_EQ(u->homepage, nullptr);
  EXPECT_EQ(u->joined, nullptr);
  ASSERT_TRUE(km_error(TMUser::classObject()));  // the refused scalars are on record
}

}  // namespace key_values_inbound_test
