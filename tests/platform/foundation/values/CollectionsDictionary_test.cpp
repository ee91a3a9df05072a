// Dictionaries and mutable dictionaries: lookups with any key kind on both sides of the
// indexing threshold, duplicates, equality, descriptions, copies.
#include <gtest/gtest.h>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"

using namespace fd;

namespace {

// A dictionary with `n` string keys "k0".."k<n-1>", `n` number keys and two class keys.
Ref<Dictionary> mixed(size_t n) {
  std::vector<Dictionary::Entry> e;
  for (size_t i = 0; i < n; ++i) {
    e.emplace_back(box(String::format("k%llu", static_cast<uint64_t>(i))), box(static_cast<int64_t>(i)));
    e.emplace_back(box(static_cast<int64_t>(1000 + i)), box(String::format("n%llu", static_cast<uint64_t>(i))));
  }
  e.emplace_back(Array::classObject()->self(), box("array class"));
  e.emplace_back(Set::classObject()->self(), box("set class"));
  return Dictionary::create(std::move(e));
}

}  // namespace

TEST(CollectionsDictionary, LookupsBelowAndAboveTheIndexThreshold) {
  for (size_t n : {1u, 3u, 4u, 5u, 40u, 500u}) {
    SCOPED_TRACE(n);
    auto d = mixed(n);
    EXPECT_EQ(d->count(), 2 * n + 2);
    for (size_t i = 0; i < n; ++i) {
      String key = String::format("k%llu", static_cast<uint64_t>(i));
      Id byString = d->objectForKey(key);
      Id byObject = d->objectForKey(Id(box(key)));
      Id byMutable = d->objectForKey(Id(MutableStringObject::create(key)));
      ASSERT_TRUE(byString);
      EXPECT_EQ(byString.get(), byObject.get());
      EXPECT_EQ(byString.get(), byMutable.get());
      EXPECT_EQ(rt::as<Number>(byString)->integerValue(), static_cast<int64_t>(i));
      // number keys match across kinds: 1000 == 1000.0
      Id byNumber = d->objectForKey(Id(box(static_cast<double>(1000 + i))));
      ASSERT_TRUE(byNumber);
      EXPECT_EQ(stringValue(byNumber), String::format("n%llu", static_cast<uint64_t>(i)));
    }
    EXPECT_EQ(stringValue(d->objectForKey(Array::classObject()->self())), "array class");
    EXPECT_EQ(stringValue(d->objectForKey(Set::classObject()->self())), "set class");
    EXPECT_EQ(d->objectForKey(Dictionary::classObject()->self()), nullptr);
    EXPECT_EQ(d->objectForKey("missing"), nullptr);
    EXPECT_EQ(d->objectForKey(Id(box(static_cast<int64_t>(1000 + n)))), nullptr);
    EXPECT_EQ(d->objectForKey(Id()), nullptr);
  }
}

TEST(CollectionsDictionary, DuplicateKeysKeepTheLastValueInFirstPosition) {
  for (size_t extra : {0u, 20u}) {
    std::vector<Dictionary::Entry> e{{box("a"), box(1)}, {box("b"), box(2)}};
    for (size_t i = 0; i < extra; ++i) e.emplace_back(box(String::format("x%llu", static_cast<uint64_t>(i))), box(0));
    e.emplace_back(box("a"), box(3));
    auto d = Dictionary::create(std::move(e));
    EXPECT_EQ(d->count(), 2 + extra);
    EXPECT_TRUE(d->objectForKey("a")->isEqual(box(3)));
    EXPECT_EQ(stringValue(d->keys()[0]), "a");
  }
  EXPECT_THROW(Dictionary::create({{box("a"), nullptr}}), rt::Exception);
  EXPECT_THROW(Dictionary::create({{nullptr, box(1)}}), rt::Exception);
}

