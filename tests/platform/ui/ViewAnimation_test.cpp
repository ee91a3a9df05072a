#include "platform/ui/ViewAnimation.h"

#include <gtest/gtest.h>

#include "platform/foundation/RunLoopDriver.h"
#include "platform/ui/Application.h"
#include "platform/ui/View.h"

using namespace ui;

namespace {
class ViewAnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    view = rt::make<View>(gfx::RectMake(0, 0, 100, 100));
  }
  void TearDown() override {
    view.reset();
    fd::RunLoopDriver::reset();
  }
  double presentedAlpha() { return view->layer()->presentationLayer()->opacity(); }
  Ref<View> view;
};
}  // namespace

TEST_F(ViewAnimationTest, ModelChangesAtOncePresentationFollowsTheClock) {
  std::optional<bool> finished;
  ViewAnimation::animate(0.5, 0, ViewAnimationOptionCurveLinear, [&] { view->setAlpha(0); },
                         [&](bool f) { finished = f; });
  EXPECT_EQ(view->alpha(), 0);
  fd::RunLoopDriver::advance(0.25);
  EXPECT_NEAR(presentedAlpha(), 0.5, 0.05);
  EXPECT_FALSE(finished.has_value());
  fd::RunLoopDriver::advance(0.3);
  ASSERT_TRUE(finished.has_value());
  EXPECT_TRUE(*finished);
  EXPECT_EQ(presentedAlpha(), 0);
}

TEST_F(ViewAnimationTest, ALaterAnimationFromCurrentStateInterruptsTheFirst) {
  std::vector<std::pair<int, bool>> done;
  ViewAnimation::animate(0.3, 0, 0, [&] { view->setAlpha(0); }, [&](bool f) { done.push_back({1, f}); });
  fd::RunLoopDriver::advance(0.1);
  ViewAnimation::animate(0.3, 0, ViewAnimationOptionBeginFromCurrentState, [&] { view->setAlpha(1); },
                         [&](bool f) { done.push_back({2, f}); });
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(done, (std::vector<std::pair<int, bool>>{{1, false}, {2, true}}));
}

TEST_F(ViewAnimationTest, FrameAndTransformAnimateWithADelay) {
  std::optional<bool> finished;
  ViewAnimation::animate(0.2, 0.1, ViewAnimationOptionCurveLinear, [&] {
    view->setCenter({150, 50});
    view->setTransform(gfx::AffineTransformMakeScale(2, 2));
  }, [&](bool f) { finished = f; });
  EXPECT_EQ(view->center(), gfx::PointMake(150, 50));
  fd::RunLoopDriver::advance(0.05);
  EXPECT_NEAR(view->layer()->presentationLayer()->position().x, 50, 1e-6);
  fd::RunLoopDriver::advance(0.15);
  EXPECT_NEAR(view->layer()->presentationLayer()->position().x, 100, 2);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_TRUE(finished.value_or(false));
}

TEST_F(ViewAnimationTest, CompletionWaitsEvenWithoutAnimatableChanges) {
  std::optional<bool> finished;
  ViewAnimation::animate(0.3, [&] { view->setTag(4); }, [&](bool f) { finished = f; });
  EXPECT_EQ(view->tag(), 4);
  fd::RunLoopDriver::advance(0.2);
  EXPECT_FALSE(finished.has_value());
  fd::RunLoopDriver::advance(0.2);
  EXPECT_TRUE(finished.value_or(false));
}

TEST_F(ViewAnimationTest, WithoutAnimationAndOutsideBlocksNothingAnimates) {
  view->setAlpha(0.5);
  EXPECT_FALSE(view->layer()->hasAnimations());
  ViewAnimation::animate(0.3, [&] {
    ViewAnimation::performWithoutAnimation([&] { view->setAlpha(0.2); });
  });
  EXPECT_FALSE(view->layer()->hasAnimations());
  EXPECT_EQ(presentedAlpha(), 0.2);
  // Nested blocks: the inner block's own duration applies to its changes.
  std::optional<bool> inner;
  ViewAnimation::animate(1.0, [&] {
    ViewAnimation::animate(0.1, [&] { view->setAlpha(1); }, [&](bool f) { inner = f; });
  });
  fd::RunLoopDriver::advance(0.15);
  EXPECT_TRUE(inner.value_or(false));
}

TEST_F(ViewAnimationTest, SpringsSettleOnTheTargetAndComplete) {
  std::optional<bool> finished;
  ViewAnimation::animateWithSpring(0.7, 0, 0.3, 0.3, ViewAnimationOptionBeginFromCurrentState,
                                   [&] { view->setCenter({250, 50}); }, [&](bool f) { finished = f; });
  fd::RunLoopDriver::advance(0.8);
  EXPECT_TRUE(finished.value_or(false));
  EXPECT_EQ(view->layer()->presentationLayer()->position().x, 250);
}
