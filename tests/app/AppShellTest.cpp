// The application driven for real through the headless host: the sample service on
// 127.0.0.1, the main loop on a virtual clock, input through hit testing.
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/screens/KDHomeViewController.h"
#include "app/screens/KDPhotoCollectionViewController.h"
#include "app/screens/KDShadowViewController.h"
#include "app/screens/KDTourismViewController.h"
#include "app/screens/KDWelcomeViewController.h"
#include "app/shell/KDTabBarController.h"
#include "app/shell/QPNavigationController.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/controllers/TabBar.h"
#include "platform/ui/controllers/TabBarItem.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/host/HostWindow.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/Screen.h"
#include "tests/app/ContentServiceFixture.h"
#include "tests/support/XvfbDisplay.h"

namespace {

using fd::RunLoopDriver;

class AppShellTest : public apptest::ContentServiceTest {
 protected:
  void TearDown() override {
    if (appWindow()) appWindow()->setHidden(true);
    ui::Application::sharedApplication()->resetForTesting();
    ui::Transaction::flush();
    apptest::ContentServiceTest::TearDown();
  }

  /// Launches the application as the program does.
  void launch() {
    ASSERT_TRUE(ui::Application::sharedApplication()->launchWithDelegateClass("AppDelegate"));
    RunLoopDriver::runUntilIdle();
  }
  Ref<ui::Window> appWindow() const {
    auto d = std::dynamic_pointer_cast<app::AppDelegate>(ui::Application::sharedApplication()->delegate());
    return d ? d->window() : nullptr;
  }
  Ref<app::KDWelcomeViewController> welcome() const {
    return std::dynamic_pointer_cast<app::KDWelcomeViewController>(appWindow()->rootViewController());
  }
  Ref<app::KDTabBarController> tabs() const {
    return std::dynamic_pointer_cast<app::KDTabBarController>(appWindow()->rootViewController());
  }
  static gfx::Point centre(const ui::View& v) {
    // Constraints place views at the layout pass.
    if (auto w = v.window()) w->layoutIfNeeded();
    auto f = v.convertRectToView(v.bounds(), nullptr);
    return {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
  }

  ui::HeadlessHost host;
};

TEST_F(AppShellTest, WelcomeShowsTheLoadingPagesAndTheSkipButtonLeadsToTheFourTabs) {
  startSampleService();
  launch();
  ASSERT_NE(welcome(), nullptr);
  ASSERT_TRUE(finishRequest(60));
  auto w = welcome();
  ASSERT_EQ(w->modelArray().size(), 3u);
  EXPECT_EQ(w->page()->numberOfPages(), 3);
  ASSERT_NE(w->skipButton(), nullptr);
  EXPECT_EQ(w->skipButton()->titleForState(ui::ControlStateNormal).utf8(), "  跳过>>  ");
  w->view()->layoutIfNeeded();
  auto screen = ui::Screen::mainScreen()->bounds().size;
  auto skip = w->skipButton()->frame();
  EXPECT_EQ(skip.origin.y, 30);
  EXPECT_EQ(skip.origin.x + skip.size.width, screen.width - 30);
  auto page = w->page()->frame();
  EXPECT_EQ(page.size.width, screen.width);
  EXPECT_LT(page.size.height, 60);
  EXPECT_EQ(page.origin.y + page.size.height, screen.height - 20);
  // Three pages: the timer is not started, the welcome stays.
  RunLoopDriver::advance(5);
  ASSERT_EQ(welcome(), w);

  host.tap(centre(*w->skipButton()));
  RunLoopDriver::runUntilIdle();
  auto t = tabs();
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->viewControllers().size(), 4u);
  std::vector<std::string> titles;
  for (const auto& item : t->tabBar()->items()) titles.push_back(item->title().utf8());
  EXPECT_EQ(titles, (std::vector<std::string>{"资讯", "视听", "游走", "云岫声"}));
  for (const auto& nav : t->viewControllers()) EXPECT_NE(std::dynamic_pointer_cast<app::QPNavigationController>(nav), nullptr);
  EXPECT_FALSE(t->tabBar()->isHidden());
}

TEST_F(AppShellTest, ScrollingPastTheLastPageEndsTheWelcome) {
  startSampleService();
  launch();
  ASSERT_TRUE(finishRequest(60));
  auto w = welcome();
  double width = ui::Screen::mainScreen()->bounds().size.width;
  w->contentView()->setContentOffset({width * 1.5, 0});
  EXPECT_EQ(w->page()->currentPage(), 1);
  EXPECT_EQ(welcome(), w);  // not past the last page yet
  w->contentView()->setContentOffset({width * 2 + 1, 0});
  RunLoopDriver::runUntilIdle();
  EXPECT_NE(tabs(), nullptr);
}

TEST_F(AppShellTest, AFailedLoadingRequestStillEndsTheWelcomeAfterThreeSeconds) {
  sample::ServiceOptions options;
  options.failMode = sample::FailMode::Errors;
  startSampleService(options);
  launch();
  auto w = welcome();
  ASSERT_NE(w, nullptr);
  // Stops in the turn that handled the failure, before any time passes.
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return w->skipButton() != nullptr; }, 15));
  EXPECT_TRUE(w->modelArray().empty());
  RunLoopDriver::advance(2.9);
  EXPECT_NE(welcome(), nullptr);
  RunLoopDriver::advance(0.2);
  EXPECT_NE(tabs(), nullptr);
}

