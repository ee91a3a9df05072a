#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/lists/RefreshControl.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

class RefreshControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    scroll = rt::make<ScrollView>(gfx::RectMake(0, 0, 320, 480));
    scroll->setContentSize({320, 300});  // shorter than the view: pulling needs the bounce flag
    scroll->setContentInset(gfx::EdgeInsetsMake(64, 0, 0, 0));
    scroll->setContentOffset({0, -64});
    scroll->addSubview(rt::make<View>(gfx::RectMake(0, 0, 320, 44)));
    window->addSubview(scroll);
    control = rt::make<RefreshControl>();
    control->addTarget(nullptr, [this](Control&, Event*) { ++fired; }, ControlEventValueChanged);
    scroll->addSubview(control);
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  void settle() {
    for (int i = 0; i < 300 && (scroll->isDecelerating() || scroll->isScrollAnimating()); ++i)
      fd::RunLoopDriver::advance(1.0 / 60);
  }
  Ref<Window> window;
  Ref<ScrollView> scroll;
  Ref<RefreshControl> control;
  int fired = 0;
};

}  // namespace

TEST_F(RefreshControlTest, SitsAboveTheContentBeneathTheRows) {
  EXPECT_EQ(control->frame(), gfx::RectMake(0, -RefreshControl::kHeight, 320, RefreshControl::kHeight));
  EXPECT_EQ(scroll->subviews().front().get(), control.get());
  EXPECT_TRUE(scroll->alwaysBounceVertical());
  EXPECT_EQ(control->alpha(), 0);
  EXPECT_FALSE(control->isRefreshing());
}

TEST_F(RefreshControlTest, PullingFarEnoughStartsARefreshOnceAndKeepsItRevealed) {
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 40});
  EXPECT_GT(control->alpha(), 0);
  EXPECT_LT(control->alpha(), 1);
  EXPECT_FALSE(control->isRefreshing());
  scroll->simulateDragChanged({0, 400});
  EXPECT_TRUE(control->isRefreshing());
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(scroll->contentInset().top, 64 + RefreshControl::kHeight);
  EXPECT_TRUE(control->activityIndicator()->isAnimating());
  scroll->simulateDragChanged({0, 420});
  EXPECT_EQ(fired, 1);
  scroll->simulateDragEnded({0, 0});
  settle();
  // Bounced back to the top of the widened inset: the strip stays in sight.
  EXPECT_EQ(scroll->contentOffset().y, -64 - RefreshControl::kHeight);

  control->endRefreshing();
  EXPECT_FALSE(control->isRefreshing());
  EXPECT_FALSE(control->activityIndicator()->isAnimating());
  EXPECT_EQ(scroll->contentInset().top, 64);
  settle();
  EXPECT_EQ(scroll->contentOffset().y, -64);
  EXPECT_EQ(control->alpha(), 0);
  EXPECT_EQ(fired, 1);
}

TEST_F(RefreshControlTest, ShortPullDoesNothing) {
  scroll->simulateDragBegan();
  scroll->simulateDragChanged({0, 60});
  scroll->simulateDragEnded({0, 0});
  settle();
  EXPECT_FALSE(control->isRefreshing());
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(scroll->contentInset().top, 64);
}

TEST_F(RefreshControlTest, BeginAndEndFromCodeSendNoAction) {
  control->beginRefreshing();
  control->beginRefreshing();
  EXPECT_TRUE(control->isRefreshing());
  EXPECT_EQ(scroll->contentInset().top, 64 + RefreshControl::kHeight);
  EXPECT_EQ(control->alpha(), 1);
  control->endRefreshing();
  control->endRefreshing();
  EXPECT_EQ(scroll->contentInset().top, 64);
  EXPECT_EQ(fired, 0);
  // Removed while refreshing, it gives the inset back.
  control->beginRefreshing();
  control->removeFromSuperview();
  EXPECT_EQ(scroll->contentInset().top, 64);
  EXPECT_TRUE(control->isRefreshing());
}
