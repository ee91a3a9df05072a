// Model objects to key values, key-path placement, JSON helpers, and the round trip.
#include <gtest/gtest.h>

#include "platform/foundation/serialization/JSONSerialization.h"
#include "tests/net/mapping/MappingModels.h"

// A namespace of its own: test programs compile several files as one.
namespace key_values_outbound_test {

using namespace net;
using fd::String;
using kmtest::TMBook;
using kmtest::TMChapter;
using kmtest::TMUser;

namespace {

rt::Id json(std::string_view text) { return fd::JSONSerialization::JSONObjectWithBytes(text, 0, nullptr); }

Ref<fd::Array> names(std::initializer_list<const char*> list) {
  std::vector<rt::Id> v;
  for (const char* n : list) v.push_back(fd::box(String(n)));
  return fd::Array::create(std::move(v));
}

Ref<TMUser> sampleUser() {
  auto u = rt::make<TMUser>();
  u->name = "Ada";
  u->age = 36;
  u->vip = true;
  u->homepage = fd::URL::URLWithString("http://example.com/ada");
  u->plainTags = names({"x", "y"});
  return u;
}

}  // namespace

TEST(KeyValuesOutbound, ScalarsStringsURLsAndNil) {
  auto kv = rt::as<fd::MutableDictionary>(km_keyValues(*sampleUser()));
  ASSERT_TRUE(kv);
  EXPECT_TRUE(kv->objectForKey("name")->isEqual(fd::box(String("Ada"))));
  auto age = kv->objectForKeyAs<fd::Number>("age");
  ASSERT_TRUE(age);
  EXPECT_EQ(age->integerValue(), 36);
  EXPECT_TRUE(kv->objectForKeyAs<fd::Number>("vip")->isBool());
  EXPECT_TRUE(kv->objectForKey("homepage")->isEqual(fd::box(String("http://example.com/ada"))));
  EXPECT_TRUE(kv->objectForKey("plainTags")->isEqual(names({"x", "y"})));
  EXPECT_TRUE(fd::Null::isNull(kv->objectForKey("action")));  // a selector cannot be read
  EXPECT_EQ(kv->objectForKey("balance"), nullptr);              // nil is left out
  EXPECT_EQ(kv->objectForKey("note"), nullptr);
  EXPECT_EQ(kv->objectForKey("description"), nullptr);          // never listed
  EXPECT_EQ(km_error(TMUser::classObject()), nullptr);
}

TEST(KeyValuesOutbound, EmptyTextIsKeptOnlyNilIsLeftOut) {
  auto u = rt::make<TMUser>();
  u->note = fd::MutableStringObject::create(String(""));
  auto kv = rt::as<fd::MutableDictionary>(km_keyValues(*u));
  ASSERT_TRUE(kv);
  // A text object set to "" and a value-typed text field (never nil) both go out as "".
  EXPECT_TRUE(kv->objectForKey("note")->isEqual(fd::box(String(""))));
  EXPECT_TRUE(kv->objectForKey("name")->isEqual(fd::box(String(""))));
  EXPECT_EQ(kv->objectForKey("balance"), nullptr);
  EXPECT_EQ(kv->objectForKey("homepage"), nullptr);
}

TEST(KeyValuesOutbound, KeysToKeepAndToLeaveOut) {
  struct Case {
    Ref<fd::Array> keys, ignored;
    std::vector<const char*> present, absent;
  };
  const Case cases[] = {
      {names({"name", "age"}), nullptr, {"name", "age"}, {"vip", "homepage"}},
      {nullptr, names({"name"}), {"age", "vip"}, {"name"}},
      {names({"name", "age"}), names({"age"}), {"name"}, {"age", "vip"}},
  };
  auto u = sampleUser();
  for (const Case& c : cases) {
    auto kv = rt::as<fd::Dictionary>(km_keyValuesWithKeys(*u, c.keys, c.ignored));
    ASSERT_TRUE(kv);
    for (const char* n : c.present) EXPECT_TRUE(kv->objectForKey(n)) << n;
    for (const char* n : c.absent) EXPECT_FALSE(kv->objectForKey(n)) << n;
  }
  EXPECT_FALSE(rt::as<fd::Dictionary>(km_keyValuesWithIgnoredKeys(*u, names({"age"})))->objectForKey("age"));
}

TEST(KeyValuesOutbound, NestedModelsAndArraysAlongKeyPaths) {
  auto book = rt::make<TMBook>();
  book->identifier = "b-1";
  book->cover = "http://img/c.png";
  book->author = sampleUser();
  auto ch = rt::make<TMChapter>();
  ch->title = "One";
  book->chapters = fd::Array::create({ch, names({"inner"})});
  auto kv = rt::as<fd::Dictionary>(km_keyValues(*book));
  ASSERT_TRUE(kv);
  EXPECT_TRUE(kv->objectForKey("id")->isEqual(fd::box(String("b-1"))));
  EXPECT_FALSE(kv->objectForKey("identifier"));
  // "images[0].url": an array under images holding a dictionary.
  auto images = kv->objectForKeyAs<fd::Array>("images");
  ASSERT_TRUE(images);
  ASSERT_EQ(images->count(), 1u);
  EXPECT_TRUE(rt::as<fd::Dictionary>(images->objectAtIndex(0))->objectForKey("url")->isEqual(fd::box(String("http://img/c.png"))));
  auto author = kv->objectForKeyAs<fd::Dictionary>("author");
  ASSERT_TRUE(author);
  EXPECT_TRUE(author->objectForKey("name")->isEqual(fd::box(String("Ada"))));
  auto chapters = kv->objectForKeyAs<fd::Array>("chapters");
  ASSERT_TRUE(chapters);
  EXPECT_TRUE(rt::as<fd::Dictionary>(chapters->objectAtIndex(0)));
  EXPECT_TRUE(chapters->objectAtIndex(1)->isEqual(names({"inner"})));  // inner arrays stay as they are
}

TEST(KeyValuesOutbound, SharedPrefixesAndPaddedArrays) {
  auto p = rt::make<kmtest::TMPlaced>();
  p->first = "1";
  p->second = "2";
  p->third = "3";
  p->fourth = "4";
  auto kv = rt::as<fd::Dictionary>(km_keyValues(*p));
  ASSERT_TRUE(kv);
  EXPECT_TRUE(kv->isEqual(json(R"({"a":{"b":"1","c":"2"},"list":[null,null,"3"],"rows":[null,{"name":"4"}]})"))) << kv->description();

  // Without the reference setting every value goes under its property's name.
  km_referenceReplacedKeyWhenCreatingKeyValues(kmtest::TMPlaced::classObject(), false);
  auto flat = km_keyValues(*p);
  km_referenceReplacedKeyWhenCreatingKeyValues(kmtest::TMPlaced::classObject(), true);
  EXPECT_TRUE(flat->isEqual(json(R"({"first":"1","second":"2","third":"3","fourth":"4"})")));
  EXPECT_TRUE(km_isReferenceReplacedKeyWhenCreatingKeyValues(TMUser::classObject()));
}

TEST(KeyValuesOutbound, PlatformObjectsComeBackThemselves) {
  const rt::Id objects[] = {json(R"({"a":1})"), json("[1]"), fd::box(String("s")), fd::Number::numberWithInt(4)};
  for (const rt::Id& o : objects) {
    EXPECT_EQ(km_keyValues(*o).get(), o.get());
    auto e = km_error(o->getClass());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->domain(), "不是自定义的模型类");
    EXPECT_EQ(e->code(), 250);
  }
}

