// Touches on highlighted text, delivered through a window as a finger's would be, on the
// virtual clock: taps, long presses, the slop, cancelling, and what reaches the superview.
#include <gtest/gtest.h>

#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/view/Window.h"
#include "tests/textview/label/LabelSupport.h"
#include "text/model/DRTextPosition.h"
#include "text/model/MutableAttributedString+DRText.h"

using namespace textview;
using label_test::CountingModifier;
using label_test::latin;
using label_test::styled;

namespace {

// The label's superview: records the touches that reach it.
class TouchRecorder : public ui::View {
  RT_CLASS(TouchRecorder, ui::View)
 public:
  std::vector<std::string> seen;
  void touchesBegan(const ui::TouchSet&, ui::Event*) override { seen.push_back("began"); }
  void touchesMoved(const ui::TouchSet&, ui::Event*) override { seen.push_back("moved"); }
  void touchesEnded(const ui::TouchSet&, ui::Event*) override { seen.push_back("ended"); }
  void touchesCancelled(const ui::TouchSet&, ui::Event*) override { seen.push_back("cancelled"); }
};

struct Call {
  rt::Id view;
  rt::String text;
  rt::Range range;
  gfx::Rect rect;
};

// "Read the highlighted words here", with "highlighted words" carrying a highlight that turns
// it red while touched.
class DRLabelHighlightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<ui::Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    recorder = rt::make<TouchRecorder>(gfx::RectMake(0, 0, 320, 200));
    window->addSubview(recorder);
    label = rt::make<DRLabel>(gfx::RectMake(10, 20, 300, 60));
    recorder->addSubview(label);
    highlight = text::DRTextHighlight::highlightWithAttributes(nullptr);
    highlight->setColor(gfx::Color::redColor());
    auto s = styled(kText, latin(18));
    text::setTextHighlight(*s, highlight, kRange);
    counter = rt::make<CountingModifier>();
    label->setLinePositionModifier(counter);
    label->setAttributedText(s);
    highlight = rt::as<text::DRTextHighlight>(
        label->attributedText()->attributeAtIndex(rt::String(text::DRTextHighlightKey), kRange.location));
    ASSERT_TRUE(highlight);
  }
  void TearDown() override {
    label = nullptr;
    recorder = nullptr;
    window = nullptr;
    ui::Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }

  // The highlight's rectangle in the label, from its layout.
  gfx::Rect highlightRect() {
    auto layout = label->textLayout();
    return label->convertRectFromLayout(layout->rectForRange(text::DRTextRange::rangeWithRange(kRange)));
  }
  gfx::Point inWindow(gfx::Point labelPoint) { return label->convertPointToView(labelPoint, nullptr); }
  gfx::Point onHighlight() {
    gfx::Rect r = highlightRect();
    return inWindow({r.origin.x + r.size.width / 2, r.origin.y + r.size.height / 2});
  }
  gfx::Point onPlainText() {
    gfx::Rect r = highlightRect();
    return inWindow({r.origin.x / 2, r.origin.y + r.size.height / 2});
  }
  void recordTaps() {
    highlight->setTapAction([this](const rt::Id& v, const Ref<typeset::AttributedString>& t, rt::Range r, gfx::Rect rect) {
      taps.push_back({v, t->string(), r, rect});
    });
  }
  void recordLongPresses() {
    highlight->setLongPressAction(
        [this](const rt::Id& v, const Ref<typeset::AttributedString>& t, rt::Range r, gfx::Rect rect) {
          longPresses.push_back({v, t->string(), r, rect});
        });
  }

  static inline const rt::String kText = "Read the highlighted words here";
  static constexpr rt::Range kRange{9, 17};
  Ref<ui::Window> window;
  Ref<TouchRecorder> recorder;
  Ref<DRLabel> label;
  Ref<text::DRTextHighlight> highlight;
  Ref<CountingModifier> counter;
  std::vector<Call> taps, longPresses;
};

}  // namespace

RT_IMPLEMENT(TouchRecorder) {}

