#include "platform/ui/controllers/NavigationController.h"

#include <gtest/gtest.h>

#include "platform/runtime/Exception.h"
#include "platform/ui/input/TouchInput.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;

namespace {

class Recorder : public NavigationControllerDelegate {
 public:
  explicit Recorder(std::shared_ptr<Log> log) : log_(std::move(log)) {}
  void willShowViewController(NavigationController&, ViewController& vc, bool animated) override {
    log_->push_back("nav.willShow " + static_cast<RecordingController&>(vc).name() + (animated ? "*" : ""));
  }
  void didShowViewController(NavigationController&, ViewController& vc, bool animated) override {
    log_->push_back("nav.didShow " + static_cast<RecordingController&>(vc).name() + (animated ? "*" : ""));
  }

 private:
  std::shared_ptr<Log> log_;
};

class NavigationControllerTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    a = make("A");
    nav = rt::make<NavigationController>(a);
    recorder = std::make_shared<Recorder>(log);
    nav->setDelegate(recorder);
    show(nav);
  }
  Ref<RecordingController> a;
  Ref<NavigationController> nav;
  std::shared_ptr<Recorder> recorder;
};

}  // namespace

TEST_F(NavigationControllerTest, RootAppearsWithTheNavigationController) {
  auto fresh = make("R");
  auto other = rt::make<NavigationController>(fresh);
  EXPECT_EQ(take(), Log{});  // nothing loads before it is shown
  window->setRootViewController(other);
  EXPECT_EQ(take(), (Log{"A.willDisappear", "R.load", "R.willAppear", "A.didDisappear", "R.didAppear"}));
  EXPECT_EQ(fresh->navigationController(), other);
  EXPECT_EQ(other->topViewController(), fresh);
}

TEST_F(NavigationControllerTest, AnimatedPushAndPopSlideWithCallbacksInOrder) {
  auto b = make("B");
  nav->pushViewController(b, true);
  EXPECT_EQ(take(), (Log{"B.load", "A.willDisappear*", "B.willAppear*", "nav.willShow B*"}));
  EXPECT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_EQ(nav->topViewController(), b);
  EXPECT_EQ(b->navigationController(), nav);
  double w = window->bounds().size.width;
  fd::RunLoopDriver::advance(NavigationController::kTransitionDuration / 2);
  double x = b->view()->layer()->presentationLayer()->position().x;
  EXPECT_GT(x, w / 2);  // sliding in from the right
  EXPECT_LT(x, w * 1.5);
  EXPECT_EQ(take(), Log{});
  fd::RunLoopDriver::advance(NavigationController::kTransitionDuration);
  EXPECT_EQ(take(), (Log{"A.didDisappear*", "B.didAppear*", "nav.didShow B*"}));
  EXPECT_EQ(a->view()->superview(), nullptr);
  EXPECT_EQ(b->view()->frame().origin.x, 0);

  EXPECT_EQ(nav->popViewControllerAnimated(true), b);
  EXPECT_EQ(take(), (Log{"B.willDisappear*", "A.willAppear*", "nav.willShow A*"}));
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  fd::RunLoopDriver::advance(NavigationController::kTransitionDuration + 0.01);
  EXPECT_EQ(take(), (Log{"B.didDisappear*", "A.didAppear*", "nav.didShow A*"}));
  EXPECT_EQ(b->view()->superview(), nullptr);
  EXPECT_EQ(b->parentViewController(), nullptr);
  EXPECT_EQ(a->view()->frame().origin.x, 0);
}

TEST_F(NavigationControllerTest, UnanimatedChangesAreImmediate) {
  auto b = make("B"), c = make("C");
  nav->pushViewController(b, false);
  nav->pushViewController(c, false);
  take();
  EXPECT_EQ(nav->popToRootViewControllerAnimated(false), (std::vector<Ref<ViewController>>{b, c}));
  // The screen in the middle never showed during the pop.
  EXPECT_EQ(take(), (Log{"C.willDisappear", "A.willAppear", "nav.willShow A", "C.didDisappear", "A.didAppear",
                         "nav.didShow A"}));
  EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr);
  EXPECT_TRUE(nav->popToRootViewControllerAnimated(false).empty());
  EXPECT_EQ(take(), Log{});
}

TEST_F(NavigationControllerTest, APushDuringAnAnimationFinishesTheFirstAtOnce) {
  auto b = make("B"), c = make("C");
  nav->pushViewController(b, true);
  take();
  nav->pushViewController(c, true);
  EXPECT_EQ(take(), (Log{"A.didDisappear*", "B.didAppear*", "nav.didShow B*", "C.load", "B.willDisappear*",
                         "C.willAppear*", "nav.willShow C*"}));
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(take(), (Log{"B.didDisappear*", "C.didAppear*", "nav.didShow C*"}));
  EXPECT_EQ(nav->view()->subviews().size(), 2u);  // the bar and C's view
}

TEST_F(NavigationControllerTest, StackMisuseRaises) {
  auto b = make("B");
  nav->pushViewController(b, false);
  EXPECT_THROW(nav->pushViewController(b, false), rt::Exception);
  EXPECT_THROW(nav->pushViewController(nullptr, false), rt::Exception);
  EXPECT_THROW(nav->pushViewController(rt::make<NavigationController>(), false), rt::Exception);
  EXPECT_THROW(nav->popToViewController(make("X"), false), rt::Exception);
  EXPECT_EQ(nav->viewControllers(), (std::vector<Ref<ViewController>>{a, b}));
}

