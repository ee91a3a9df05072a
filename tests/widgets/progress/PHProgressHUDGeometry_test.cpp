#include "widgets/progress/PHProgressHUDGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace widgets;

TEST(PHProgressHUDGeometry, BoxAndLabelFollowTheMeasuredText) {
  struct Case {
    const char* what;
    bool hasText;
    gfx::Size measured;
    bool upper;
    gfx::Size box;
    gfx::Rect label;
  } cases[] = {
      {"no text", false, {300, 300}, true, {100, 100}, gfx::RectZero},
      // A one-line status 80 wide with the spinner: the box is taller than 100 from a 21-point
      // line on, which moves the label in by 12.
      {"short, spinner, low", true, {80, 17.2}, true, {124, 98}, gfx::RectMake(0, 68, 124, 18)},
      {"short, spinner, tall", true, {80, 20.4}, true, {124, 101}, gfx::RectMake(12, 68, 100, 21)},
      {"width 101 rounds up to even", true, {101, 18}, true, {126, 98}, gfx::RectMake(0, 68, 126, 18)},
      {"width 150.2", true, {150.2, 40}, true, {176, 120}, gfx::RectMake(12, 68, 152, 40)},
      {"text only", true, {60, 18}, false, {124, 38}, gfx::RectMake(0, 9, 124, 18)},
      {"text only, tall", true, {180, 90.5}, false, {204, 111}, gfx::RectMake(12, 9, 180, 91)},
  };
  for (const auto& c : cases) {
    PHBoxLayout l = PHBoxLayoutFor(c.hasText, c.measured, c.upper);
    EXPECT_EQ(l.boxSize, c.box) << c.what;
    EXPECT_EQ(l.labelFrame, c.label) << c.what;
  }
}

TEST(PHProgressHUDGeometry, PlacementLiftsTheBoxAboveTheKeyboardAndTurnsWithTheInterface) {
  gfx::Rect bar = gfx::RectMake(0, 0, 320, 20);
  struct Case {
    const char* what;
    double keyboard;
    int64_t orientation;
    bool ignored;
    gfx::Point center;
    double angle;
  } cases[] = {
      {"portrait, no keyboard", 0, 1, true, {160, 255}, 0},
      // floor((568 + 40 - 216) * 0.45)
      {"216-point keyboard", 216, 1, true, {160, 176}, 0},
      {"ignored orientation stays upright", 0, 4, true, {160, 255}, 0},
      {"upside down", 0, 2, false, {160, 568 - 255}, M_PI},
      // Landscape swaps the sides: free height 320, so y = 144, x = 284.
      {"landscape left", 0, 4, false, {144, 284}, -M_PI / 2},
      {"landscape right", 0, 3, false, {320 - 144, 284}, M_PI / 2},
      {"landscape with keyboard", 162, 3, false, {320 - std::floor((320 + 640 - 162) * 0.45), 284}, M_PI / 2},
  };
  for (const auto& c : cases) {
    PHBoxPlacement p = PHBoxPlacementFor({320, 568}, bar, c.keyboard, c.orientation, c.ignored);
    EXPECT_EQ(p.center, c.center) << c.what;
    EXPECT_DOUBLE_EQ(p.angle, c.angle) << c.what;
  }
}

TEST(PHProgressHUDGeometry, KeyboardHeightComesFromTheFrameWhileItShows) {
  gfx::Rect frame = gfx::RectMake(0, 352, 320, 216);
  EXPECT_EQ(PHKeyboardHeightFor(true, frame, 1, false), 216);
  EXPECT_EQ(PHKeyboardHeightFor(true, frame, 2, false), 216);
  EXPECT_EQ(PHKeyboardHeightFor(true, frame, 3, false), 320);
  EXPECT_EQ(PHKeyboardHeightFor(true, frame, 4, true), 216);
  EXPECT_EQ(PHKeyboardHeightFor(false, frame, 1, true), 0);
}