TEST_F(DRLabelHighlightTest, ATapRunsTheActionAndNeverReachesTheSuperview) {
  recordTaps();
  ui::TouchInput input(window);
  input.tap(onHighlight());
  ASSERT_EQ(taps.size(), 1u);
  EXPECT_EQ(taps[0].view.get(), label.get());
  EXPECT_EQ(taps[0].text, kText);
  EXPECT_EQ(taps[0].range, kRange);
  gfx::Rect expected = highlightRect();
  EXPECT_EQ(taps[0].rect, expected);
  EXPECT_GT(expected.size.width, 100);
  EXPECT_TRUE(recorder->seen.empty());

  // Plain text: the superview hears the whole touch, and no action runs.
  input.tap(onPlainText());
  EXPECT_EQ(taps.size(), 1u);
  EXPECT_EQ(recorder->seen, (std::vector<std::string>{"began", "ended"}));
}

TEST_F(DRLabelHighlightTest, TheLabelsActionsStandInForMissingOnes) {
  std::vector<std::string> calls;
  label->setHighlightTapAction([&](const rt::Id&, const Ref<typeset::AttributedString>&, rt::Range, gfx::Rect) {
    calls.push_back("label tap");
  });
  label->setHighlightLongPressAction([&](const rt::Id&, const Ref<typeset::AttributedString>&, rt::Range, gfx::Rect) {
    calls.push_back("label long press");
  });
  ui::TouchInput input(window);
  input.tap(onHighlight());
  input.press(onHighlight(), 0.6);
  EXPECT_EQ(calls, (std::vector<std::string>{"label tap", "label long press"}));
  // The highlight's own action wins.
  recordTaps();
  input.tap(onHighlight());
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(taps.size(), 1u);
}

TEST_F(DRLabelHighlightTest, RestingHalfASecondRunsTheLongPressAction) {
  recordTaps();
  recordLongPresses();
  ui::TouchInput input(window);
  auto touch = input.down(onHighlight());
  fd::RunLoopDriver::advance(0.49);
  EXPECT_TRUE(longPresses.empty());
  fd::RunLoopDriver::advance(0.02);
  ASSERT_EQ(longPresses.size(), 1u);
  EXPECT_EQ(longPresses[0].range, kRange);
  EXPECT_EQ(longPresses[0].rect, highlightRect());
  // The long press ended the tracking: lifting is no tap.
  input.up(touch);
  EXPECT_TRUE(taps.empty());
  EXPECT_TRUE(recorder->seen.empty());
}

TEST_F(DRLabelHighlightTest, WithoutALongPressActionTheHighlightStaysAndLiftingTaps) {
  recordTaps();
  ui::TouchInput input(window);
  const gfx::Point finger = onHighlight();  // lays the text out
  const int before = counter->counts->builds.load();
  auto touch = input.down(finger);
  EXPECT_EQ(counter->counts->builds.load(), before + 1) << "the highlighted text is laid out";
  fd::RunLoopDriver::advance(1.0);
  input.up(touch);
  EXPECT_EQ(taps.size(), 1u);
}

