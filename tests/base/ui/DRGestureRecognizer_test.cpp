#include <gtest/gtest.h>

#include "base/ui/DRGestureRecognizer.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

namespace base {
namespace {

class DRGestureRecognizerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    view = rt::make<ui::View>(gfx::RectMake(20, 20, 200, 200));
    window->addSubview(view);
    recognizer = rt::make<DRGestureRecognizer>();
    recognizer->setAction([this](DRGestureRecognizer& g, DRGestureRecognizerState phase) {
      phases.push_back(phase);
      if (phase == DRGestureRecognizerStateMoved) lastDuringMove.push_back(g.lastPoint());
    });
    view->addGestureRecognizer(recognizer);
  }
  void TearDown() override {
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<ui::Window> window;
  Ref<ui::View> view;
  Ref<DRGestureRecognizer> recognizer;
  std::vector<DRGestureRecognizerState> phases;
  std::vector<gfx::Point> lastDuringMove;
};

TEST_F(DRGestureRecognizerTest, TapGivesBeganThenEndedWithItsPoints) {
  ui::TouchInput(window).tap({50, 60});
  EXPECT_EQ(phases, (std::vector<DRGestureRecognizerState>{DRGestureRecognizerStateBegan, DRGestureRecognizerStateEnded}));
  EXPECT_EQ(recognizer->startPoint(), gfx::PointMake(30, 40));
  EXPECT_EQ(recognizer->currentPoint(), gfx::PointMake(30, 40));
  EXPECT_EQ(recognizer->lastPoint(), gfx::PointMake(0, 0));  // the current point the previous gesture left
}

TEST_F(DRGestureRecognizerTest, DragMovesThePointsAndCancelStopsIt) {
  ui::TouchInput(window).drag({50, 50}, {90, 50}, 0.2, 4);
  ASSERT_GE(phases.size(), 3u);
  EXPECT_EQ(phases.front(), DRGestureRecognizerStateBegan);
  EXPECT_EQ(phases.back(), DRGestureRecognizerStateEnded);
  EXPECT_EQ(recognizer->startPoint(), gfx::PointMake(30, 30));
  EXPECT_EQ(recognizer->currentPoint(), gfx::PointMake(70, 30));
  // While moving, the last point is the previous event's; the first move still sees what the
  // gesture before left.
  ASSERT_GE(lastDuringMove.size(), 2u);
  EXPECT_EQ(lastDuringMove[0], gfx::PointMake(0, 0));
  EXPECT_EQ(lastDuringMove[1].y, 30);
  EXPECT_GT(lastDuringMove[1].x, 30);

  phases.clear();
  recognizer->cancel();  // nothing under way
  EXPECT_TRUE(phases.empty());
  ui::TouchInput input(window);
  auto touch = input.down({60, 60});
  input.move(touch, {70, 70});
  recognizer->cancel();
  EXPECT_EQ(phases.back(), DRGestureRecognizerStateCancelled);
  EXPECT_EQ(std::count(phases.begin(), phases.end(), DRGestureRecognizerStateCancelled), 1);
  input.up(touch);
}

}  // namespace
}  // namespace base
