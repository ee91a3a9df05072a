#include <gtest/gtest.h>

#include <algorithm>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/LongPressGestureRecognizer.h"
#include "platform/ui/input/PanGestureRecognizer.h"
#include "platform/ui/input/PinchGestureRecognizer.h"
#include "platform/ui/input/SwipeGestureRecognizer.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

using namespace ui;
using S = GestureRecognizerState;

namespace {

class TouchCounter : public View {
  RT_CLASS(TouchCounter, View)
 public:
  std::vector<std::string> log;
  void touchesBegan(const TouchSet&, Event*) override { log.push_back("began"); }
  void touchesEnded(const TouchSet&, Event*) override { log.push_back("ended"); }
  void touchesCancelled(const TouchSet&, Event*) override { log.push_back("cancelled"); }
};
RT_IMPLEMENT(TouchCounter) {}

class ActionTarget : public rt::Object {
  RT_CLASS(ActionTarget, rt::Object)
 public:
  int fired = 0;
  void handle(const rt::Id&) { ++fired; }
};
RT_IMPLEMENT(ActionTarget) { c.method("handle:", &ActionTarget::handle); }

class Refuser : public GestureRecognizerDelegate {
 public:
  std::optional<bool> gestureRecognizerShouldBegin(GestureRecognizer&) override { return false; }
};

class GestureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    view = rt::make<TouchCounter>(gfx::RectMake(20, 20, 200, 200));
    window->addSubview(view);
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  // Attaches `g` to the view and records the states its action sees.
  template <class G> Ref<G> attach(std::vector<S>* states) {
    auto g = rt::make<G>();
    g->addTarget(nullptr, [states](GestureRecognizer& r) { states->push_back(r.state()); });
    view->addGestureRecognizer(g);
    return g;
  }
  Ref<Window> window;
  Ref<TouchCounter> view;
};

}  // namespace

TEST_F(GestureTest, TapRecognisesAndCancelsTheViewsTouches) {
  std::vector<S> states;
  auto tap = attach<TapGestureRecognizer>(&states);
  TouchInput(window).tap({50, 50});
  EXPECT_EQ(states, std::vector<S>{S::Ended});
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "cancelled"}));
  EXPECT_EQ(tap->state(), S::Possible);  // reset once the touches are gone
  EXPECT_EQ(tap->locationInView(view.get()), gfx::PointMake(30, 30));
}

TEST_F(GestureTest, TapFailsWhenTheFingerWanders) {
  std::vector<S> states;
  attach<TapGestureRecognizer>(&states);
  TouchInput(window).drag({50, 50}, {90, 50}, 0.1, 2);
  EXPECT_TRUE(states.empty());
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "ended"}));
}

TEST_F(GestureTest, SingleTapWaitsForTheDoubleTapToFail) {
  std::vector<S> single, twice;
  auto one = attach<TapGestureRecognizer>(&single);
  auto two = attach<TapGestureRecognizer>(&twice);
  two->setNumberOfTapsRequired(2);
  one->requireGestureRecognizerToFail(two);
  TouchInput input(window);
  input.tap({50, 50});
  EXPECT_TRUE(single.empty());
  TouchInput::wait(0.1);
  input.tap({52, 50});
  EXPECT_EQ(twice, std::vector<S>{S::Ended});
  EXPECT_TRUE(single.empty());
  TouchInput::wait(1);
  input.tap({50, 50});
  EXPECT_TRUE(single.empty());
  TouchInput::wait(TapGestureRecognizer::kMaximumTapGap + 0.01);
  EXPECT_EQ(single, std::vector<S>{S::Ended});
  EXPECT_EQ(twice.size(), 1u);
}

TEST_F(GestureTest, LongPressBeginsAfterTheMinimumDurationOnTheClock) {
  std::vector<S> states;
  auto press = attach<LongPressGestureRecognizer>(&states);
  press->setMinimumPressDuration(1.0);
  TouchInput input(window);
  auto t = input.down({60, 60});
  TouchInput::wait(0.9);
  EXPECT_TRUE(states.empty());
  TouchInput::wait(0.2);
  EXPECT_EQ(states, std::vector<S>{S::Began});
  EXPECT_EQ(press->locationInView(view.get()), gfx::PointMake(40, 40));
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "cancelled"}));
  input.move(t, {80, 60});
  input.up(t);
  EXPECT_EQ(states, (std::vector<S>{S::Began, S::Changed, S::Ended}));
}

TEST_F(GestureTest, LongPressFailsWhenReleasedEarlyOrMoved) {
  std::vector<S> states;
  attach<LongPressGestureRecognizer>(&states);
  TouchInput input(window);
  input.press({60, 60}, 0.2);
  auto t = input.down({60, 60});
  input.move(t, {100, 60});
  TouchInput::wait(1);
  input.up(t);
  EXPECT_TRUE(states.empty());
}

