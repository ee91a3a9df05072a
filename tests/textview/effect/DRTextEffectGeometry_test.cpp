// The effect window's placement, angle and mirror decisions, in numbers.
#include "textview/effect/DRTextEffectGeometry.h"

#include <gtest/gtest.h>

#include <numbers>

using namespace textview;

namespace {

constexpr double kDegree = std::numbers::pi / 180;

TEST(EffectGeometry, AnglesReadInEighthsOfATurn) {
  struct Case {
    double degrees;
    double eighths;
  } cases[] = {{0, 0}, {45, 1}, {90, 2}, {-90, 6}, {405, 1}, {180, 4}, {-45, 7}, {-405, 7}, {360, 8}, {720, 0}, {765, 1}};
  for (const auto& c : cases) EXPECT_NEAR(angleInEighths(c.degrees * kDegree), c.eighths, 1e-9) << c.degrees;
}

TEST(EffectGeometry, KeyboardSides) {
  gfx::Rect window = gfx::RectMake(0, 0, 320, 480);
  struct Case {
    gfx::Rect keyboard;
    uint64_t side;
  } cases[] = {
      {gfx::RectMake(0, 264, 320, 216), 4}, {gfx::RectMake(0, 0, 320, 216), 1},
      {gfx::RectMake(160, 0, 160, 480), 2}, {gfx::RectMake(0, 0, 160, 480), 8},
      {gfx::RectMake(10, 264, 300, 216), 0}, {gfx::RectNull, 0},
      {gfx::RectMake(0, 480, 320, 0), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(keyboardDirection(c.keyboard, window), c.side) << gfx::StringFromRect(c.keyboard).utf8();
}

TEST(EffectGeometry, LoupesStayInsideTheWindowForEachOrientation) {
  DRMagnifierPlacement caret{true, {320, 480}, {127, 127}, gfx::RectNull};
  DRMagnifierPlacement ranged{false, {320, 480}, {141, 60}, gfx::RectNull};
  struct Case {
    const DRMagnifierPlacement* m;
    double degrees;
    gfx::Point in, out;
  } cases[] = {
      {&caret, 0, {100, 4}, {100, 10}},
      {&ranged, 0, {100, 20}, {100, 60}},
      {&caret, 0, {100, 200}, {100, 200}},
      {&caret, 90, {317, 100}, {310, 100}},
      {&ranged, 90, {300, 100}, {260, 100}},
      {&caret, 180, {100, 475}, {100, 470}},
      {&ranged, 180, {100, 450}, {100, 420}},
      {&caret, -90, {3, 100}, {10, 100}},
      {&ranged, 270, {30, 100}, {60, 100}},
  };
  for (const auto& c : cases) {
    gfx::Point p = correctedMagnifierCenter(c.in, c.degrees * kDegree, *c.m);
    EXPECT_NEAR(p.x, c.out.x, 1e-9) << c.degrees;
    EXPECT_NEAR(p.y, c.out.y, 1e-9) << c.degrees;
  }
}

TEST(EffectGeometry, LoupesMoveOffTheKeyboard) {
  gfx::Size window{320, 480};
  struct Case {
    bool caret;
    gfx::Rect keyboard;
    gfx::Point in, out;
  } cases[] = {
      // Docked at the bottom from y 400: a round loupe 127 high at 350 rises to 400 - 63.5.
      {true, gfx::RectMake(0, 400, 320, 80), {100, 350}, {100, 336.5}},
      {true, gfx::RectMake(0, 400, 320, 80), {100, 300}, {100, 300}},
      {false, gfx::RectMake(0, 400, 320, 80), {100, 420}, {100, 400}},
      {true, gfx::RectMake(0, 0, 320, 100), {100, 120}, {100, 163.5}},
      {false, gfx::RectMake(0, 0, 320, 100), {100, 80}, {100, 100}},
      {true, gfx::RectMake(250, 0, 70, 480), {200, 200}, {250 - 63.5, 200}},
      {false, gfx::RectMake(250, 0, 70, 480), {270, 200}, {250, 200}},
      {true, gfx::RectMake(0, 0, 70, 480), {100, 200}, {70 + 63.5, 200}},
      {false, gfx::RectMake(0, 0, 70, 480), {50, 200}, {70, 200}},
  };
  for (const auto& c : cases) {
    DRMagnifierPlacement m{c.caret, window, c.caret ? gfx::Size{127, 127} : gfx::Size{141, 60}, c.keyboard};
    gfx::Point p = correctedMagnifierCenter(c.in, 0, m);
    EXPECT_NEAR(p.x, c.out.x, 1e-9) << gfx::StringFromRect(c.keyboard).utf8();
    EXPECT_NEAR(p.y, c.out.y, 1e-9) << gfx::StringFromRect(c.keyboard).utf8();
  }
}

TEST(EffectGeometry, CaptureStaysOffTheKeys) {
  gfx::Rect bottom = gfx::RectMake(0, 400, 320, 80);
  EXPECT_EQ(captureCenterOffKeyboard({10, 450}, bottom, 4), gfx::PointMake(10, 400));
  EXPECT_EQ(captureCenterOffKeyboard({10, 350}, bottom, 4), gfx::PointMake(10, 350));
  EXPECT_EQ(captureCenterOffKeyboard({10, 50}, gfx::RectMake(0, 0, 320, 100), 1), gfx::PointMake(10, 100));
  EXPECT_EQ(captureCenterOffKeyboard({300, 50}, gfx::RectMake(250, 0, 70, 480), 2), gfx::PointMake(250, 50));
  EXPECT_EQ(captureCenterOffKeyboard({30, 50}, gfx::RectMake(0, 0, 70, 480), 8), gfx::PointMake(70, 50));
  EXPECT_EQ(captureCenterOffKeyboard({30, 450}, bottom, 0), gfx::PointMake(30, 450));
}

TEST(EffectGeometry, TheRoundLoupeSitsAboveTheTouchAlongTheHostsUp) {
  gfx::Point upright = liftedCaretCenter({100, 200}, 0, 127);
  EXPECT_NEAR(upright.x, 100, 1e-9);
  EXPECT_NEAR(upright.y, 136.5, 1e-9);
  gfx::Point turned = liftedCaretCenter({100, 200}, 90 * kDegree, 127);
  EXPECT_NEAR(turned.x, 163.5, 1e-9);
  EXPECT_NEAR(turned.y, 200, 1e-9);
}

TEST(EffectGeometry, KnobMirrors) {
  gfx::Rect host = gfx::RectMake(0, 100, 320, 200);
  gfx::Rect halfOut = gfx::RectMake(50, 95, 10, 10);      // half above the host's top
  gfx::Rect inside = gfx::RectMake(50, 150, 10, 10);
  gfx::Rect farOut = gfx::RectMake(50, 80, 10, 10);       // centre 15 away: beyond 5.5
  gfx::Rect justOut = gfx::RectMake(50, 90, 10, 10);      // centre 5 away: within 5.5
  gfx::Rect keyboard = gfx::RectMake(0, 290, 320, 190);
  gfx::Rect underKeys = gfx::RectMake(50, 295, 10, 10);
  EXPECT_TRUE(knobMirrorShows(true, 1, halfOut, host, gfx::RectNull));
  EXPECT_TRUE(knobMirrorShows(true, 1, justOut, host, keyboard));
  EXPECT_FALSE(knobMirrorShows(true, 1, inside, host, gfx::RectNull));
  EXPECT_FALSE(knobMirrorShows(true, 1, farOut, host, gfx::RectNull));
  EXPECT_FALSE(knobMirrorShows(false, 1, halfOut, host, gfx::RectNull));
  EXPECT_FALSE(knobMirrorShows(true, 0.1, halfOut, host, gfx::RectNull));
  EXPECT_FALSE(knobMirrorShows(true, 1, underKeys, host, keyboard));
  EXPECT_FALSE(knobMirrorShows(true, 1, gfx::RectMake(50, 400, 10, 10), host, keyboard));
  EXPECT_DOUBLE_EQ(distanceToRect({55, 85}, host), 15);
  EXPECT_DOUBLE_EQ(distanceToRect({330, 85}, host), 15);
  EXPECT_DOUBLE_EQ(distanceToRect({10, 110}, host), 0);
}

}  // namespace