TEST(KeyValuesOutbound, ObjectArrays) {
  auto a = sampleUser();
  auto b = sampleUser();
  b->name = "Bea";
  auto list = km_keyValuesArrayWithObjectArray(TMUser::classObject(), fd::Array::create({a, b, fd::box(String("s"))}));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->count(), 3u);
  EXPECT_TRUE(rt::as<fd::Dictionary>(list->objectAtIndex(1))->objectForKey("name")->isEqual(fd::box(String("Bea"))));
  EXPECT_TRUE(list->objectAtIndex(2)->isEqual(fd::box(String("s"))));

  // With both lists, only the names to keep count for the elements.
  auto kept = km_keyValuesArrayWithObjectArray(TMUser::classObject(), fd::Array::create({a}), names({"name", "age"}),
                                               names({"age"}));
  EXPECT_TRUE(rt::as<fd::Dictionary>(kept->objectAtIndex(0))->objectForKey("age"));

  EXPECT_EQ(km_keyValuesArrayWithObjectArray(TMUser::classObject(), json(R"({"a":1})")), nullptr);
  EXPECT_EQ(km_error(TMUser::classObject())->domain(), "objectArray参数不是一个数组");
}

TEST(KeyValuesOutbound, HookRunsAfterConversion) {
  auto h = rt::make<kmtest::TMHooked>();
  h->kept = "k";
  h->dropped = "d";
  auto kv = rt::as<fd::Dictionary>(km_keyValues(*h));
  EXPECT_TRUE(kv->objectForKey("kept"));
  EXPECT_FALSE(kv->objectForKey("dropped"));
  EXPECT_EQ(h->exported, 1);
}

