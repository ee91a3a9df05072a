// Settings the text view keeps to whatever is asked: multiple touch stays off, a plain
// scroll-view delegate still hears the scroll calls, and a new text while editing is scrolled
// into view.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "textview/textview/DUDaviDira.h"

using namespace textview;

namespace view_settings_test {

class ScrollListener : public ui::ScrollViewDelegate {
 public:
  int scrolls = 0, drags = 0;
  void scrollViewDidScroll(ui::ScrollView&) override { ++scrolls; }
  void scrollViewWillBeginDragging(ui::ScrollView&) override { ++drags; }
};

class ViewSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    ui::Application::sharedApplication()->resetForTesting();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 200, 120));
  }
  void TearDown() override {
    view.reset();
    window.reset();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<DUDaviDira> view;
  Ref<ui::Window> window;
};

TEST_F(ViewSettingsTest, MultipleTouchStaysOffWhoeverAsks) {
  // Touch routing and generic view code hold the text view as a plain view or scroll view.
  struct Case {
    const char* through;
    std::function<void(bool)> set;
  } cases[] = {
      {"the text view", [this](bool on) { view->setMultipleTouchEnabled(on); }},
      {"a scroll view", [this](bool on) { static_cast<ui::ScrollView&>(*view).setMultipleTouchEnabled(on); }},
      {"a view", [this](bool on) { static_cast<ui::View&>(*view).setMultipleTouchEnabled(on); }},
  };
  EXPECT_FALSE(view->isMultipleTouchEnabled());
  for (const auto& c : cases) {
    c.set(true);
    EXPECT_FALSE(view->isMultipleTouchEnabled()) << "set through " << c.through;
    c.set(false);
    EXPECT_FALSE(view->isMultipleTouchEnabled()) << "set through " << c.through;
  }
}

TEST_F(ViewSettingsTest, PlainScrollDelegateHearsTheScrollCalls) {
  auto listener = std::make_shared<ScrollListener>();
  view->setDelegate(listener);
  // The scroll view still reports to the text view, which passes each call on.
  view->scrollViewDidScroll(*view);
  view->scrollViewWillBeginDragging(*view);
  EXPECT_EQ(listener->scrolls, 1);
  EXPECT_EQ(listener->drags, 1);
  view->setText(rt::String("line\n").stringByPaddingToLength(400, "line\n", 0));
  fd::RunLoopDriver::advance(0.1);
  int before = listener->scrolls;
  view->setContentOffset({0, 40});
  EXPECT_GT(listener->scrolls, before);
  // Taking the delegate away silences it.
  view->setDelegate(Weak<ui::ScrollViewDelegate>());
  const int silenced = listener->scrolls;
  view->scrollViewDidScroll(*view);
  EXPECT_EQ(listener->scrolls, silenced);
}

TEST_F(ViewSettingsTest, NewTextWhileEditingIsScrolledIntoView) {
  window = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window->makeKeyAndVisible();
  window->addSubview(view);
  ASSERT_TRUE(view->becomeFirstResponder());
  const rt::String lines = rt::String("line\n").stringByPaddingToLength(400, "line\n", 0);
  view->setText(lines);
  fd::RunLoopDriver::advance(0.5);
  ASSERT_GT(view->contentSize().height, view->bounds().size.height * 3);
  view->setContentOffset({0, view->contentSize().height - view->bounds().size.height});
  // The whole new text is selected; its start comes into view.
  view->setAttributedText(typeset::AttributedString::create(lines + "more"));
  fd::RunLoopDriver::advance(0.5);
  EXPECT_LT(view->contentOffset().y, 10);
}

}  // namespace view_settings_test
