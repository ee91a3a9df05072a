// The keyboard manager following the platform's on-screen keyboard: one record per slide,
// announcements coalesced per run-loop turn, frames and conversions in screen coordinates.
#include "textview/keyboard/DRTextKeyboardManager.h"

#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/KeyboardNotifications.h"
#include "platform/ui/input/keyboard/KeyboardWindow.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "textview/keyboard/DRTextKeyboardGeometry.h"

using namespace textview;

namespace {

struct Recorder : DRTextKeyboardObserver {
  std::vector<DRTextKeyboardTransitionRecord> records;
  void keyboardChangedWithTransition(const DRTextKeyboardTransitionRecord& t) override { records.push_back(t); }
};

// Takes what it is given and does nothing with it.
struct Indifferent : DRTextKeyboardObserver {};

class KeyboardManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    screen = ui::Screen::mainScreen()->bounds();
    window = rt::make<ui::Window>(screen);
    window->makeKeyAndVisible();
    // The shared manager: the one that watches the keyboard view's frame.
    manager = DRTextKeyboardManager::defaultManager();
    ASSERT_TRUE(manager);
    manager->addObserver(recorder);
  }
  void TearDown() override {
    auto keyboard = ui::Keyboard::sharedKeyboard();
    keyboard->hide();
    fd::RunLoopDriver::advance(1);
    keyboard->setStyle(ui::KeyboardStyle::Simulated);
    manager.reset();
    window.reset();
    ui::Transaction::flush();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  static void post(gfx::Rect begin, gfx::Rect end, double duration, int64_t curve = 7) {
    auto info = fd::Dictionary::withStrings({
        {ui::UIKeyboardFrameBeginUserInfoKey, fd::ValueBox::valueWith(begin)},
        {ui::UIKeyboardFrameEndUserInfoKey, fd::ValueBox::valueWith(end)},
        {ui::UIKeyboardAnimationCurveUserInfoKey, fd::Number::numberWithInteger(curve)},
        {ui::UIKeyboardAnimationDurationUserInfoKey, fd::Number::numberWithDouble(duration)},
    });
    fd::NotificationCenter::defaultCenter()->post(ui::UIKeyboardWillChangeFrameNotification, nullptr, info);
  }
  // The keyboard up and settled, its announcements consumed.
  Ref<ui::View> keyboardUp() {
    auto keyboard = ui::Keyboard::sharedKeyboard();
    keyboard->setStyle(ui::KeyboardStyle::OnScreen);
    keyboard->show();
    fd::RunLoopDriver::advance(1);
    recorder->records.clear();
    return manager->keyboardView();
  }
  gfx::Rect screen;
  Ref<ui::Window> window;
  Ref<DRTextKeyboardManager> manager;
  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST(KeyboardManagerMaking, PlainInitRaisesAndTheSharedOneIsOne) {
  try {
    (void)rt::make<DRTextKeyboardManager>();
    FAIL() << "init did not raise";
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.name(), rt::String("DRTextKeyboardManager init error"));
    EXPECT_EQ(e.reason(), rt::String("Use 'defaultManager' to get instance."));
  }
  auto shared = DRTextKeyboardManager::defaultManager();
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared, DRTextKeyboardManager::defaultManager());
}

TEST_F(KeyboardManagerTest, ReportsThePlatformKeyboardSlidingInAndOut) {
  auto keyboard = ui::Keyboard::sharedKeyboard();
  keyboard->setStyle(ui::KeyboardStyle::OnScreen);
  EXPECT_FALSE(manager->keyboardView());
  EXPECT_TRUE(gfx::RectIsNull(manager->keyboardFrame()));
  EXPECT_FALSE(manager->isKeyboardVisible());

  double h = ui::Keyboard::standardHeight(screen.size);
  gfx::Rect up{{0, screen.size.height - h}, {screen.size.width, h}};
  gfx::Rect down{{0, screen.size.height}, {screen.size.width, h}};

  // A manager of its own sees its first pass ever.
  auto fresh = rt::make<DRTextKeyboardManager>(DRTextKeyboardManager::PrivateToken{});
  auto freshRecorder = std::make_shared<Recorder>();
  fresh->addObserver(freshRecorder);

  keyboard->show();
  // Announced with an animation: told at once, not a turn later.
  ASSERT_EQ(freshRecorder->records.size(), 1u);
  ASSERT_EQ(recorder->records.size(), 1u);
  EXPECT_EQ(recorder->records[0].toFrame, up);
  const auto& in = freshRecorder->records[0];
  EXPECT_FALSE(in.fromVisible);
  EXPECT_TRUE(in.toVisible);
  // The first record ever starts from a strip of no height under the window.
  EXPECT_EQ(in.fromFrame, gfx::RectMake(0, screen.size.height, screen.size.width, 0));
  EXPECT_EQ(in.toFrame, up);
  EXPECT_DOUBLE_EQ(in.animationDuration, ui::Keyboard::kAnimationDuration);
  EXPECT_EQ(in.animationCurve, ui::Keyboard::kAnimationCurve);
  EXPECT_EQ(in.animationOption, static_cast<uint64_t>(ui::Keyboard::kAnimationCurve) << 16);

  // Found through the platform keyboard.
  ASSERT_TRUE(manager->keyboardWindow());
  EXPECT_EQ(manager->keyboardWindow(), keyboard->keyboardWindow());
  EXPECT_EQ(manager->keyboardView(), keyboard->keyboardWindow()->keyboardView());
  fd::RunLoopDriver::advance(1);
  EXPECT_TRUE(manager->isKeyboardVisible());
  EXPECT_EQ(manager->keyboardFrame(), up);
  // The slide's own frame changes end where the announcement said: nothing more to tell.
  EXPECT_EQ(recorder->records.size(), 1u);

  keyboard->hide();
  fd::RunLoopDriver::advance(1);
  ASSERT_EQ(recorder->records.size(), 2u);
  const auto& out = recorder->records[1];
  EXPECT_TRUE(out.fromVisible);
  EXPECT_FALSE(out.toVisible);
  EXPECT_EQ(out.fromFrame, up);
  EXPECT_EQ(out.toFrame, down);
  EXPECT_FALSE(manager->isKeyboardVisible());
  EXPECT_EQ(manager->keyboardFrame(), down);
  ASSERT_EQ(freshRecorder->records.size(), 2u);
  EXPECT_EQ(freshRecorder->records[1].fromFrame, up);
}

