#include "textview/label/DRLabelGeometry.h"

#include <gtest/gtest.h>

using namespace textview;
using typeset::LineBreakMode;

TEST(DRLabelGeometry, LineBreakModeSplitsIntoTruncationAndTextMode) {
  struct Row {
    LineBreakMode mode;
    uint64_t truncation;
    LineBreakMode written;
  };
  const Row rows[] = {
      {LineBreakMode::ByWordWrapping, 0, LineBreakMode::ByWordWrapping},
      {LineBreakMode::ByCharWrapping, 0, LineBreakMode::ByCharWrapping},
      {LineBreakMode::ByClipping, 0, LineBreakMode::ByClipping},
      {LineBreakMode::ByTruncatingHead, 1, LineBreakMode::ByWordWrapping},
      {LineBreakMode::ByTruncatingTail, 2, LineBreakMode::ByWordWrapping},
      {LineBreakMode::ByTruncatingMiddle, 3, LineBreakMode::ByWordWrapping},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.mode));
    EXPECT_EQ(DRLabelTruncationTypeForLineBreakMode(r.mode), r.truncation);
    ASSERT_TRUE(DRLabelTextLineBreakModeForLineBreakMode(r.mode).has_value());
    EXPECT_EQ(*DRLabelTextLineBreakModeForLineBreakMode(r.mode), r.written);
    // Read back from what was written, the label's mode comes out as it went in.
    EXPECT_EQ(DRLabelLineBreakModeForTruncation(r.truncation, r.written), r.mode);
  }
  const auto unknown = static_cast<LineBreakMode>(6);
  EXPECT_EQ(DRLabelTruncationTypeForLineBreakMode(unknown), 0u);
  EXPECT_FALSE(DRLabelTextLineBreakModeForLineBreakMode(unknown).has_value());
  // Without truncation the text's own mode is the label's.
  EXPECT_EQ(DRLabelLineBreakModeForTruncation(0, LineBreakMode::ByCharWrapping), LineBreakMode::ByCharWrapping);
  EXPECT_EQ(DRLabelLineBreakModeForTruncation(3, LineBreakMode::ByCharWrapping), LineBreakMode::ByTruncatingMiddle);
}

