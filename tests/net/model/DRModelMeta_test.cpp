#include <gtest/gtest.h>

#include "net/model/DRModelMeta.h"
#include "tests/net/model/ModelFixtures.h"

namespace net {
namespace {

const DRModelPropertyMeta* find(const DRModelMeta& meta, const char* name) {
  for (const auto& pm : meta.allPropertyMetas)
    if (pm->name == name) return pm.get();
  return nullptr;
}

TEST(DRModelMeta, KindsOfPropertiesAndFoundationClasses) {
  auto meta = DRModelMeta::metaWithClass(drtest::DRTAll::classObject());
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta, DRModelMeta::metaWithClass(drtest::DRTAll::classObject()));
  struct Case {
    const char* name;
    DRFoundationKind nsType;
    bool cNumber, kvc;
  } cases[] = {
      {"authors", DRFoundationKindNSMutableArray, false, true}, {"decimal", DRFoundationKindNSDecimalNumber, false, true},
      {"author", DRFoundationKindNone, false, true},           {"text", DRFoundationKindNSString, false, true},
      {"i32", DRFoundationKindNone, true, true},               {"frame", DRFoundationKindNone, false, true},
      {"action", DRFoundationKindNone, false, false},
  };
  for (const auto& c : cases) {
    const DRModelPropertyMeta* pm = find(*meta, c.name);
    ASSERT_TRUE(pm) << c.name;
    EXPECT_EQ(pm->nsType, c.nsType) << c.name;
    EXPECT_EQ(pm->isCNumber, c.cNumber) << c.name;
    EXPECT_EQ(pm->isKVCCompatible, c.kvc) << c.name;
  }
  EXPECT_TRUE(find(*meta, "frame")->isStructAvailableForKeyedArchiver);
  EXPECT_EQ(find(*meta, "authors")->genericCls, drtest::DRTAuthor::classObject());
  EXPECT_EQ(find(*meta, "authorSet")->genericCls, drtest::DRTAuthor::classObject());  // named by string
  EXPECT_EQ(find(*meta, "list")->genericCls, nullptr);                                // no such class
  EXPECT_EQ(DRFoundationKindOfClass(fd::MutableArray::classObject()), DRFoundationKindNSMutableArray);
  EXPECT_EQ(DRFoundationKindOfClass(drtest::DRTAuthor::classObject()), DRFoundationKindNone);
}

TEST(DRModelMeta, CustomKeysKeyPathsChainsAndLists) {
  auto meta = DRModelMeta::metaWithClass(drtest::DRTMapped::classObject());
  ASSERT_TRUE(meta);
  EXPECT_FALSE(find(*meta, "hidden"));  // black-listed
  const DRModelPropertyMeta* city = find(*meta, "city");
  EXPECT_EQ(city->mappedToKey, "address.city");
  EXPECT_EQ(city->mappedToKeyPath, (std::vector<String>{"address", "city"}));
  ASSERT_EQ(meta->keyPathPropertyMetas.size(), 1u);
  EXPECT_TRUE(meta->propertyForKey("address.city"));
  const DRModelPropertyMeta* head = meta->propertyForKey("name");
  ASSERT_TRUE(head && head->next);
  EXPECT_EQ(head->next->next, nullptr);
  EXPECT_NE(head->name, head->next->name);
  EXPECT_TRUE(meta->hasCustomTransformFromDictionary);
  EXPECT_EQ(meta->keyMappedCount, 6u);

  auto empty = DRModelMeta::metaWithClass(drtest::DRTEmpty::classObject());
  EXPECT_EQ(empty->keyMappedCount, 0u);
  EXPECT_TRUE(empty->mapper.empty());
  EXPECT_EQ(DRModelMeta::metaWithClass(drtest::DRTWhitelisted::classObject())->keyMappedCount, 0u);
  EXPECT_FALSE(DRModelMeta::metaWithClass(nullptr));

  // A subclass's redeclaration wins over its superclass's.
  auto sub = DRModelMeta::metaWithClass(drtest::DRTSub::classObject());
  const DRModelPropertyMeta* title = find(*sub, "title");
  EXPECT_TRUE(title->type & DRTypePropertyCopy);
  EXPECT_TRUE(find(*sub, "extra"));
}

}  // namespace
}  // namespace net
