// Touches on the text view, delivered through a window as a finger's would be, on the virtual
// clock: highlight taps and long presses, grabber drags across lines, auto-scroll near an
// edge, the long-press pre-selection, the edit menu's place, the pause after a loupe hides,
// and the grabber dots that follow a moved view.
#include <gtest/gtest.h>

#include <functional>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/typeset/AttributeNames.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/Window.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/effect/DRTextEffectWindow.h"
#include "tests/textview/textview/DUDaviDiraTestAccess.h"
#include "tests/textview/textview/DUDaviDiraTrackingTestAccess.h"

using namespace textview;
using Tracking = textview::DUDaviDiraTrackingTestAccess;
using Positions = textview::DUDaviDiraTestAccess;

namespace touches_test {

// The text view's superview: answers "copy:" (so the edit menu has an item to show) and
// records the touches that reach it.
class ActionHost : public ui::View {
  RT_CLASS(ActionHost, ui::View)
 public:
  std::vector<std::string> seen;
  void copy(const rt::Id&) {}
  void touchesBegan(const ui::TouchSet&, ui::Event*) override { seen.push_back("began"); }
  void touchesMoved(const ui::TouchSet&, ui::Event*) override { seen.push_back("moved"); }
  void touchesEnded(const ui::TouchSet&, ui::Event*) override { seen.push_back("ended"); }
  void touchesCancelled(const ui::TouchSet&, ui::Event*) override { seen.push_back("cancelled"); }
};

struct Call {
  std::string what;
  rt::Range range;
  gfx::Rect rect;
};

// Answers the highlight questions as told (nullopt: does not answer) and records the calls.
class HighlightDelegate : public DUDaviDiraDelegate {
 public:
  std::optional<bool> tap, longPress;
  bool handlesLongPress = true;
  std::vector<Call> calls;
  int selectionChanges = 0;
  std::optional<bool> textViewShouldTapHighlight(DUDaviDira&, const Ref<text::DRTextHighlight>&, rt::Range) override {
    return tap;
  }
  std::optional<bool> textViewShouldLongPressHighlight(DUDaviDira&, const Ref<text::DRTextHighlight>&,
                                                       rt::Range) override {
    return longPress;
  }
  void textViewDidTapHighlight(DUDaviDira&, const Ref<text::DRTextHighlight>&, rt::Range r, gfx::Rect rect) override {
    calls.push_back({"tap", r, rect});
  }
  bool textViewDidLongPressHighlight(DUDaviDira&, const Ref<text::DRTextHighlight>&, rt::Range r,
                                     gfx::Rect rect) override {
    calls.push_back({"long press", r, rect});
    return handlesLongPress;
  }
  void textViewDidChangeSelection(DUDaviDira&) override { ++selectionChanges; }
};

Ref<typeset::Font> latin(double size = 16) { return typeset::Font::fontWithName("DejaVu Sans", size); }

const char* const kSentence = "The quick brown fox jumps over the lazy dog. ";

class TextViewTouchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    host = rt::make<ActionHost>(gfx::RectMake(0, 0, 320, 480));
    window->addSubview(host);
    view = rt::make<DUDaviDira>(gfx::RectMake(10, 140, 300, 200));
    host->addSubview(view);
    view->setTextViewDelegate(delegate);
  }
  void TearDown() override {
    ui::MenuController::sharedMenuController()->setMenuVisible(false);
    fd::RunLoopDriver::advance(1);
    view = nullptr;
    host = nullptr;
    window = nullptr;
    ui::Transaction::flush();
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }

  // `sentences` copies of the sentence; `highlighted` (when given) carries a highlight.
  void setText(int sentences, std::optional<rt::Range> highlighted = std::nullopt) {
    std::string s;
    for (int i = 0; i < sentences; ++i) s += kSentence;
    auto text = typeset::MutableAttributedString::create(
        rt::String(s), fd::Dictionary::withStrings({{typeset::FontAttributeName, latin()}}));
    if (highlighted) {
      highlight = text::DRTextHighlight::highlightWithAttributes(nullptr);
      highlight->setColor(gfx::Color::redColor());
      text::setTextHighlight(*text, highlight, *highlighted);
    }
    view->setAttributedText(text);
    view->setSelectedRange({0, 0});
    fd::RunLoopDriver::runUntilIdle();
    if (highlighted)
      highlight = rt::as<text::DRTextHighlight>(
          view->attributedText()->attributeAtIndex(rt::String(text::DRTextHighlightKey), highlighted->location));
    delegate->selectionChanges = 0;
  }

  // Points of the text, in the container view's coordinates and in the window's.
  gfx::Rect caretRect(uint64_t offset) {
    auto layout = view->textLayout();
    return Positions::convertRectFromLayout(
        *view, layout->caretRectForPosition(text::DRTextPosition::positionWithOffset(static_cast<int64_t>(offset))));
  }
  gfx::Point middleOfCharacter(uint64_t offset) {
    gfx::Rect a = caretRect(offset), b = caretRect(offset + 1);
    return {(a.origin.x + b.origin.x) / 2, a.origin.y + a.size.height / 2};
  }
  gfx::Point toWindow(gfx::Point p) { return view->containerView()->convertPointToView(p, nullptr); }
  gfx::Rect rangeRect(rt::Range r) {
    auto layout = view->textLayout();
    return Positions::convertRectFromLayout(*view, layout->rectForRange(text::DRTextRange::rangeWithRange(r)));
  }
  gfx::Point centerOf(gfx::Rect r) { return {r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2}; }
  // The end grabber's middle in the window, while it is shown.
  gfx::Point endGrabberInWindow() {
    auto grabber = view->selectionView()->endGrabber();
    return grabber->superview()->convertPointToView(centerOf(grabber->frame()), nullptr);
  }
  void selectWithoutEditing(rt::Range r) {
    view->setSelectedRange(r);
    Tracking::setSelectedWithoutEdit(*view, true);
    Tracking::refreshSelectionView(*view);
  }
  void recordTapsAndLongPresses() {
    highlight->setTapAction([this](const rt::Id& v, const Ref<typeset::AttributedString>& t, rt::Range r, gfx::Rect rect) {
      EXPECT_EQ(v.get(), view.get());
      EXPECT_EQ(t->string(), view->text());
      actions.push_back({"tap action", r, rect});
    });
    highlight->setLongPressAction(
        [this](const rt::Id& v, const Ref<typeset::AttributedString>&, rt::Range r, gfx::Rect rect) {
          EXPECT_EQ(v.get(), view.get());
          actions.push_back({"long press action", r, rect});
        });
  }

  Ref<ui::Window> window;
  Ref<ActionHost> host;
  Ref<DUDaviDira> view;
  std::shared_ptr<HighlightDelegate> delegate = std::make_shared<HighlightDelegate>();
  Ref<text::DRTextHighlight> highlight;
  std::vector<Call> actions;
};

}  // namespace touches_test

