// Touches on a text view that edits or is about to: a tap places the caret and starts editing
// on the next turn, taps on the caret toggle the menu, a drag along the line moves the caret
// without scrolling, words under positions and points; and the insets that clear the on-screen
// keyboard and come back when it goes.
#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/keys/KeyboardInput.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/Window.h"
#include "textview/keyboard/DRTextKeyboardManager.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"
#include "tests/textview/textview/DUDaviDiraTrackingTestAccess.h"

using namespace textview;
using Tracking = textview::DUDaviDiraTrackingTestAccess;
using Positions = textview::DUDaviDiraTestAccess;

namespace editing_touches_test {

const char* const kSentence = "The quick brown fox jumps over the lazy dog. ";

class TextViewEditingTouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    screen = ui::Screen::mainScreen()->bounds();
    window = rt::make<ui::Window>(screen);
    window->makeKeyAndVisible();
    view = rt::make<DUDaviDira>(gfx::RectMake(0, 20, screen.size.width, screen.size.height - 20));
    window->addSubview(view);
  }
  void TearDown() override {
    view->resignFirstResponder();
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    auto keyboard = ui::Keyboard::sharedKeyboard();
    keyboard->hide();
    fd::RunLoopDriver::advance(1);
    keyboard->setStyle(ui::KeyboardStyle::Simulated);
    view = nullptr;
    window = nullptr;
    ui::Transaction::flush();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  void setText(int sentences) {
    std::string s;
    for (int i = 0; i < sentences; ++i) s += kSentence;
    view->setAttributedText(typeset::MutableAttributedString::create(
        rt::String(s), fd::Dictionary::withStrings({{typeset::FontAttributeName,
                                                     typeset::Font::fontWithName("DejaVu Sans", 16)}})));
    view->setSelectedRange({0, 0});
    fd::RunLoopDriver::runUntilIdle();
  }
  gfx::Rect caretRect(uint64_t offset) {
    auto layout = view->textLayout();
    return Positions::convertRectFromLayout(
        *view, layout->caretRectForPosition(text::DRTextPosition::positionWithOffset(static_cast<int64_t>(offset))));
  }
  gfx::Point toWindow(gfx::Point p) { return view->containerView()->convertPointToView(p, nullptr); }
  // A point in the left half of the character at `offset`: the caret goes before it.
  gfx::Point leftHalfOf(uint64_t offset) {
    gfx::Rect a = caretRect(offset), b = caretRect(offset + 1);
    return {a.origin.x + (b.origin.x - a.origin.x) / 4, a.origin.y + a.size.height / 2};
  }
  gfx::Point caretMiddle(uint64_t offset) {
    gfx::Rect r = caretRect(offset);
    return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2};
  }
  Ref<DRTextKeyboardManager> keyboardUp() {
    auto keyboard = ui::Keyboard::sharedKeyboard();
    keyboard->setStyle(ui::KeyboardStyle::OnScreen);
    keyboard->show();
    fd::RunLoopDriver::advance(1);
    return DRTextKeyboardManager::defaultManager();
  }

  gfx::Rect screen;
  Ref<ui::Window> window;
  Ref<DUDaviDira> view;
};

}  // namespace editing_touches_test

using namespace editing_touches_test;

TEST_F(TextViewEditingTouchTest, ATapPlacesTheCaretAndEditingStartsOnTheNextTurn) {
  setText(2);
  ui::TouchInput input(window);
  input.tap(toWindow(leftHalfOf(16)));
  EXPECT_EQ(view->selectedRange(), (rt::Range{16, 0}));
  EXPECT_FALSE(view->isFirstResponder()) << "not while the tap is being handled";
  fd::RunLoopDriver::runOneTurn();
  EXPECT_TRUE(view->isFirstResponder());
  EXPECT_TRUE(view->selectionView()->isCaretVisible());
  EXPECT_EQ(view->selectionView()->caretRect().origin.x, caretRect(16).origin.x);
}

TEST_F(TextViewEditingTouchTest, WithClearsOnInsertionTheFirstTapSelectsEverything) {
  setText(2);
  view->setClearsOnInsertion(true);
  ui::TouchInput input(window);
  input.tap(toWindow(leftHalfOf(16)));
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, view->text().length()}));
  fd::RunLoopDriver::runOneTurn();
  EXPECT_TRUE(view->isFirstResponder());
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, view->text().length()}));
}

