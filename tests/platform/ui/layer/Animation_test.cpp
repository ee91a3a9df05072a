#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/AnimationRunner.h"
#include "platform/ui/layer/ShapeLayer.h"
#include "platform/ui/layer/Transaction.h"

// A namespace of its own: test programs compile several files as one.
namespace animation_test {

using namespace ui;

namespace {

rt::Id n(double v) { return fd::Number::numberWithDouble(v); }
double num(const rt::Id& o) {
  auto x = std::dynamic_pointer_cast<fd::Number>(o);
  return x ? x->doubleValue() : NAN;
}

struct Recorder : AnimationDelegate {
  std::vector<std::string> events;
  void animationDidStart(Animation&) override { events.push_back("start"); }
  void animationDidStop(Animation&, bool finished) override { events.push_back(finished ? "stop:1" : "stop:0"); }
};

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    t0_ = CACurrentMediaTime();
  }
  void TearDown() override {
    Transaction::flush();
    fd::RunLoopDriver::reset();
  }
  double opacityAt(const Ref<Layer>& l, double t) {
    advanceTo(t);
    return l->presentationLayer()->opacity();
  }
  void advanceTo(double t) {
    double now = CACurrentMediaTime() - t0_;
    if (t > now) fd::RunLoopDriver::advance(t - now);
  }
  double t0_ = 0;
};

Ref<BasicAnimation> fade(double from, double to, double duration) {
  auto a = BasicAnimation::animationWithKeyPath("opacity");
  a->setFromValue(n(from));
  a->setToValue(n(to));
  a->setDuration(duration);
  return a;
}

}  // namespace

TEST_F(AnimationTest, TimingFunctionsHaveTheStandardControlPoints) {
  struct Case {
    const rt::String& name;
    float c1x, c1y, c2x, c2y;
  } cases[] = {
      {kCAMediaTimingFunctionLinear, 0, 0, 1, 1},
      {kCAMediaTimingFunctionEaseIn, 0.42f, 0, 1, 1},
      {kCAMediaTimingFunctionEaseOut, 0, 0, 0.58f, 1},
      {kCAMediaTimingFunctionEaseInEaseOut, 0.42f, 0, 0.58f, 1},
      {kCAMediaTimingFunctionDefault, 0.25f, 0.1f, 0.25f, 1},
  };
  for (auto& c : cases) {
    auto f = MediaTimingFunction::functionWithName(c.name);
    ASSERT_TRUE(f);
    float p[2];
    f->getControlPointAtIndex(1, p);
    EXPECT_EQ(p[0], c.c1x);
    EXPECT_EQ(p[1], c.c1y);
    f->getControlPointAtIndex(2, p);
    EXPECT_EQ(p[0], c.c2x);
    EXPECT_EQ(p[1], c.c2y);
    f->getControlPointAtIndex(3, p);
    EXPECT_EQ(p[0], 1.0f);
    EXPECT_NEAR(f->evaluate(0), 0, 1e-6);
    EXPECT_NEAR(f->evaluate(1), 1, 1e-6);
  }
  EXPECT_FALSE(MediaTimingFunction::functionWithName("bouncy"));
  auto easeIn = MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn);
  EXPECT_LT(easeIn->evaluate(0.5), 0.5);
  auto easeInOut = MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
  EXPECT_NEAR(easeInOut->evaluate(0.5), 0.5, 1e-6);
  EXPECT_NEAR(easeInOut->evaluate(0.25) + easeInOut->evaluate(0.75), 1, 1e-6);
}

TEST_F(AnimationTest, BasicValuesOnTheVirtualClock) {
  auto l = Layer::layer();
  l->setOpacity(1);
  l->addAnimation(fade(0, 1, 1), "fade");
  EXPECT_NEAR(opacityAt(l, 0), 0, 1e-9);
  EXPECT_NEAR(opacityAt(l, 0.25), 0.25, 1e-9);
  EXPECT_NEAR(opacityAt(l, 0.75), 0.75, 1e-9);
  advanceTo(1.1);
  EXPECT_TRUE(l->animationKeys().empty());  // removed on completion
  EXPECT_EQ(l->presentationLayer()->opacity(), 1);
  EXPECT_EQ(l->opacity(), 1);  // model untouched throughout
}