using namespace touches_test;

RT_IMPLEMENT(ActionHost) { c.method("copy:", &ActionHost::copy); }

TEST_F(TextViewTouchTest, ATapOnAHighlightRunsItsActionWithItsRangeAndRectangle) {
  constexpr rt::Range kQuick{4, 5};
  setText(1, kQuick);
  recordTapsAndLongPresses();
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(middleOfCharacter(6)));
  EXPECT_TRUE(Tracking::flags(*view).showingHighlight);
  EXPECT_NE(view->containerView()->layout(), view->textLayout())
      << "the pressed look is a layout of its own";
  input.up(touch);
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].what, "tap action");
  EXPECT_EQ(actions[0].range, kQuick);
  EXPECT_EQ(actions[0].rect, rangeRect(kQuick));
  EXPECT_GT(actions[0].rect.size.width, 20);
  EXPECT_FALSE(Tracking::flags(*view).showingHighlight);
  EXPECT_EQ(view->containerView()->layout(), view->textLayout());
  EXPECT_TRUE(delegate->calls.empty());
  EXPECT_TRUE(host->seen.empty()) << "the view keeps the touches it tracks";
  // Lifting away from the highlight runs nothing.
  touch = input.down(toWindow(middleOfCharacter(6)));
  input.move(touch, toWindow(middleOfCharacter(20)));
  input.up(touch);
  EXPECT_EQ(actions.size(), 1u);
}

