#include "platform/ui/view/Responder.h"

#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

// Records the touch callbacks it gets; optionally passes them on up the chain.
class TouchLog : public View {
  RT_CLASS(TouchLog, View)
 public:
  std::vector<std::string>* log = nullptr;
  std::string name;
  bool passOn = false;
  gfx::Point lastLocation;
  void record(const char* what, const TouchSet& touches, Event* event) {
    lastLocation = touches.anyObject()->locationInView(this);
    log->push_back(name + ":" + what + ":" + std::to_string(event->allTouches().count()));
  }
  void touchesBegan(const TouchSet& t, Event* e) override {
    record("began", t, e);
    if (passOn) View::touchesBegan(t, e);
  }
  void touchesMoved(const TouchSet& t, Event* e) override { record("moved", t, e); }
  void touchesEnded(const TouchSet& t, Event* e) override {
    record("ended", t, e);
    if (passOn) View::touchesEnded(t, e);
  }
  void touchesCancelled(const TouchSet& t, Event* e) override { record("cancelled", t, e); }
  void motionEnded(EventSubtype m, Event*) override {
    if (m == EventSubtype::MotionShake) log->push_back(name + ":shake");
  }
  bool canBecomeFirstResponder() const override { return true; }
  void copyAction(const rt::Id&) {}
};
RT_IMPLEMENT(TouchLog) { c.method("copy:", &TouchLog::copyAction); }

class ControllerStandIn : public Responder {
  RT_CLASS(ControllerStandIn, Responder)
 public:
  Weak<View> view;
  Ref<Responder> nextResponder() const override {
    auto v = view.lock();
    return v ? v->superview() : nullptr;
  }
};
RT_IMPLEMENT(ControllerStandIn) {}

class ResponderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    outer = make("outer", gfx::RectMake(0, 0, 200, 200));
    inner = make("inner", gfx::RectMake(50, 50, 100, 100));
    window->addSubview(outer);
    outer->addSubview(inner);
  }
  void TearDown() override {
    if (auto r = Responder::currentFirstResponder()) r->resignFirstResponder();
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<TouchLog> make(const char* name, gfx::Rect frame) {
    auto v = rt::make<TouchLog>(frame);
    v->log = &log;
    v->name = name;
    return v;
  }
  std::vector<std::string> log;
  Ref<Window> window;
  Ref<TouchLog> outer, inner;
};

}  // namespace

TEST_F(ResponderTest, ChainRunsThroughControllerSuperviewWindowApplication) {
  auto controller = rt::make<ControllerStandIn>();
  controller->view = inner;
  inner->setViewController(controller);
  EXPECT_EQ(inner->nextResponder(), controller);
  EXPECT_EQ(controller->nextResponder(), outer);
  EXPECT_EQ(outer->nextResponder(), window);
  EXPECT_EQ(window->nextResponder(), Application::sharedApplication());
}

TEST_F(ResponderTest, TouchesGoToTheHitViewWithLocationsInIt) {
  TouchInput input(window);
  auto t = input.down({60, 70});
  EXPECT_EQ(t->view(), inner);
  input.move(t, {80, 90});
  input.up(t);
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began:1", "inner:moved:1", "inner:ended:1"}));
  EXPECT_EQ(inner->lastLocation, gfx::PointMake(30, 40));
  EXPECT_EQ(t->locationInView(nullptr), gfx::PointMake(80, 90));
  EXPECT_EQ(t->previousLocationInView(nullptr), gfx::PointMake(60, 70));
  EXPECT_EQ(window->touchRouter().activeTouchCount(), 0u);
}

TEST_F(ResponderTest, UnhandledTouchesTravelUpTheChain) {
  inner->passOn = true;
  TouchInput input(window);
  input.tap({60, 60});
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began:1", "outer:began:1", "inner:ended:1", "outer:ended:1"}));
}

TEST_F(ResponderTest, SecondFingerJoinsTheEventAndTapCountsGrow) {
  TouchInput input(window);
  auto a = input.down({60, 60});
  auto b = input.down({10, 10});
  EXPECT_EQ(b->view(), outer);
  input.up(std::vector<Ref<Touch>>{a, b});
  EXPECT_EQ(log[1], "outer:began:2");
  auto t1 = input.down({100, 100});
  input.up(t1);
  auto t2 = input.down({102, 101});
  input.up(t2);
  EXPECT_EQ(t1->tapCount(), 1);
  EXPECT_EQ(t2->tapCount(), 2);
  TouchInput::wait(1);
  auto t3 = input.down({102, 101});
  input.up(t3);
  EXPECT_EQ(t3->tapCount(), 1);
}

TEST_F(ResponderTest, FirstResponderMovesAndShakesReachIt) {
  EXPECT_TRUE(inner->becomeFirstResponder());
  EXPECT_TRUE(inner->isFirstResponder());
  EXPECT_TRUE(outer->becomeFirstResponder());
  EXPECT_FALSE(inner->isFirstResponder());
  EXPECT_FALSE(window->becomeFirstResponder());  // windows do not take it by default
  TouchInput(window).shake();
  EXPECT_EQ(log, std::vector<std::string>{"outer:shake"});
  outer->removeFromSuperview();
  EXPECT_FALSE(outer->isFirstResponder());
}

TEST_F(ResponderTest, CanPerformActionAsksAlongTheChain) {
  auto plain = rt::make<View>(gfx::RectMake(0, 0, 10, 10));
  inner->addSubview(plain);
  EXPECT_TRUE(plain->canPerformAction(rt::sel("copy:"), nullptr));
  EXPECT_FALSE(plain->canPerformAction(rt::sel("paste:"), nullptr));
  EXPECT_EQ(plain->targetForAction(rt::sel("copy:"), nullptr), inner);
}

TEST_F(ResponderTest, SingleTouchAndExclusiveViewsKeepOtherTouchesOut) {
  TouchInput input(window);
  // A second finger on a view that takes one touch at a time is not delivered to it.
  auto a = input.down({60, 60});
  auto b = input.down({70, 70});
  input.up(std::vector<Ref<Touch>>{a, b});
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began:1", "inner:ended:2"}));
  log.clear();
  inner->setMultipleTouchEnabled(true);
  a = input.down({60, 60});
  b = input.down({70, 70});
  input.up(std::vector<Ref<Touch>>{a, b});
  EXPECT_EQ(log.size(), 3u);
  // While an exclusive view is touched, other views get nothing.
  log.clear();
  inner->setExclusiveTouch(true);
  a = input.down({60, 60});
  b = input.down({10, 10});
  input.up(std::vector<Ref<Touch>>{a, b});
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began:1", "inner:ended:2"}));
}
