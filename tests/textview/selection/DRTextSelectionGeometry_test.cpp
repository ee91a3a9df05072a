// The selection overlay's arithmetic in numbers: caret rectangles, knob places, touch areas.
#include "textview/selection/DRTextSelectionGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace textview;

namespace {

TEST(SelectionGeometry, StandardCaretRectangles) {
  struct Case {
    gfx::Rect in;
    gfx::Size bounds;
    bool vertical;
    double scale;
    gfx::Rect out;
  } cases[] = {
      // No thickness at the left edge: grown around its line, then pulled back inside.
      {gfx::RectMake(0, 5, 0, 20), {100, 50}, false, 2, gfx::RectMake(0, 5, 2, 20)},
      // At the right edge: kept within the bounds.
      {gfx::RectMake(99.5, 5, 0, 20), {100, 50}, false, 2, gfx::RectMake(98, 5, 2, 20)},
      {gfx::RectMake(40, 5, 0, 20), {100, 50}, false, 2, gfx::RectMake(39, 5, 2, 20)},
      // A negative size is turned around first.
      {gfx::RectMake(42, 25, 1, -20), {100, 50}, false, 2, gfx::RectMake(42, 5, 1, 20)},
      // Onto device pixels, halves away from zero.
      {gfx::RectMake(10.3, 4.25, 1, 10.1), {100, 50}, false, 2, gfx::RectMake(10.5, 4.5, 1, 10)},
      {gfx::RectMake(10.3, 4.2, 1, 10), {100, 50}, false, 3, gfx::RectMake(10 + 1.0 / 3, 4 + 1.0 / 3, 1, 10)},
      // Vertical text: the same along y.
      {gfx::RectMake(5, 0, 20, 0), {50, 100}, true, 2, gfx::RectMake(5, 0, 20, 2)},
      {gfx::RectMake(5, 99.5, 20, 0), {50, 100}, true, 2, gfx::RectMake(5, 98, 20, 2)},
  };
  for (const auto& c : cases) {
    gfx::Rect r = standardCaretRect(c.in, c.bounds, c.vertical, c.scale);
    EXPECT_NEAR(r.origin.x, c.out.origin.x, 1e-9) << gfx::StringFromRect(c.in).utf8();
    EXPECT_NEAR(r.origin.y, c.out.origin.y, 1e-9) << gfx::StringFromRect(c.in).utf8();
    EXPECT_NEAR(r.size.width, c.out.size.width, 1e-9) << gfx::StringFromRect(c.in).utf8();
    EXPECT_NEAR(r.size.height, c.out.size.height, 1e-9) << gfx::StringFromRect(c.in).utf8();
  }
}

TEST(SelectionGeometry, SnappingTurnsWhatIsNotANumberIntoZero) {
  double nan = std::numeric_limits<double>::quiet_NaN();
  double inf = std::numeric_limits<double>::infinity();
  gfx::Rect r = snapRectToPixels(gfx::RectMake(nan, 3, inf, 4), 2);
  EXPECT_EQ(r, gfx::RectMake(0, 3, 0, 4));
  EXPECT_EQ(snapRectToPixels(gfx::RectMake(-0.75, 0, 1, 1), 2), gfx::RectMake(-1, 0, 1.5, 1));
}

TEST(SelectionGeometry, KnobsOverlapTheBarEndByHalfAPoint) {
  gfx::Size dot{10, 10}, bar{2, 20};
  struct Case {
    uint64_t direction;
    gfx::Point origin;
  } cases[] = {
      {DRTextGrabberDirectionTop, {-4, -9.5}},
      {DRTextGrabberDirectionRight, {1.5, 5}},
      {DRTextGrabberDirectionBottom, {-4, 19.5}},
      {DRTextGrabberDirectionLeft, {-9.5, 5}},
  };
  for (const auto& c : cases) {
    auto o = grabberDotOrigin(c.direction, dot, bar);
    ASSERT_TRUE(o) << c.direction;
    EXPECT_EQ(*o, c.origin) << c.direction;
  }
  for (uint64_t none : {0u, 3u, 16u}) EXPECT_FALSE(grabberDotOrigin(none, dot, bar)) << none;
}

TEST(SelectionGeometry, TouchAreasReachFurtherOnTheKnobSide) {
  gfx::Rect f = gfx::RectMake(50, 50, 2, 20);
  EXPECT_EQ(grabberTouchRect(f, DRTextGrabberDirectionTop), gfx::RectMake(36, 29, 30, 55));
  EXPECT_EQ(grabberTouchRect(f, DRTextGrabberDirectionRight), gfx::RectMake(36, 36, 37, 48));
  EXPECT_EQ(grabberTouchRect(f, DRTextGrabberDirectionBottom), gfx::RectMake(36, 36, 30, 55));
  EXPECT_EQ(grabberTouchRect(f, DRTextGrabberDirectionLeft), gfx::RectMake(29, 36, 37, 48));
  EXPECT_EQ(grabberTouchRect(f, 0), gfx::RectMake(36, 36, 30, 48));
}

TEST(SelectionGeometry, OverlappingGrabbersGoToTheNearerCentreAndTiesToTheEnd) {
  gfx::Rect start = gfx::RectMake(0, 0, 40, 40);
  gfx::Rect end = gfx::RectMake(20, 0, 40, 40);  // centres (20, 20) and (40, 20)
  gfx::Point tie{30, 20};
  EXPECT_FALSE(grabberTakesPoint(true, start, end, tie));
  EXPECT_TRUE(grabberTakesPoint(false, start, end, tie));
  EXPECT_TRUE(grabberTakesPoint(true, start, end, {25, 20}));
  EXPECT_FALSE(grabberTakesPoint(false, start, end, {25, 20}));
  // Nearer, yet outside its own area.
  EXPECT_FALSE(grabberTakesPoint(true, start, end, {-5, 20}));
  // Apart, each takes what lies in its own area.
  gfx::Rect far = gfx::RectMake(100, 0, 40, 40);
  EXPECT_TRUE(grabberTakesPoint(true, start, far, {39, 20}));
  EXPECT_TRUE(grabberTakesPoint(false, start, far, {100, 20}));
  EXPECT_FALSE(grabberTakesPoint(false, start, far, {39, 20}));
}

}  // namespace
