// The tracking arithmetic: drag direction and slop, auto-scroll speed and steps, the keyboard's
// share of the view, the menu's target and the span of positions.
#include "textview/textview/DUDaviDiraTrackingRules.h"

#include <gtest/gtest.h>

using namespace textview;

namespace tracking_rules_test {

bool same(gfx::Rect a, gfx::Rect b) {
  if (gfx::RectIsNull(a) || gfx::RectIsNull(b)) return gfx::RectIsNull(a) && gfx::RectIsNull(b);
  return a == b;
}

std::string show(gfx::Rect r) {
  if (gfx::RectIsNull(r)) return "null";
  return std::to_string(r.origin.x) + "," + std::to_string(r.origin.y) + " " + std::to_string(r.size.width) + "x" +
         std::to_string(r.size.height);
}

}  // namespace tracking_rules_test

using namespace tracking_rules_test;

TEST(TrackingRules, MoveDirectionNeedsMoreThanTheSlop) {
  struct Case {
    gfx::Point to;
    DUDaviDiraMoveDirection want;
  } cases[] = {
      {{0, 0}, DUDaviDiraMoveNone},     {{9, 0}, DUDaviDiraMoveNone},    {{-9, 0}, DUDaviDiraMoveNone},
      {{0, 9}, DUDaviDiraMoveNone},     {{0, -9}, DUDaviDiraMoveNone},   {{9, 9}, DUDaviDiraMoveNone},
      {{9.5, 0}, DUDaviDiraMoveRight},  {{-9.5, 3}, DUDaviDiraMoveLeft}, {{2, 9.5}, DUDaviDiraMoveDown},
      {{-3, -10}, DUDaviDiraMoveUp},    {{20, 19}, DUDaviDiraMoveRight},
      // Equal moves count as across the lines.
      {{20, 20}, DUDaviDiraMoveDown},   {{-20, -20}, DUDaviDiraMoveUp},
      // The larger move decides even when it is within the slop and the other is not.
      {{8, -7}, DUDaviDiraMoveNone},
  };
  gfx::Point from{100, 50};
  for (const auto& c : cases)
    EXPECT_EQ(moveDirection(from, {from.x + c.to.x, from.y + c.to.y}), c.want) << c.to.x << "," << c.to.y;
}