TEST_F(AnimationTest, RepeatAutoreverseAndFill) {
  struct Case {
    double repeat;
    bool autoreverses;
    const rt::String* fill;
    bool removed;
    std::vector<std::pair<double, double>> samples;  // (time, opacity); NaN time marks "model"
  } cases[] = {
      {2, false, &kCAFillModeRemoved, true, {{0.5, 0.5}, {1.5, 0.5}, {2.5, 1.0}}},
      {1, true, &kCAFillModeRemoved, true, {{0.5, 0.5}, {1.5, 0.5}, {1.75, 0.25}, {2.5, 1.0}}},
      {1, false, &kCAFillModeForwards, false, {{0.5, 0.5}, {1.5, 1.0 * 1}, {3, 1}}},
      {1, false, &kCAFillModeRemoved, false, {{0.5, 0.5}, {1.5, 1.0}}},
  };
  for (auto& c : cases) {
    SetUp();
    auto l = Layer::layer();
    l->setOpacity(1);
    auto a = fade(0, 1, 1);
    a->setRepeatCount(c.repeat);
    a->setAutoreverses(c.autoreverses);
    a->setFillMode(*c.fill);
    a->setRemovedOnCompletion(c.removed);
    l->addAnimation(a, "a");
    for (auto& [t, v] : c.samples) EXPECT_NEAR(opacityAt(l, t), v, 1e-9) << t;
    EXPECT_EQ(l->animationKeys().empty(), c.removed);
    TearDown();
  }
  // A forwards fill holds the end value even when the model differs.
  SetUp();
  auto l = Layer::layer();
  auto a = fade(1, 0.3, 0.5);
  a->setFillMode(kCAFillModeForwards);
  a->setRemovedOnCompletion(false);
  l->addAnimation(a, "hold");
  EXPECT_NEAR(opacityAt(l, 5), 0.3, 1e-9);
}

TEST_F(AnimationTest, BeginTimeSpeedOffsetAndInfiniteRepeat) {
  auto l = Layer::layer();
  auto delayed = fade(0, 1, 1);
  delayed->setBeginTime(CACurrentMediaTime() + 1);
  l->addAnimation(delayed, "later");
  EXPECT_NEAR(opacityAt(l, 0.5), 1, 1e-9);  // not started, no backwards fill
  EXPECT_NEAR(opacityAt(l, 1.5), 0.5, 1e-9);
  l->removeAllAnimations();

  auto fast = fade(0, 1, 1);
  fast->setSpeed(2);
  fast->setTimeOffset(0.2);
  t0_ = CACurrentMediaTime();
  l->addAnimation(fast, "fast");
  EXPECT_NEAR(opacityAt(l, 0.1), 0.4, 1e-9);
  l->removeAllAnimations();

  auto spin = BasicAnimation::animationWithKeyPath("transform.rotation");
  spin->setFromValue(n(0));
  spin->setToValue(n(M_PI));
  spin->setDuration(1);
  spin->setRepeatCount(FLT_MAX);
  t0_ = CACurrentMediaTime();
  l->addAnimation(spin, "spin");
  advanceTo(100.5);
  EXPECT_NEAR(num(l->presentationLayer()->valueForKeyPath("transform.rotation.z")), M_PI / 2, 1e-6);
  EXPECT_EQ(l->animationKeys().size(), 1u);
}

TEST_F(AnimationTest, UnsetValuesComeFromTheLayerAndByValues) {
  auto l = Layer::layer();
  l->setPosition({10, 20});
  auto move = BasicAnimation::animationWithKeyPath("position");
  move->setFromValue(fd::ValueBox::valueWith(gfx::Point{0, 0}));
  move->setDuration(1);
  l->addAnimation(move, "move");
  advanceTo(0.5);
  EXPECT_EQ(l->presentationLayer()->position(), (gfx::Point{5, 10}));
  l->removeAllAnimations();
  auto grow = BasicAnimation::animationWithKeyPath("cornerRadius");
  grow->setByValue(n(10));
  grow->setDuration(1);
  l->setCornerRadius(4);
  t0_ = CACurrentMediaTime();
  l->addAnimation(grow, "grow");
  EXPECT_NEAR(opacityAt(l, 0.5), 1, 1e-9);
  EXPECT_NEAR(l->presentationLayer()->cornerRadius(), 9, 1e-9);
  // Colours blend component-wise; shape layers animate their own keys.
  auto shape = ShapeLayer::layer();
  auto stroke = BasicAnimation::animationWithKeyPath("strokeEnd");
  stroke->setFromValue(n(0));
  stroke->setToValue(n(1));
  stroke->setDuration(2);
  t0_ = CACurrentMediaTime();
  shape->addAnimation(stroke, "");
  auto tint = BasicAnimation::animationWithKeyPath("backgroundColor");
  tint->setFromValue(gfx::Color::colorWithRed(0, 0, 0, 1));
  tint->setToValue(gfx::Color::colorWithRed(1, 0, 0, 1));
  tint->setDuration(2);
  shape->addAnimation(tint, "tint");
  advanceTo(0.5);
  auto p = std::dynamic_pointer_cast<ShapeLayer>(shape->presentationLayer());
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->strokeEnd(), 0.25, 1e-9);
  double rgba[4];
  p->backgroundColor()->rgba(rgba);
  EXPECT_NEAR(rgba[0], 0.25, 1e-9);
}