TEST_F(TextViewEditingTouchTest, TapsOnTheUnmovedCaretToggleTheMenu) {
  setText(2);
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({20, 0});
  fd::RunLoopDriver::advance(0.1);
  auto menu = ui::MenuController::sharedMenuController();
  ui::TouchInput input(window);
  std::vector<bool> shown;
  for (int i = 0; i < 3; ++i) {
    input.tap(toWindow(caretMiddle(20)));
    fd::RunLoopDriver::advance(0.05);
    EXPECT_EQ(view->selectedRange(), (rt::Range{20, 0}));
    shown.push_back(menu->isMenuVisible() && Tracking::flags(*view).showingMenu);
    fd::RunLoopDriver::advance(0.5);
  }
  EXPECT_EQ(shown, (std::vector<bool>{true, false, true}));
  // A tap elsewhere moves the caret and hides the menu.
  input.tap(toWindow(leftHalfOf(5)));
  fd::RunLoopDriver::advance(0.05);
  EXPECT_EQ(view->selectedRange(), (rt::Range{5, 0}));
  EXPECT_FALSE(menu->isMenuVisible());
}

TEST_F(TextViewEditingTouchTest, ADragAlongTheLineMovesTheCaretWithoutScrolling) {
  setText(150);
  ASSERT_GT(view->contentSize().height, view->bounds().size.height * 2);
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({50, 0});
  fd::RunLoopDriver::advance(0.1);
  gfx::Point start = caretMiddle(50);
  gfx::Point end{start.x + 90, start.y + 3};
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(start));
  EXPECT_TRUE(Tracking::flags(*view).trackingCaret);
  for (int i = 1; i <= 6; ++i) {
    input.move(touch, toWindow({start.x + 15 * i, start.y + 0.5 * i}));
    fd::RunLoopDriver::advance(0.02);
  }
  EXPECT_FALSE(view->panGestureRecognizer()->isEnabled());
  EXPECT_TRUE(Tracking::flags(*view).showingMagnifierCaret);
  input.up(touch);
  EXPECT_EQ(view->contentOffset().y, 0);
  auto expected = view->textLayout()->closestPositionToPoint(Positions::convertPointToLayout(*view, end));
  ASSERT_TRUE(expected);
  EXPECT_EQ(view->selectedRange(), (rt::Range{static_cast<uint64_t>(expected->offset()), 0}));
  EXPECT_GT(expected->offset(), 55);
  EXPECT_TRUE(view->panGestureRecognizer()->isEnabled());
  fd::RunLoopDriver::advance(0.05);
  EXPECT_TRUE(Tracking::flags(*view).showingMenu) << "the menu follows a caret drag";

  // Dragging across the lines from elsewhere scrolls.
  fd::RunLoopDriver::advance(0.5);
  gfx::Point from = toWindow(leftHalfOf(400));
  input.drag(from, {from.x, from.y - 200}, 0.3, 10);
  fd::RunLoopDriver::advance(2);
  EXPECT_GT(view->contentOffset().y, 50);
}

TEST_F(TextViewEditingTouchTest, WordsAroundPositionsAndPoints) {
  setText(1);
  struct Case {
    int64_t offset;
    rt::Range word;
  } cases[] = {
      {0, {0, 3}},   {1, {0, 3}},   {3, {0, 3}},   // after "The" the word before is taken
      {4, {4, 5}},   {6, {4, 5}},   {9, {4, 5}},   {16, {16, 3}},
      {43, {40, 3}},                                // before the stop: the word before
      {44, {44, 1}},                                // no word either side: the character after
  };
  for (const auto& c : cases) {
    auto range = Tracking::wordAtPosition(*view, text::DRTextPosition::positionWithOffset(c.offset));
    ASSERT_TRUE(range) << c.offset;
    EXPECT_EQ(range->asRange(), c.word) << c.offset;
  }
  EXPECT_FALSE(Tracking::wordAtPosition(*view, nullptr));
  // Out of the text: corrected to its end first.
  auto last = Tracking::wordAtPosition(*view, text::DRTextPosition::positionWithOffset(999));
  ASSERT_TRUE(last);
  EXPECT_GT(last->asRange().length, 0u);

  auto atPoint = Tracking::wordAtPoint(*view, leftHalfOf(17));
  ASSERT_TRUE(atPoint);
  EXPECT_EQ(atPoint->asRange(), (rt::Range{16, 3}));

  view->setAttributedText(nullptr);
  fd::RunLoopDriver::runUntilIdle();
  auto empty = Tracking::wordAtPosition(*view, text::DRTextPosition::positionWithOffset(0));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->asRange(), (rt::Range{0, 0}));
  auto emptyAtPoint = Tracking::wordAtPoint(*view, {20, 20});
  ASSERT_TRUE(emptyAtPoint);
  EXPECT_EQ(emptyAtPoint->asRange(), (rt::Range{0, 0}));
}

