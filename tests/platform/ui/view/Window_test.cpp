#include "platform/ui/view/Window.h"

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"

using namespace ui;

namespace {
class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override { Application::sharedApplication()->resetForTesting(); }
};
}  // namespace

TEST_F(WindowTest, MakeKeyAndVisibleMovesTheKeyAndPostsNotifications) {
  auto app = Application::sharedApplication();
  auto a = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
  auto b = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
  EXPECT_TRUE(a->isHidden());
  std::vector<std::string> names;
  auto center = fd::NotificationCenter::defaultCenter();
  auto token = rt::make<rt::Object>();
  for (const char* n : {UIWindowDidBecomeKeyNotification, UIWindowDidResignKeyNotification})
    center->addObserver(token, [&](const Ref<fd::Notification>& note) { names.push_back(note->name().utf8()); },
                        rt::String(n), nullptr);
  a->makeKeyAndVisible();
  EXPECT_FALSE(a->isHidden());
  EXPECT_TRUE(a->isKeyWindow());
  EXPECT_EQ(app->keyWindow(), a);
  b->makeKeyWindow();
  EXPECT_FALSE(a->isKeyWindow());
  EXPECT_EQ(app->keyWindow(), b);
  EXPECT_EQ(names, (std::vector<std::string>{UIWindowDidBecomeKeyNotification, UIWindowDidResignKeyNotification,
                                             UIWindowDidBecomeKeyNotification}));
  center->removeObserver(token);
}

TEST_F(WindowTest, WindowsAreListedByLevel) {
  auto app = Application::sharedApplication();
  auto top = rt::make<Window>(gfx::RectMake(0, 0, 10, 10));
  top->setWindowLevel(WindowLevelStatusBar + 1);
  auto normal = rt::make<Window>(gfx::RectMake(0, 0, 10, 10));
  auto ws = app->windows();
  auto posTop = std::find(ws.begin(), ws.end(), top), posNormal = std::find(ws.begin(), ws.end(), normal);
  ASSERT_NE(posTop, ws.end());
  ASSERT_NE(posNormal, ws.end());
  EXPECT_LT(posNormal, posTop);
  size_t before = ws.size();
  ws.clear();
  Weak<Window> gone = normal;
  normal.reset();
  EXPECT_TRUE(gone.expired());
  EXPECT_EQ(app->windows().size(), before - 1);
}

TEST_F(WindowTest, RootViewFillsTheWindowAndIsReplaced) {
  auto w = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
  auto controller = rt::make<rt::Object>();
  auto first = rt::make<View>(gfx::RectMake(0, 0, 1, 1));
  w->setRootViewController(controller, first);
  EXPECT_EQ(first->frame(), w->bounds());
  EXPECT_EQ(first->superview(), w);
  Weak<rt::Object> oldController = controller;
  controller.reset();
  EXPECT_FALSE(oldController.expired());  // the window holds its root
  auto second = rt::make<View>(gfx::RectMake(0, 0, 1, 1));
  w->setRootViewController(rt::make<rt::Object>(), second);
  EXPECT_TRUE(oldController.expired());
  EXPECT_EQ(first->superview(), nullptr);
  w->setFrame(gfx::RectMake(0, 0, 100, 200));
  EXPECT_EQ(second->frame(), gfx::RectMake(0, 0, 100, 200));
  EXPECT_EQ(w->getClass()->name(), rt::String("UIWindow"));
  EXPECT_EQ(w->screen(), Screen::mainScreen());
}
