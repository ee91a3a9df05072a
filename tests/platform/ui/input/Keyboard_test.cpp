#include "platform/ui/input/Keyboard.h"

#include <gtest/gtest.h>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/input/KeyboardNotifications.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

struct Heard {
  std::string name;
  gfx::Rect begin, end;
  double duration = -1;
  int64_t curve = -1;
  double at = 0;
};

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(Screen::mainScreen()->bounds());
    window->makeKeyAndVisible();
    token = fd::NotificationCenter::defaultCenter()->addObserverForName(
        std::nullopt, nullptr, nullptr, [this](const Ref<fd::Notification>& n) {
          std::string name = n->name().utf8();
          if (name.rfind("UIKeyboard", 0) != 0) return;
          Heard h;
          h.name = name;
          h.at = elapsed;
          auto info = n->userInfo();
          if (auto b = rt::as<fd::ValueBox>(info->objectForKey(UIKeyboardFrameBeginUserInfoKey))) b->get(h.begin);
          if (auto e = rt::as<fd::ValueBox>(info->objectForKey(UIKeyboardFrameEndUserInfoKey))) e->get(h.end);
          if (auto d = rt::as<fd::Number>(info->objectForKey(UIKeyboardAnimationDurationUserInfoKey)))
            h.duration = d->doubleValue();
          if (auto c = rt::as<fd::Number>(info->objectForKey(UIKeyboardAnimationCurveUserInfoKey)))
            h.curve = c->longLongValue();
          heard.push_back(h);
        });
  }
  void TearDown() override {
    fd::NotificationCenter::defaultCenter()->removeObserver(token);
    Keyboard::sharedKeyboard()->hide();
    advance(1);
    window->setHidden(true);
    window.reset();
    fd::RunLoopDriver::reset();
  }
  void advance(double s) {
    elapsed += s;
    fd::RunLoopDriver::advance(s);
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& h : heard) out.push_back(h.name);
    return out;
  }
  Ref<Window> window;
  rt::Id token;
  std::vector<Heard> heard;
  double elapsed = 0;
};

}  // namespace

TEST_F(KeyboardTest, EditingAFieldSlidesTheKeyboardUpAndEndingItSlidesItDown) {
  auto field = rt::make<TextField>(gfx::RectMake(10, 100, 200, 30));
  auto other = rt::make<TextField>(gfx::RectMake(10, 140, 200, 30));
  window->addSubview(field);
  window->addSubview(other);
  EXPECT_EQ(Keyboard::sharedKeyboard()->visibleFrame(), gfx::RectZero);

  ASSERT_TRUE(field->becomeFirstResponder());
  const gfx::Rect down = gfx::RectMake(0, 667, 375, 216), up = gfx::RectMake(0, 451, 375, 216);
  EXPECT_EQ(names(), (std::vector<std::string>{"UIKeyboardWillChangeFrameNotification",
                                               "UIKeyboardWillShowNotification"}));
  EXPECT_EQ(heard[1].begin, down);
  EXPECT_EQ(heard[1].end, up);
  EXPECT_EQ(heard[1].duration, 0.25);
  EXPECT_EQ(heard[1].curve, 7);
  EXPECT_EQ(Keyboard::sharedKeyboard()->visibleFrame(), up);
  advance(0.2);
  EXPECT_EQ(heard.size(), 2u);
  advance(0.1);
  ASSERT_EQ(heard.size(), 4u);
  EXPECT_EQ(heard[2].name, "UIKeyboardDidShowNotification");
  EXPECT_EQ(heard[3].name, "UIKeyboardDidChangeFrameNotification");

  // Focus moving to another field keeps the keyboard up.
  ASSERT_TRUE(other->becomeFirstResponder());
  advance(1);
  EXPECT_EQ(heard.size(), 4u);
  EXPECT_TRUE(Keyboard::sharedKeyboard()->isVisible());

  other->resignFirstResponder();
  EXPECT_EQ(heard.size(), 4u);  // hides on the next turn of the run loop
  advance(0.01);
  ASSERT_EQ(heard.size(), 6u);
  EXPECT_EQ(heard[5].name, "UIKeyboardWillHideNotification");
  EXPECT_EQ(heard[5].begin, up);
  EXPECT_EQ(heard[5].end, down);
  EXPECT_EQ(Keyboard::sharedKeyboard()->visibleFrame(), gfx::RectZero);
  advance(0.3);
  ASSERT_EQ(heard.size(), 8u);
  EXPECT_EQ(heard[6].name, "UIKeyboardDidHideNotification");
}

TEST_F(KeyboardTest, AChangeDuringTheSlideSpeaksForItself) {
  auto k = Keyboard::sharedKeyboard();
  k->show();
  advance(0.1);
  k->hide();
  advance(0.5);
  EXPECT_EQ(names(), (std::vector<std::string>{"UIKeyboardWillChangeFrameNotification", "UIKeyboardWillShowNotification",
                                               "UIKeyboardWillChangeFrameNotification", "UIKeyboardWillHideNotification",
                                               "UIKeyboardDidHideNotification", "UIKeyboardDidChangeFrameNotification"}));
  EXPECT_EQ(Keyboard::standardHeight({375, 667}), 216);
  EXPECT_EQ(Keyboard::standardHeight({667, 375}), 162);
}
