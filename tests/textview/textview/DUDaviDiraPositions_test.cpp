// The text view's checks and corrections of positions and ranges handed in from an older
// text, and the conversion between its own coordinates and its layout's.
#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/time/Date.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"

using namespace textview;
using Access = textview::DUDaviDiraTestAccess;

namespace positions_test {

constexpr auto F = text::DRTextAffinityForward;
constexpr auto B = text::DRTextAffinityBackward;

Ref<text::DRTextPosition> pos(int64_t offset, text::DRTextPositionAffinity affinity = F) {
  return text::DRTextPosition::positionWithOffset(offset, affinity);
}

void spin() {
  fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode, fd::Date::dateWithTimeIntervalSinceNow(0.02));
}

class TextViewPositionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 200, 300));
    view->setText(rt::String("hello"));
  }
  void TearDown() override { spin(); }
  Ref<DUDaviDira> view;
};

}  // namespace positions_test

using namespace positions_test;

TEST_F(TextViewPositionsTest, PositionValidityAndCorrection) {
  ASSERT_EQ(view->text(), rt::String("hello"));
  struct Case {
    int64_t offset;
    text::DRTextPositionAffinity affinity;
    bool valid;
    int64_t correctedOffset;
  };
  const Case cases[] = {
      {0, F, true, 0},   {0, B, false, 0},  {3, B, true, 3},  {3, F, true, 3},   {5, F, true, 5},
      {5, B, false, 5},  {-2, F, false, 0}, {-1, B, false, 0}, {6, F, false, 5}, {99, B, false, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << (c.affinity == B ? "B" : "F"));
    auto p = pos(c.offset, c.affinity);
    EXPECT_EQ(Access::isTextPositionValid(*view, p), c.valid);
    auto corrected = Access::correctedTextPosition(*view, p);
    ASSERT_TRUE(corrected);
    EXPECT_EQ(corrected->offset(), c.correctedOffset);
    if (c.valid) {
      EXPECT_EQ(corrected, p) << "a valid position comes back as it is";
    } else {
      EXPECT_EQ(corrected->affinity(), F) << "a corrected position leans forward";
      EXPECT_TRUE(Access::isTextPositionValid(*view, corrected));
    }
  }
  EXPECT_FALSE(Access::isTextPositionValid(*view, nullptr));
  EXPECT_EQ(Access::correctedTextPosition(*view, nullptr), nullptr);
}

