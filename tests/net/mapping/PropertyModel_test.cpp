// The property model: type classification, key path parsing and reading, platform classes.
#include <gtest/gtest.h>

#include "tests/net/mapping/MappingModels.h"

using namespace net;
using fd::String;
using kmtest::TMUser;

namespace {

struct TypeCase {
  const char* attributes;
  const char* code;
  bool idType, number, boolean, kvcDisabled;
  const char* className;  // "" for none
  bool fromFoundation;
};

const rt::Property* handleOf(const rt::Class* cls, const char* name) { return cls->propertyNamed(name); }

}  // namespace

TEST(KMPropertyType, ClassifiesTypeCodes) {
  const TypeCase cases[] = {
      {"T@\"NSString\",C,N,V_name", "NSString", false, false, false, false, "NSString", true},
      {"T@\"NSNumber\",&,N", "NSNumber", false, true, false, false, "NSNumber", true},
      {"Ti,N,V_rank", "i", false, true, false, false, "", false},
      {"TB,N", "B", false, true, true, false, "", false},
      {"Tc,N", "c", false, true, true, false, "", false},
      {"TC,N", "C", false, true, true, false, "", false},
      {"Td", "d", false, true, false, false, "", false},
      {"T@,&,N", "@", true, false, false, false, "", false},
      {"T:,N", ":", false, false, false, true, "", false},
      {"T^{objc_ivar=},N", "^{objc_ivar=}", false, false, false, true, "", false},
      {"T@\"TMUser\",&,N", "TMUser", false, false, false, false, "TMUser", false},
      {"T@\"NoSuchClassAnywhere\",&,N", "NoSuchClassAnywhere", false, false, false, false, "", false},
      {"T{CGRect={CGPoint=dd}{CGSize=dd}},N", "{CGRect={CGPoint=dd}{CGSize=dd}}", false, false, false, false, "", false},
      {"T@?,C,N", "@?", false, false, false, false, "", false},
      {"T,N", "", false, false, false, true, "", false},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.attributes);
    rt::Property handle;
    handle.name = "probe";
    handle.attributes = c.attributes;
    auto p = rt::make<KMProperty>();
    p->setProperty(&handle);
    const KMPropertyType& t = *p->type();
    ASSERT_TRUE(t.code());
    EXPECT_EQ(t.code()->utf8(), c.code);
    EXPECT_EQ(t.isIdType(), c.idType);
    EXPECT_EQ(t.isNumberType(), c.number);
    EXPECT_EQ(t.isBoolType(), c.boolean);
    EXPECT_EQ(t.isKVCDisabled(), c.kvcDisabled);
    EXPECT_EQ(t.typeClass() ? t.typeClass()->name().utf8() : std::string(), c.className);
    EXPECT_EQ(t.isFromFoundation(), c.fromFoundation);
  }
}

TEST(KMPropertyType, SharesOneTypePerCode) {
  EXPECT_EQ(KMPropertyType::cachedTypeWithCode(String("q")), KMPropertyType::cachedTypeWithCode(String("q")));
  EXPECT_EQ(KMPropertyType::cachedTypeWithCode(std::nullopt), nullptr);
  auto p = KMProperty::cachedPropertyWithProperty(handleOf(TMUser::classObject(), "age"));
  EXPECT_EQ(p, KMProperty::cachedPropertyWithProperty(handleOf(TMUser::classObject(), "age")));
  EXPECT_EQ(p->name(), "age");
  EXPECT_TRUE(p->type()->isNumberType());
}

TEST(KMFoundation, TellsPlatformClassesFromModels) {
  const std::pair<const rt::Class*, bool> cases[] = {
      {rt::Object::classObject(), true},        {fd::MutableArray::classObject(), true},
      {fd::Number::classObject(), true},        {fd::MutableStringObject::classObject(), true},
      {fd::URL::classObject(), true},           {fd::Date::classObject(), true},
      {fd::ManagedObject::classObject(), true}, {kmtest::TMRecord::classObject(), false},
      {TMUser::classObject(), false},           {nullptr, false},
  };
  for (auto [cls, expected] : cases) {
    SCOPED_TRACE(cls ? cls->name().utf8() : "null");
    EXPECT_EQ(KMFoundation::isClassFromFoundation(cls), expected);
  }
}