TEST_F(KeyboardManagerTest, ZeroDurationWaitsForTheNextTurnAndZeroSizeIsIgnored) {
  gfx::Rect end{{0, screen.size.height - 100}, {screen.size.width, 100}};
  post(gfx::RectZero, {{0, 50}, {0, 0}}, 0.3);
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_TRUE(recorder->records.empty());

  post(gfx::RectZero, end, 0);
  EXPECT_TRUE(recorder->records.empty());
  // Several in one turn: one record, the last word.
  gfx::Rect later = gfx::RectOffset(end, 0, -20);
  post(end, later, 0);
  fd::RunLoopDriver::runOneTurn();
  ASSERT_EQ(recorder->records.size(), 1u);
  EXPECT_EQ(recorder->records[0].toFrame, later);
  EXPECT_DOUBLE_EQ(recorder->records[0].animationDuration, 0);
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->records.size(), 1u);
}

TEST_F(KeyboardManagerTest, FrameChangesOfOneTurnMakeOneRecord) {
  auto view = keyboardUp();
  ASSERT_TRUE(view);
  gfx::Rect f = view->frame();
  view->setFrame(gfx::RectOffset(f, 0, 10));
  view->setCenter({view->center().x, view->center().y + 5});
  view->setBounds({{0, 0}, {f.size.width, f.size.height - 30}});
  EXPECT_TRUE(recorder->records.empty());
  fd::RunLoopDriver::runOneTurn();
  ASSERT_EQ(recorder->records.size(), 1u);
  const auto& t = recorder->records[0];
  EXPECT_EQ(t.fromFrame, f);
  EXPECT_EQ(t.toFrame, manager->keyboardFrame());
  EXPECT_DOUBLE_EQ(t.animationDuration, 0);
  EXPECT_EQ(t.animationCurve, 0);
  EXPECT_EQ(t.animationOption, 0u);
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->records.size(), 1u);
}

TEST_F(KeyboardManagerTest, AnObservedFrameEqualToTheAnnouncedOneKeepsItsTiming) {
  auto view = keyboardUp();
  ASSERT_TRUE(view);
  gfx::Rect r{{0, screen.size.height - 300}, {screen.size.width, 300}};
  gfx::Rect s = gfx::RectOffset(r, 0, 40);
  post(view->frame(), r, 0.4, 3);
  ASSERT_EQ(recorder->records.size(), 1u);
  view->setFrame(s);
  fd::RunLoopDriver::runOneTurn();
  ASSERT_EQ(recorder->records.size(), 2u);
  EXPECT_DOUBLE_EQ(recorder->records[1].animationDuration, 0);
  view->setFrame(r);
  fd::RunLoopDriver::runOneTurn();
  ASSERT_EQ(recorder->records.size(), 3u);
  const auto& t = recorder->records[2];
  EXPECT_EQ(t.fromFrame, s);
  EXPECT_EQ(t.toFrame, r);
  EXPECT_DOUBLE_EQ(t.animationDuration, 0.4);
  EXPECT_EQ(t.animationCurve, 3);
  EXPECT_EQ(t.animationOption, 3u << 16);

  // The same frame again: no record, yet the pass ran (the next record starts from it).
  view->setFrame(r);
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(recorder->records.size(), 3u);
  post(r, s, 0.2);
  ASSERT_EQ(recorder->records.size(), 4u);
  EXPECT_EQ(recorder->records[3].fromFrame, r);
  EXPECT_TRUE(recorder->records[3].fromVisible);
}