TEST_F(TextViewTouchTest, AHighlightWithoutActionsAsksTheDelegate) {
  constexpr rt::Range kFox{16, 3};
  struct Case {
    std::optional<bool> tap, longPress;
    bool found, called;
  } cases[] = {
      {std::nullopt, std::nullopt, true, true},
      {true, std::nullopt, true, true},
      {false, std::nullopt, true, false},   // found, but the tap is refused
      {false, true, true, false},
      {true, false, true, true},
      {false, false, false, false},         // both refused: not a highlight at all
      {std::nullopt, false, true, true},    // an unanswered tap question counts as yes
  };
  setText(1, kFox);
  ui::TouchInput input(window);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "tap " << (c.tap ? (*c.tap ? "yes" : "no") : "-") << " long press "
                                    << (c.longPress ? (*c.longPress ? "yes" : "no") : "-"));
    delegate->tap = c.tap;
    delegate->longPress = c.longPress;
    delegate->calls.clear();
    rt::Range range{0, 0};
    auto found = Tracking::highlightAt(*view, middleOfCharacter(17), &range);
    EXPECT_EQ(static_cast<bool>(found), c.found);
    if (c.found) EXPECT_EQ(range, kFox);
    else EXPECT_EQ(range, (rt::Range{0, 0})) << "the range is written only for a highlight";
    input.tap(toWindow(middleOfCharacter(17)));
    ASSERT_EQ(delegate->calls.size(), c.called ? 1u : 0u);
    if (c.called) {
      EXPECT_EQ(delegate->calls[0].what, "tap");
      EXPECT_EQ(delegate->calls[0].range, kFox);
      EXPECT_EQ(delegate->calls[0].rect, rangeRect(kFox));
    }
    fd::RunLoopDriver::advance(0.5);
    // A tap that found no highlight started editing, and highlights wait while editing.
    EXPECT_EQ(view->isFirstResponder(), !c.found);
    view->resignFirstResponder();
  }
}

TEST_F(TextViewTouchTest, HighlightsAreNotTrackedWhileEditing) {
  setText(1, rt::Range{16, 3});
  ui::TouchInput input(window);
  input.tap(toWindow(middleOfCharacter(17)));
  ASSERT_EQ(delegate->calls.size(), 1u);
  ASSERT_TRUE(view->becomeFirstResponder());
  fd::RunLoopDriver::advance(0.5);
  input.tap(toWindow(middleOfCharacter(17)));
  EXPECT_EQ(delegate->calls.size(), 1u);
  EXPECT_FALSE(Tracking::flags(*view).showingHighlight);
  EXPECT_EQ(view->selectedRange().length, 0u);
  EXPECT_NEAR(static_cast<double>(view->selectedRange().location), 17.5, 0.5) << "the tap placed the caret instead";
}

TEST_F(TextViewTouchTest, TheLastCharactersHighlightIsFoundAndAnEmptyTextHasNone) {
  auto text = typeset::MutableAttributedString::create(
      rt::String("lazy dog"), fd::Dictionary::withStrings({{typeset::FontAttributeName, latin()}}));
  auto h = text::DRTextHighlight::highlightWithAttributes(nullptr);
  text::setTextHighlight(*text, h, {5, 3});
  view->setAttributedText(text);
  fd::RunLoopDriver::runUntilIdle();
  gfx::Point last = middleOfCharacter(7);
  rt::Range range{0, 0};
  EXPECT_TRUE(Tracking::highlightAt(*view, {last.x + 2, last.y}, &range));
  EXPECT_EQ(range, (rt::Range{5, 3}));
  EXPECT_FALSE(Tracking::highlightAt(*view, middleOfCharacter(1), &range)) << "plain text has none";
  view->setHighlightable(false);
  EXPECT_FALSE(Tracking::highlightAt(*view, middleOfCharacter(6), &range));
  view->setHighlightable(true);
  view->setAttributedText(nullptr);
  fd::RunLoopDriver::runUntilIdle();
  range = {0, 0};
  EXPECT_FALSE(Tracking::highlightAt(*view, {5, 10}, &range));
  EXPECT_EQ(range, (rt::Range{0, 0}));
}