TEST(KMProperty, ParsesKeyPaths) {
  struct Case {
    const char* path;
    std::vector<std::pair<std::string, int>> steps;  // name, type
  };
  const Case cases[] = {
      {"name", {{"name", 0}}},
      {"a.b[0]", {{"a", 0}, {"b", 0}, {"0", 1}}},
      {"list[1][2]", {{"list", 0}, {"1", 1}, {"2", 1}}},
      {"data.items[3].url", {{"data", 0}, {"items", 0}, {"3", 1}, {"url", 0}}},
      {"a[1]tail", {{"a", 0}, {"1", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto keys = KMProperty::propertyKeysWithStringKey(c.path);
    ASSERT_TRUE(keys);
    ASSERT_EQ(keys->count(), c.steps.size());
    for (size_t i = 0; i < c.steps.size(); ++i) {
      auto key = rt::as<KMPropertyKey>(keys->objectAtIndex(i));
      EXPECT_EQ(key->name().utf8(), c.steps[i].first);
      EXPECT_EQ(key->type(), c.steps[i].second);
    }
  }
  EXPECT_EQ(KMProperty::propertyKeysWithStringKey(""), nullptr);
}

TEST(KMPropertyKey, ReadsOneStep) {
  auto list = fd::Array::create({fd::box(String("x")), fd::box(String("y"))});
  auto inner = fd::Dictionary::withStrings({{"b", list}});
  auto root = fd::Dictionary::withStrings({{"a", inner}});
  // a.b[0] reaches the first element.
  rt::Id v = root;
  auto path = KMProperty::propertyKeysWithStringKey("a.b[0]");
  for (const rt::Id& step : *path) v = rt::as<KMPropertyKey>(step)->valueInObject(v);
  EXPECT_TRUE(v && v->isEqual(fd::box(String("x"))));

  struct Case {
    const char* name;
    int32_t type;
    rt::Id object;
    rt::Id expected;
  };
  const Case cases[] = {
      {"1", KMPropertyKeyTypeArray, list, list->objectAtIndex(1)},
      {"-1", KMPropertyKeyTypeArray, list, nullptr},
      {"2", KMPropertyKeyTypeArray, list, nullptr},
      {"0", KMPropertyKeyTypeArray, root, nullptr},
      {"a", KMPropertyKeyTypeDictionary, list, nullptr},
      {"a", KMPropertyKeyTypeDictionary, nullptr, nullptr},
      {"missing", KMPropertyKeyTypeDictionary, root, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KMPropertyKey::create(c.name, c.type)->valueInObject(c.object), c.expected);
  }
}

TEST(KMProperty, StoresKeyPathsPerClass) {
  auto p = rt::make<KMProperty>();
  p->setProperty(handleOf(TMUser::classObject(), "name"));
  const rt::Class* cls = TMUser::classObject();
  p->setOriginKey(fd::box(String("a.b")), cls);
  ASSERT_TRUE(p->propertyKeysForClass(cls));
  EXPECT_EQ(p->propertyKeysForClass(cls)->count(), 1u);
  // Empty keys store nothing: the previous paths stay.
  p->setOriginKey(fd::box(String("")), cls);
  p->setOriginKey(fd::Array::create(), cls);
  p->setOriginKey(fd::Number::numberWithInt(3), cls);
  EXPECT_EQ(p->propertyKeysForClass(cls)->count(), 1u);
  p->setOriginKey(fd::Array::create({fd::box(String("x")), fd::box(String("")), fd::box(String("y.z"))}), cls);
  EXPECT_EQ(p->propertyKeysForClass(cls)->count(), 2u);
  EXPECT_EQ(p->propertyKeysForClass(kmtest::TMBook::classObject()), nullptr);

  p->setObjectClassInArray(nullptr, cls);
  EXPECT_EQ(p->objectClassInArrayForClass(cls), nullptr);
  p->setObjectClassInArray(kmtest::TMChapter::classObject(), cls);
  EXPECT_EQ(p->objectClassInArrayForClass(cls), kmtest::TMChapter::classObject());
}

TEST(KMProperty, ReadsAndSetsThroughKeyValueCoding) {
  auto user = rt::make<TMUser>();
  auto age = KMProperty::cachedPropertyWithProperty(handleOf(TMUser::classObject(), "age"));
  auto action = KMProperty::cachedPropertyWithProperty(handleOf(TMUser::classObject(), "action"));
  age->setValueForObject(fd::Number::numberWithInt(41), *user);
  EXPECT_EQ(user->age, 41);
  age->setValueForObject(nullptr, *user);
  EXPECT_EQ(user->age, 41);
  EXPECT_TRUE(age->valueForObject(*user)->isEqual(fd::Number::numberWithInt(41)));
  EXPECT_TRUE(fd::Null::isNull(action->valueForObject(*user)));
  action->setValueForObject(fd::box(String("run")), *user);
  EXPECT_TRUE(user->action.isNull());
}

TEST(KMDictionaryCache, KeepsTablesById) {
  // Tables live as long as the process: a repeated run finds this one, so each run uses a
  // key of its own, and an id that was never used shows the empty answer.
  static const char table = 0;
  static int run = 0;
  const String key = String::format("k%d", run++);
  const char unused = 0;
  EXPECT_EQ(KMDictionaryCache::dictWithDictId(&unused), nullptr);
  EXPECT_EQ(KMDictionaryCache::objectForKey(key, &table), nullptr);
  auto dict = KMDictionaryCache::setObject(fd::box(String("v")), key, &table);
  EXPECT_EQ(dict, KMDictionaryCache::dictWithDictId(&table));
  EXPECT_TRUE(KMDictionaryCache::objectForKey(key, &table)->isEqual(fd::box(String("v"))));
  KMDictionaryCache::setObject(nullptr, key, &table);
  EXPECT_EQ(KMDictionaryCache::objectForKey(key, &table), nullptr);
}