TEST_F(GestureTest, PanReportsTranslationAndVelocity) {
  std::vector<S> states;
  auto pan = attach<PanGestureRecognizer>(&states);
  std::vector<gfx::Point> translations;
  pan->addTarget(nullptr, [&](GestureRecognizer& g) {
    translations.push_back(static_cast<PanGestureRecognizer&>(g).translationInView(view.get()));
  });
  TouchInput input(window);
  auto t = input.down({50, 50});
  TouchInput::wait(0.1);
  input.move(t, {55, 50});
  EXPECT_TRUE(states.empty());  // under the threshold
  TouchInput::wait(0.1);
  input.move(t, {70, 60});
  TouchInput::wait(0.1);
  input.move(t, {90, 70});
  EXPECT_NEAR(pan->velocityInView(nullptr).x, 200, 1e-6);
  EXPECT_NEAR(pan->velocityInView(nullptr).y, 100, 1e-6);
  input.up(t);
  EXPECT_EQ(states, (std::vector<S>{S::Began, S::Changed, S::Ended}));
  EXPECT_EQ(translations.front(), gfx::PointMake(20, 10));
  EXPECT_EQ(translations.back(), gfx::PointMake(40, 20));
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "cancelled"}));
}

TEST_F(GestureTest, StateIsObservableWithOldAndNewValues) {
  auto pan = rt::make<PanGestureRecognizer>();
  view->addGestureRecognizer(pan);
  std::vector<std::pair<int64_t, int64_t>> moves;
  auto number = [](const rt::Id& v) {
    auto n = std::dynamic_pointer_cast<fd::Number>(v);
    EXPECT_TRUE(n);
    return n ? n->longLongValue() : -1;
  };
  uint64_t token = pan->observe(rt::String("state"), rt::KeyValueObservingOptionOld | rt::KeyValueObservingOptionNew,
                                [&](rt::Object*, const rt::KeyValueChange& c) {
                                  moves.push_back({number(c.oldValue), number(c.newValue)});
                                });
  TouchInput input(window);
  auto t = input.down({50, 50});
  input.move(t, {80, 50});
  input.move(t, {110, 50});
  input.up(t);
  using P = std::pair<int64_t, int64_t>;
  // Began, changed, ended, then back to possible once the touches are gone.
  EXPECT_EQ(moves, (std::vector<P>{{0, 1}, {1, 2}, {2, 3}, {3, 0}}));
  EXPECT_EQ(number(pan->valueForKey(rt::String("state"))), 0);
  EXPECT_THROW(pan->setValueForKey(fd::Number::numberWithLongLong(2), rt::String("state")), rt::Exception);
  pan->removeObservation(token);
}

TEST_F(GestureTest, PanInAScaledViewReportsItsOwnUnits) {
  std::vector<S> states;
  auto pan = attach<PanGestureRecognizer>(&states);
  view->setTransform(gfx::AffineTransformMakeScale(2, 2));
  TouchInput input(window);
  auto t = input.down({120, 120});
  input.move(t, {160, 120});
  auto tr = pan->translationInView(view.get());
  EXPECT_NEAR(tr.x, 20, 1e-9);
  EXPECT_NEAR(tr.y, 0, 1e-9);
  pan->setTranslation({0, 0}, view.get());
  input.move(t, {170, 120});
  EXPECT_NEAR(pan->translationInView(nullptr).x, 10, 1e-9);
  input.up(t);
}

TEST_F(GestureTest, SwipeRecognisesOnlyItsDirection) {
  struct Case {
    uint64_t direction;
    gfx::Point to;
    bool recognised;
  } cases[] = {
      {SwipeDirectionRight, {170, 100}, true},  {SwipeDirectionLeft, {170, 100}, false},
      {SwipeDirectionLeft, {30, 100}, true},    {SwipeDirectionDown, {100, 170}, true},
      {SwipeDirectionUp | SwipeDirectionDown, {100, 30}, true}, {SwipeDirectionRight, {170, 170}, false},
  };
  for (auto& c : cases) {
    std::vector<S> states;
    auto swipe = attach<SwipeGestureRecognizer>(&states);
    swipe->setDirection(c.direction);
    TouchInput(window).drag({100, 100}, c.to, 0.2, 6);
    EXPECT_EQ(!states.empty(), c.recognised) << c.direction << " to " << c.to.x << "," << c.to.y;
    view->removeGestureRecognizer(swipe.get());
  }
  std::vector<S> slow;
  attach<SwipeGestureRecognizer>(&slow);
  TouchInput(window).drag({100, 100}, {200, 100}, 2.0, 10);
  EXPECT_TRUE(slow.empty());
}

TEST_F(GestureTest, PinchScalesWithTheFingerDistance) {
  std::vector<S> states;
  auto pinch = attach<PinchGestureRecognizer>(&states);
  TouchInput input(window);
  auto t = input.down(std::vector<gfx::Point>{{100, 100}, {140, 100}});
  TouchInput::wait(0.1);
  input.move({{t[0], {80, 100}}, {t[1], {160, 100}}});
  EXPECT_EQ(states, std::vector<S>{S::Began});
  EXPECT_DOUBLE_EQ(pinch->scale(), 2.0);
  TouchInput::wait(0.1);
  input.move({{t[0], {90, 100}}, {t[1], {150, 100}}});
  EXPECT_DOUBLE_EQ(pinch->scale(), 1.5);
  EXPECT_NEAR(pinch->velocity(), -5.0, 1e-6);
  input.up(t);
  EXPECT_EQ(states, (std::vector<S>{S::Began, S::Changed, S::Ended}));
}

