// The selection overlay as views: caret blinking on the virtual clock, tinted pieces, grabbers
// and their knobs, and what a touch hits.
#include "textview/selection/DRTextSelectionView.h"

#include <gtest/gtest.h>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/Transaction.h"

using namespace textview;

namespace {

Ref<text::DRTextSelectionRect> piece(gfx::Rect r, bool start = false, bool end = false) {
  auto p = rt::make<text::DRTextSelectionRect>();
  p->setRect(r);
  p->setContainsStart(start);
  p->setContainsEnd(end);
  return p;
}

class SelectionViewTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    view.reset();
    ui::Transaction::flush();
    fd::RunLoopDriver::reset();
  }
  Ref<DRTextSelectionView> view = rt::make<DRTextSelectionView>(gfx::RectMake(0, 0, 200, 100));
};

TEST_F(SelectionViewTest, StartsQuietAndOrdered) {
  EXPECT_FALSE(view->isUserInteractionEnabled());
  EXPECT_FALSE(view->clipsToBounds());
  EXPECT_TRUE(view->caretView()->isHidden());
  EXPECT_TRUE(view->startGrabber()->isHidden());
  EXPECT_TRUE(view->endGrabber()->isHidden());
  ASSERT_EQ(view->subviews().size(), 3u);
  EXPECT_EQ(view->subviews()[0], view->startGrabber());
  EXPECT_EQ(view->subviews()[1], view->endGrabber());
  EXPECT_EQ(view->subviews()[2], view->caretView());
  EXPECT_EQ(view->startGrabber()->dotDirection(), DRTextGrabberDirectionTop);
  EXPECT_EQ(view->endGrabber()->dotDirection(), DRTextGrabberDirectionBottom);
}

TEST_F(SelectionViewTest, CaretIsSolidAfterAMoveAndBlinksOnTheClock) {
  view->setCaretBlinks(true);
  view->setCaretRect(gfx::RectMake(50, 10, 0, 20));
  view->setCaretVisible(true);
  EXPECT_FALSE(view->caretView()->isHidden());
  EXPECT_EQ(view->caretView()->frame(), gfx::RectMake(49, 10, 2, 20));
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.55);  // started at 0.1, first blink at 0.6
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(view->caretView()->alpha(), 0);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(view->caretView()->alpha(), 0);

  // Moving the caret shows it solid again and blinking waits once more.
  view->setCaretRect(gfx::RectMake(60, 10, 0, 20));
  view->setCaretVisible(true);
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.55);
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(view->caretView()->alpha(), 0);

  // Off: solid and still.
  view->setCaretBlinks(false);
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(2);
  EXPECT_EQ(view->caretView()->alpha(), 1);
}

TEST_F(SelectionViewTest, BlinkingPausesOutsideTheDefaultMode) {
  view->setCaretBlinks(true);
  view->setCaretVisible(true);
  fd::RunLoopDriver::advance(0.2);
  fd::RunLoopDriver::advance(1.2, fd::UITrackingRunLoopMode);
  EXPECT_EQ(view->caretView()->alpha(), 1);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(view->caretView()->alpha(), 0);
}

TEST_F(SelectionViewTest, HiddenCaretDoesNotBlinkAndTheTimerNeverKeepsTheView) {
  view->setCaretBlinks(true);
  view->setCaretVisible(false);
  fd::RunLoopDriver::advance(2);
  EXPECT_TRUE(view->caretView()->isHidden());
  EXPECT_EQ(view->caretView()->alpha(), 1);

  view->setCaretVisible(true);
  fd::RunLoopDriver::advance(0.2);  // the blink timer runs
  Weak<DRTextSelectionView> watch = view;
  view.reset();
  fd::RunLoopDriver::advance(1);
  EXPECT_TRUE(watch.expired());
}

