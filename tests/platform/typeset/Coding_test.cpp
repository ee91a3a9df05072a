#include <gtest/gtest.h>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/typeset/Shadow.h"
#include "tests/platform/typeset/TypesetSupport.h"

using namespace typeset;

namespace {
template <class T> Ref<T> roundTrip(const Ref<T>& object) {
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(object);
  EXPECT_TRUE(data);
  return rt::as<T>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
}
}  // namespace

TEST(TypesetCoding, FontsStylesAndShadowsSurviveArchiving) {
  for (auto font : {typeset_test::cjk(18.5), Font::boldSystemFontOfSize(12), Font::fontWithName("DejaVuSans-Oblique", 9)}) {
    auto back = roundTrip(font);
    ASSERT_TRUE(back) << font->description().utf8();
    EXPECT_TRUE(back->isEqual(font.get())) << back->description().utf8();
  }

  auto style = MutableParagraphStyle::create();
  style->setAlignment(TextAlignment::Center);
  style->setLineSpacing(15);
  style->setTailIndent(-8);
  style->setBaseWritingDirection(WritingDirection::RightToLeft);
  style->setLineBreakMode(LineBreakMode::ByTruncatingMiddle);
  style->setTabStops({TextTab::create(TextAlignment::Right, 40), TextTab::create(TextAlignment::Left, 90)});
  auto styleBack = roundTrip(rt::as<ParagraphStyle>(style->copy()));
  ASSERT_TRUE(styleBack);
  EXPECT_TRUE(styleBack->isEqual(style.get()));

  auto shadow = Shadow::create({1, -2}, 3, gfx::Color::redColor());
  auto shadowBack = roundTrip(shadow);
  ASSERT_TRUE(shadowBack);
  EXPECT_TRUE(shadowBack->isEqual(shadow.get()));
  EXPECT_FALSE(shadowBack->isEqual(Shadow::create({1, -2}, 3).get()));
}
