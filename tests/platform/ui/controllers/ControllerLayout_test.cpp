// What controllers do around their view's layout: the will/did-layout calls, the scroll view
// insets under the bars, and the tab bar hidden for a pushed controller that asks.
#include <gtest/gtest.h>

#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/lists/ScrollView.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;

namespace {

class LoggingView : public View {
 public:
  void layoutSubviews() override { log->push_back("layoutSubviews"); }
  std::shared_ptr<Log> log;
};

class LayoutController : public ViewController {
 public:
  void init(std::shared_ptr<Log> l) { log = std::move(l); }
  void loadView() override {
    auto v = rt::make<LoggingView>(Screen::mainScreen()->bounds());
    v->log = log;
    setView(v);
  }
  void viewWillLayoutSubviews() override { log->push_back("will"); }
  void viewDidLayoutSubviews() override { log->push_back("did"); }
  std::shared_ptr<Log> log;
};

class ScrollController : public ViewController {
 public:
  void loadView() override {
    scroll = rt::make<ScrollView>(Screen::mainScreen()->bounds());
    scroll->setContentSize({375, 2000});
    setView(scroll);
  }
  Ref<ScrollView> scroll;
};

class ControllerLayoutTest : public ControllerTest {};

TEST_F(ControllerLayoutTest, LayoutHooksRunOnceAroundEachLayoutPass) {
  auto vc = rt::make<LayoutController>(log);
  show(vc);
  window->layoutIfNeeded();
  take();
  const Log once{"will", "layoutSubviews", "did"};
  // Asked through the view, and through the layer tree as a frame commit does.
  vc->view()->setNeedsLayout();
  vc->view()->layoutIfNeeded();
  EXPECT_EQ(take(), once);
  vc->view()->setFrame(gfx::RectMake(0, 0, 300, 500));
  Transaction::flush();
  window->layer()->layoutIfNeeded();
  EXPECT_EQ(take(), once);
  window->layoutIfNeeded();
  EXPECT_EQ(take(), Log{}) << "nothing to lay out, nothing called";
}

TEST_F(ControllerLayoutTest, ScrollViewsUnderTheBarsGetTheirOverlapAsInsets) {
  for (bool adjusts : {true, false}) {
    auto list = rt::make<ScrollController>();
    list->setAutomaticallyAdjustsScrollViewInsets(adjusts);
    auto tabs = rt::make<TabBarController>();
    tabs->setViewControllers({rt::make<NavigationController>(list)});
    show(tabs);
    for (int pass = 0; pass < 2; ++pass) {
      list->view()->setNeedsLayout();
      window->layoutIfNeeded();
    }
    auto scroll = list->scroll;
    EXPECT_EQ(scroll->View::frame(), Screen::mainScreen()->bounds()) << "the list runs under both bars";
    gfx::EdgeInsets expected = adjusts ? gfx::EdgeInsets{64, 0, 49, 0} : gfx::EdgeInsets{};
    EXPECT_EQ(scroll->contentInset(), expected) << "adjusts " << adjusts;
    EXPECT_EQ(scroll->scrollIndicatorInsets(), expected);
    EXPECT_EQ(scroll->contentOffset().y, -expected.top) << "the first row shows below the navigation bar";
  }
}

TEST_F(ControllerLayoutTest, APushedControllerThatAsksHidesTheTabBarUntilPoppedOff) {
  auto root = make("R"), detail = make("D"), plain = make("P");
  detail->setHidesBottomBarWhenPushed(true);
  auto nav = rt::make<NavigationController>(root);
  auto tabs = rt::make<TabBarController>();
  tabs->setViewControllers({nav});
  show(tabs);
  auto bar = tabs->tabBar();
  EXPECT_FALSE(bar->isHidden());
  nav->pushViewController(detail, false);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(detail->view()->frame(), Screen::mainScreen()->bounds()) << "the screen takes the bar's place";
  EXPECT_EQ(detail->bottomLayoutGuideLength(), 0);
  nav->pushViewController(plain, false);
  EXPECT_TRUE(bar->isHidden()) << "a screen above one that hides keeps it hidden";
  nav->popToRootViewControllerAnimated(false);
  EXPECT_FALSE(bar->isHidden());
  EXPECT_EQ(root->bottomLayoutGuideLength(), 49);

  // A bar the application hid itself stays as it left it.
  bar->setHidden(true);
  nav->pushViewController(plain, false);
  nav->popViewControllerAnimated(false);
  EXPECT_TRUE(bar->isHidden());
}

}  // namespace
