#include <gtest/gtest.h>

#include <cmath>

#include "anim/PXAnimationTracer.h"
#include "anim/PXAnimator.h"
#include "anim/PXBasicAnimation.h"
#include "anim/PXDecayAnimation.h"
#include "anim/PXSpringAnimation.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/layer/Layer.h"

namespace anim {
namespace {

rt::Id num(double v) { return fd::Number::numberWithDouble(v); }
rt::Id point(double x, double y) { return fd::ValueBox::valueWith(gfx::Point{x, y}); }

/// Records the delegate messages in order.
class Recorder : public rt::Object {
  RT_CLASS_NAMED(Recorder, rt::Object, "PXTestRecorder")
 public:
  std::vector<std::string> log;
  void didStart(const rt::Id&) { log.push_back("start"); }
  void didStop(const rt::Id&, bool finished) { log.push_back(finished ? "stop:YES" : "stop:NO"); }
  void didReachProgress(const rt::Id&, float p) { log.push_back("progress:" + std::to_string(p).substr(0, 4)); }
  void didReachToValue(const rt::Id&) { log.push_back("reached"); }
};
RT_IMPLEMENT(Recorder) {
  c.method("px_animationDidStart:", &Recorder::didStart);
  c.method("px_animationDidStop:finished:", &Recorder::didStop);
  c.method("px_animation:didReachProgress:", &Recorder::didReachProgress);
  c.method("px_animationDidReachToValue:", &Recorder::didReachToValue);
}

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    px_removeAllAnimations(layer);
    fd::RunLoopDriver::reset();
  }
  /// Lets the run loop go to sleep once: the pending pass renders the first frame.
  static void turn() { fd::RunLoopDriver::runOneTurn(); }
  static void advance(double s) { fd::RunLoopDriver::advance(s); }
  Ref<ui::Layer> layer = rt::make<ui::Layer>();
};

TEST(PXAnimationBase, AbstractInitCountsAndUserValues) {
  EXPECT_THROW(rt::make<PXAnimation>(), rt::Exception);
  auto a = PXBasicAnimation::animation();
  a->setRepeatCount(0);
  a->setRepeatCount(-3);
  EXPECT_EQ(a->repeatCount(), 0);
  a->setAutoreverses(true);
  EXPECT_EQ(a->repeatCount(), 1);
  a->setRepeatCount(3);
  EXPECT_EQ(a->state().repeatCount, 6);
  EXPECT_EQ(a->repeatCount(), 3);
  a->setValueForKey(num(2), "answer");
  EXPECT_TRUE(a->valueForKey("answer")->isEqual(num(2)));
  a->setName("pop");
  auto copy = rt::as<PXBasicAnimation>(a->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->name(), "pop");
  EXPECT_EQ(copy->repeatCount(), 3);
  EXPECT_TRUE(copy->isPaused());
  EXPECT_FALSE(copy->state().active);
  EXPECT_FALSE(copy->valueForKey("answer"));
}

TEST(PXPropertyAnimation, DescriptionHoldsTheValuesNotTheBaseText) {
  auto a = PXBasicAnimation::animationWithPropertyNamed("positionX");
  a->setName("pop");
  a->setBeginTime(3);
  a->setValueForKey(num(2), "answer");
  a->setFromValue(num(0));
  a->setToValue(num(1));
  a->setRemovedOnCompletion(false);
  a->setProgressMarkers(fd::Array::create({num(0.25), num(0.75)}));
  a->setDuration(0.5);
  std::string text = a->description().utf8();
  std::string prefix = "<PXBasicAnimation:";
  ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
  size_t fields = text.find(';');
  ASSERT_NE(fields, std::string::npos) << text;
  EXPECT_EQ(text.substr(fields), "; from = " + PX::Vector::makeWithFloat(0)->description() +
                                     "; to = " + PX::Vector::makeWithFloat(1)->description() +
                                     "; removedOnCompletion = NO; progressMarkers = [0.25, 0.75]; duration = 0.500000>");
  // The plain animation base keeps its own text for kinds that do not replace it.
  auto custom = PXCustomAnimation::animationWithBlock([](const rt::Id&, PXCustomAnimation&) { return false; });
  custom->setName("pop");
  EXPECT_NE(custom->description().utf8().find("elapsedTime"), std::string::npos);
}

