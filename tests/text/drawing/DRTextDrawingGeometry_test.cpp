// The numbers of text drawing: alignment to pixels, insets, dash patterns, border strokes,
// segment joins and decoration placement and snapping.
#include <gtest/gtest.h>

#include "text/drawing/DRTextDrawingGeometry.h"

using namespace text;

namespace {

void expectRect(gfx::Rect actual, gfx::Rect expected) {
  EXPECT_NEAR(actual.origin.x, expected.origin.x, 1e-9);
  EXPECT_NEAR(actual.origin.y, expected.origin.y, 1e-9);
  EXPECT_NEAR(actual.size.width, expected.size.width, 1e-9);
  EXPECT_NEAR(actual.size.height, expected.size.height, 1e-9);
}

}  // namespace

TEST(DRTextDrawingGeometry, PixelRoundingAndHalfPixels) {
  struct Case {
    double v, scale, round, half;
  } cases[] = {
      {1.3, 2, 1.5, 1.25},   {1.2, 2, 1.0, 1.25},  {1.25, 2, 1.5, 1.25},  // 2.5 pixels round away from zero
      {-1.25, 2, -1.5, -1.25}, {0.4, 1, 0, 0.5},  {2.0, 3, 2.0, 2 + 1.0 / 6},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DRTextPixelRound(c.v, c.scale), c.round) << c.v << " at " << c.scale;
    EXPECT_DOUBLE_EQ(DRTextPixelHalf(c.v, c.scale), c.half) << c.v << " at " << c.scale;
  }
  // A rectangle keeps its far edges on pixels, not its size.
  expectRect(DRTextPixelRoundRect(gfx::RectMake(0.3, 0.2, 1.4, 1.0), 2), gfx::RectMake(0.5, 0, 1.0, 1.0));
  expectRect(DRTextPixelHalfRect(gfx::RectMake(0, 0, 10, 4), 2), gfx::RectMake(0.25, 0.25, 10, 4));
}

TEST(DRTextDrawingGeometry, InsetsTurnWithVerticalText) {
  const gfx::EdgeInsets in{1, 2, 3, 4};  // top, left, bottom, right
  const gfx::Rect r = gfx::RectMake(10, 20, 100, 50);
  expectRect(DRTextRectRemovingInsets(r, in, false), gfx::RectMake(12, 21, 94, 46));
  expectRect(DRTextRectRemovingInsets(r, in, true), gfx::RectMake(13, 22, 96, 44));
  // A fill border's insets grow its box up and to the right.
  expectRect(DRTextRectRemovingInsets(r, gfx::EdgeInsets{-2, 0, 0, -2}, false), gfx::RectMake(10, 18, 102, 52));
}

TEST(DRTextDrawingGeometry, LineKindsAsDashPatterns) {
  using C = DRTextLineDash::Change;
  struct Case {
    DRTextLineKind kind;
    C change;
    std::vector<double> lengths;
    bool round;
  } cases[] = {
      {DRTextLineKindSingle, C::Clear, {}, false},
      {DRTextLineKindSingle | DRTextLineKindPatternDot, C::Set, {10, 6}, false},
      {DRTextLineKindThick | DRTextLineKindPatternDash, C::Set, {24, 6}, false},
      {DRTextLineKindSingle | DRTextLineKindPatternDashDot, C::Set, {24, 6, 10, 6}, false},
      {DRTextLineKindDouble | DRTextLineKindPatternDashDotDot, C::Set, {24, 6, 10, 6, 10, 6}, false},
      {DRTextLineKindSingle | DRTextLineKindPatternCircleDot, C::Set, {0, 6}, true},
      {DRTextLineKindSingle | 0x500, C::Keep, {}, false},
  };
  for (const auto& c : cases) {
    const DRTextLineDash d = DRTextDashForLineKind(c.kind, 2);
    EXPECT_EQ(d.change, c.change) << std::hex << c.kind;
    EXPECT_EQ(d.lengths, c.lengths) << std::hex << c.kind;
    EXPECT_EQ(d.round, c.round) << std::hex << c.kind;
  }
  // A dotted line of width 1 dashes 5, 3.
  EXPECT_EQ(DRTextDashForLineKind(0x101, 1).lengths, (std::vector<double>{5, 3}));
}