TEST(CollectionsDictionary, MutableEditingAcrossTheThreshold) {
  auto m = MutableDictionary::create();
  for (int i = 0; i < 30; ++i) m->setObjectForKey(box(i), String::format("k%d", i));
  for (int i = 0; i < 30; i += 2) m->removeObjectForKey(String::format("k%d", i));
  EXPECT_EQ(m->count(), 15u);
  for (int i = 0; i < 30; ++i) {
    Id v = m->objectForKey(String::format("k%d", i));
    if (i % 2) {
      ASSERT_TRUE(v);
      EXPECT_EQ(rt::as<Number>(v)->intValue(), i);
    } else {
      EXPECT_EQ(v, nullptr);
    }
  }
  m->setObjectForKey(box("new"), Id(box("k1")));
  EXPECT_EQ(m->count(), 15u);
  EXPECT_EQ(stringValue(m->objectForKey("k1")), "new");
  for (int i = 1; i < 30; i += 2) m->removeObjectForKey(Id(box(String::format("k%d", i))));
  EXPECT_TRUE(m->isEmpty());
  try {
    m->setObjectForKey(nullptr, "k");
    FAIL() << "expected an exception";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::InvalidArgumentException);
  }
  EXPECT_THROW(m->setObjectForKey(box(1), Id()), rt::Exception);
}

TEST(CollectionsDictionary, MutableStringKeysAreCopied) {
  auto key = MutableStringObject::create("name");
  auto m = MutableDictionary::create();
  m->setObjectForKey(box(1), Id(key));
  key->appendString("-changed");
  EXPECT_TRUE(m->objectForKey("name"));
  EXPECT_EQ(m->objectForKey("name-changed"), nullptr);
  EXPECT_FALSE(m->keys()[0]->isKindOfClass(MutableStringObject::classObject()));
}

TEST(CollectionsDictionary, MergingAndKeyQueries) {
  auto m = MutableDictionary::create({{box("a"), box(1)}, {box("b"), box(2)}});
  m->addEntriesFromDictionary(*Dictionary::withStrings({{"b", box(20)}, {"c", box(1)}}));
  EXPECT_EQ(m->allKeys()->componentsJoinedByString(","), "a,b,c");
  EXPECT_EQ(m->allValues()->componentsJoinedByString(","), "1,20,1");
  EXPECT_EQ(m->allKeysForObject(box(1))->componentsJoinedByString(","), "a,c");
  auto byValue = m->keysSortedByValueUsingComparator(
      [](const Id& a, const Id& b) { return rt::as<Number>(b)->compare(*rt::as<Number>(a)); });
  EXPECT_EQ(byValue->componentsJoinedByString(","), "b,a,c");
  std::vector<String> walked;
  m->enumerateKeysAndObjects([&](const Id& k, const Id&, bool& stop) {
    walked.push_back(k->description());
    stop = walked.size() == 2;
  });
  EXPECT_EQ(walked, (std::vector<String>{"a", "b"}));
  m->removeObjectsForKeys(*Array::create({box("a"), box("zzz")}));
  EXPECT_EQ(m->count(), 2u);
  m->setDictionary(*Dictionary::withStrings({{"only", box(0)}}));
  EXPECT_EQ(m->allKeys()->componentsJoinedByString(","), "only");
  m->removeAllObjects();
  EXPECT_EQ(m->count(), 0u);
}

TEST(CollectionsDictionary, EqualityCopiesAndMutability) {
  auto a = Dictionary::withStrings({{"x", box(1)}, {"y", box("two")}});
  auto b = MutableDictionary::create({{box("y"), box("two")}, {box("x"), box(1.0)}});
  EXPECT_TRUE(a->isEqual(b));  // order and number kind do not matter
  EXPECT_TRUE(b->isEqual(a));
  EXPECT_EQ(a->hash(), b->hash());
  EXPECT_FALSE(a->isEqual(Dictionary::withStrings({{"x", box(1)}})));
  EXPECT_FALSE(a->isEqual(Dictionary::withStrings({{"x", box(1)}, {"y", box("three")}})));
  EXPECT_FALSE(a->isEqual(Dictionary::withStrings({{"x", box(1)}, {"z", box("two")}})));

  EXPECT_EQ(a->copy().get(), a.get());
  Id frozen = b->copy();
  EXPECT_TRUE(frozen->isMemberOfClass(Dictionary::classObject()));
  b->setObjectForKey(box(3), "z");
  EXPECT_EQ(rt::as<Dictionary>(frozen)->count(), 2u);
  Id thawed = a->mutableCopy();
  EXPECT_TRUE(thawed->isKindOfClass(MutableDictionary::classObject()));
  rt::as<MutableDictionary>(thawed)->removeObjectForKey("x");
  EXPECT_EQ(a->count(), 2u);
  EXPECT_FALSE(a->isKindOfClass(MutableDictionary::classObject()));
  EXPECT_EQ(MutableDictionary::classObject()->superclass(), Dictionary::classObject());
}