TEST_F(DRLabelHighlightTest, TheSlopIsNinePointsOnEitherAxis) {
  recordTaps();
  recordLongPresses();
  ui::TouchInput input(window);
  const gfx::Rect r = highlightRect();
  // Starts two points inside an edge of the highlight and moves out across that edge, so that
  // the lift is off the highlight: only the slop makes it a tap.
  struct Case {
    const char* name;
    gfx::Point start;  // in the label
    gfx::Vector move;
    bool within;
  };
  const double midY = r.origin.y + r.size.height / 2;
  const double left = r.origin.x + 2, bottom = r.origin.y + r.size.height - 2;
  const double midX = r.origin.x + r.size.width / 2;
  const Case cases[] = {
      {"9 left", {left, midY}, {-9, 0}, true},
      {"9.5 left", {left, midY}, {-9.5, 0}, false},
      {"9 down", {midX, bottom}, {0, 9}, true},
      {"9.5 down", {midX, bottom}, {0, 9.5}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const gfx::Point start = inWindow(c.start), moved{start.x + c.move.dx, start.y + c.move.dy};
    // A lift where the move ended.
    taps.clear();
    auto touch = input.down(start);
    input.move(touch, moved);
    input.up(touch);
    EXPECT_EQ(taps.size(), c.within ? 1u : 0u);
    // Resting where the move ended: the long press runs only within the slop.
    longPresses.clear();
    touch = input.down(start);
    input.move(touch, moved);
    fd::RunLoopDriver::advance(0.6);
    input.up(touch);
    EXPECT_EQ(longPresses.size(), c.within ? 1u : 0u);
  }
  // Beyond the slop, coming back onto the same highlight before lifting is a tap again.
  taps.clear();
  const gfx::Point start = onHighlight();
  auto touch = input.down(start);
  input.move(touch, {start.x, start.y + 100});
  input.move(touch, start);
  input.up(touch);
  EXPECT_EQ(taps.size(), 1u);
  EXPECT_TRUE(recorder->seen.empty());
}

TEST_F(DRLabelHighlightTest, ATouchAtTheEndOfTheTextHitsTheLastCharacter) {
  auto s = styled("Ends with a link", latin(18));
  const rt::Range link{12, 4};
  text::setTextHighlight(*s, highlight, link);
  label->setAttributedText(s);
  recordTaps();
  auto layout = label->textLayout();
  ASSERT_TRUE(layout);
  // On the right half of the last character, where the caret nearest is the text's end.
  gfx::Rect last = label->convertRectFromLayout(layout->rectForRange(text::DRTextRange::rangeWithRange({15, 1}, text::DRTextAffinityBackward)));
  const gfx::Point p{last.origin.x + last.size.width * 0.8, last.origin.y + last.size.height / 2};
  ui::TouchInput(window).tap(inWindow(p));
  ASSERT_EQ(taps.size(), 1u);
  EXPECT_EQ(taps[0].range, link);
  // The action's rectangle covers the link, though it ends where the text does.
  gfx::Rect linkRect = label->convertRectFromLayout(layout->rectForRange(
      text::DRTextRange::rangeWithStart(text::DRTextPosition::positionWithOffset(12),
                                        text::DRTextPosition::positionWithOffset(16, text::DRTextAffinityBackward))));
  ASSERT_FALSE(gfx::RectIsNull(taps[0].rect));
  EXPECT_EQ(taps[0].rect, linkRect);
  EXPECT_GE(gfx::RectGetMaxX(taps[0].rect), gfx::RectGetMaxX(last) - 1e-9);
}

TEST_F(DRLabelHighlightTest, CancellingEndsTheTouchQuietly) {
  recordTaps();
  recordLongPresses();
  ui::TouchInput input(window);
  auto touch = input.down(onHighlight());
  input.cancel({touch});
  fd::RunLoopDriver::advance(1.0);
  EXPECT_TRUE(taps.empty());
  EXPECT_TRUE(longPresses.empty());
  EXPECT_TRUE(recorder->seen.empty());
  // On plain text the cancel is passed on.
  auto plain = input.down(onPlainText());
  input.cancel({plain});
  EXPECT_EQ(recorder->seen, (std::vector<std::string>{"began", "cancelled"}));
}

TEST_F(DRLabelHighlightTest, AColourChangeKeepsTheTouchAFontChangeEndsIt) {
  recordTaps();
  ui::TouchInput input(window);
  auto touch = input.down(onHighlight());
  label->setTextColor(gfx::Color::blueColor());
  input.up(touch);
  EXPECT_EQ(taps.size(), 1u);

  touch = input.down(onHighlight());
  label->setFont(latin(19));
  input.up(touch);
  EXPECT_EQ(taps.size(), 1u);
  EXPECT_TRUE(recorder->seen.empty()) << "the touch stays swallowed";
}

TEST_F(DRLabelHighlightTest, RemovingTheHighlightFadesWhenAsked) {
  ui::TouchInput input(window);
  label->layer()->display();
  // Shown without a fade.
  auto touch = input.down(onHighlight());
  label->layer()->display();
  EXPECT_FALSE(label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
  input.up(touch);
  label->layer()->display();
  auto fade = rt::as<ui::Transition>(label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
  ASSERT_TRUE(fade);
  EXPECT_DOUBLE_EQ(fade->duration(), DRLabel::kHighlightFadeDuration);
  ASSERT_TRUE(fade->timingFunction());

  label->setFadeOnHighlight(false);
  touch = input.down(onHighlight());
  input.up(touch);
  label->layer()->display();
  EXPECT_FALSE(label->layer()->animationForKey(DRLabel::kContentsAnimationKey));
}
