// What assistive technology hears from the display, and the box's motion effects.
#include "ProgressHUDFixture.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/view/InterpolatingMotionEffect.h"
#include "platform/ui/view/MotionEffectGroup.h"

using namespace widgets;
using widgets::testing::ProgressHUDTest;

namespace {

std::string text(const rt::Id& o) {
  auto s = rt::as<fd::StringObject>(o);
  return s ? s->string().utf8() : (o ? "<not a string>" : "<null>");
}

}  // namespace

TEST_F(ProgressHUDTest, AccessibilityHearsTheFadeInTheImageShowAndTheTeardown) {
  PHProgressHUD::showWithStatus("Loading");
  advance(0.2);
  PHProgressHUD::showInfoWithStatus("Saved");
  advance(10);
  std::vector<std::pair<std::string, std::string>> heard;
  for (const auto& p : sequence) heard.push_back({p.name, text(p.object)});
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"PHProgressHUDWillAppearNotification", "<null>"},
      {"PHProgressHUDDidAppearNotification", "<null>"},
      {"UIAccessibilityScreenChangedNotification", "<null>"},
      {"UIAccessibilityAnnouncementNotification", "Loading"},
      // The image show, already up: no second appearance.
      {"UIAccessibilityScreenChangedNotification", "<null>"},
      {"UIAccessibilityAnnouncementNotification", "Saved"},
      {"PHProgressHUDWillDisappearNotification", "<null>"},
      {"UIAccessibilityScreenChangedNotification", "<null>"},
      {"PHProgressHUDDidDisappearNotification", "<null>"},
  };
  EXPECT_EQ(heard, expected);
}

TEST_F(ProgressHUDTest, TheBoxCarriesATiltGroupOfTenPointsOnEachAxis) {
  PHProgressHUD::showWithStatus("Loading");
  const auto& effects = hud()->hudView()->motionEffects();
  ASSERT_EQ(effects.size(), 1u);
  auto group = rt::as<ui::MotionEffectGroup>(effects[0]);
  ASSERT_TRUE(group);
  ASSERT_EQ(group->motionEffects().size(), 2u);
  auto x = rt::as<ui::InterpolatingMotionEffect>(group->motionEffects()[0]);
  auto y = rt::as<ui::InterpolatingMotionEffect>(group->motionEffects()[1]);
  ASSERT_TRUE(x && y);
  EXPECT_EQ(x->keyPath().utf8(), "center.x");
  EXPECT_EQ(x->type(), ui::InterpolatingMotionEffectType::TiltAlongHorizontalAxis);
  EXPECT_EQ(y->keyPath().utf8(), "center.y");
  EXPECT_EQ(y->type(), ui::InterpolatingMotionEffectType::TiltAlongVerticalAxis);
  // Tilted fully right and up: the box would move 10 right and 10 up; level, not at all.
  auto tilted = group->keyPathsAndRelativeValuesForViewerOffset({1, -1});
  ASSERT_TRUE(tilted);
  EXPECT_EQ(rt::as<fd::Number>(tilted->objectForKey(rt::String("center.x")))->doubleValue(), 10);
  EXPECT_EQ(rt::as<fd::Number>(tilted->objectForKey(rt::String("center.y")))->doubleValue(), -10);
  auto level = group->keyPathsAndRelativeValuesForViewerOffset({0, 0});
  EXPECT_EQ(rt::as<fd::Number>(level->objectForKey(rt::String("center.x")))->doubleValue(), 0);
}
