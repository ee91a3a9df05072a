#include "platform/ui/controllers/ViewController.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/runtime/Exception.h"
#include "platform/ui/controls/Label.h"
#include "tests/platform/ui/controllers/ViewControllerRecorder.h"

using namespace ui;
using namespace ui::testing;

namespace {

class ViewControllerTest : public ControllerTest {};

class LabelController : public ViewController {
 public:
  void loadView() override {
    loaded++;
    setView(rt::make<Label>(gfx::RectMake(0, 0, 10, 10)));
  }
  void viewDidLoad() override { didLoadSawView = isViewLoaded(); }
  int loaded = 0;
  bool didLoadSawView = false;
};

}  // namespace

TEST_F(ViewControllerTest, ViewLoadsOnceOnFirstAccess) {
  auto vc = rt::make<LabelController>();
  EXPECT_FALSE(vc->isViewLoaded());
  auto v = vc->view();
  EXPECT_TRUE(rt::as<Label>(v) != nullptr);
  EXPECT_TRUE(vc->didLoadSawView);
  EXPECT_EQ(vc->view(), v);
  EXPECT_EQ(vc->loaded, 1);
  EXPECT_EQ(v->viewController(), vc);
  EXPECT_EQ(v->nextResponder(), vc);

  auto plain = rt::make<ViewController>();
  EXPECT_EQ(plain->view()->frame(), Screen::mainScreen()->bounds());
  EXPECT_EQ(plain->getClass()->name(), rt::String("UIViewController"));
}

TEST_F(ViewControllerTest, RootAppearsAndDisappearsWithTheWindow) {
  auto a = make("A");
  window->setRootViewController(a);
  EXPECT_EQ(window->rootController(), a);
  EXPECT_EQ(a->view()->superview(), window);
  EXPECT_EQ(take(), (Log{"A.load"}));  // a hidden window shows nothing yet
  window->makeKeyAndVisible();
  EXPECT_EQ(take(), (Log{"A.willAppear", "A.didAppear"}));
  window->setHidden(true);
  EXPECT_EQ(take(), (Log{"A.willDisappear", "A.didDisappear"}));
  window->setHidden(false);
  auto b = make("B");
  window->setRootViewController(b);
  EXPECT_EQ(take(), (Log{"A.willAppear", "A.didAppear", "A.willDisappear", "B.load", "B.willAppear",
                         "A.didDisappear", "B.didAppear"}));
  EXPECT_EQ(a->view()->superview(), nullptr);
}

TEST_F(ViewControllerTest, PresentAndDismissSlideWithCallbacksInOrder) {
  auto a = make("A"), b = make("B");
  show(a);
  bool presented = false;
  a->presentViewController(b, true, [&] { presented = true; });
  EXPECT_EQ(take(), (Log{"B.load", "A.willDisappear*", "B.willAppear*"}));
  EXPECT_TRUE(b->isBeingPresented());
  EXPECT_EQ(a->presentedViewController(), b);
  EXPECT_EQ(b->presentingViewController(), a);
  EXPECT_EQ(b->view()->superview(), window);

  fd::RunLoopDriver::advance(ViewController::kPresentationDuration / 2);
  double y = b->view()->layer()->presentationLayer()->position().y;
  EXPECT_GT(y, window->bounds().size.height / 2);  // still on its way up
  EXPECT_LT(y, window->bounds().size.height * 1.5);
  EXPECT_FALSE(presented);
  fd::RunLoopDriver::advance(ViewController::kPresentationDuration);
  EXPECT_TRUE(presented);
  EXPECT_EQ(take(), (Log{"A.didDisappear*", "B.didAppear*"}));
  EXPECT_EQ(b->view()->frame(), window->bounds());
  EXPECT_EQ(a->view()->superview(), nullptr);  // covered screens leave the window

  bool dismissed = false;
  b->dismissViewControllerAnimated(true, [&] { dismissed = true; });
  EXPECT_EQ(take(), (Log{"B.willDisappear*", "A.willAppear*"}));
  EXPECT_EQ(a->view()->superview(), window);
  EXPECT_EQ(window->subviews().front(), a->view());
  fd::RunLoopDriver::advance(ViewController::kPresentationDuration + 0.01);
  EXPECT_TRUE(dismissed);
  EXPECT_EQ(take(), (Log{"B.didDisappear*", "A.didAppear*"}));
  EXPECT_EQ(b->view()->superview(), nullptr);
  EXPECT_EQ(a->presentedViewController(), nullptr);
  EXPECT_EQ(b->presentingViewController(), nullptr);
}

TEST_F(ViewControllerTest, UnanimatedPresentationCompletesAtOnce) {
  auto a = make("A"), b = make("B");
  show(a);
  int done = 0;
  a->presentViewController(b, false, [&] { ++done; });
  EXPECT_EQ(done, 1);
  EXPECT_EQ(take(), (Log{"B.load", "A.willDisappear", "B.willAppear", "A.didDisappear", "B.didAppear"}));
  a->dismissViewControllerAnimated(false, [&] { ++done; });
  EXPECT_EQ(done, 2);
  EXPECT_EQ(take(), (Log{"B.willDisappear", "A.willAppear", "B.didDisappear", "A.didAppear"}));
}