TEST_F(TextViewEditingTouchTest, ALongPressPreSelectsTheWordUnderTheFinger) {
  setText(1);
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(leftHalfOf(18)));
  fd::RunLoopDriver::advance(0.6);
  auto tracked = Tracking::trackingRange(*view);
  ASSERT_TRUE(tracked);
  EXPECT_EQ(tracked->asRange(), (rt::Range{16, 3}));
  // Shown tinted, without grabbers, while the finger is down.
  EXPECT_FALSE(view->selectionView()->selectionRects().empty());
  EXPECT_TRUE(view->selectionView()->startGrabber()->isHidden());
  EXPECT_TRUE(view->selectionView()->endGrabber()->isHidden());
  EXPECT_FALSE(view->selectionView()->isCaretVisible());
  // The word follows the finger.
  input.move(touch, toWindow(leftHalfOf(27)));
  EXPECT_EQ(Tracking::trackingRange(*view)->asRange(), (rt::Range{26, 4}));
  input.up(touch);
  EXPECT_EQ(view->selectedRange(), (rt::Range{26, 4}));
  EXPECT_FALSE(view->isFirstResponder());
  EXPECT_TRUE(Tracking::flags(*view).selectedWithoutEdit);
  // Once lifted, the selection has its grabbers.
  EXPECT_FALSE(view->selectionView()->startGrabber()->isHidden());
  EXPECT_FALSE(view->selectionView()->endGrabber()->isHidden());
}

TEST_F(TextViewEditingTouchTest, TheKeyboardsInsetsClearItAndComeBackOnce) {
  setText(60);
  view->setContentInset({0, 0, 5, 0});
  view->setScrollIndicatorInsets({0, 0, 7, 0});
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({view->text().length(), 0});
  auto manager = keyboardUp();
  ASSERT_TRUE(manager);
  ASSERT_TRUE(manager->isKeyboardVisible());
  fd::RunLoopDriver::advance(1);
  gfx::Rect keyboard = manager->convertRectToView(manager->keyboardFrame(), view.get());
  double covered = gfx::RectGetMaxY(view->bounds()) - keyboard.origin.y;
  ASSERT_GT(covered, 100);

  // The keyboard's arrival scrolled the caret into view above it.
  EXPECT_TRUE(Tracking::insetModifiedByKeyboard(*view));
  EXPECT_DOUBLE_EQ(view->contentInset().bottom, covered + 3);
  EXPECT_DOUBLE_EQ(view->scrollIndicatorInsets().bottom, covered + 3);
  EXPECT_EQ(Tracking::originalContentInset(*view), (gfx::EdgeInsets{0, 0, 5, 0}));
  EXPECT_EQ(Tracking::originalScrollIndicatorInsets(*view), (gfx::EdgeInsets{0, 0, 7, 0}));
  gfx::Rect caret = view->containerView()->convertRectToView(caretRect(view->text().length()), view.get());
  EXPECT_LE(gfx::RectGetMaxY(caret), keyboard.origin.y) << "the caret shows above the keyboard";
  EXPECT_GE(caret.origin.y, view->contentOffset().y);

  // A second scroll keeps the saved insets.
  view->scrollRangeToVisible(rt::Range{0, 3});
  fd::RunLoopDriver::advance(0.5);
  EXPECT_EQ(Tracking::originalContentInset(*view), (gfx::EdgeInsets{0, 0, 5, 0}));
  EXPECT_DOUBLE_EQ(view->contentInset().bottom, covered + 3);
  EXPECT_LE(view->contentOffset().y, 3.0);

  // Insets set meanwhile wait for the keyboard to go.
  view->setContentInset({0, 0, 9, 0});
  view->setScrollIndicatorInsets({0, 0, 11, 0});
  EXPECT_DOUBLE_EQ(view->contentInset().bottom, covered + 3);
  EXPECT_DOUBLE_EQ(view->scrollIndicatorInsets().bottom, covered + 3);

  ui::Keyboard::sharedKeyboard()->hide();
  fd::RunLoopDriver::advance(1);
  EXPECT_FALSE(manager->isKeyboardVisible());
  EXPECT_FALSE(Tracking::insetModifiedByKeyboard(*view));
  EXPECT_EQ(view->contentInset(), (gfx::EdgeInsets{0, 0, 9, 0}));
  EXPECT_EQ(view->scrollIndicatorInsets(), (gfx::EdgeInsets{0, 0, 11, 0}));
  // Given back once: a later restore changes nothing.
  view->setContentInset({0, 0, 2, 0});
  Tracking::restoreInsets(*view, false);
  EXPECT_EQ(view->contentInset(), (gfx::EdgeInsets{0, 0, 2, 0}));
}