TEST(DRLabelGeometry, DrawingOffsetTakesTheAlignmentsShareOfTheFreeSpace) {
  struct Row {
    DRTextVerticalAlignment alignment;
    bool vertical;
    gfx::Size bounding, size;
    double scale;
    gfx::Point expected;
  };
  const Row rows[] = {
      {DRTextVerticalAlignmentTop, false, {80, 20}, {100, 60}, 2, {0, 0}},
      {DRTextVerticalAlignmentCenter, false, {80, 20}, {100, 60}, 2, {0, 20}},
      {DRTextVerticalAlignmentBottom, false, {80, 20}, {100, 60}, 2, {0, 40}},
      // Text taller than the area: centre and bottom move it up.
      {DRTextVerticalAlignmentCenter, false, {80, 70}, {100, 60}, 2, {0, -5}},
      {DRTextVerticalAlignmentBottom, false, {80, 70}, {100, 60}, 2, {0, -10}},
      // Vertical form: along x, to the left.
      {DRTextVerticalAlignmentTop, true, {30, 50}, {100, 60}, 2, {0, 0}},
      {DRTextVerticalAlignmentCenter, true, {30, 50}, {100, 60}, 2, {-35, 0}},
      {DRTextVerticalAlignmentBottom, true, {30, 50}, {100, 60}, 2, {-70, 0}},
      // Snapped to the pixel grid, halves away from zero: 10.3/2 = 5.15 -> 10.3 px -> 10 px.
      {DRTextVerticalAlignmentCenter, false, {80, 49.7}, {100, 60}, 2, {0, 5}},
      // 10.5/2 = 5.25 at scale 2 is 10.5 px -> 11 px = 5.5; at scale 3 it is 15.75 px -> 16 px.
      {DRTextVerticalAlignmentCenter, false, {80, 49.5}, {100, 60}, 2, {0, 5.5}},
      {DRTextVerticalAlignmentCenter, false, {80, 49.5}, {100, 60}, 3, {0, 16.0 / 3}},
      // Negative halves round away from zero too: -10.5/2 = -5.25 -> -10.5 px -> -11 px.
      {DRTextVerticalAlignmentCenter, true, {89.5, 10}, {100, 60}, 2, {-5.5, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "alignment " << r.alignment << " vertical " << r.vertical << " bounding "
                                      << r.bounding.width << "x" << r.bounding.height << " scale " << r.scale);
    gfx::Point p = DRLabelDrawingOffset(r.bounding, r.size, r.alignment, r.vertical, r.scale);
    EXPECT_DOUBLE_EQ(p.x, r.expected.x);
    EXPECT_DOUBLE_EQ(p.y, r.expected.y);
  }
}

TEST(DRLabelGeometry, HorizontalPointConversion) {
  DRLabelTextFrame f;
  f.textBoundingSize = {80, 20};
  f.containerSize = f.boundsSize = {100, 60};
  struct Row {
    DRTextVerticalAlignment alignment;
    double shift;  // label y minus layout y
  };
  for (Row r : {Row{DRTextVerticalAlignmentTop, 0}, Row{DRTextVerticalAlignmentCenter, 20},
                Row{DRTextVerticalAlignmentBottom, 40}}) {
    f.alignment = r.alignment;
    const gfx::Point label{12, 33};
    const gfx::Point layout = DRLabelConvertPointToLayout(label, f);
    EXPECT_DOUBLE_EQ(layout.x, 12);
    EXPECT_DOUBLE_EQ(layout.y, 33 - r.shift);
    const gfx::Point back = DRLabelConvertPointFromLayout(layout, f);
    EXPECT_DOUBLE_EQ(back.y, 33);
    // The conversion matches where the text is drawn.
    EXPECT_DOUBLE_EQ(DRLabelDrawingOffset(f.textBoundingSize, f.boundsSize, r.alignment, false, 2).y, r.shift);
  }
  // Text taller than the bounds: into the layout the overflow counts, back out it does not.
  f.textBoundingSize = {80, 80};
  f.alignment = DRTextVerticalAlignmentBottom;
  EXPECT_DOUBLE_EQ(DRLabelConvertPointToLayout({0, 10}, f).y, 30);
  EXPECT_DOUBLE_EQ(DRLabelConvertPointFromLayout({0, 10}, f).y, 10);
}

TEST(DRLabelGeometry, VerticalFormPointConversion) {
  DRLabelTextFrame f;
  f.verticalForm = true;
  f.textBoundingSize = {30, 50};
  f.containerSize = {120, 60};  // wider than the bounds: the text's right edge lies 20 beyond them
  f.boundsSize = {100, 60};
  struct Row {
    DRTextVerticalAlignment alignment;
    double toLayout;  // layout x minus label x
  };
  for (Row r : {Row{DRTextVerticalAlignmentTop, 20}, Row{DRTextVerticalAlignmentCenter, 20 + 35},
                Row{DRTextVerticalAlignmentBottom, 20 + 70}}) {
    f.alignment = r.alignment;
    const gfx::Point layout = DRLabelConvertPointToLayout({40, 7}, f);
    EXPECT_DOUBLE_EQ(layout.x, 40 + r.toLayout);
    EXPECT_DOUBLE_EQ(layout.y, 7);
    EXPECT_DOUBLE_EQ(DRLabelConvertPointFromLayout(layout, f).x, 40);
  }
  // Text wider than the bounds: no alignment shift back out, the container shift only.
  f.textBoundingSize = {110, 50};
  f.alignment = DRTextVerticalAlignmentBottom;
  EXPECT_DOUBLE_EQ(DRLabelConvertPointFromLayout({50, 0}, f).x, 50 - 10);
  EXPECT_DOUBLE_EQ(DRLabelConvertPointToLayout({50, 0}, f).x, 50 + 10 - 10);
}

TEST(DRLabelGeometry, RectanglesMoveTheirOriginOnly) {
  DRLabelTextFrame f;
  f.textBoundingSize = {80, 20};
  f.containerSize = f.boundsSize = {100, 60};
  f.alignment = DRTextVerticalAlignmentBottom;
  const gfx::Rect r = DRLabelConvertRectFromLayout(gfx::RectMake(5, 6, 7, 8), f);
  EXPECT_EQ(r, gfx::RectMake(5, 46, 7, 8));
  EXPECT_EQ(DRLabelConvertRectToLayout(r, f), gfx::RectMake(5, 6, 7, 8));
  EXPECT_TRUE(gfx::RectIsNull(DRLabelConvertRectFromLayout(gfx::RectNull, f)));
  EXPECT_TRUE(gfx::RectIsNull(DRLabelConvertRectToLayout(gfx::RectNull, f)));
}