TEST_F(SelectionViewTest, PiecesBecomeTintedViewsAndEndsBecomeGrabbers) {
  view->setColor(gfx::Color::colorWithRed(0, 0.4, 1, 1));
  view->setSelectionRects({
      piece(gfx::RectMake(20, 10, 0, 20), true, false),
      piece(gfx::RectMake(20, 10, 160, 20)),
      piece(gfx::RectMake(0, 30, 0, 20)),  // no area: no view
      piece(gfx::RectMake(0, 30, 90.3, 20)),
      piece(gfx::RectMake(90.3, 30, 0, 20), false, true),
  });
  ASSERT_EQ(view->markViews().size(), 2u);
  EXPECT_EQ(view->markViews()[0]->frame(), gfx::RectMake(20, 10, 160, 20));
  double scale = base::DRMainScreenScale();
  EXPECT_DOUBLE_EQ(view->markViews()[1]->frame().size.width, std::round(90.3 * scale) / scale);
  for (const auto& m : view->markViews()) {
    EXPECT_DOUBLE_EQ(m->alpha(), DRTextSelectionView::kSelectionAlpha);
    EXPECT_TRUE(rt::equalObjects(m->backgroundColor().get(), view->color().get()));
  }
  // The tints lie under everything else.
  EXPECT_EQ(view->subviews()[0], view->markViews()[1]);
  EXPECT_EQ(view->subviews()[1], view->markViews()[0]);
  EXPECT_FALSE(view->startGrabber()->isHidden());
  EXPECT_FALSE(view->endGrabber()->isHidden());
  EXPECT_EQ(view->startGrabber()->frame(), gfx::RectMake(19, 10, 2, 20));
  EXPECT_DOUBLE_EQ(view->endGrabber()->frame().size.width, 2);
  EXPECT_EQ(view->selectionRects().size(), 5u);

  EXPECT_TRUE(view->isSelectionRectsContainsPoint({100, 20}));
  EXPECT_FALSE(view->isSelectionRectsContainsPoint({190, 45}));
  EXPECT_TRUE(view->isStartGrabberContainsPoint({20, 0}));  // above the bar, at its knob
  EXPECT_TRUE(view->isEndGrabberContainsPoint({90, 60}));
  EXPECT_TRUE(view->isGrabberContainsPoint({90, 60}));
  EXPECT_FALSE(view->isGrabberContainsPoint({150, 80}));

  // A new set replaces the old one entirely.
  view->setSelectionRects({piece(gfx::RectMake(5, 5, 10, 10))});
  EXPECT_EQ(view->markViews().size(), 1u);
  EXPECT_TRUE(view->startGrabber()->isHidden());
  EXPECT_TRUE(view->endGrabber()->isHidden());
  EXPECT_FALSE(view->isGrabberContainsPoint({20, 0}));
  view->setSelectionRects({});
  EXPECT_FALSE(view->isSelectionRectsContainsPoint({10, 10}));
  EXPECT_EQ(view->subviews().size(), 3u);
}

TEST_F(SelectionViewTest, CaretTouchesCountOnlyWhileItShows) {
  view->setCaretRect(gfx::RectMake(50, 10, 2, 20));
  EXPECT_FALSE(view->isCaretContainsPoint({51, 20}));
  view->setCaretVisible(true);
  EXPECT_TRUE(view->isCaretContainsPoint({51, 20}));
  EXPECT_TRUE(view->isCaretContainsPoint({36, 43.5}));
  EXPECT_FALSE(view->isCaretContainsPoint({37, 44}));  // the far edges lie outside
  EXPECT_FALSE(view->isCaretContainsPoint({35, 20}));
}

TEST_F(SelectionViewTest, VerticalFormMovesTheKnobsAndTurnsTheCaret) {
  view->setCaretRect(gfx::RectMake(10, 40, 20, 0));
  EXPECT_EQ(view->caretView()->frame().size.height, 0);
  view->setVerticalForm(true);
  EXPECT_EQ(view->caretView()->frame(), gfx::RectMake(10, 39, 20, 2));
  EXPECT_EQ(view->startGrabber()->dotDirection(), DRTextGrabberDirectionRight);
  EXPECT_EQ(view->endGrabber()->dotDirection(), DRTextGrabberDirectionLeft);
  view->setSelectionRects({piece(gfx::RectMake(40, 20, 20, 0), true), piece(gfx::RectMake(40, 60, 20, 0), false, true)});
  view->layoutIfNeeded();
  auto start = view->startGrabber();
  EXPECT_EQ(start->frame(), gfx::RectMake(40, 19, 20, 2));
  // The start knob sits on the bar's right end, the end knob on its left.
  EXPECT_EQ(start->dot()->frame().origin.x, 20 - 0.5);
  EXPECT_EQ(view->endGrabber()->dot()->frame().origin.x, 0.5 - DRSelectionGrabber::kDotSize);
}

TEST(SelectionGrabber, KnobAndMirrorShareColourAndRoundness) {
  auto grabber = rt::make<DRSelectionGrabber>(gfx::RectMake(0, 0, 2, 30));
  auto dot = grabber->dot();
  EXPECT_FALSE(dot->superview());
  grabber->setDotDirection(DRTextGrabberDirectionBottom);
  EXPECT_EQ(dot->superview(), grabber);
  EXPECT_EQ(dot->frame(), gfx::RectMake(-4, 29.5, 10, 10));
  auto colour = gfx::Color::colorWithRed(1, 0, 0, 1);
  grabber->setColor(colour);
  EXPECT_EQ(grabber->color(), colour);
  EXPECT_TRUE(rt::equalObjects(grabber->backgroundColor().get(), colour.get()));
  EXPECT_TRUE(rt::equalObjects(dot->mirror()->backgroundColor().get(), colour.get()));
  dot->setNeedsLayout();
  dot->layoutIfNeeded();
  EXPECT_DOUBLE_EQ(dot->layer()->cornerRadius(), 5);
  EXPECT_DOUBLE_EQ(dot->mirror()->layer()->cornerRadius(), 5);
  EXPECT_EQ(dot->mirror()->bounds().size, dot->bounds().size);
  EXPECT_FALSE(dot->mirror()->superview());
  EXPECT_FALSE(dot->isUserInteractionEnabled());
  // No side: the knob leaves and keeps its place.
  grabber->setDotDirection(5);
  EXPECT_FALSE(dot->superview());
  EXPECT_EQ(dot->frame().origin, gfx::PointMake(-4, 29.5));
}

}  // namespace
