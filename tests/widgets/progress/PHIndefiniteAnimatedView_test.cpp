#include "widgets/progress/PHIndefiniteAnimatedView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Transaction.h"

using namespace widgets;

namespace {

class SpinnerTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    ui::Transaction::flush();
    fd::RunLoopDriver::reset();
  }
  static Ref<PHIndefiniteAnimatedView> spinner(double radius, double thickness) {
    auto s = rt::make<PHIndefiniteAnimatedView>(gfx::RectZero);
    s->setStrokeThickness(thickness);
    s->setStrokeColor(gfx::Color::whiteColor());
    s->setRadius(radius);
    s->sizeToFit();
    return s;
  }
  static double number(const rt::Id& value) {
    auto n = rt::as<fd::Number>(value);
    return n ? n->doubleValue() : NAN;
  }
};

}  // namespace

TEST_F(SpinnerTest, FitsTheArcWithRoomForItsCaps) {
  struct Case {
    double radius, thickness, side;
  } cases[] = {{18, 1, 47}, {24, 2, 60}, {0, 0, 10}};
  for (const auto& c : cases) {
    auto s = spinner(c.radius, c.thickness);
    EXPECT_EQ(s->sizeThatFits({500, 1}), (gfx::Size{c.side, c.side})) << c.radius;
    EXPECT_EQ(s->bounds().size, (gfx::Size{c.side, c.side})) << c.radius;
  }
}

TEST_F(SpinnerTest, AttachingBuildsTheAnimatedArcCentredInTheView) {
  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 200, 200));
  auto s = spinner(18, 1);
  host->addSubview(s);
  const auto& arc = s->indefiniteAnimatedLayer();
  ASSERT_EQ(arc->superlayer().get(), s->layer().get());
  EXPECT_EQ(arc->bounds(), gfx::RectMake(0, 0, 47, 47));
  EXPECT_EQ(arc->position(), (gfx::Point{23.5, 23.5}));
  EXPECT_EQ(arc->lineWidth(), 1);
  EXPECT_EQ(arc->lineCap(), ui::kCALineCapRound);
  ASSERT_TRUE(arc->mask());
  EXPECT_EQ(arc->mask()->frame(), arc->bounds());
  EXPECT_TRUE(arc->mask()->contents()) << "the angle mask picture is missing from the resources";

  auto rotate = rt::as<ui::BasicAnimation>(arc->mask()->animationForKey("rotate"));
  ASSERT_TRUE(rotate);
  EXPECT_EQ(rotate->keyPath(), "transform.rotation");
  EXPECT_EQ(number(rotate->toValue()), 6.2831854820251465);
  EXPECT_EQ(rotate->duration(), 1.0);
  EXPECT_TRUE(std::isinf(rotate->repeatCount()));
  EXPECT_FALSE(rotate->isRemovedOnCompletion());

  auto group = rt::as<ui::AnimationGroup>(arc->animationForKey("progress"));
  ASSERT_TRUE(group);
  ASSERT_EQ(group->animations().size(), 2u);
  auto start = rt::as<ui::BasicAnimation>(group->animations()[0]);
  auto end = rt::as<ui::BasicAnimation>(group->animations()[1]);
  ASSERT_TRUE(start && end);
  EXPECT_EQ(start->keyPath(), "strokeStart");
  EXPECT_EQ(number(start->fromValue()), 0.015);
  EXPECT_EQ(number(start->toValue()), 0.515);
  EXPECT_EQ(end->keyPath(), "strokeEnd");
  EXPECT_EQ(number(end->fromValue()), 0.485);
  EXPECT_EQ(number(end->toValue()), 0.985);
  EXPECT_EQ(group->duration(), 1.0);
  EXPECT_TRUE(std::isinf(group->repeatCount()));
}

TEST_F(SpinnerTest, TheStrokeWindowSlidesAndTheMaskTurnsOncePerSecond) {
  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 200, 200));
  auto s = spinner(24, 2);
  host->addSubview(s);
  ui::Transaction::flush();
  const auto& arc = s->indefiniteAnimatedLayer();
  auto startAt = [&] { return rt::as<ui::ShapeLayer>(arc->presentationLayer())->strokeStart(); };
  auto turnAt = [&] { return number(arc->mask()->presentationLayer()->valueForKeyPath("transform.rotation.z")); };
  EXPECT_NEAR(startAt(), 0.015, 1e-6);
  fd::RunLoopDriver::advance(0.25);
  EXPECT_NEAR(turnAt(), M_PI / 2, 1e-3);
  fd::RunLoopDriver::advance(0.25);
  EXPECT_NEAR(startAt(), 0.265, 1e-3);
  fd::RunLoopDriver::advance(0.75);  // a quarter into the second turn
  EXPECT_NEAR(startAt(), 0.14, 1e-3);
  EXPECT_NEAR(turnAt(), M_PI / 2, 1e-3);
  EXPECT_NEAR(rt::as<ui::ShapeLayer>(arc->presentationLayer())->strokeEnd(), 0.61, 1e-3);
}

TEST_F(SpinnerTest, RadiusRebuildsAnAttachedArcOnlyAndRemovalDropsIt) {
  auto detached = spinner(18, 1);
  detached->setRadius(30);
  EXPECT_EQ(detached->radius(), 30);
  EXPECT_TRUE(detached->layer()->sublayers().empty());

  auto host = rt::make<ui::View>(gfx::RectMake(0, 0, 200, 200));
  auto s = spinner(18, 1);
  host->addSubview(s);
  Ref<ui::ShapeLayer> first = s->indefiniteAnimatedLayer();
  s->setRadius(24);
  Ref<ui::ShapeLayer> second = s->indefiniteAnimatedLayer();
  EXPECT_NE(first, second);
  EXPECT_FALSE(first->superlayer());
  EXPECT_EQ(second->superlayer().get(), s->layer().get());
  EXPECT_EQ(second->bounds().size.width, 2 * (24 + 0.5 + 5));
  EXPECT_TRUE(second->animationForKey("progress"));

  // Thickness and colour reach the current arc; its size waits for the next rebuild.
  s->setStrokeThickness(3);
  s->setStrokeColor(gfx::Color::redColor());
  EXPECT_EQ(second->lineWidth(), 3);
  EXPECT_TRUE(second->strokeColor()->isEqual(gfx::Color::redColor()));
  EXPECT_EQ(second->bounds().size.width, 59);

  s->removeFromSuperview();
  EXPECT_FALSE(second->superlayer());
  EXPECT_TRUE(s->layer()->sublayers().empty());
  host->addSubview(s);
  EXPECT_NE(s->indefiniteAnimatedLayer(), second);
  EXPECT_EQ(s->indefiniteAnimatedLayer()->bounds().size.width, 2 * (24 + 1.5 + 5));
}
