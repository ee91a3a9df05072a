// Class configuration: class walks, property lists, totals of names, set-up blocks and the
// older hook names.
#include <gtest/gtest.h>

#include "platform/foundation/serialization/JSONSerialization.h"
#include "tests/net/mapping/MappingModels.h"

// A namespace of its own: test programs compile several files as one.
namespace class_configuration_test {

using namespace net;
using fd::String;
using kmtest::TMSetupBase;
using kmtest::TMSetupChild;

namespace {

Ref<fd::Array> names(std::initializer_list<const char*> list) {
  std::vector<rt::Id> v;
  for (const char* n : list) v.push_back(fd::box(String(n)));
  return fd::Array::create(std::move(v));
}

std::vector<std::string> strings(const Ref<fd::Array>& a) {
  std::vector<std::string> out;
  for (const rt::Id& e : *a) out.push_back(e->description().utf8());
  return out;
}

std::vector<std::string> propertyNames(const rt::Class* cls) {
  std::vector<std::string> out;
  km_enumerateProperties(cls, [&](const Ref<KMProperty>& p, bool&) { out.push_back(p->name().utf8()); });
  return out;
}

rt::Id json(std::string_view text) { return fd::JSONSerialization::JSONObjectWithBytes(text, 0, nullptr); }

}  // namespace

TEST(ClassConfiguration, WalksClassChains) {
  std::vector<std::string> modelWalk, fullWalk, platformWalk;
  km_enumerateClasses(kmtest::TMEBook::classObject(), [&](const rt::Class* c, bool&) { modelWalk.push_back(c->name().utf8()); });
  km_enumerateAllClasses(kmtest::TMEBook::classObject(), [&](const rt::Class* c, bool&) { fullWalk.push_back(c->name().utf8()); });
  km_enumerateClasses(fd::MutableArray::classObject(), [&](const rt::Class* c, bool&) { platformWalk.push_back(c->name().utf8()); });
  EXPECT_EQ(modelWalk, (std::vector<std::string>{"TMEBook", "TMBook"}));
  EXPECT_EQ(fullWalk, (std::vector<std::string>{"TMEBook", "TMBook", "NSObject"}));
  EXPECT_EQ(platformWalk, (std::vector<std::string>{"NSMutableArray"}));
  int visits = 0;
  km_enumerateAllClasses(kmtest::TMEBook::classObject(), [&](const rt::Class*, bool& stop) { stop = ++visits == 1; });
  EXPECT_EQ(visits, 1);
}

TEST(ClassConfiguration, PropertyListsOwnFirstWithoutPlatformOnes) {
  EXPECT_EQ(propertyNames(kmtest::TMEBook::classObject()),
            (std::vector<std::string>{"format", "identifier", "title", "subtitle", "cover", "author", "chapters", "links"}));
  EXPECT_EQ(propertyNames(fd::KeyedArchiver::classObject()), std::vector<std::string>{});
  auto list = properties(kmtest::TMEBook::classObject());
  EXPECT_EQ(list, properties(kmtest::TMEBook::classObject()));  // cached
  auto title = rt::as<KMProperty>(list->objectAtIndex(2));
  EXPECT_EQ(title->srcClass(), kmtest::TMBook::classObject());
  // Without settings a property's only path is its own name; no element classes.
  auto chapter = rt::as<KMProperty>(properties(kmtest::TMChapter::classObject())->objectAtIndex(0));
  auto paths = chapter->propertyKeysForClass(kmtest::TMChapter::classObject());
  ASSERT_EQ(paths->count(), 1u);
  ASSERT_EQ(rt::as<fd::Array>(paths->objectAtIndex(0))->count(), 1u);
  EXPECT_EQ(rt::as<KMPropertyKey>(rt::as<fd::Array>(paths->objectAtIndex(0))->objectAtIndex(0))->name(), "title");
  EXPECT_EQ(chapter->objectClassInArrayForClass(kmtest::TMChapter::classObject()), nullptr);
  EXPECT_EQ(km_totalAllowedPropertyNames(kmtest::TMChapter::classObject())->count(), 0u);
  int seen = 0;
  km_enumerateProperties(kmtest::TMEBook::classObject(), [&](const Ref<KMProperty>&, bool& stop) { stop = ++seen == 2; });
  EXPECT_EQ(seen, 2);
}

TEST(ClassConfiguration, HookAndSetUpNamesJoinAlongTheChain) {
  // The hook answers first, then what the class and its superclasses set up; duplicates stay.
  EXPECT_EQ(strings(km_totalAllowedPropertyNames(kmtest::TMHooked::classObject())),
            (std::vector<std::string>{"kept", "secret", "computed"}));
  km_setupIgnoredPropertyNames(TMSetupBase::classObject(), [] { return names({"beta"}); });
  EXPECT_EQ(strings(km_totalIgnoredPropertyNames(TMSetupChild::classObject())), (std::vector<std::string>{"beta"}));
  // A later set-up empties the cached totals, so the next total includes it.
  km_setupIgnoredPropertyNames(TMSetupChild::classObject(), [] { return names({"gamma", "beta"}); });
  EXPECT_EQ(strings(km_totalIgnoredPropertyNames(TMSetupChild::classObject())),
            (std::vector<std::string>{"gamma", "beta", "beta"}));
  auto child = km_objectWithKeyValues<TMSetupChild>(json(R"({"alpha":"a","beta":"b","gamma":"g"})"));
  EXPECT_EQ(child->alpha, "a");
  EXPECT_TRUE(child->beta.isEmpty());
  EXPECT_TRUE(child->gamma.isEmpty());
  km_setupIgnoredPropertyNames(TMSetupChild::classObject(), nullptr);
  km_setupIgnoredPropertyNames(TMSetupBase::classObject(), nullptr);
  EXPECT_EQ(km_totalIgnoredPropertyNames(TMSetupChild::classObject())->count(), 0u);

  km_setupAllowedCodingPropertyNames(TMSetupBase::classObject(), [] { return names({"alpha"}); });
  EXPECT_EQ(strings(km_totalAllowedCodingPropertyNames(TMSetupChild::classObject())), std::vector<std::string>{"alpha"});
  km_setupAllowedCodingPropertyNames(TMSetupBase::classObject(), nullptr);
  EXPECT_EQ(km_totalAllowedCodingPropertyNames(TMSetupChild::classObject())->count(), 0u);
  EXPECT_EQ(strings(km_totalIgnoredCodingPropertyNames(kmtest::TMArchived::classObject())), std::vector<std::string>{"skipped"});
}

TEST(ClassConfiguration, SetUpKeysAndElementClassesRebuildPropertyLists) {
  const rt::Class* base = TMSetupBase::classObject();
  const rt::Class* child = TMSetupChild::classObject();
  properties(child);  // built before the set-up, rebuilt after it
  km_setupReplacedKeyFromPropertyName(base, [] {
    return fd::Dictionary::withStrings({{"alpha", fd::box(String("A"))}, {"beta", fd::box(String("x.B"))}});
  });
  km_setupObjectClassInArray(base, [] { return fd::Dictionary::withStrings({{"rows", fd::box(String("TMChapter"))}}); });
  km_setupReplacedKeyFromPropertyName121(child, [](const String& name) -> rt::Id {
    return name == "alpha" ? rt::Id(fd::box(String("first"))) : nullptr;
  });
  EXPECT_TRUE(propertyKey(child, String("alpha"))->isEqual(fd::box(String("first"))));  // per-name beats the table
  EXPECT_TRUE(propertyKey(child, String("beta"))->isEqual(fd::box(String("x.B"))));
  EXPECT_TRUE(propertyKey(child, String("gamma"))->isEqual(fd::box(String("gamma"))));
  EXPECT_EQ(propertyKey(child, std::nullopt), nullptr);
  EXPECT_EQ(propertyObjectClassInArray(child, "rows"), kmtest::TMChapter::classObject());

  auto c = km_objectWithKeyValues<TMSetupChild>(
      json(R"({"first":"1","A":"no","x":{"B":"2"},"rows":[{"title":"r"}],"gamma":"3"})"));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->alpha, "1");
  EXPECT_EQ(c->beta, "2");
  EXPECT_EQ(c->gamma, "3");
  ASSERT_TRUE(c->rows);
  EXPECT_TRUE(rt::as<kmtest::TMChapter>(c->rows->objectAtIndex(0)));
  // The base class keeps its own table's keys.
  EXPECT_EQ(km_objectWithKeyValues<TMSetupBase>(json(R"({"A":"from A"})"))->alpha, "from A");