TEST_F(TextViewEditingTouchTest, TheKeyboardLeavesAViewThatIsNotEditingAlone) {
  setText(60);
  auto manager = keyboardUp();
  ASSERT_TRUE(manager && manager->isKeyboardVisible());
  view->scrollRangeToVisible(rt::Range{view->text().length(), 0});
  fd::RunLoopDriver::advance(1);
  EXPECT_FALSE(Tracking::insetModifiedByKeyboard(*view));
  EXPECT_EQ(view->contentInset(), (gfx::EdgeInsets{0, 0, 0, 0}));
  // The end is scrolled to the bounds' bottom, under the keyboard.
  EXPECT_NEAR(view->contentOffset().y, view->contentSize().height - view->bounds().size.height, 4);
}

TEST_F(TextViewEditingTouchTest, DraggingTheCaretStopsAtTheEndsOfMarkedText) {
  setText(2);
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({10, 0});
  view->setMarkedText(rt::String("xyz"), {3, 0});
  fd::RunLoopDriver::runUntilIdle();
  auto marked = view->markedTextRange();
  ASSERT_TRUE(marked);
  ASSERT_EQ(marked->asRange(), (rt::Range{10, 3}));
  // The marked text is tinted and the caret blinks at the end of it.
  EXPECT_FALSE(view->selectionView()->selectionRects().empty());
  EXPECT_TRUE(view->selectionView()->isCaretVisible());
  EXPECT_TRUE(view->selectionView()->isCaretBlinks());
  struct Case {
    uint64_t towards;
    uint64_t want;
  } cases[] = {{2, 10}, {40, 13}, {12, 12}};
  ui::TouchInput input(window);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.towards);
    gfx::Point from = caretMiddle(view->selectedRange().location);
    auto touch = input.down(toWindow(from));
    gfx::Point to = leftHalfOf(c.towards);
    for (int i = 1; i <= 4; ++i)
      input.move(touch, toWindow({from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}));
    EXPECT_TRUE(Tracking::flags(*view).trackingCaret);
    EXPECT_TRUE(Tracking::flags(*view).showingMagnifierRanged) << "the ranged loupe follows marked text";
    input.up(touch);
    EXPECT_EQ(view->selectedRange(), (rt::Range{c.want, 0}));
    ASSERT_TRUE(view->markedTextRange());
    EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{10, 3}));
    fd::RunLoopDriver::advance(0.5);
  }
}

// A tap, or a selection the view makes from its menu, ends an input method's composition: the
// composed characters stay as shown, and the input method is told, once, to drop it.
TEST_F(TextViewEditingTouchTest, ATapOrAMenuSelectionEndsACompositionAndResetsTheInputMethod) {
  setText(2);
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({10, 0});
  ui::KeyboardInput keys;
  int resets = 0;
  keys.setInputMethodReset([&] { ++resets; });
  keys.followFocus();
  const rt::String composed("\u5E02\u573A");
  keys.compose(composed, {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  EXPECT_TRUE(keys.isComposing());
  const rt::String text = view->text();

  // A tap well after the composition: the caret goes there, unclamped.
  ui::TouchInput input(window);
  input.tap(toWindow(leftHalfOf(30)));
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->text(), text) << "kept as shown";
  EXPECT_EQ(view->selectedRange(), (rt::Range{30, 0}));
  EXPECT_EQ(resets, 1);
  EXPECT_FALSE(keys.isComposing());
  // The next composition starts at the caret, on its own.
  keys.compose(rt::String("ni"), {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  EXPECT_EQ(view->markedTextRange()->asRange(), (rt::Range{30, 2}));
  keys.typeText(rt::String("\u4F60"));
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(resets, 1) << "a commit from the input method needs no reset";
  fd::RunLoopDriver::advance(0.5);

  // A tap on the composition itself ends it too.
  keys.compose(composed, {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  input.tap(toWindow(leftHalfOf(31)));
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->selectedRange().length, 0u);
  EXPECT_GE(view->selectedRange().location, 31u);
  EXPECT_LE(view->selectedRange().location, 32u) << "at the tap, not the composition's end";
  EXPECT_EQ(resets, 2);
  fd::RunLoopDriver::advance(0.5);

  // Select all from the menu (or Ctrl+A).
  keys.compose(composed, {2, 0});
  ASSERT_TRUE(view->markedTextRange());
  view->selectAllAction(nullptr);
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, view->text().length()}));
  EXPECT_EQ(resets, 3);

  // Losing focus while composing resets it as well.
  view->setSelectedRange({0, 0});
  keys.compose(composed, {2, 0});
  ASSERT_TRUE(view->resignFirstResponder());
  keys.followFocus();
  EXPECT_FALSE(view->markedTextRange());
  EXPECT_EQ(resets, 4);
}

TEST_F(TextViewEditingTouchTest, ALongPressWhileEditingDragsTheCaret) {
  setText(2);
  ASSERT_TRUE(view->becomeFirstResponder());
  view->setSelectedRange({4, 0});
  fd::RunLoopDriver::advance(0.1);
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(leftHalfOf(26)));
  fd::RunLoopDriver::advance(0.6);
  auto flags = Tracking::flags(*view);
  EXPECT_TRUE(flags.trackingCaret);
  EXPECT_TRUE(flags.showingMagnifierCaret);
  EXPECT_FALSE(view->selectionView()->isCaretBlinks());
  EXPECT_FALSE(view->panGestureRecognizer()->isEnabled());
  ASSERT_TRUE(Tracking::trackingRange(*view));
  EXPECT_EQ(Tracking::trackingRange(*view)->asRange(), (rt::Range{26, 0}));
  EXPECT_EQ(view->selectionView()->caretRect().origin.x, caretRect(26).origin.x) << "the caret shows where it goes";
  EXPECT_EQ(view->selectedRange(), (rt::Range{4, 0}));
  input.move(touch, toWindow(leftHalfOf(31)));
  input.up(touch);
  EXPECT_EQ(view->selectedRange(), (rt::Range{31, 0}));
  EXPECT_FALSE(Tracking::flags(*view).showingMagnifierCaret);
  fd::RunLoopDriver::advance(0.05);
  EXPECT_TRUE(Tracking::flags(*view).showingMenu);
}