TEST_F(AnimationTest, KeyframesGroupsAndTransitions) {
  auto shake = KeyframeAnimation::animationWithKeyPath("transform.rotation");
  double a = M_PI / 36;
  shake->setValues({n(-a), n(a), n(-a)});
  shake->setDuration(0.1);
  shake->setRepeatCount(4);
  shake->setRemovedOnCompletion(false);
  shake->setFillMode(kCAFillModeForwards);
  EXPECT_NEAR(num(shake->valueAtProgress(0.25)), 0, 1e-12);
  EXPECT_NEAR(num(shake->valueAtProgress(0.5)), a, 1e-12);
  shake->setKeyTimes({0, 0.8, 1});
  EXPECT_NEAR(num(shake->valueAtProgress(0.4)), 0, 1e-12);
  shake->setKeyTimes({});
  auto l = Layer::layer();
  l->addAnimation(shake, "");
  EXPECT_TRUE(l->animationKeys().empty());  // unnamed, yet attached
  EXPECT_TRUE(l->hasAnimations());
  advanceTo(0.125);
  EXPECT_NEAR(num(l->presentationLayer()->valueForKeyPath("transform.rotation.z")), 0, 1e-6);
  advanceTo(1);
  EXPECT_NEAR(num(l->presentationLayer()->valueForKeyPath("transform.rotation.z")), -a, 1e-6);
  l->removeAllAnimations();

  auto start = BasicAnimation::animationWithKeyPath("strokeStart");
  start->setFromValue(n(0));
  start->setToValue(n(0.5));
  start->setBeginTime(0.5);
  start->setDuration(0.5);
  auto end = BasicAnimation::animationWithKeyPath("strokeEnd");
  end->setFromValue(n(0));
  end->setToValue(n(1));
  end->setDuration(1);
  auto group = AnimationGroup::animation();
  group->setAnimations({start, end});
  group->setDuration(1);
  auto shape = ShapeLayer::layer();
  t0_ = CACurrentMediaTime();
  shape->addAnimation(group, "stroke");
  advanceTo(0.75);
  auto p = std::dynamic_pointer_cast<ShapeLayer>(shape->presentationLayer());
  EXPECT_NEAR(p->strokeEnd(), 0.75, 1e-9);
  EXPECT_NEAR(p->strokeStart(), 0.25, 1e-9);

  auto t = Transition::animation();
  t->setType(kCATransitionFade);
  t->setDuration(0.4);
  t->setTimingFunction(MediaTimingFunction::functionWithName(kCAMediaTimingFunctionLinear));
  t0_ = CACurrentMediaTime();
  l->addAnimation(t, "imageFade");
  EXPECT_NEAR(opacityAt(l, 0.1), 0.25, 1e-9);
  ASSERT_TRUE(std::dynamic_pointer_cast<Transition>(l->animationForKey("imageFade")));
}

TEST_F(AnimationTest, DelegateHearsStartAndStopWithFinishedFlags) {
  auto l = Layer::layer();
  auto rec = std::make_shared<Recorder>();
  auto a = fade(0, 1, 0.5);
  a->setDelegate(rec);
  l->addAnimation(a, "a");
  EXPECT_TRUE(rec->events.empty());
  advanceTo(0.1);
  EXPECT_EQ(rec->events, std::vector<std::string>{"start"});
  advanceTo(0.6);
  EXPECT_EQ(rec->events, (std::vector<std::string>{"start", "stop:1"}));
  // Replacing under the same key and removing both stop early.
  rec->events.clear();
  l->addAnimation(a, "b");
  l->addAnimation(a, "b");
  EXPECT_EQ(l->animationKeys().size(), 1u);
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(rec->events, std::vector<std::string>{"stop:0"});
  l->removeAnimationForKey("b");
  fd::RunLoopDriver::runOneTurn();
  EXPECT_EQ(rec->events, (std::vector<std::string>{"stop:0", "stop:0"}));
  EXPECT_FALSE(l->hasAnimations());
}

TEST_F(AnimationTest, CopiesKeepEveryTimingField) {
  auto a = fade(0.1, 0.9, 0.3);
  a->setBeginTime(2);
  a->setSpeed(1.5);
  a->setTimeOffset(0.1);
  a->setRepeatDuration(4);
  a->setAutoreverses(true);
  a->setFillMode(kCAFillModeBoth);
  a->setRemovedOnCompletion(false);
  a->setTimingFunction(MediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseOut));
  auto b = std::dynamic_pointer_cast<BasicAnimation>(a->copy());
  ASSERT_TRUE(b);
  EXPECT_NE(a, b);
  EXPECT_EQ(b->beginTime(), 2);
  EXPECT_EQ(b->speed(), 1.5);
  EXPECT_EQ(b->timeOffset(), 0.1);
  EXPECT_EQ(b->repeatDuration(), 4);
  EXPECT_TRUE(b->autoreverses());
  EXPECT_EQ(b->fillMode(), kCAFillModeBoth);
  EXPECT_FALSE(b->isRemovedOnCompletion());
  EXPECT_EQ(b->timingFunction(), a->timingFunction());
  EXPECT_EQ(num(b->toValue()), 0.9);
  EXPECT_EQ(b->keyPath(), rt::String("opacity"));
  EXPECT_EQ(b->activeDuration(), 4);
}

}  // namespace animation_test