  km_setupReplacedKeyFromPropertyName121(child, nullptr);
  km_setupReplacedKeyFromPropertyName(base, nullptr);
  km_setupObjectClassInArray(base, [] { return fd::Dictionary::withStrings({{"rows", fd::box(String("NoSuchClass"))}}); });
  EXPECT_EQ(propertyObjectClassInArray(child, "rows"), nullptr);
  km_setupObjectClassInArray(base, nullptr);
  EXPECT_EQ(km_objectWithKeyValues<TMSetupChild>(json(R"({"alpha":"plain"})"))->alpha, "plain");
}

TEST(ClassConfiguration, NewValueBlocksAndHookPrecedence) {
  const rt::Class* base = TMSetupBase::classObject();
  km_setupNewValueFromOldValue(base, [](const rt::Id&, const rt::Id& old, const Ref<KMProperty>& p) -> rt::Id {
    return p->name() == "alpha" ? rt::Id(fd::box(String("from block"))) : old;
  });
  auto child = km_objectWithKeyValues<TMSetupChild>(json(R"({"alpha":"data","beta":"b"})"));
  EXPECT_EQ(child->alpha, "from block");  // a superclass's block applies to subclasses
  EXPECT_EQ(child->beta, "b");
  // An object's own hook takes precedence over every block.
  km_setupNewValueFromOldValue(kmtest::TMHooked::classObject(), [](const rt::Id&, const rt::Id&, const Ref<KMProperty>&) {
    return rt::Id(fd::box(String("block")));
  });
  auto hooked = rt::make<kmtest::TMHooked>();
  auto kept = rt::as<KMProperty>(properties(kmtest::TMHooked::classObject())->objectAtIndex(0));
  auto old = fd::box(String("old"));
  EXPECT_EQ(km_getNewValueFromObject(kmtest::TMHooked::classObject(), *hooked, old, kept).get(), old.get());
  km_setupNewValueFromOldValue(kmtest::TMHooked::classObject(), nullptr);
  km_setupNewValueFromOldValue(base, nullptr);
  // With no hook and no block the very same object comes back.
  auto plain = rt::make<TMSetupChild>();
  EXPECT_EQ(km_getNewValueFromObject(TMSetupChild::classObject(), *plain, old, kept).get(), old.get());
}

TEST(ClassConfiguration, OlderHookNames) {
  auto l = km_objectWithKeyValues<kmtest::TMLegacy>(json(R"({"uid":"u-1","items":[{"title":"t"}]})"));
  ASSERT_TRUE(l);
  EXPECT_EQ(l->identifier, "u-1");
  ASSERT_TRUE(l->items);
  EXPECT_TRUE(rt::as<kmtest::TMChapter>(l->items->objectAtIndex(0)));
}

}  // namespace class_configuration_test