TEST_F(GestureTest, DelaysTouchesBeganHoldsThemUntilFailure) {
  std::vector<S> states;
  auto press = attach<LongPressGestureRecognizer>(&states);
  press->setDelaysTouchesBegan(true);
  TouchInput input(window);
  auto t = input.down({60, 60});
  EXPECT_TRUE(view->log.empty());
  input.up(t);  // fails the press: the held touches arrive in order
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "ended"}));
}

TEST_F(GestureTest, StateMachineRefusesImpossibleMovesAndDelegatesCanVeto) {
  auto g = rt::make<GestureRecognizer>();
  auto target = rt::make<ActionTarget>();
  g->addTarget(target, rt::sel("handle:"));
  g->setState(S::Changed);
  EXPECT_EQ(g->state(), S::Possible);
  g->setState(S::Began);
  g->setState(S::Changed);
  g->setState(S::Began);
  EXPECT_EQ(g->state(), S::Changed);
  g->setState(S::Ended);
  EXPECT_EQ(target->fired, 3);
  g->setState(S::Changed);
  EXPECT_EQ(g->state(), S::Ended);
  g->reset();
  g->removeTarget(target, rt::sel("handle:"));
  g->setState(S::Began);
  EXPECT_EQ(target->fired, 3);

  auto refuser = std::make_shared<Refuser>();
  auto vetoed = rt::make<GestureRecognizer>();
  vetoed->setDelegate(refuser);
  vetoed->setState(S::Began);
  EXPECT_EQ(vetoed->state(), S::Failed);
}

TEST_F(GestureTest, DisabledRecognisersDoNotSeeTouches) {
  std::vector<S> states;
  auto tap = attach<TapGestureRecognizer>(&states);
  tap->setEnabled(false);
  TouchInput(window).tap({50, 50});
  EXPECT_TRUE(states.empty());
  EXPECT_EQ(view->log, (std::vector<std::string>{"began", "ended"}));
}

namespace {

class Together : public GestureRecognizerDelegate {
 public:
  std::optional<bool> shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return true; }
};

}  // namespace

// Two pans on nested views see one drag: the inner one, which gets the touch first, takes it and
// the outer one fails, unless a delegate of either lets them run together. One that may not
// begin leaves the drag to the other.
TEST_F(GestureTest, NestedPansAreExclusiveUnlessADelegateAllowsBoth) {
  enum Who { None, Inner, Outer };
  const struct Case {
    const char* name;
    Who together;  // whose delegate allows both
    Who refused;   // whose delegate refuses to begin
    bool innerPans, outerPans;
  } cases[] = {
      {"alone", None, None, true, false},
      {"the inner one's delegate allows both", Inner, None, true, true},
      {"the outer one's delegate allows both", Outer, None, true, true},
      {"the inner one may not begin", None, Inner, false, true},
  };
  auto together = std::make_shared<Together>();
  auto refuser = std::make_shared<Refuser>();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto inner = rt::make<View>(gfx::RectMake(40, 40, 100, 100));
    view->addSubview(inner);
    std::vector<S> innerStates, outerStates;
    auto outerPan = attach<PanGestureRecognizer>(&outerStates);
    auto innerPan = rt::make<PanGestureRecognizer>();
    innerPan->addTarget(nullptr, [&](GestureRecognizer& r) { innerStates.push_back(r.state()); });
    inner->addGestureRecognizer(innerPan);
    auto delegateOf = [&](Who w) -> Ref<PanGestureRecognizer>& { return w == Inner ? innerPan : outerPan; };
    if (c.together != None) delegateOf(c.together)->setDelegate(together);
    if (c.refused != None) delegateOf(c.refused)->setDelegate(refuser);

    TouchInput(window).drag({80, 80}, {160, 80}, 0.2, 8);
    // A whole pan is began, changed at every further move, ended.
    auto panned = [](const std::vector<S>& states) {
      if (states.size() != 9 || states.front() != S::Began || states.back() != S::Ended) return false;
      return std::all_of(states.begin() + 1, states.end() - 1, [](S s) { return s == S::Changed; });
    };
    EXPECT_EQ(panned(innerStates), c.innerPans) << innerStates.size() << " actions";
    EXPECT_EQ(panned(outerStates), c.outerPans) << outerStates.size() << " actions";
    EXPECT_EQ(innerStates.empty(), !c.innerPans);
    EXPECT_EQ(outerStates.empty(), !c.outerPans);
    view->removeGestureRecognizer(outerPan.get());
    inner->removeFromSuperview();
  }
}