TEST_F(TextViewTouchTest, ALongPressOnAHighlightRunsItsLongPressActionOnly) {
  constexpr rt::Range kQuick{4, 5};
  setText(1, kQuick);
  recordTapsAndLongPresses();
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(middleOfCharacter(5)));
  fd::RunLoopDriver::advance(0.49);
  EXPECT_TRUE(actions.empty());
  fd::RunLoopDriver::advance(0.02);
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].what, "long press action");
  EXPECT_EQ(actions[0].range, kQuick);
  EXPECT_EQ(actions[0].rect, rangeRect(kQuick));
  EXPECT_FALSE(Tracking::flags(*view).trackingTouch) << "the long press ended the tracking";
  input.up(touch);
  EXPECT_EQ(actions.size(), 1u) << "no tap follows";
}

TEST_F(TextViewTouchTest, AVetoedHighlightLongPressFallsBackToPreSelection) {
  constexpr rt::Range kQuick{4, 5};
  setText(1, kQuick);
  delegate->longPress = false;
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(middleOfCharacter(6)));
  fd::RunLoopDriver::advance(0.6);
  EXPECT_TRUE(delegate->calls.empty());
  auto flags = Tracking::flags(*view);
  EXPECT_TRUE(flags.trackingPreSelect);
  EXPECT_FALSE(flags.showingHighlight);
  EXPECT_FALSE(Tracking::highlight(*view));
  EXPECT_TRUE(flags.showingMagnifierCaret);
  EXPECT_FALSE(view->panGestureRecognizer()->isEnabled());
  auto tracked = Tracking::trackingRange(*view);
  ASSERT_TRUE(tracked);
  EXPECT_EQ(tracked->asRange(), kQuick) << "the word under the finger";
  input.up(touch);
  flags = Tracking::flags(*view);
  EXPECT_FALSE(flags.trackingTouch);
  EXPECT_FALSE(flags.showingMagnifierCaret);
  EXPECT_TRUE(flags.selectedWithoutEdit) << "a pre-selected range stays, without editing";
  EXPECT_EQ(view->selectedRange(), tracked->asRange());
  EXPECT_EQ(delegate->selectionChanges, 1);
  EXPECT_TRUE(view->panGestureRecognizer()->isEnabled());
  fd::RunLoopDriver::advance(0.05);
  EXPECT_TRUE(Tracking::flags(*view).showingMenu);
  EXPECT_TRUE(ui::MenuController::sharedMenuController()->isMenuVisible());
  // The next plain tap only hides the menu and keeps the selection.
  fd::RunLoopDriver::advance(0.2);
  input.tap(toWindow(middleOfCharacter(30)));
  fd::RunLoopDriver::advance(0.05);
  EXPECT_FALSE(Tracking::flags(*view).selectedWithoutEdit);
  EXPECT_FALSE(Tracking::flags(*view).showingMenu);
  EXPECT_EQ(view->selectedRange(), tracked->asRange());
}

// A delegate that leaves the long press alone (it does not override the call, or answers
// that it did not handle it) lets the press go on as on plain text; one that handles it ends it.
TEST_F(TextViewTouchTest, AHighlightLongPressTheDelegateDoesNotHandleFallsBackToPreSelection) {
  constexpr rt::Range kQuick{4, 5};
  struct Case {
    const char* name;
    bool plainDelegate;  // a delegate that overrides nothing
    bool handles;
    size_t calls;
    bool preSelects;
  } cases[] = {
      {"a delegate without the call", true, false, 0, true},
      {"not handled", false, false, 1, true},
      {"handled", false, true, 1, false},
  };
  auto plain = std::make_shared<DUDaviDiraDelegate>();
  setText(1, kQuick);
  ui::TouchInput input(window);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.plainDelegate) view->setTextViewDelegate(plain);
    else view->setTextViewDelegate(delegate);
    delegate->handlesLongPress = c.handles;
    delegate->calls.clear();
    view->setSelectedRange({0, 0});
    Tracking::setSelectedWithoutEdit(*view, false);
    auto touch = input.down(toWindow(middleOfCharacter(6)));
    ASSERT_TRUE(Tracking::flags(*view).showingHighlight);
    fd::RunLoopDriver::advance(0.6);
    ASSERT_EQ(delegate->calls.size(), c.calls);
    if (c.calls) {
      EXPECT_EQ(delegate->calls[0].what, "long press");
      EXPECT_EQ(delegate->calls[0].range, kQuick);
    }
    auto flags = Tracking::flags(*view);
    EXPECT_EQ(flags.trackingPreSelect, c.preSelects);
    EXPECT_EQ(flags.showingMagnifierCaret, c.preSelects);
    EXPECT_EQ(flags.trackingTouch, c.preSelects) << "a handled press ends the tracking";
    input.up(touch);
    EXPECT_EQ(view->selectedRange(), c.preSelects ? kQuick : (rt::Range{0, 0}));
    EXPECT_EQ(Tracking::flags(*view).selectedWithoutEdit, c.preSelects);
    fd::RunLoopDriver::advance(0.5);
  }
}