TEST(KeyValuesJSON, HelpersOnTextBytesAndModels) {
  auto u = rt::make<TMUser>();
  u->name = "Ada";
  u->age = 36;
  EXPECT_EQ(km_JSONString(*u).value_or("(nil)"), R"({"name":"Ada","age":36,"rank":0,"vip":false,"flag":0,"score":0,"action":null})");
  EXPECT_EQ(km_JSONObject(*fd::box(String("not json"))), nullptr);
  EXPECT_TRUE(km_JSONObject(*fd::box(String("[1,2]")))->isEqual(json("[1,2]")));
  EXPECT_EQ(km_JSONString(*fd::box(String("as is"))), "as is");
  EXPECT_EQ(km_JSONString(*fd::Data::create(std::string_view("bytes"))), "bytes");
  EXPECT_EQ(km_JSONData(*fd::box(String("é")))->length(), 2u);
}

TEST(KeyValuesJSON, ValuesJSONCannotHoldGiveNil) {
  auto u = rt::make<TMUser>();
  u->name = "Ada";
  const rt::Id unwritable[] = {fd::Date::date(), fd::Data::create(std::string_view("x")),
                               fd::URL::URLWithString("http://a.example/")};
  for (const rt::Id& v : unwritable) {
    SCOPED_TRACE(v->className().utf8());
    u->plainTags = fd::Array::create({v});
    EXPECT_EQ(km_JSONData(*u), nullptr);
    EXPECT_EQ(km_JSONString(*u), std::nullopt);
  }
  u->plainTags = nullptr;
  u->joined = fd::Date::date();
  EXPECT_EQ(km_JSONData(*u), nullptr);
}

TEST(KeyValuesRoundTrip, ModelToJSONAndBack) {
  auto book = km_objectWithKeyValues<TMBook>(json(R"({
      "id": "b-9", "title": "Round", "sub_title": "trip",
      "images": [{"url": "http://img/9.png"}],
      "author": {"name": "Ada", "age": 36, "vip": true, "score": 2.5, "homepage": "http://example.com/ada"},
      "chapters": [{"title": "One", "pages": 10}, {"title": "Two", "pages": 20}]
  })"));
  ASSERT_TRUE(book);
  auto text = km_JSONString(*book);
  ASSERT_TRUE(text);
  auto again = km_objectWithKeyValues<TMBook>(fd::box(*text));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->identifier, "b-9");
  EXPECT_EQ(again->subtitle, "trip");
  EXPECT_EQ(again->cover, "http://img/9.png");
  ASSERT_TRUE(again->author);
  EXPECT_EQ(again->author->age, 36);
  EXPECT_TRUE(again->author->vip);
  EXPECT_EQ(again->author->score, 2.5);
  EXPECT_EQ(again->author->homepage->absoluteString(), "http://example.com/ada");
  ASSERT_EQ(again->chapters->count(), 2u);
  EXPECT_EQ(rt::as<TMChapter>(again->chapters->objectAtIndex(1))->pages, 20);
  EXPECT_TRUE(km_keyValues(*again)->isEqual(km_keyValues(*book)));
}

}  // namespace key_values_outbound_test