TEST(PXAnimationBase, SolverMarkersAndBlockGetters) {
  auto basic = PXBasicAnimation::animationWithPropertyNamed("positionX");
  PXAnimation& base = *basic;
  EXPECT_EQ(base.solver(), nullptr);

  // Markers set through the base reach the property animation's own table.
  base.setProgressMarkers(fd::Array::create({num(0.5)}));
  ASSERT_TRUE(basic->progressMarkers());
  EXPECT_EQ(basic->progressMarkers()->count(), 1u);
  EXPECT_EQ(basic->state().type, kPXBasic);
  EXPECT_EQ(static_cast<PXPropertyAnimationState&>(basic->state()).markers.size(), 1u);
  auto custom = PXCustomAnimation::animationWithBlock([](const rt::Id&, PXCustomAnimation&) { return false; });
  auto markers = fd::MutableArray::create({num(0.1)});
  custom->setProgressMarkers(markers);
  markers->addObject(num(0.2));  // kept as a copy
  EXPECT_EQ(custom->progressMarkers()->count(), 1u);

  int calls = 0;
  EXPECT_FALSE(base.animationDidStartBlock());
  base.setAnimationDidStartBlock([&](PXAnimation&) { calls += 1; });
  base.setAnimationDidReachToValueBlock([&](PXAnimation&) { calls += 10; });
  base.setAnimationDidApplyBlock([&](PXAnimation&) { calls += 100; });
  ASSERT_TRUE(base.animationDidStartBlock() && base.animationDidReachToValueBlock() && base.animationDidApplyBlock());
  base.animationDidStartBlock()(base);
  base.animationDidReachToValueBlock()(base);
  base.animationDidApplyBlock()(base);
  EXPECT_EQ(calls, 111);
}