TEST_F(TextViewTouchTest, ATouchWhileTheLoupeHidesGoesToTheScrollView) {
  setText(1);
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(middleOfCharacter(6)));
  fd::RunLoopDriver::advance(0.6);
  ASSERT_TRUE(Tracking::flags(*view).showingMagnifierCaret);
  input.up(touch);
  EXPECT_TRUE(Tracking::flags(*view).ignoreTouchBegan);
  host->seen.clear();
  touch = input.down(toWindow(middleOfCharacter(20)));
  EXPECT_FALSE(Tracking::flags(*view).trackingTouch);
  input.up(touch);
  EXPECT_EQ(host->seen, (std::vector<std::string>{"began", "ended"}));
  fd::RunLoopDriver::advance(0.16);
  EXPECT_FALSE(Tracking::flags(*view).ignoreTouchBegan);
  host->seen.clear();
  touch = input.down(toWindow(middleOfCharacter(20)));
  EXPECT_TRUE(Tracking::flags(*view).trackingTouch);
  input.up(touch);
  EXPECT_TRUE(host->seen.empty());
}

TEST_F(TextViewTouchTest, DraggingTheEndGrabberAcrossLinesMovesTheSelectionEnd) {
  setText(3);
  selectWithoutEditing({4, 5});
  ASSERT_FALSE(view->selectionView()->selectionRects().empty());
  ui::TouchInput input(window);
  gfx::Point from = endGrabberInWindow();
  auto touch = input.down(from);
  auto flags = Tracking::flags(*view);
  EXPECT_EQ(flags.trackingGrabber, 2u);
  EXPECT_FALSE(view->panGestureRecognizer()->isEnabled());
  // Down two lines, a little to the right.
  gfx::Rect line = caretRect(9);
  gfx::Point target{line.origin.x + 30, line.origin.y + 2.5 * line.size.height};
  for (int i = 1; i <= 4; ++i) {
    gfx::Point p{line.origin.x + 30 * i / 4.0, line.origin.y + line.size.height / 2 + 2 * line.size.height * i / 4.0};
    input.move(touch, toWindow(p));
  }
  input.move(touch, toWindow(target));
  EXPECT_TRUE(Tracking::flags(*view).showingMagnifierRanged);
  auto tracked = Tracking::trackingRange(*view);
  ASSERT_TRUE(tracked);
  EXPECT_EQ(tracked->asRange().location, 4u) << "the start stays";
  // Where the layout puts the dragged end for the finger, looking 6 points above it.
  auto layout = view->textLayout();
  auto expected = layout->positionForPoint(Positions::convertPointToLayout(*view, {target.x, target.y - 6}),
                                           text::DRTextPosition::positionWithOffset(9),
                                           text::DRTextPosition::positionWithOffset(4));
  ASSERT_TRUE(expected);
  EXPECT_EQ(tracked->end()->offset(), expected->offset());
  EXPECT_GT(expected->offset(), 60) << "two lines further";
  EXPECT_EQ(view->selectedRange(), (rt::Range{4, 5})) << "the selection changes only when the finger lifts";
  input.up(touch);
  EXPECT_EQ(view->selectedRange(), (rt::Range{4, static_cast<uint64_t>(expected->offset()) - 4}));
  EXPECT_EQ(delegate->selectionChanges, 1);
  EXPECT_FALSE(Tracking::flags(*view).showingMagnifierRanged);
  fd::RunLoopDriver::advance(0.05);
  EXPECT_TRUE(Tracking::flags(*view).showingMenu);
}