class WelcomePicturesTest : public AppShellTest, public ::testing::WithParamInterface<int> {};

TEST_P(WelcomePicturesTest, FewerThanTwoEndTheWelcomeAfterThreeSecondsAndTwoWaitForTheUser) {
  const int pictures = GetParam();
  startScriptedServer();
  std::string list;
  for (int i = 0; i < pictures; ++i) list += std::string(i ? "," : "") + R"({"image":"/w/)" + std::to_string(i) + R"(.png"})";
  script("App/loading", R"({"status":200,"info":"ok","data":{"list":[)" + list + "]}}");
  launch();
  auto w = welcome();
  ASSERT_NE(w, nullptr);
  // Stops in the turn that handled the answer, before any time passes.
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return w->skipButton() != nullptr; }, 15));
  EXPECT_EQ(w->modelArray().size(), static_cast<size_t>(pictures));
  if (pictures > 0) {
    ASSERT_NE(w->page(), nullptr);
    EXPECT_EQ(w->page()->numberOfPages(), pictures);
  }
  RunLoopDriver::advance(app::KDWelcomeViewController::kShortWelcomeSeconds - 0.1);
  EXPECT_EQ(welcome(), w) << "not before three seconds";
  RunLoopDriver::advance(0.2);
  if (pictures < 2) {
    EXPECT_NE(tabs(), nullptr) << "three seconds end a short welcome";
    return;
  }
  RunLoopDriver::advance(10);
  EXPECT_EQ(welcome(), w) << "two pages wait for the user";
  double width = ui::Screen::mainScreen()->bounds().size.width;
  w->contentView()->setContentOffset({width, 0});  // the last page: still welcome
  RunLoopDriver::runUntilIdle();
  EXPECT_EQ(welcome(), w);
  EXPECT_EQ(w->page()->currentPage(), 1);
  w->contentView()->setContentOffset({width + 1, 0});  // past it
  RunLoopDriver::runUntilIdle();
  EXPECT_NE(tabs(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Pictures, WelcomePicturesTest, ::testing::Values(0, 1, 2));

class NavigationShellTest : public AppShellTest {
 protected:
  void SetUp() override {
    AppShellTest::SetUp();
    startSampleService();
    launch();
    ASSERT_TRUE(finishRequest(60));
    host.tap(centre(*welcome()->skipButton()));
    RunLoopDriver::runUntilIdle();
    ASSERT_NE(tabs(), nullptr);
    nav = std::dynamic_pointer_cast<app::QPNavigationController>(tabs()->viewControllers()[0]);
    ASSERT_NE(nav, nullptr);
    // The first tab's home screen starts its loads; they end here, or one of them ending in
    // the next test would switch the activity indicator off under that test's request.
    auto home = std::dynamic_pointer_cast<app::KDHomeViewController>(nav->topViewController());
    ASSERT_NE(home, nullptr);
    RunLoopDriver::advance(app::KDHomeViewController::kStartDelay + 0.1);
    host.renderFrame();
    EXPECT_TRUE(RunLoopDriver::runUntil(
        [&] { return !home->modelArray().empty() && !home->ourBannerarray().empty(); }, 60));
    finishRequest(10);
  }
  Ref<ui::ViewController> pushScreen() {
    auto screen = rt::make<ui::ViewController>();
    nav->pushViewController(screen, true);
    RunLoopDriver::advance(0.5);
    return screen;
  }
  Ref<app::QPNavigationController> nav;
};

TEST_F(NavigationShellTest, APushSlidesOverASnapshotAndHidesTheTabBar) {
  auto screen = pushScreen();
  EXPECT_EQ(nav->topViewController(), screen);
  EXPECT_EQ(nav->screenShotsList().size(), 1u);
  EXPECT_TRUE(tabs()->tabBar()->isHidden());
  EXPECT_EQ(nav->view()->frame().origin.x, 0);
  nav->popViewControllerAnimated(true);
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_TRUE(nav->screenShotsList().empty());
  EXPECT_FALSE(tabs()->tabBar()->isHidden());
  EXPECT_TRUE(nav->backgroundView()->isHidden());
}

TEST_F(NavigationShellTest, APanOfFiftyPointsSpringsBackAndOneOfMorePops) {
  pushScreen();
  pushScreen();
  ASSERT_EQ(nav->viewControllers().size(), 3u);
  host.drag({40, 300}, {90, 300}, 0.3);
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(nav->viewControllers().size(), 3u);
  EXPECT_EQ(nav->view()->frame().origin.x, 0);
  host.drag({40, 300}, {140, 300}, 0.3);
  RunLoopDriver::advance(0.5);
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_EQ(nav->screenShotsList().size(), 1u);
  EXPECT_TRUE(tabs()->tabBar()->isHidden());  // still a pushed screen
  host.drag({40, 300}, {200, 300}, 0.3);
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_FALSE(tabs()->tabBar()->isHidden());
}

TEST_F(NavigationShellTest, APanOfExactlyFiftyPointsSpringsBackAndJustBeyondPops) {
  pushScreen();
  pushScreen();
  ASSERT_EQ(nav->viewControllers().size(), 3u);
  auto window = appWindow();
  struct Case {
    double distance;
    size_t screensAfter;
  } cases[] = {{50, 3}, {50.5, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.distance);
    ui::TouchInput input(window);
    auto finger = input.down({40, 300});
    ui::TouchInput::wait(0.05);
    input.move(finger, {70, 300});  // the pan begins here, well past the slop
    ui::TouchInput::wait(0.05);
    input.move(finger, {70 + c.distance, 300});
    EXPECT_DOUBLE_EQ(nav->view()->frame().origin.x, c.distance) << "the pan counts from where it began";
    ui::TouchInput::wait(0.05);
    input.up(finger);
    RunLoopDriver::advance(0.5);
    EXPECT_EQ(nav->viewControllers().size(), c.screensAfter);
    EXPECT_EQ(nav->view()->frame().origin.x, 0);
  }
}

TEST_F(NavigationShellTest, ACancelledPanSpringsBackAndKeepsTheScreen) {
  auto screen = pushScreen();
  ASSERT_EQ(nav->viewControllers().size(), 2u);
  ui::TouchInput input(appWindow());
  auto finger = input.down({40, 300});
  ui::TouchInput::wait(0.05);
  input.move(finger, {70, 300});
  ui::TouchInput::wait(0.05);
  input.move(finger, {270, 300});
  EXPECT_DOUBLE_EQ(nav->view()->frame().origin.x, 200);
  EXPECT_FALSE(nav->backgroundView()->isHidden());
  input.cancel({finger});
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(nav->viewControllers().size(), 2u);
  EXPECT_EQ(nav->topViewController(), screen);
  EXPECT_EQ(nav->view()->frame().origin.x, 0);
  EXPECT_TRUE(nav->backgroundView()->isHidden());
  EXPECT_TRUE(tabs()->tabBar()->isHidden()) << "still a pushed screen";
}

TEST_F(NavigationShellTest, APanOnARootScreenDoesNothing) {
  auto before = nav->view()->frame();
  host.drag({40, 300}, {240, 300}, 0.3);
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(nav->view()->frame(), before);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

// The photo viewer's strip pages inside a stack that pans back: a drag the strip can follow
// is the strip's alone; where it cannot (at the first photo), or where no sideways scroller is
// under the finger, the drag goes back a screen.
TEST_F(NavigationShellTest, ARightwardDragInThePhotoViewerPagesBackAndPopsOnlyAtTheFirstPhoto) {
  // Whatever happens, lets the run loop show it: slides, paging and loads run out.
  auto settle = [&] {
    for (int i = 0; i < 20; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
    finishRequest(60);
  };
  auto step = [&](gfx::Point p) {
    host.tap(p);
    settle();
  };
  step({234, 642});  // the travel tab
  auto travel = std::dynamic_pointer_cast<app::QPNavigationController>(tabs()->viewControllers()[2]);
  ASSERT_NE(travel, nullptr);
  ASSERT_NE(std::dynamic_pointer_cast<app::KDTourismViewController>(travel->topViewController()), nullptr);
  step({187, 160});  // the banner opens the gallery
  auto gallery = std::dynamic_pointer_cast<app::KDShadowViewController>(travel->topViewController());
  ASSERT_NE(gallery, nullptr);
  step({65, 155});  // its first photo opens the viewer
  auto viewer = std::dynamic_pointer_cast<app::KDPhotoCollectionViewController>(travel->topViewController());
  ASSERT_NE(viewer, nullptr);
  ASSERT_EQ(viewer->modelArray().size(), 10u);
  auto& strip = *viewer->PhotoCollectionView();
  double width = ui::Screen::mainScreen()->bounds().size.width;
  auto shown = [&] { return viewer->countLable()->text().utf8(); };
  for (int i = 0; i < 2; ++i) {
    host.drag({340, 330}, {60, 330}, 0.2);
    settle();
  }
  ASSERT_EQ(shown(), "3 / 10");

  // Halfway through the drag the strip follows the finger and the screen stays where it is.
  ui::TouchInput input(appWindow());
  auto finger = input.down({120, 330});
  for (double x = 140; x <= 240; x += 20) {
    ui::TouchInput::wait(0.03);
    input.move(finger, {x, 330});
  }
  EXPECT_LT(strip.contentOffset().x, 2 * width - 50);
  EXPECT_EQ(travel->view()->frame().origin.x, 0);
  for (double x = 260; x <= 340; x += 20) {
    ui::TouchInput::wait(0.03);
    input.move(finger, {x, 330});
  }
  input.up(finger);
  settle();
  EXPECT_EQ(travel->topViewController().get(), viewer.get());
  EXPECT_EQ(travel->viewControllers().size(), 3u);
  EXPECT_EQ(strip.contentOffset().x, width);
  EXPECT_EQ(shown(), "2 / 10");

  host.drag({120, 330}, {340, 330}, 0.3);
  settle();
  EXPECT_EQ(travel->topViewController().get(), viewer.get());
  EXPECT_EQ(shown(), "1 / 10");

  // At the first photo the strip cannot go further that way: the same drag goes back.
  host.drag({40, 330}, {260, 330}, 0.3);
  settle();
  EXPECT_EQ(travel->topViewController().get(), gallery.get());
  EXPECT_EQ(strip.contentOffset().x, 0);
  EXPECT_EQ(travel->view()->frame().origin.x, 0);

  // Over the gallery's heading, away from its sideways strips, it goes back too.
  host.drag({40, 40}, {260, 40}, 0.3);
  settle();
  EXPECT_EQ(travel->viewControllers().size(), 1u);
  EXPECT_EQ(travel->view()->frame().origin.x, 0);
}

// A list at its top pulled down, the finger drifting a little to the right, stretches the
// list: a drag mainly downwards is not a pan back.
TEST_F(NavigationShellTest, APullDownWithASidewaysDriftStaysTheListsOnAPushedScreen) {
  auto screen = pushScreen();
  auto list = rt::make<ui::ScrollView>(screen->view()->bounds());
  list->setContentSize({list->bounds().size.width, 3000});
  screen->view()->addSubview(list);
  ui::TouchInput input(appWindow());
  auto finger = input.down({100, 200});
  for (int i = 1; i <= 8; ++i) {
    ui::TouchInput::wait(0.03);
    input.move(finger, {100.0 + 5 * i, 200.0 + 25 * i});
  }
  EXPECT_LT(list->contentOffset().y, 0);
  EXPECT_EQ(nav->view()->frame().origin.x, 0);
  input.up(finger);
  RunLoopDriver::advance(1);
  EXPECT_EQ(list->contentOffset().y, 0);
  EXPECT_EQ(nav->topViewController().get(), screen.get());
}

TEST_F(NavigationShellTest, MoveViewClampsAndScalesTheSnapshot) {
  pushScreen();
  nav->checkBackgroudViewExist();
  nav->addLastScreenShotView();
  double width = nav->view()->bounds().size.width;
  nav->moveViewWithX(-30);
  EXPECT_EQ(nav->view()->frame().origin.x, 0);
  EXPECT_NEAR(nav->lastScreenShotView()->transform().a, 0.95, 1e-9);
  EXPECT_NEAR(nav->blackMask()->alpha(), 0.4, 1e-9);
  nav->moveViewWithX(width + 100);
  EXPECT_EQ(nav->view()->frame().origin.x, width);
  EXPECT_NEAR(nav->lastScreenShotView()->transform().a, 1.0, 1e-9);
  EXPECT_NEAR(nav->blackMask()->alpha(), 0.4 - width / 800, 1e-9);
}

TEST_F(AppShellTest, AFactoryButtonRunsItsBlockThenSprings) {
  int taps = 0;
  auto withBlock = app::QPUitools::createButtonWithBtnAction([&] { ++taps; });
  auto without = app::QPUitools::createButtonWithBtnAction(nullptr);
  for (auto& b : {withBlock, without}) {
    b->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    RunLoopDriver::advance(1.0 / 30);
    EXPECT_NE(b->layer()->sublayerTransform().m11, 1);  // on its way
    RunLoopDriver::advance(3);
    EXPECT_NEAR(b->layer()->sublayerTransform().m11, 1, 1e-6);
  }
  EXPECT_EQ(taps, 1);
}

TEST_F(AppShellTest, TheRealWindowShowsTheTabBarWithTheSelectedTabInTheSelectionColour) {
  testsupport::XvfbDisplay x;
  if (!x.installed()) GTEST_SKIP() << "Xvfb is not installed";
  ASSERT_TRUE(x.started()) << "Xvfb did not start";
  startSampleService();
  launch();
  ASSERT_TRUE(finishRequest(60));
  host.tap(centre(*welcome()->skipButton()));
  RunLoopDriver::runUntilIdle();
  ASSERT_NE(tabs(), nullptr);
  ui::WindowHost window;
  std::string error;
  ASSERT_TRUE(window.open("test", 1, &error)) << error;
  window.pump();
  ASSERT_GE(window.framesShown(), 1u);
  // The first tab is selected: its icon is drawn in the selection red inside its button.
  auto button = tabs()->tabBar()->buttonAtIndex(0);
  ASSERT_NE(button, nullptr);
  auto f = button->convertRectToView(button->bounds(), nullptr);
  int red = 0;
  for (int y = static_cast<int>(f.origin.y); y < static_cast<int>(f.origin.y + f.size.height); ++y)
    for (int xx = static_cast<int>(f.origin.x); xx < static_cast<int>(f.origin.x + f.size.width); ++xx) {
      uint32_t p = window.windowPixel(xx, y);
      int r = (p >> 16) & 0xff, g = (p >> 8) & 0xff, b = p & 0xff;
      if (r > 180 && g < 60 && b < 40) ++red;
    }
  EXPECT_GT(red, 20);
  window.close();
}

}  // namespace