// Every kind owns the solver it is given through the base: a replaced solver and the last one
// are freed (the leak check at exit finds any that is not), null and the same one change nothing.
TEST(PXAnimationBase, EveryKindOwnsTheSolverItIsGiven) {
  struct Kind {
    const char* name;
    Ref<PXAnimation> (*make)();
  };
  const Kind kinds[] = {
      {"basic", []() -> Ref<PXAnimation> { return PXBasicAnimation::animationWithPropertyNamed("positionX"); }},
      {"spring", []() -> Ref<PXAnimation> { return PXSpringAnimation::animationWithPropertyNamed("positionX"); }},
      {"decay", []() -> Ref<PXAnimation> { return PXDecayAnimation::animationWithPropertyNamed("positionX"); }},
      {"custom", []() -> Ref<PXAnimation> {
         return PXCustomAnimation::animationWithBlock([](const rt::Id&, PXCustomAnimation&) { return false; });
       }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Ref<PXAnimation> animation = kind.make();
    PXAnimation& base = *animation;
    auto* first = new SpringSolver<PX::Vector4d>(5, 6, 7);
    base.setSolver(first);
    EXPECT_EQ(base.solver(), first);
    base.setSolver(first);
    base.setSolver(nullptr);
    EXPECT_EQ(base.solver(), first);
    auto* second = new SpringSolver<PX::Vector4d>(8, 9, 10);
    base.setSolver(second);  // frees the first
    EXPECT_EQ(base.solver(), second);
    animation.reset();  // frees the second
  }
}

TEST(PXVectorValues, ScalarBoxesThatAreNotNumbersConvertThroughTheirEncoding) {
  auto a = PXBasicAnimation::animationWithPropertyNamed("positionX");
  int32_t seven = 7;
  a->setFromValue(fd::ValueBox::create(&seven, sizeof seven, "i"));
  EXPECT_EQ(rt::as<fd::Number>(a->fromValue())->doubleValue(), 7);
  float half = 0.5f;
  a->setToValue(fd::ValueBox::create(&half, sizeof half, "f"));
  EXPECT_EQ(rt::as<fd::Number>(a->toValue())->doubleValue(), 0.5);
  uint16_t big = 60000;
  a->setToValue(fd::ValueBox::create(&big, sizeof big, "S"));
  EXPECT_EQ(rt::as<fd::Number>(a->toValue())->doubleValue(), 60000);
  // Bytes that do not fit the encoding are refused, and the animation keeps its value.
  EXPECT_THROW(a->setToValue(fd::ValueBox::create(&seven, sizeof seven, "d")), rt::Exception);
  EXPECT_EQ(rt::as<fd::Number>(a->toValue())->doubleValue(), 60000);
}

TEST(PXSpring, BouncinessAndSpeedToDynamicsAndBack) {
  struct Case {
    double bounciness, speed, tension, friction;
  } cases[] = {{4, 12, 342.10058823529414, 30.486979648244255},
               {18, 12, 342.10058823529414, 12.95885952697494},
               {0, 0, 87.21000000000001, 5.777012500000001}};
  for (const auto& c : cases) {
    double k, b, m;
    PXSpringAnimation::convertBounciness(c.bounciness, c.speed, &k, &b, &m);
    EXPECT_NEAR(k, c.tension, 1e-9);
    EXPECT_NEAR(b, c.friction, 1e-9);
    EXPECT_EQ(m, 1);
    double bounciness, speed;
    PXSpringAnimation::convertTension(k, b, &bounciness, &speed);
    EXPECT_NEAR(bounciness, c.bounciness, 1e-6);
    EXPECT_NEAR(speed, c.speed, 1e-6);
  }
  auto spring = PXSpringAnimation::animation();
  EXPECT_NEAR(spring->dynamicsTension(), 342.10058823529414, 1e-9);
  EXPECT_NE(spring->debugDescription().utf8().find("; bounciness = 4.000000; speed = 12.000000"), std::string::npos);
  spring->setDynamicsFriction(10);
  EXPECT_TRUE(spring->state().dynamicsSetDirectly);
  spring->setSpringBounciness(4);  // the same value recomputes after a direct change
  EXPECT_FALSE(spring->state().dynamicsSetDirectly);
  EXPECT_NEAR(spring->dynamicsFriction(), 30.486979648244255, 1e-9);
}

TEST(PXSpring, SolverKeepsTimeBelowOneStep) {
  SpringSolver<PX::Vector4d> solver(342, 30, 1);
  PX::Vector4d x{1, 0, 0, 0}, v{};
  solver.advance(x, v, 0, 0.0005);
  solver.advance(x, v, 0, 0.0005);
  EXPECT_EQ(x.x, 1);
  PX::Vector4d before = x;
  solver.advance(x, v, 0, 0.0005);
  EXPECT_LT(x.x, 1);  // one step taken, interpolated halfway
  SpringSolver<PX::Vector4d> full(342, 30, 1);
  PX::Vector4d fx{1, 0, 0, 0}, fv{};
  full.advance(fx, fv, 0, SpringSolver<PX::Vector4d>::kStep);
  EXPECT_NEAR(x.x, before.x + (fx.x - before.x) * 0.4999, 1e-4);
}

TEST_F(AnimationTest, LinearBasicWritesTheMidpointAndFinishes) {
  auto a = PXBasicAnimation::linearAnimation();
  a->setProperty(PXAnimatableProperty::propertyWithName("positionX"));
  a->setFromValue(num(0));
  a->setToValue(num(100));
  auto recorder = rt::make<Recorder>();
  a->setDelegate(recorder);
  a->setProgressMarkers(fd::Array::create({num(0.25), num(0.75)}));
  px_addAnimation(layer, a, "move");
  turn();
  EXPECT_EQ(layer->position().x, 0);  // the first frame is rendered before the loop sleeps
  advance(0.2);
  EXPECT_NEAR(layer->position().x, 50, 5);
  advance(0.3);
  EXPECT_EQ(layer->position().x, 100);
  EXPECT_EQ(recorder->log,
            (std::vector<std::string>{"start", "progress:0.25", "progress:0.75", "reached", "stop:YES"}));
  EXPECT_TRUE(px_animationKeys(layer).empty());
}

TEST_F(AnimationTest, ZeroDurationAndCustomAnimationsEndInTheirFirstFrame) {
  auto a = PXBasicAnimation::animationWithPropertyNamed("opacity");
  a->setDuration(0);
  a->setToValue(num(0.25));
  px_addAnimation(layer, a, "fade");
  turn();
  EXPECT_NEAR(layer->opacity(), 0.25, 1e-6);

  std::vector<std::string> log;
  auto custom = PXCustomAnimation::animationWithBlock([](const rt::Id&, PXCustomAnimation&) { return false; });
  custom->setAnimationDidStartBlock([&](PXAnimation&) { log.push_back("start"); });
  custom->setAnimationDidApplyBlock([&](PXAnimation&) { log.push_back("apply"); });
  custom->setCompletionBlock([&](PXAnimation&, bool finished) { log.push_back(finished ? "stop:YES" : "stop:NO"); });
  px_addAnimation(layer, custom, "custom");
  turn();
  EXPECT_EQ(log.front(), "start");
  EXPECT_EQ(log.back(), "stop:YES");
  EXPECT_NE(std::find(log.begin(), log.end(), "apply"), log.end());
  EXPECT_TRUE(rt::as<PXCustomAnimation>(custom->copy())->animate());
}

TEST_F(AnimationTest, AutoreversedRepeatsReportEveryPass) {
  auto a = PXBasicAnimation::linearAnimation();
  a->setProperty(PXAnimatableProperty::propertyWithName("positionX"));
  a->setFromValue(num(0));
  a->setToValue(num(10));
  a->setAutoreverses(true);
  a->setRepeatCount(2);
  auto recorder = rt::make<Recorder>();
  a->setDelegate(recorder);
  std::vector<double> ends;  // where each pass leaves the layer
  a->setCompletionBlock([&](PXAnimation&, bool) { ends.push_back(layer->position().x); });
  px_addAnimation(layer, a, "swing");
  turn();
  advance(2.0);
  EXPECT_EQ(ends, (std::vector<double>{10, 0, 10, 0}));
  EXPECT_EQ(std::count(recorder->log.begin(), recorder->log.end(), "start"), 4);
  EXPECT_EQ(recorder->log.back(), "stop:YES");
  EXPECT_EQ(std::count(recorder->log.begin(), recorder->log.end(), "stop:NO"), 3);
}

TEST_F(AnimationTest, ReplacingRemovingAndDyingObjects) {
  auto recorder = rt::make<Recorder>();
  auto first = PXBasicAnimation::animationWithPropertyNamed("positionX");
  first->setToValue(num(50));
  first->setDelegate(recorder);
  px_addAnimation(layer, first, "k");
  turn();
  auto second = PXBasicAnimation::animationWithPropertyNamed("positionX");
  second->setToValue(num(80));
  px_addAnimation(layer, second, "k");
  EXPECT_EQ(recorder->log, (std::vector<std::string>{"start", "stop:NO"}));
  EXPECT_EQ(px_animationForKey(layer, "k"), second);

  // Removed in the same turn it was added: reports a start and a stop, never touches the object.
  auto other = rt::make<ui::Layer>();
  auto unseen = PXBasicAnimation::animationWithPropertyNamed("positionX");
  unseen->setToValue(num(500));
  auto otherRecorder = rt::make<Recorder>();
  unseen->setDelegate(otherRecorder);
  px_addAnimation(other, unseen, "k");
  px_removeAllAnimations(other);
  turn();
  EXPECT_EQ(otherRecorder->log, (std::vector<std::string>{"start", "stop:NO"}));
  EXPECT_EQ(other->position().x, 0);

  // An object released while animated: the next frame stops the animation, finished NO.
  auto doomed = rt::make<ui::Layer>();
  auto orphan = PXSpringAnimation::animationWithPropertyNamed("positionX");
  orphan->setToValue(num(100));
  auto orphanRecorder = rt::make<Recorder>();
  orphan->setDelegate(orphanRecorder);
  px_addAnimation(doomed, orphan, "k");
  turn();
  rt::Weak<ui::Layer> watch = doomed;
  doomed.reset();
  EXPECT_TRUE(watch.expired());
  advance(0.05);
  EXPECT_EQ(orphanRecorder->log.back(), "stop:NO");
}

TEST_F(AnimationTest, ButtonSpringPopsAndSettles) {
  auto spring = PXSpringAnimation::animationWithPropertyNamed("subscaleXY");
  spring->setVelocity(point(5, 5));
  spring->setToValue(point(1, 1));
  spring->setSpringBounciness(18);
  bool finished = false;
  spring->setCompletionBlock([&](PXAnimation&, bool f) { finished = f; });
  px_addAnimation(layer, spring, "layerScaleSpringAnimation");
  turn();
  double peak = 1;
  bool below = false;
  for (int i = 0; i < 300 && !finished; ++i) {
    advance(1.0 / 60);
    peak = std::max(peak, layer->sublayerTransform().m11);
    below = below || layer->sublayerTransform().m11 < 1;
  }
  EXPECT_TRUE(finished);
  EXPECT_GT(peak, 1.05);  // grew first
  EXPECT_TRUE(below);     // then swung back past its size
  EXPECT_NEAR(layer->sublayerTransform().m11, 1, 1e-6);
}

TEST_F(AnimationTest, ClampedSpringStaysWithinItsEnds) {
  auto spring = PXSpringAnimation::animationWithPropertyNamed("opacity");
  spring->setFromValue(num(0));
  spring->setToValue(num(1));
  spring->setSpringBounciness(20);
  spring->setClampMode(3);
  layer->setOpacity(0);
  px_addAnimation(layer, spring, "o");
  turn();
  for (int i = 0; i < 120; ++i) {
    advance(1.0 / 60);
    EXPECT_GE(layer->opacity(), 0);
    EXPECT_LE(layer->opacity(), 1);
  }
}

TEST_F(AnimationTest, DecayComputesItsEndAndCoasts) {
  auto decay = PXDecayAnimation::animationWithPropertyNamed("positionX");
  EXPECT_EQ(decay->deceleration(), 0.998);
  EXPECT_EQ(decay->duration(), 0);
  decay->setFromValue(num(0));
  decay->setVelocity(num(1000));
  EXPECT_NEAR(decay->duration(), std::log(0.005) / (1000 * std::log(0.998)), 1e-3);
  EXPECT_NEAR(rt::as<fd::Number>(decay->toValue())->doubleValue(), 0.998 / 0.002 * (1 - 0.005), 0.5);
  decay->setToValue(num(3));
  EXPECT_NEAR(rt::as<fd::Number>(decay->toValue())->doubleValue(), 496.5, 0.5);

  auto flick = PXDecayAnimation::animationWithPropertyNamed("position");
  flick->setVelocity(point(300, -20));
  gfx::Point reversed{};
  ASSERT_TRUE(rt::as<fd::ValueBox>(flick->reversedVelocity())->get(reversed));
  EXPECT_EQ(reversed, gfx::PointMake(-300, 20));

  bool finished = false;
  decay->setCompletionBlock([&](PXAnimation&, bool f) { finished = f; });
  px_addAnimation(layer, decay, "coast");
  turn();
  for (int i = 0; i < 400 && !finished; ++i) advance(1.0 / 60);
  EXPECT_TRUE(finished);
  EXPECT_NEAR(layer->position().x, 496.5, 1.0);
}

TEST_F(AnimationTest, ChangingTheDecelerationOrFromValueRecomputesTheEnd) {
  auto decay = PXDecayAnimation::animationWithPropertyNamed("positionX");
  decay->setFromValue(num(0));
  decay->setVelocity(num(1000));
  EXPECT_NEAR(rt::as<fd::Number>(decay->toValue())->doubleValue(), 496.5, 0.5);
  decay->setDeceleration(0.99);
  EXPECT_NEAR(decay->duration(), std::log(0.005) / (1000 * std::log(0.99)), 1e-3);
  EXPECT_NEAR(rt::as<fd::Number>(decay->toValue())->doubleValue(), 0.99 / 0.01 * (1 - 0.005), 0.5);
  // Through a reference to the property animation, as the animator and copies set it.
  PXPropertyAnimation& base = *decay;
  base.setFromValue(num(100));
  EXPECT_NEAR(rt::as<fd::Number>(decay->toValue())->doubleValue(), 100 + 0.99 / 0.01 * (1 - 0.005), 0.5);
}

TEST_F(AnimationTest, TracerRecordsTheVelocityOfSpringsAndDecays) {
  auto spring = PXSpringAnimation::animationWithPropertyNamed("positionX");
  spring->setToValue(num(50));
  spring->tracer()->start();
  px_addAnimation(layer, spring, "s");
  turn();
  advance(0.1);
  auto writes = spring->tracer()->writeEvents();
  ASSERT_FALSE(writes.empty());
  auto last = rt::as<PXAnimationValueEvent>(writes.back());
  ASSERT_TRUE(last);
  ASSERT_TRUE(last->velocity()) << "no velocity recorded";
  EXPECT_GT(rt::as<fd::Number>(last->velocity())->doubleValue(), 0);  // moving toward 50

  auto decay = PXDecayAnimation::animationWithPropertyNamed("positionX");
  decay->tracer()->start();
  decay->setVelocity(num(300));
  auto velocityEvents = decay->tracer()->eventsWithType(kPXEventVelocity);
  ASSERT_EQ(velocityEvents.size(), 1u);
  auto event = rt::as<PXAnimationValueEvent>(velocityEvents[0]);
  ASSERT_TRUE(event && event->velocity());
  EXPECT_EQ(rt::as<fd::Number>(event->velocity())->doubleValue(), 300);
}

/// Counts the animator's delegate messages in order.
class AnimatorWatcher : public rt::Object {
  RT_CLASS_NAMED(AnimatorWatcher, rt::Object, "PXTestAnimatorWatcher")
 public:
  std::vector<std::string> log;
  void willAnimate(const rt::Id&) { log.push_back("will"); }
  void didAnimate(const rt::Id&) { log.push_back("did"); }
};
RT_IMPLEMENT(AnimatorWatcher) {
  c.method("animatorWillAnimate:", &AnimatorWatcher::willAnimate);
  c.method("animatorDidAnimate:", &AnimatorWatcher::didAnimate);
}

TEST_F(AnimationTest, AnimatorDelegateHearsEveryRenderPass) {
  auto animator = PXAnimator::sharedAnimator();
  auto watcher = rt::make<AnimatorWatcher>();
  animator->setDelegate(watcher);
  EXPECT_EQ(animator->delegate(), watcher);
  auto a = PXBasicAnimation::animationWithPropertyNamed("positionX");
  a->setToValue(num(10));
  px_addAnimation(layer, a, "d");
  turn();
  advance(0.1);
  animator->setDelegate(nullptr);
  ASSERT_GE(watcher->log.size(), 4u);
  for (size_t i = 0; i + 1 < watcher->log.size(); i += 2) {
    EXPECT_EQ(watcher->log[i], "will");
    EXPECT_EQ(watcher->log[i + 1], "did");
  }
  // Held weakly.
  {
    auto gone = rt::make<AnimatorWatcher>();
    animator->setDelegate(gone);
  }
  EXPECT_FALSE(animator->delegate());

  const bool saved = PXAnimator::disableBackgroundThread();
  PXAnimator::setDisableBackgroundThread(!saved);
  EXPECT_EQ(PXAnimator::disableBackgroundThread(), !saved);
  PXAnimator::setDisableBackgroundThread(saved);
}

TEST_F(AnimationTest, TracerRecordsOnlyWhenStarted) {
  auto a = PXBasicAnimation::animationWithPropertyNamed("positionX");
  a->setToValue(num(20));
  auto tracer = a->tracer();
  px_addAnimation(layer, a, "t");
  turn();
  advance(0.5);
  EXPECT_TRUE(tracer->allEvents().empty());

  auto b = PXBasicAnimation::animationWithPropertyNamed("positionX");
  b->setToValue(num(40));
  b->tracer()->start();
  px_addAnimation(layer, b, "t");
  turn();
  advance(0.5);
  auto events = b->tracer()->allEvents();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[0]->type(), kPXEventRead);  // the missing from-value
  EXPECT_EQ(b->tracer()->eventsWithType(kPXEventDidStart).size(), 1u);
  EXPECT_FALSE(b->tracer()->writeEvents().empty());
  EXPECT_EQ(events.back()->type(), kPXEventDidStop);
}

}  // namespace
}  // namespace anim