TEST(CollectionsDictionary, Descriptions) {
  EXPECT_EQ(Dictionary::create()->description(), "{\n}");
  auto d = Dictionary::withStrings({{"name", box("Kestrel Street")},
                                    {"count", box(3)},
                                    {"user_id", box(7)},
                                    {"list", Array::create({box(1), box(2)})},
                                    {"inner", Dictionary::withStrings({{"k", Null::null()}})}});
  EXPECT_EQ(d->description(),
            "{\n"
            "    name = \"Kestrel Street\";\n"
            "    count = 3;\n"
            "    \"user_id\" = 7;\n"
            "    list =     (\n"
            "        1,\n"
            "        2\n"
            "    );\n"
            "    inner =     {\n"
            "        k = \"<null>\";\n"
            "    };\n"
            "}");
  EXPECT_EQ(Dictionary::withStrings({{"Dismiss", box("Fermer")}, {"say \"hi\"", box(1)}})->descriptionInStringsFileFormat(),
            "\"Dismiss\" = \"Fermer\";\n\"say \\\"hi\\\"\" = \"1\";\n");
}

TEST(CollectionsDictionary, SharingAModelsKeys) {
  for (size_t n : {2u, 20u}) {  // both sides of the index threshold
    SCOPED_TRACE(n);
    std::vector<Dictionary::Entry> e;
    std::vector<Id> values;
    for (size_t i = 0; i < n; ++i) {
      e.emplace_back(box(String::format("k%llu", static_cast<uint64_t>(i))), box(static_cast<int64_t>(i)));
      values.push_back(box(static_cast<int64_t>(100 + i)));
    }
    auto model = Dictionary::create(std::move(e));
    auto d = MutableDictionary::createWithKeysOf(*model, values);
    EXPECT_EQ(d->count(), n);
    EXPECT_EQ(d->keys()[0].get(), model->keys()[0].get());
    EXPECT_EQ(rt::as<Number>(d->objectForKey("k1"))->integerValue(), 101);

    // Changing the copy leaves the model whole.
    d->removeObjectForKey(String("k0"));
    d->setObjectForKey(box(7), "extra");
    EXPECT_EQ(model->count(), n);
    EXPECT_FALSE(model->objectForKey("extra"));
    EXPECT_EQ(rt::as<Number>(model->objectForKey("k0"))->integerValue(), 0);
    EXPECT_FALSE(d->objectForKey("k0"));
    EXPECT_EQ(rt::as<Number>(d->objectForKey("extra"))->integerValue(), 7);

    auto immutable = Dictionary::createWithKeysOf(*model, values);
    EXPECT_FALSE(immutable->isKindOfClass(MutableDictionary::classObject()));
    auto copy = rt::as<MutableDictionary>(immutable->mutableCopy());
    copy->removeAllObjects();
    EXPECT_EQ(immutable->count(), n);
    EXPECT_EQ(rt::as<Number>(immutable->objectForKey(String::format("k%llu", static_cast<uint64_t>(n - 1))))->integerValue(),
              static_cast<int64_t>(100 + n - 1));
  }
  auto model = Dictionary::withStrings({{"a", box(1)}, {"b", box(2)}});
  EXPECT_THROW(Dictionary::createWithKeysOf(*model, {box(1)}), rt::Exception);
  EXPECT_THROW(Dictionary::createWithKeysOf(*model, {box(1), nullptr}), rt::Exception);
}