TEST(DRTextDrawingGeometry, BorderStrokesSitOutsideTheirBox) {
  const DRTextBorderStroke single = DRTextBorderStrokeFor(DRTextLineKindSingle, 1);
  EXPECT_EQ(single.lineWidth, 1);
  EXPECT_EQ(single.outset, 0.5);
  // A thick border of width 1 strokes 2 wide, its middle 1 point out: flush with the fill.
  const DRTextBorderStroke thick = DRTextBorderStrokeFor(DRTextLineKindThick | DRTextLineKindPatternDash, 1);
  EXPECT_EQ(thick.lineWidth, 2);
  EXPECT_EQ(thick.outset, 1);
  EXPECT_EQ(DRTextBorderStrokeFor(DRTextLineKindDouble, 3).outset, 1.5);
  EXPECT_EQ(DRTextGrownCornerRadius(4, 1.5), 5.5);
  EXPECT_EQ(DRTextGrownCornerRadius(0, 1.5), 0);
}

TEST(DRTextDrawingGeometry, SegmentRectsJoinAlongALine) {
  // Two runs of one line (their tops 0.5 apart) join; the next line stays apart.
  const std::vector<gfx::Rect> horizontal = {gfx::RectMake(10, 0, 20, 16), gfx::RectMake(30, 0.5, 15, 18),
                                             gfx::RectMake(0, 20, 40, 16)};
  const auto merged = DRTextMergeSegmentRects(horizontal, false);
  ASSERT_EQ(merged.size(), 2u);
  expectRect(merged[0], gfx::RectMake(10, 0.5, 35, 18));
  expectRect(merged[1], gfx::RectMake(0, 20, 40, 16));
  // In a column the join runs down: x within a point, y and height span both.
  const std::vector<gfx::Rect> vertical = {gfx::RectMake(100, 0, 16, 30), gfx::RectMake(100.9, 40, 14, 10),
                                           gfx::RectMake(80, 0, 16, 30)};
  const auto column = DRTextMergeSegmentRects(vertical, true);
  ASSERT_EQ(column.size(), 2u);
  expectRect(column[0], gfx::RectMake(100.9, 0, 16, 50));
  expectRect(column[1], gfx::RectMake(80, 0, 16, 30));
  // A rectangle exactly a point away closes the one before; a zero rectangle at the end is dropped.
  EXPECT_EQ(DRTextMergeSegmentRects({gfx::RectMake(0, 0, 5, 5), gfx::RectMake(0, 1, 5, 5)}, false).size(), 2u);
  EXPECT_EQ(DRTextMergeSegmentRects({gfx::RectMake(0, 5, 5, 5), gfx::RectZero}, false).size(), 1u);
  EXPECT_TRUE(DRTextMergeSegmentRects({}, false).empty());
}

TEST(DRTextDrawingGeometry, DecorationLinesSnapToSharpPixels) {
  struct Case {
    double v, w, scale, expected;
  } cases[] = {
      {10.3, 1, 1, 10.5},     // one pixel: the middle of a pixel
      {10.3, 1, 2, 10.0},     // two pixels: on a pixel edge
      {10.3, 0.5, 2, 10.25},  // one pixel at scale 2
      {10.3, 1.5, 2, 10.25},  // three pixels: odd
      {10.3, 1.25, 2, 10.3},  // 2.5 pixels: left alone
      {10.3, 0.02, 2, 10.25}, // thinner than a pixel counts as 0
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(DRTextSnapDecorationCross(c.v, c.w, c.scale), c.expected) << c.v << " w " << c.w << " @" << c.scale;
  EXPECT_EQ(DRTextDecorationStrokeWidth(DRTextLineKindThick, 1.5), 3);
  EXPECT_EQ(DRTextDecorationStrokeWidth(DRTextLineKindDouble, 1.5), 1.5);
}

TEST(DRTextDrawingGeometry, DecorationPlacementFromLineMetrics) {
  const DRTextDecorationMetrics m{10, -2, 1};
  const gfx::Point p{5, 40};
  const gfx::Point under = DRTextDecorationStart(DRTextDecorationType::Underline, p, 3, m, false);
  EXPECT_EQ(under.x, 8);
  EXPECT_EQ(under.y, 42);  // below the baseline in y-down space
  const gfx::Point strike = DRTextDecorationStart(DRTextDecorationType::Strikethrough, p, 3, m, false);
  EXPECT_EQ(strike.y, 35);
  const gfx::Point vUnder = DRTextDecorationStart(DRTextDecorationType::Underline, p, 3, m, true);
  EXPECT_EQ(vUnder.x, 3);
  EXPECT_EQ(vUnder.y, 43);
  const gfx::Point vStrike = DRTextDecorationStart(DRTextDecorationType::Strikethrough, p, 3, m, true);
  EXPECT_EQ(vStrike.x, 10);
  EXPECT_EQ(DRTextShadowShift(375), 375 + 65535);
}
