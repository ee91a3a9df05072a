#include <gtest/gtest.h>

#include "net/model/DRClassInfo.h"
#include "tests/net/model/ModelFixtures.h"

namespace net {
namespace {

TEST(DRParseTypeEncoding, KindsAndQualifiers) {
  struct Case {
    const char* encoding;
    DRTypeWord word;
  } cases[] = {
      {nullptr, 0}, {"", 0}, {"rn", 0x300}, {"r*", 0x115}, {"@?", 17}, {"@", 14}, {"@\"NSString\"", 14},
      {"@?x", 14}, {"{CGRect={CGPoint=dd}{CGSize=dd}}", 19}, {"l", 7}, {"L", 8}, {"q", 9}, {"Q", 10},
      {"B", 2}, {"D", 13}, {"^v", 18}, {"[4i]", 22}, {"(u=if)", 20}, {"#", 15}, {":", 16}, {"Vv", 0x4001},
      {"z", 0}, {"Oz", 0x1000},
  };
  for (const auto& c : cases) EXPECT_EQ(DRParseTypeEncoding(c.encoding), c.word) << (c.encoding ? c.encoding : "null");
}

TEST(DRClassInfo, PropertiesCarryClassAccessorsAndAttributeBits) {
  auto info = DRClassInfo::classInfoWithClass(drtest::DRTSub::classObject());
  ASSERT_TRUE(info);
  auto title = rt::as<DRClassPropertyInfo>(info->propertyInfos()->objectForKey(String("title")));
  ASSERT_TRUE(title);
  EXPECT_EQ(title->getter(), "title");
  EXPECT_EQ(title->setter(), "setTitle:");
  EXPECT_EQ(title->type(), DRTypeKindObject | DRTypePropertyCopy | DRTypePropertyNonatomic);
  EXPECT_EQ(title->cls(), fd::StringObject::classObject());
  EXPECT_EQ(title->ivarName(), "_title");
  // Only the class's own members; the rest through the superclass's description.
  EXPECT_FALSE(info->propertyInfos()->objectForKey(String("city")));
  ASSERT_TRUE(info->superClassInfo());
  EXPECT_TRUE(info->superClassInfo()->propertyInfos()->objectForKey(String("city")));
  EXPECT_EQ(info->superClassInfo(), DRClassInfo::classInfoWithClass(drtest::DRTMapped::classObject()));

  auto anything = rt::as<DRClassPropertyInfo>(
      DRClassInfo::classInfoWithClass(drtest::DRTAll::classObject())->propertyInfos()->objectForKey(String("anything")));
  EXPECT_EQ(anything->cls(), nullptr);
  auto setter = rt::as<DRClassMethodInfo>(info->methodInfos()->objectForKey(String("setExtra:")));
  ASSERT_TRUE(setter);
  EXPECT_EQ(setter->argumentTypeEncodings()->count(), 3u);
}

TEST(DRClassInfo, ReadOnlyCopiedAndCustomGetterAttributes) {
  rt::Property p;
  p.name = "on";
  p.attributes = "TB,R,N,C,GisOn,V_on";
  auto info = DRClassPropertyInfo::infoWithProperty(&p);
  EXPECT_EQ(info->type(), DRTypeKindBool | DRTypePropertyReadonly | DRTypePropertyNonatomic | DRTypePropertyCopy |
                              DRTypePropertyCustomGetter);
  EXPECT_EQ(info->getter(), "isOn");
  EXPECT_EQ(info->setter(), "setOn:");
  p.attributes = "T@\"NSString<NSCopying>\",&";
  EXPECT_EQ(DRClassPropertyInfo::infoWithProperty(&p)->cls(), nullptr);
  p.attributes = "T@\"<NSCopying>\"";
  EXPECT_EQ(DRClassPropertyInfo::infoWithProperty(&p)->cls(), nullptr);
  EXPECT_FALSE(DRClassPropertyInfo::infoWithProperty(nullptr));
}

TEST(DRClassInfo, MetaclassesEmptyClassesNamesAndRefresh) {
  const rt::Class* cls = drtest::DRTEmpty::classObject();
  auto info = DRClassInfo::classInfoWithClass(cls);
  EXPECT_FALSE(info->propertyInfos());
  auto meta = DRClassInfo::classInfoWithClass(cls->metaclass());
  ASSERT_TRUE(meta);
  EXPECT_NE(meta, info);
  EXPECT_TRUE(meta->isMeta());
  EXPECT_EQ(meta->metaCls(), nullptr);
  EXPECT_EQ(info->metaCls(), cls->metaclass());
  EXPECT_FALSE(DRClassInfo::classInfoWithClassName("NoSuchClassAnywhere"));
  EXPECT_FALSE(DRClassInfo::classInfoWithClass(nullptr));

  // Methods cannot be taken back: each run adds one of its own name, to a class of its own.
  static int runs = 0;
  String late = String::format("late%d", ++runs);
  const rt::Class* growing = drtest::DRTLateMethods::classObject();
  auto growingInfo = DRClassInfo::classInfoWithClass(growing);
  EXPECT_FALSE(growingInfo->methodInfos() && growingInfo->methodInfos()->objectForKey(late));
  const_cast<rt::Class*>(growing)->addMethod(rt::Selector::named(late.utf8()), [](rt::Object*, const std::vector<rt::Value>&) {
    return rt::Value();
  }, "v16@0:8");
  growingInfo->setNeedUpdate();
  auto again = DRClassInfo::classInfoWithClass(growing);
  EXPECT_EQ(again, growingInfo);
  ASSERT_TRUE(again->methodInfos());
  EXPECT_TRUE(again->methodInfos()->objectForKey(late));
}

}  // namespace
}  // namespace net