TEST_F(ViewControllerTest, DismissingFromTheBottomRemovesTheWholeChain) {
  auto a = make("A"), b = make("B"), c = make("C");
  show(a);
  a->presentViewController(b, false);
  b->presentViewController(c, false);
  take();
  EXPECT_EQ(b->view()->superview(), nullptr);
  a->dismissViewControllerAnimated(false);
  // Only the front-most screen and the one revealed hear about it.
  EXPECT_EQ(take(), (Log{"C.willDisappear", "A.willAppear", "C.didDisappear", "A.didAppear"}));
  EXPECT_EQ(a->presentedViewController(), nullptr);
  EXPECT_EQ(b->presentedViewController(), nullptr);
  EXPECT_EQ(c->view()->superview(), nullptr);
  EXPECT_EQ(window->subviews().size(), 1u);
}

TEST_F(ViewControllerTest, PresentationsThatCannotHappenAreRefusedOrIgnored) {
  auto a = make("A"), b = make("B"), c = make("C");
  EXPECT_THROW(a->presentViewController(nullptr, false), rt::Exception);
  int completions = 0;
  a->presentViewController(b, false, [&] { ++completions; });  // A is in no window
  EXPECT_EQ(a->presentedViewController(), nullptr);
  show(a);
  a->presentViewController(b, true, [&] { ++completions; });
  a->presentViewController(c, false, [&] { ++completions; });  // busy presenting B
  EXPECT_EQ(a->presentedViewController(), b);
  EXPECT_THROW(c->presentViewController(b, false), rt::Exception);  // B is already presented
  fd::RunLoopDriver::advance(1);
  EXPECT_EQ(completions, 1);
  c->dismissViewControllerAnimated(false, [&] { ++completions; });  // C presents nothing
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(a->presentedViewController(), b);
}

TEST_F(ViewControllerTest, LandscapeOnlyScreensArePresentedRotated) {
  auto a = make("A"), player = make("P");
  player->orientations = InterfaceOrientationMaskLandscape;
  player->preferred = InterfaceOrientation::LandscapeRight;
  show(a);
  a->presentViewController(player, false);
  auto app = Application::sharedApplication();
  gfx::Size screen = window->bounds().size;
  EXPECT_EQ(app->statusBarOrientation(), InterfaceOrientation::LandscapeRight);
  EXPECT_EQ(player->view()->bounds().size, (gfx::Size{screen.height, screen.width}));
  EXPECT_EQ(player->view()->frame(), window->bounds());
  // Its top left is at the screen's top right.
  EXPECT_EQ(player->view()->convertPointToView({0, 0}, nullptr), (gfx::Point{screen.width, 0}));
  a->dismissViewControllerAnimated(false);
  EXPECT_EQ(app->statusBarOrientation(), InterfaceOrientation::Portrait);
}

TEST_F(ViewControllerTest, StatusBarFollowsTheFrontMostScreen) {
  auto app = Application::sharedApplication();
  auto a = make("A"), b = make("B");
  b->style = StatusBarStyle::LightContent;
  b->statusBarHidden = true;
  show(a);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);
  a->presentViewController(b, true);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);  // not until it is up
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::LightContent);
  EXPECT_TRUE(app->isStatusBarHidden());
  b->style = StatusBarStyle::Default;
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::LightContent);
  b->setNeedsStatusBarAppearanceUpdate();
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);
  b->style = StatusBarStyle::LightContent;
  a->dismissViewControllerAnimated(false);
  EXPECT_EQ(app->statusBarStyle(), StatusBarStyle::Default);
  EXPECT_FALSE(app->isStatusBarHidden());
}

TEST_F(ViewControllerTest, ChildrenFollowTheirParentsAppearance) {
  auto parent = make("P"), child = make("C"), hiddenChild = make("H");
  parent->addChildViewController(child);
  parent->view()->addSubview(child->view());
  child->didMoveToParentViewController(parent.get());
  parent->addChildViewController(hiddenChild);  // its view is not in the parent's view
  take();
  EXPECT_EQ(child->parentViewController(), parent);
  EXPECT_EQ(parent->childViewControllers().size(), 2u);
  show(parent);
  window->setHidden(true);
  EXPECT_EQ(take(), (Log{"P.willDisappear", "C.willDisappear", "P.didDisappear", "C.didDisappear"}));
  child->removeFromParentViewController();
  EXPECT_EQ(child->parentViewController(), nullptr);
  EXPECT_EQ(parent->childViewControllers().size(), 1u);
}

TEST_F(ViewControllerTest, TitleReachesTheItems) {
  auto vc = make("A");
  vc->setTitle(rt::String("Home"));
  EXPECT_EQ(vc->navigationItem()->title(), rt::String("Home"));
  EXPECT_EQ(vc->tabBarItem()->title(), rt::String("Home"));
  vc->setTitle(rt::String("Later"));
  EXPECT_EQ(vc->tabBarItem()->title(), rt::String("Later"));
  EXPECT_EQ(vc->valueForKey(rt::String("title"))->description(), rt::String("Later"));
}