TEST_F(NavigationControllerTest, SetViewControllersShowsTheNewTop) {
  auto b = make("B"), c = make("C");
  nav->setViewControllers({b, c}, false);
  EXPECT_EQ(take(), (Log{"C.load", "A.willDisappear", "C.willAppear", "nav.willShow C", "A.didDisappear",
                         "C.didAppear", "nav.didShow C"}));
  EXPECT_EQ(a->parentViewController(), nullptr);
  EXPECT_EQ(b->parentViewController(), nav);
  EXPECT_FALSE(b->isViewLoaded());
  EXPECT_EQ(nav->navigationBar()->backItem(), b->navigationItem());
}

TEST_F(NavigationControllerTest, BarSitsUnderTheStatusBarAndGuidesTheContent) {
  auto bar = nav->navigationBar();
  EXPECT_EQ(bar->frame(), gfx::RectMake(0, 20, 375, 44));
  EXPECT_EQ(a->view()->frame(), nav->view()->bounds());
  EXPECT_EQ(a->topLayoutGuideLength(), 64);
  EXPECT_EQ(a->bottomLayoutGuideLength(), 0);

  auto below = make("B");
  below->setEdgesForExtendedLayout(RectEdgeNone);
  nav->pushViewController(below, false);
  EXPECT_EQ(below->view()->frame(), gfx::RectMake(0, 64, 375, 667 - 64));
  EXPECT_EQ(below->topLayoutGuideLength(), 0);

  nav->setNavigationBarHidden(true);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(below->view()->frame(), nav->view()->bounds());
  EXPECT_EQ(below->topLayoutGuideLength(), 20);
}

TEST_F(NavigationControllerTest, BarShowsTheTopItemAndItsBackButtonPops) {
  a->setTitle(rt::String("News"));
  auto b = make("B");
  b->setTitle(rt::String("Article"));
  nav->pushViewController(b, false);
  nav->view()->layoutIfNeeded();
  auto bar = nav->navigationBar();
  EXPECT_EQ(bar->topItem(), b->navigationItem());
  EXPECT_EQ(bar->titleLabel()->text(), rt::String("Article"));
  ASSERT_TRUE(bar->backButton());
  EXPECT_EQ(bar->backButton()->currentTitle(), rt::String("News"));
  b->navigationItem()->setTitle(rt::String("Changed"));
  nav->view()->layoutIfNeeded();
  EXPECT_EQ(bar->titleLabel()->text(), rt::String("Changed"));

  take();
  gfx::Rect r = bar->backButton()->convertRectToView(bar->backButton()->bounds(), nullptr);
  TouchInput(window).tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
  EXPECT_EQ(nav->topViewController(), a);
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(take(), (Log{"B.willDisappear*", "A.willAppear*", "nav.willShow A*", "B.didDisappear*", "A.didAppear*",
                         "nav.didShow A*"}));
}

TEST_F(NavigationControllerTest, BarButtonItemsSendTheirActionsOnATap) {
  int called = 0;
  auto item = rt::make<BarButtonItem>(rt::String("Edit"), BarButtonItemStyle::Plain, nullptr, rt::Selector());
  item->setActionHandler([&](BarButtonItem& sender) {
    EXPECT_EQ(&sender, item.get());
    ++called;
  });
  auto custom = rt::make<View>(gfx::RectMake(0, 0, 44, 44));
  a->navigationItem()->setRightBarButtonItem(item);
  a->navigationItem()->setLeftBarButtonItem(rt::make<BarButtonItem>(custom));
  nav->view()->layoutIfNeeded();
  auto bar = nav->navigationBar();
  EXPECT_EQ(bar->leftView(), custom);
  EXPECT_EQ(custom->frame(), gfx::RectMake(8, 0, 44, 44));
  auto right = bar->rightView();
  ASSERT_TRUE(right);
  gfx::Rect r = right->convertRectToView(right->bounds(), nullptr);
  EXPECT_GT(r.size.width, 20);
  EXPECT_LT(r.size.width, 100);
  EXPECT_NEAR(r.origin.x + r.size.width, 375 - 8, 1e-9);
  TouchInput(window).tap({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
  EXPECT_EQ(called, 1);
}

TEST_F(NavigationControllerTest, EdgePanPopsPastHalfwayAndSpringsBackOtherwise) {
  auto b = make("B");
  nav->pushViewController(b, false);
  take();
  TouchInput input(window);
  input.drag({5, 300}, {100, 300}, 0.5, 10);  // slow and short: stays
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(nav->topViewController(), b);
  EXPECT_EQ(take(), (Log{"B.willDisappear*", "A.willAppear*", "nav.willShow A*", "A.willDisappear*",
                         "B.willAppear*", "A.didDisappear*", "B.didAppear*"}));
  EXPECT_EQ(b->view()->frame().origin.x, 0);
  EXPECT_EQ(a->view()->superview(), nullptr);

  input.drag({100, 300}, {300, 300}, 0.5, 10);  // not from the edge
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(nav->topViewController(), b);

  input.drag({5, 300}, {300, 300}, 0.5, 10);
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(nav->topViewController(), a);
  EXPECT_EQ(take(), (Log{"B.willDisappear*", "A.willAppear*", "nav.willShow A*", "B.didDisappear*", "A.didAppear*",
                         "nav.didShow A*"}));
  EXPECT_EQ(b->parentViewController(), nullptr);

  // Without a visible bar the gesture does not start.
  nav->pushViewController(b, false);
  nav->setNavigationBarHidden(true);
  input.drag({5, 300}, {300, 300}, 0.5, 10);
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(nav->topViewController(), b);
}

TEST_F(NavigationControllerTest, StatusBarStyleComesFromTheTopScreen) {
  auto app = Application::sharedApplication();
  auto light = make("L");
  light->style = StatusBarStyle::LightContent;
  nav->pushViewController(light, true);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::LightContent);
  EXPECT_EQ(nav->preferredStatusBarStyle(), StatusBarStyle::LightContent);
  nav->popViewControllerAnimated(false);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);
}
