#include "platform/ui/view/ViewAnimation.h"

#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/MediaTimingFunction.h"
#include "platform/ui/view/View.h"

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
  // From x 50 to 250: a damping of 0.3 carries the view past the target before it settles.
  double furthest = 0;
  for (int frame = 0; frame < 42; ++frame) {
    fd::RunLoopDriver::advance(1.0 / 60);
    furthest = std::max(furthest, view->layer()->presentationLayer()->position().x);
  }
  EXPECT_GT(furthest, 260);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(finished.value_or(false));
  EXPECT_EQ(view->layer()->presentationLayer()->position().x, 250);
}

TEST(SpringTiming, DampingAndVelocityShapeTheCurve) {
  struct Case {
    const char* name;
    double damping, velocity;
    double minValue, maxValue;  // the range the curve covers over the duration
  };
  const Case cases[] = {
      {"critical: no overshoot", 1.0, 0, 0, 1},
      {"light damping overshoots", 0.3, 0.3, 0, 1.4},
      {"negative velocity backs off first", 0.5, -20, -0.6, 1.3},
  };
  for (const auto& c : cases) {
    auto f = MediaTimingFunction::springFunction(c.damping, c.velocity);
    double lo = 1, hi = 0;
    for (int i = 0; i <= 1000; ++i) {
      double v = f->evaluate(i / 1000.0);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    EXPECT_EQ(f->evaluate(0), 0) << c.name;
    EXPECT_EQ(f->evaluate(1), 1) << c.name;
    EXPECT_NEAR(f->evaluate(0.97), 1, 0.01) << c.name;  // settled before the time is up
    EXPECT_GE(lo, c.minValue - 1e-9) << c.name;
    EXPECT_LE(hi, c.maxValue + 1e-9) << c.name;
    if (c.damping < 1) {
      EXPECT_GT(hi, 1.01) << c.name;
    }
    if (c.velocity < 0) {
      EXPECT_LT(lo, -0.05) << c.name;
    }
  }
}