TEST_F(TextViewTouchTest, DraggingTheEndGrabberPastTheTextEndsAtTheTextLength) {
  setText(1);
  uint64_t length = view->text().length();
  selectWithoutEditing({4, 5});
  ui::TouchInput input(window);
  auto touch = input.down(endGrabberInWindow());
  gfx::Rect last = caretRect(length);
  input.move(touch, toWindow({last.origin.x + 200, last.origin.y + 60}));
  input.move(touch, toWindow({last.origin.x + 250, last.origin.y + 70}));
  input.up(touch);
  EXPECT_EQ(view->selectedRange(), (rt::Range{4, length - 4}));
}

TEST_F(TextViewTouchTest, HoldingAGrabberNearTheBottomScrollsFasterUntilTheEnd) {
  setText(40);
  gfx::Size content = view->contentSize();
  ASSERT_GT(content.height, 1000);
  double maximum = content.height - view->bounds().size.height + view->contentInset().bottom;
  selectWithoutEditing({4, 5});
  ui::TouchInput input(window);
  auto touch = input.down(endGrabberInWindow());
  // Hold the finger 20 points below the view's bottom edge: 12.5 points a tick at first.
  gfx::Point held = view->convertPointToView({150, view->bounds().size.height + 20}, nullptr);
  input.move(touch, held);
  EXPECT_TRUE(Tracking::hasAutoScrollTimer(*view));
  std::vector<double> offsets;
  for (int i = 0; i < 6; ++i) {
    fd::RunLoopDriver::advance(0.1);
    offsets.push_back(view->contentOffset().y);
  }
  ASSERT_GT(offsets[0], 0);
  EXPECT_TRUE(Tracking::flags(*view).autoScrollTicked);
  for (size_t i = 2; i < offsets.size(); ++i)
    EXPECT_GT(offsets[i] - offsets[i - 1], offsets[i - 1] - offsets[i - 2]) << "each step is longer: " << i;
  // Held on, it reaches the end of the content and stops there.
  fd::RunLoopDriver::advance(10);
  EXPECT_DOUBLE_EQ(view->contentOffset().y, maximum);
  EXPECT_FALSE(Tracking::hasAutoScrollTimer(*view)) << "a step of half a point or less ends it";
  input.up(touch);
  EXPECT_GT(view->selectedRange().location + view->selectedRange().length, view->text().length() - 100);
}

TEST_F(TextViewTouchTest, HoldingAGrabberNearTheTopNeverScrollsAboveTheInset) {
  setText(40);
  view->setContentInset({10, 0, 0, 0});
  fd::RunLoopDriver::runUntilIdle();
  view->setContentOffset({0, 400});
  selectWithoutEditing({4, 5});
  // The selection lies above; select from the visible text instead.
  auto visible = view->textLayout()->closestPositionToPoint(Positions::convertPointToLayout(*view, {100, 450}));
  ASSERT_TRUE(visible);
  selectWithoutEditing({static_cast<uint64_t>(visible->offset()), 5});
  ui::TouchInput input(window);
  auto grabber = view->selectionView()->startGrabber();
  auto touch = input.down(grabber->superview()->convertPointToView(centerOf(grabber->frame()), nullptr));
  ASSERT_TRUE(touch);
  EXPECT_EQ(Tracking::flags(*view).trackingGrabber, 1u);
  input.move(touch, view->convertPointToView({150, view->contentOffset().y - 30}, nullptr));
  input.move(touch, view->convertPointToView({150, view->contentOffset().y - 40}, nullptr));
  fd::RunLoopDriver::advance(10);
  EXPECT_DOUBLE_EQ(view->contentOffset().y, -10);
  EXPECT_FALSE(Tracking::hasAutoScrollTimer(*view));
  input.up(touch);
}