TEST_F(TextViewEditingTouchTest, TimersNeverKeepAReleasedView) {
  setText(60);
  view->setSelectedRange({4, 5});
  ASSERT_TRUE(view->becomeFirstResponder());
  ui::TouchInput input(window);
  auto grabber = view->selectionView()->endGrabber();
  gfx::Point at = grabber->superview()->convertPointToView(
      {grabber->frame().origin.x + grabber->frame().size.width / 2,
       grabber->frame().origin.y + grabber->frame().size.height / 2},
      nullptr);
  auto touch = input.down(at);
  ASSERT_EQ(Tracking::flags(*view).trackingGrabber, 2u);
  input.move(touch, view->convertPointToView({100, view->bounds().size.height + 30}, nullptr));
  ASSERT_TRUE(Tracking::hasAutoScrollTimer(*view));
  ASSERT_TRUE(Tracking::hasLongPressTimer(*view) || Tracking::flags(*view).touchMoved);
  Weak<DUDaviDira> weak = view;
  view->resignFirstResponder();
  view->removeFromSuperview();
  view = nullptr;
  input.cancel({touch});
  fd::RunLoopDriver::advance(2);
  EXPECT_FALSE(weak.lock()) << "no timer held the view";
  view = rt::make<DUDaviDira>(gfx::RectMake(0, 0, 100, 100));  // for TearDown
}

TEST_F(TextViewEditingTouchTest, TheMenuFollowsTheCaretWhenTheKeyboardArrives) {
  setText(60);
  ASSERT_TRUE(view->becomeFirstResponder());
  // A caret near the bottom of the view, where the keyboard will come.
  auto low = view->textLayout()->closestPositionToPoint(
      Positions::convertPointToLayout(*view, {100, view->bounds().size.height - 40}));
  ASSERT_TRUE(low);
  view->setSelectedRange({static_cast<uint64_t>(low->offset()), 0});
  fd::RunLoopDriver::advance(0.1);
  Tracking::showMenu(*view);
  fd::RunLoopDriver::advance(0.5);
  auto menu = ui::MenuController::sharedMenuController();
  ASSERT_TRUE(menu->isMenuVisible());
  gfx::Rect before = menu->menuFrame();
  auto manager = keyboardUp();
  ASSERT_TRUE(manager && manager->isKeyboardVisible());
  fd::RunLoopDriver::advance(1);
  EXPECT_TRUE(Tracking::flags(*view).showingMenu);
  ASSERT_TRUE(menu->isMenuVisible());
  gfx::Rect after = menu->menuFrame();
  gfx::Rect keyboard = manager->keyboardFrame();
  EXPECT_LT(after.origin.y, before.origin.y) << "the caret went up, and the menu with it";
  EXPECT_LE(gfx::RectGetMaxY(after), keyboard.origin.y);
}