TEST(TrackingRules, AutoScrollSpeedGrowsPastTheEdgesAndIsCapped) {
  struct Case {
    double position, top, extent, want;
  } cases[] = {
      {0, 0, 300, 0},       {150, 0, 300, 0},      {300, 0, 300, 0},    // inside: still
      {301, 0, 300, 3},     {311, 0, 300, 8},      {359, 0, 300, 32},   // below: (p - h + 5) / 2
      {1000, 0, 300, 32},                                               // capped
      {-1, 0, 300, -3},     {-11, 0, 300, -8},     {-500, 0, 300, -32}, // above: (p - top - 5) / 2
      {15, 20, 300, -5},                                                // above the top inset
      {20, 20, 300, 0},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(autoScrollSpeed(c.position, c.top, c.extent), c.want) << c.position << " top " << c.top;
}

TEST(TrackingRules, AutoScrollStepsAccelerateRoundAndClamp) {
  struct Case {
    double current, speed;
    int64_t ticks;
    double min, max, want;
  } cases[] = {
      {100, 5, 0, 0, 1000, 105},      // first tick: the speed alone
      {100, 5, 1, 0, 1000, 106},      // 105 + 0.5 rounds up
      {100, 5, 2, 0, 1000, 107},      // + 2
      {100, 5, 3, 0, 1000, 110},      // + 4.5 -> 109.5 -> 110
      {100, -5, 3, 0, 1000, 91},      // backwards: 100 - 5 - 4.5 = 90.5, rounded half away: 91
      {100, 5, 10, 0, 1000, 155},     // + 50
      {990, 20, 0, 0, 1000, 1000},    // forwards stops at the far end
      {10, -20, 0, -6, 1000, -6},     // never above the top inset
      {0, 8, 0, 0, -200, 0},          // content shorter than the view: the top wins
      {1200, -3, 0, 0, 1000, 1197},   // backwards is not held by the far end
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(autoScrollNextOffset(c.current, c.speed, c.ticks, c.min, c.max), c.want)
        << c.current << " speed " << c.speed << " ticks " << c.ticks;
}

TEST(TrackingRules, KeyboardOverlapCountsTheAccessoryAndTheScroll) {
  gfx::Size bounds{320, 480};
  struct Case {
    gfx::Point offset;
    gfx::Rect keyboard;
    double extra;
    gfx::Rect want;
  } cases[] = {
      {{0, 0}, {{0, 264}, {320, 216}}, 0, {{0, 264}, {320, 216}}},
      {{0, 0}, {{0, 264}, {320, 216}}, 44, {{0, 220}, {320, 260}}},
      // The keyboard is given in the view's (content) coordinates: the scroll moves it back.
      {{0, 100}, {{0, 364}, {320, 216}}, 0, {{0, 264}, {320, 216}}},
      {{0, 0}, {{0, 480}, {320, 216}}, 0, gfx::RectNull},  // below the view
      {{0, 0}, gfx::RectNull, 0, gfx::RectNull},
  };
  for (const auto& c : cases) {
    gfx::Rect got = keyboardOverlap(bounds, c.offset, c.keyboard, c.extra);
    EXPECT_TRUE(same(got, c.want)) << show(got) << " want " << show(c.want);
  }
  EXPECT_DOUBLE_EQ(heightAboveKeyboard(480, {{0, 264}, {320, 216}}), 264);
  EXPECT_DOUBLE_EQ(heightAboveKeyboard(480, gfx::RectNull), 480);
  EXPECT_DOUBLE_EQ(heightAboveKeyboard(480, {{0, 0}, {320, 216}}), 480);    // covers from the top
  EXPECT_DOUBLE_EQ(heightAboveKeyboard(480, {{0, 479.5}, {320, 0.5}}), 480);  // a sliver
}

TEST(TrackingRules, MenuTargetFollowsCaretSelectionEdgesAndKeyboard) {
  gfx::Rect bounds{{0, 100}, {320, 400}};  // scrolled down by 100
  gfx::Rect fallback{{0, 0}, {320, 1000}};
  struct Case {
    const char* name;
    bool caret;
    std::vector<gfx::Rect> rects;
    gfx::Rect keyboard;
    gfx::Rect want;
  } cases[] = {
      {"caret", true, {{{50, 50}, {100, 20}}}, gfx::RectNull, {{10, 200}, {2, 20}}},
      {"selection inside", false, {{{20, 200}, {100, 20}}, {{0, 220}, {60, 20}}}, gfx::RectNull,
       {{0, 200}, {120, 40}}},
      {"selection clipped", false, {{{20, 80}, {100, 40}}}, gfx::RectNull, {{20, 100}, {100, 20}}},
      {"selection above", false, {{{20, 10}, {100, 20}}}, gfx::RectNull, {{20, 100}, {100, 1}}},
      {"selection below", false, {{{20, 700}, {100, 20}}}, gfx::RectNull, {{20, 499}, {100, 1}}},
      {"touching the top", false, {{{20, 80}, {100, 20.5}}}, gfx::RectNull, {{20, 100}, {100, 1}}},
      {"nothing", false, {}, gfx::RectNull, fallback},
      {"keyboard over the bottom", false, {{{20, 200}, {100, 100}}}, {{0, 260}, {320, 300}},
       {{20, 200}, {100, 60}}},
      {"keyboard over the top", false, {{{20, 200}, {100, 100}}}, {{0, 150}, {320, 80}}, {{20, 230}, {100, 70}}},
      {"keyboard over all", false, {{{20, 200}, {100, 100}}}, {{0, 150}, {320, 300}}, {{20, 200}, {100, 100}}},
      {"caret under keyboard top", true, {}, {{0, 210}, {320, 300}}, {{10, 200}, {2, 10}}},
  };
  for (const auto& c : cases) {
    gfx::Rect got = menuTargetRect(c.caret, {{10, 200}, {2, 20}}, c.rects, bounds, c.keyboard, fallback);
    EXPECT_TRUE(same(got, c.want)) << c.name << ": " << show(got) << " want " << show(c.want);
  }
}

TEST(TrackingRules, RangedMagnifierOffsetKeepsTheFingerOnTheLine) {
  struct Case {
    double across, low, high, baseline, want;
  } cases[] = {
      {15, 10, 30, 25, -6}, {0, 10, 30, 25, -11}, {50, 10, 30, 25, 9}, {50, 30, 10, 25, 9},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(rangedMagnifierOffset(c.across, c.low, c.high, c.baseline), c.want) << c.across;
}

TEST(TrackingRules, SpanRunsFromTheEarliestToTheLatestPosition) {
  using text::DRTextPosition;
  auto at = [](int64_t o, text::DRTextPositionAffinity a = text::DRTextAffinityForward) {
    return DRTextPosition::positionWithOffset(o, a);
  };
  auto span = rangeSpanningPositions({at(7), at(3), nullptr, at(12), at(5)});
  ASSERT_TRUE(span);
  EXPECT_EQ(span->asRange(), (rt::Range{3, 9}));
  // At one offset the backward place comes first.
  span = rangeSpanningPositions({at(4), at(4, text::DRTextAffinityBackward)});
  ASSERT_TRUE(span);
  EXPECT_EQ(span->start()->affinity(), text::DRTextAffinityBackward);
  EXPECT_EQ(span->end()->affinity(), text::DRTextAffinityForward);
  EXPECT_FALSE(rangeSpanningPositions({nullptr}));
  EXPECT_FALSE(rangeSpanningPositions({}));
}