TEST_F(KeyboardManagerTest, ObserversAreWeakDistinctAndNeverNull) {
  manager->addObserver(nullptr);
  manager->addObserver(recorder);  // once only
  auto passer = std::make_shared<Indifferent>();
  manager->addObserver(passer);
  auto gone = std::make_shared<Recorder>();
  manager->addObserver(gone);
  std::weak_ptr<Recorder> watch = gone;
  gone.reset();
  EXPECT_TRUE(watch.expired());
  post(gfx::RectZero, {{0, 100}, {50, 50}}, 0.3);
  EXPECT_EQ(recorder->records.size(), 1u);

  manager->removeObserver(recorder);
  post(gfx::RectZero, {{0, 200}, {50, 50}}, 0.3);
  EXPECT_EQ(recorder->records.size(), 1u);
}

TEST_F(KeyboardManagerTest, NoKeyboardViewStillAnnouncesFromTheNotifications) {
  ui::Keyboard::sharedKeyboard()->setStyle(ui::KeyboardStyle::Simulated);
  ui::Keyboard::sharedKeyboard()->show();
  EXPECT_FALSE(manager->keyboardWindow());
  EXPECT_FALSE(manager->keyboardView());
  EXPECT_FALSE(manager->isKeyboardVisible());
  ASSERT_EQ(recorder->records.size(), 1u);
  EXPECT_TRUE(recorder->records[0].toVisible);
  EXPECT_EQ(recorder->records[0].toFrame, ui::Keyboard::sharedKeyboard()->visibleFrame());
}

TEST_F(KeyboardManagerTest, ConvertsScreenRectanglesIntoViewsOfAnyWindow) {
  auto inMain = rt::make<ui::View>(gfx::RectMake(10, 20, 100, 100));
  window->addSubview(inMain);
  auto other = rt::make<ui::Window>(gfx::RectMake(100, 100, 200, 200));
  other->setHidden(false);
  auto inOther = rt::make<ui::View>(gfx::RectMake(5, 5, 50, 50));
  other->addSubview(inOther);
  gfx::Rect r = gfx::RectMake(50, 60, 10, 10);
  EXPECT_EQ(manager->convertRectToView(r, inMain.get()), gfx::RectMake(40, 40, 10, 10));
  EXPECT_EQ(manager->convertRectToView(r, window.get()), r);
  EXPECT_EQ(manager->convertRectToView(r, nullptr), r);
  auto near = [](gfx::Rect a, gfx::Rect b) {
    return std::abs(a.origin.x - b.origin.x) < 1e-9 && std::abs(a.origin.y - b.origin.y) < 1e-9 &&
           std::abs(a.size.width - b.size.width) < 1e-9 && std::abs(a.size.height - b.size.height) < 1e-9;
  };
  EXPECT_TRUE(near(manager->convertRectToView(r, other.get()), gfx::RectMake(-50, -40, 10, 10)));
  EXPECT_TRUE(near(manager->convertRectToView(r, inOther.get()), gfx::RectMake(-55, -45, 10, 10)));
  EXPECT_TRUE(gfx::RectIsNull(manager->convertRectToView(gfx::RectNull, inMain.get())));
}

TEST(KeyboardGeometry, Visibility) {
  gfx::Rect bounds = gfx::RectMake(0, 0, 375, 667);
  struct Case {
    gfx::Rect frame;
    bool visible;
  } cases[] = {
      {gfx::RectMake(0, 451, 375, 216), true},
      {gfx::RectMake(0, 667, 375, 216), false},   // just below: touching is not showing
      {gfx::RectMake(0, 660, 375, 216), true},
      {gfx::RectMake(0, 451, 375, 0), false},
      {gfx::RectMake(0, 451, 0, 216), false},
      {gfx::RectMake(-400, 451, 375, 216), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(keyboardFrameIsVisible(c.frame, bounds), c.visible) << gfx::StringFromRect(c.frame).utf8();
}

TEST(KeyboardGeometry, EndFrameAfterATurn) {
  gfx::Rect window = gfx::RectMake(0, 0, 320, 480);
  struct Case {
    gfx::Rect frame;
    int64_t orientation;
    gfx::Rect expected;
  } cases[] = {
      {gfx::RectMake(0, 480, 320, 216), 1, gfx::RectMake(0, 264, 320, 216)},
      {gfx::RectMake(0, 264, 320, 216), 1, gfx::RectMake(0, 264, 320, 216)},  // already at the bottom
      {gfx::RectMake(0, -216, 320, 216), 2, gfx::RectMake(0, 0, 320, 216)},
      {gfx::RectMake(0, 0, 320, 216), 2, gfx::RectMake(0, 0, 320, 216)},
      {gfx::RectMake(-162, 0, 162, 480), 3, gfx::RectMake(0, 0, 162, 480)},
      {gfx::RectMake(320, 0, 162, 480), 4, gfx::RectMake(158, 0, 162, 480)},
      {gfx::RectMake(158, 0, 162, 480), 4, gfx::RectMake(158, 0, 162, 480)},
      {gfx::RectMake(5, 6, 7, 8), 0, gfx::RectMake(5, 6, 7, 8)},
  };
  for (const auto& c : cases) EXPECT_EQ(keyboardEndFrameForOrientation(c.frame, c.orientation, window), c.expected);
}

}  // namespace