TEST_F(TextViewTouchTest, TheMenuGoesAboveTheSelectionOrBelowWhenThereIsNoRoom) {
  setText(8);
  struct Case {
    const char* name;
    double viewTop;
    bool above;
  } cases[] = {{"room above", 140, true}, {"at the top of the screen", 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    view->setFrame(gfx::RectMake(10, c.viewTop, 300, 200));
    fd::RunLoopDriver::runUntilIdle();
    selectWithoutEditing({50, 10});
    Tracking::showMenu(*view);
    fd::RunLoopDriver::advance(0.05);
    auto menu = ui::MenuController::sharedMenuController();
    ASSERT_TRUE(menu->isMenuVisible());
    ASSERT_TRUE(Tracking::flags(*view).showingMenu);
    gfx::Rect selection = view->containerView()->convertRectToView(rangeRect({50, 10}), nullptr);
    gfx::Rect frame = menu->menuFrame();
    if (c.above) EXPECT_LE(gfx::RectGetMaxY(frame), selection.origin.y + 0.5);
    else EXPECT_GE(frame.origin.y, gfx::RectGetMaxY(selection) - 0.5);
    Tracking::hideMenu(*view);
    EXPECT_FALSE(Tracking::flags(*view).showingMenu);
    fd::RunLoopDriver::advance(0.5);
    EXPECT_FALSE(menu->isMenuVisible());
    EXPECT_FALSE(view->containerView()->isFirstResponder()) << "the stand-in responder gives way";
  }
}

TEST_F(TextViewTouchTest, GrabberDotsFollowAMovedView) {
  setText(2);
  selectWithoutEditing({4, 10});
  EXPECT_TRUE(Tracking::hasDotFixTimer(*view));
  fd::RunLoopDriver::advance(0.1);
  EXPECT_FALSE(Tracking::hasDotFixTimer(*view));
  auto effect = DRTextEffectWindow::sharedWindow();
  ASSERT_TRUE(effect);
  gfx::Point first = Tracking::previousOriginInWindow(*view);
  EXPECT_EQ(first, view->convertPointToView({0, 0}, nullptr));
  view->setFrame(gfx::RectMake(30, 100, 300, 200));
  Tracking::refreshSelectionView(*view);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(Tracking::previousOriginInWindow(*view), (gfx::Point{30 - view->contentOffset().x, 100 - view->contentOffset().y}));
  // Without dots the timer is stopped.
  Tracking::refreshSelectionView(*view);
  EXPECT_TRUE(Tracking::hasDotFixTimer(*view));
  view->setSelectedRange({3, 0});
  EXPECT_FALSE(Tracking::hasDotFixTimer(*view));
}

TEST_F(TextViewTouchTest, EndingTrackingClearsTheGestureButKeepsTheSelectionState) {
  setText(1);
  ui::TouchInput input(window);
  auto touch = input.down(toWindow(middleOfCharacter(6)));
  fd::RunLoopDriver::advance(0.6);
  ASSERT_TRUE(Tracking::flags(*view).trackingPreSelect);
  Tracking::endTouchTracking(*view);
  auto flags = Tracking::flags(*view);
  EXPECT_FALSE(flags.trackingTouch);
  EXPECT_FALSE(flags.trackingPreSelect);
  EXPECT_FALSE(flags.showingMagnifierCaret);
  EXPECT_TRUE(flags.swallowTouch) << "the touch still belongs to the view";
  EXPECT_FALSE(Tracking::trackingRange(*view));
  EXPECT_FALSE(Tracking::hasLongPressTimer(*view));
  EXPECT_TRUE(view->panGestureRecognizer()->isEnabled());
  input.up(touch);
  EXPECT_EQ(view->selectedRange(), (rt::Range{0, 0})) << "an ended gesture selects nothing";
}

TEST_F(TextViewTouchTest, SettersEndAGestureUnderWayAndTheMenu) {
  struct Case {
    const char* name;
    std::function<void(DUDaviDira&)> change;
  } cases[] = {
      {"selected range", [](DUDaviDira& v) { v.setSelectedRange({1, 0}); }},
      {"text", [](DUDaviDira& v) { v.setText(rt::String("Another text entirely")); }},
      {"attributed text",
       [](DUDaviDira& v) { v.setAttributedText(typeset::AttributedString::create(rt::String("Something else"))); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    setText(1);
    ui::TouchInput input(window);
    auto touch = input.down(toWindow(middleOfCharacter(6)));
    fd::RunLoopDriver::advance(0.6);
    ASSERT_TRUE(Tracking::flags(*view).trackingPreSelect);
    ASSERT_TRUE(Tracking::flags(*view).showingMagnifierCaret);
    c.change(*view);
    auto flags = Tracking::flags(*view);
    EXPECT_FALSE(flags.trackingTouch);
    EXPECT_FALSE(flags.trackingPreSelect);
    EXPECT_FALSE(flags.showingMagnifierCaret);
    rt::Range after = view->selectedRange();
    input.up(touch);
    EXPECT_EQ(view->selectedRange(), after) << "the lifted finger changes nothing more";
    fd::RunLoopDriver::advance(0.5);
  }
  // Turning selection off hides a menu shown for a pre-selected word.
  setText(1);
  ui::TouchInput input(window);
  input.press(toWindow(middleOfCharacter(6)), 0.6);
  fd::RunLoopDriver::advance(0.05);
  ASSERT_TRUE(Tracking::flags(*view).showingMenu);
  view->setSelectable(false);
  EXPECT_FALSE(Tracking::flags(*view).showingMenu);
  EXPECT_FALSE(Tracking::flags(*view).selectedWithoutEdit);
  fd::RunLoopDriver::advance(0.5);
  EXPECT_FALSE(ui::MenuController::sharedMenuController()->isMenuVisible());
  EXPECT_TRUE(view->selectionView()->selectionRects().empty());
}

TEST_F(TextViewTouchTest, InVerticalFormAutoScrollRunsAlongX) {
  std::string s;
  for (int i = 0; i < 60; ++i) s += "\xe6\x96\x87\xe5\xad\x97\xe3\x82\x92\xe7\xb8\xa6\xe3\x81\xab\xe6\x9b\xb8\xe3\x81\x8f\xe3\x80\x82";
  view->setVerticalForm(true);
  view->setAttributedText(typeset::MutableAttributedString::create(
      rt::String(s),
      fd::Dictionary::withStrings({{typeset::FontAttributeName, typeset::Font::fontWithName("Noto Sans CJK SC", 16)}})));
  fd::RunLoopDriver::runUntilIdle();
  gfx::Size content = view->contentSize();
  ASSERT_GT(content.width, view->bounds().size.width * 2);
  ASSERT_DOUBLE_EQ(content.height, view->visibleSize().height);
  double maximum = content.width - view->bounds().size.width + view->contentInset().right;
  view->setContentOffset({maximum / 2, 0});
  // Select what shows in the middle of the view.
  auto middle = view->textLayout()->closestPositionToPoint(
      Positions::convertPointToLayout(*view, {maximum / 2 + 150, 100}));
  ASSERT_TRUE(middle);
  selectWithoutEditing({static_cast<uint64_t>(middle->offset()), 4});
  auto grabber = view->selectionView()->endGrabber();
  ASSERT_FALSE(grabber->isHidden());
  ui::TouchInput input(window);
  auto touch = input.down(grabber->superview()->convertPointToView(centerOf(grabber->frame()), nullptr));
  ASSERT_EQ(Tracking::flags(*view).trackingGrabber, 2u);
  // Past the right edge: forwards along x, as far as the content goes.
  input.move(touch, view->convertPointToView({view->contentOffset().x + view->bounds().size.width + 15, 100}, nullptr));
  input.move(touch, view->convertPointToView({view->contentOffset().x + view->bounds().size.width + 25, 100}, nullptr));
  fd::RunLoopDriver::advance(0.3);
  EXPECT_GT(view->contentOffset().x, maximum / 2);
  EXPECT_EQ(view->contentOffset().y, 0);
  fd::RunLoopDriver::advance(10);
  EXPECT_DOUBLE_EQ(view->contentOffset().x, maximum);
  EXPECT_FALSE(Tracking::hasAutoScrollTimer(*view));
  EXPECT_TRUE(Tracking::flags(*view).showingMagnifierCaret) << "vertical text uses the round loupe";
  EXPECT_FALSE(Tracking::flags(*view).showingMagnifierRanged);
  input.up(touch);
}