TEST_F(TextViewPositionsTest, RangeValidityAndCorrection) {
  struct Case {
    int64_t start;
    text::DRTextPositionAffinity startAffinity;
    int64_t end;
    text::DRTextPositionAffinity endAffinity;
    bool valid;
    rt::Range corrected;
  };
  const Case cases[] = {
      {1, F, 3, F, true, {1, 2}},  {0, F, 5, F, true, {0, 5}},  {2, B, 4, B, true, {2, 2}},
      {3, F, 9, F, false, {3, 2}}, {-4, F, 2, F, false, {0, 2}}, {0, B, 5, B, false, {0, 5}},
      {7, F, 8, F, false, {5, 0}}, {-3, F, -1, F, false, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
    auto r = text::DRTextRange::rangeWithStart(pos(c.start, c.startAffinity), pos(c.end, c.endAffinity));
    EXPECT_EQ(Access::isTextRangeValid(*view, r), c.valid);
    auto corrected = Access::correctedTextRange(*view, r);
    ASSERT_TRUE(corrected);
    EXPECT_EQ(corrected->asRange(), c.corrected);
    if (c.valid) {
      EXPECT_EQ(corrected, r);
    }
    EXPECT_TRUE(Access::isTextRangeValid(*view, corrected));
  }
  EXPECT_FALSE(Access::isTextRangeValid(*view, nullptr));
  EXPECT_EQ(Access::correctedTextRange(*view, nullptr), nullptr);
}

TEST_F(TextViewPositionsTest, CorrectionFollowsTheCurrentText) {
  auto end = pos(5, F);
  EXPECT_TRUE(Access::isTextPositionValid(*view, end));
  view->setText(rt::String("hi"));
  EXPECT_FALSE(Access::isTextPositionValid(*view, end));
  EXPECT_EQ(Access::correctedTextPosition(*view, end)->offset(), 2);
  view->setText(rt::String());
  EXPECT_EQ(Access::correctedTextPosition(*view, end)->offset(), 0);
  EXPECT_FALSE(Access::isTextPositionValid(*view, pos(0, B)));
}

TEST_F(TextViewPositionsTest, HorizontalConversionFollowsTheVerticalAlignment) {
  gfx::Size layout = view->textLayout()->textBoundingSize();
  gfx::Size bounds = view->bounds().size;
  ASSERT_GT(layout.height, 0);
  ASSERT_LT(layout.height, bounds.height) << "the text must be shorter than the view";
  double free = bounds.height - layout.height;
  struct Case {
    int64_t alignment;
    gfx::Point view;
    gfx::Point layout;
  };
  const Case cases[] = {
      {0, {10, 0}, {10, 0}},
      {0, {10, bounds.height}, {10, bounds.height}},
      // The view's bottom edge is the layout's bottom edge.
      {2, {10, bounds.height}, {10, layout.height}},
      {2, {0, free}, {0, 0}},
      {1, {30, free / 2}, {30, 0}},
      {1, {30, bounds.height - free / 2}, {30, layout.height}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "alignment " << c.alignment << " at " << c.view.x << "," << c.view.y);
    view->setTextVerticalAlignment(c.alignment);
    EXPECT_EQ(Access::convertPointToLayout(*view, c.view), c.layout);
    EXPECT_EQ(Access::convertPointFromLayout(*view, c.layout), c.view);
    gfx::Rect rect{c.view, {7, 9}};
    EXPECT_EQ(Access::convertRectToLayout(*view, rect), (gfx::Rect{c.layout, {7, 9}}));
    EXPECT_EQ(Access::convertRectFromLayout(*view, gfx::Rect{c.layout, {7, 9}}), rect);
  }
}

TEST_F(TextViewPositionsTest, TallTextIsNotShiftedByAlignment) {
  rt::String tall;
  for (int i = 0; i < 60; ++i) tall = tall + rt::String("line\n");
  view->setText(tall);
  ASSERT_GT(view->textLayout()->textBoundingSize().height, view->bounds().size.height);
  for (int64_t alignment : {0, 1, 2}) {
    view->setTextVerticalAlignment(alignment);
    EXPECT_EQ(Access::convertPointToLayout(*view, {12, 250}), (gfx::Point{12, 250})) << alignment;
  }
}

TEST_F(TextViewPositionsTest, VerticalConversionMeasuresFromTheContainersFarSide) {
  view->setVerticalForm(true);
  gfx::Size layout = view->textLayout()->textBoundingSize();
  gfx::Size bounds = view->bounds().size;
  double container = view->innerContainer()->size().width;
  ASSERT_GT(layout.width, 0);
  ASSERT_LT(layout.width, bounds.width) << "the text must be narrower than the view";
  ASSERT_GT(container, bounds.width);
  double free = bounds.width - layout.width;
  struct Case {
    int64_t alignment;
    gfx::Point view;
    gfx::Point layout;
  };
  const Case cases[] = {
      // Lines start at the right: the view's right edge is the container's.
      {0, {bounds.width, 5}, {container, 5}},
      {0, {0, 5}, {container - bounds.width, 5}},
      // Bottom alignment puts the end of the text against the view's left edge.
      {2, {0, 40}, {container - layout.width, 40}},
      {2, {layout.width, 40}, {container, 40}},
      {1, {free / 2, 7}, {container - layout.width, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "alignment " << c.alignment << " at " << c.view.x << "," << c.view.y);
    view->setTextVerticalAlignment(c.alignment);
    EXPECT_DOUBLE_EQ(Access::convertPointToLayout(*view, c.view).x, c.layout.x);
    EXPECT_EQ(Access::convertPointToLayout(*view, c.view).y, c.layout.y);
    gfx::Point back = Access::convertPointFromLayout(*view, c.layout);
    EXPECT_NEAR(back.x, c.view.x, 1e-9);
    EXPECT_EQ(back.y, c.view.y);
  }
}
