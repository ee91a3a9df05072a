#include "platform/ui/controls/Control.h"

#include <gtest/gtest.h>

#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TouchInput.h"
#include "platform/ui/view/Window.h"

using namespace ui;

namespace {

class Receiver : public rt::Object {
  RT_CLASS(Receiver, rt::Object)
 public:
  std::vector<std::string> calls;
  void noArgs() { calls.push_back("noArgs"); }
  void withSender(const rt::Id& sender) { calls.push_back(sender ? "withSender" : "withSender(nil)"); }
  void withEvent(const rt::Id& sender, const rt::Id& event) {
    calls.push_back(std::string("withEvent") + (sender ? "" : "!") + (event ? "+event" : ""));
  }
};
RT_IMPLEMENT(Receiver) {
  c.method("noArgs", &Receiver::noArgs);
  c.method("withSender:", &Receiver::withSender);
  c.method("withEvent:forEvent:", &Receiver::withEvent);
}

class ChainHandler : public Responder {
  RT_CLASS(ChainHandler, Responder)
 public:
  int hits = 0;
  void noArgs() { ++hits; }
};
RT_IMPLEMENT(ChainHandler) { c.method("noArgs", &ChainHandler::noArgs); }

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fd::RunLoopDriver::useVirtualClock();
    window = rt::make<Window>(gfx::RectMake(0, 0, 320, 480));
    window->makeKeyAndVisible();
    control = rt::make<Control>(gfx::RectMake(100, 100, 50, 50));
    window->addSubview(control);
    receiver = rt::make<Receiver>();
  }
  void TearDown() override {
    Application::sharedApplication()->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  std::vector<std::string> eventsFor(std::function<void(TouchInput&)> gesture) {
    std::vector<std::string> seen;
    const std::pair<uint64_t, const char*> names[] = {
        {ControlEventTouchDown, "down"},          {ControlEventTouchDownRepeat, "repeat"},
        {ControlEventTouchDragInside, "in"},      {ControlEventTouchDragOutside, "out"},
        {ControlEventTouchDragEnter, "enter"},    {ControlEventTouchDragExit, "exit"},
        {ControlEventTouchUpInside, "upInside"},  {ControlEventTouchUpOutside, "upOutside"},
        {ControlEventTouchCancel, "cancel"}};
    for (auto& [mask, name] : names) {
      std::string n = name;
      control->addTarget(receiver, [&seen, n](Control&, Event*) { seen.push_back(n); }, mask);
    }
    TouchInput input(window);
    gesture(input);
    return seen;
  }
  Ref<Window> window;
  Ref<Control> control;
  Ref<Receiver> receiver;
};

}  // namespace

TEST_F(ControlTest, TrackingSendsTheTouchEventsInOrder) {
  EXPECT_EQ(eventsFor([](TouchInput& in) { in.tap({120, 120}); }), (std::vector<std::string>{"down", "upInside"}));
}

TEST_F(ControlTest, DraggingOutAndBackReportsExitAndEnter) {
  bool highlightedOutside = true;
  auto seen = eventsFor([&](TouchInput& in) {
    auto t = in.down({120, 120});
    EXPECT_TRUE(control->isHighlighted());
    in.move(t, {130, 130});
    in.move(t, {300, 300});
    highlightedOutside = control->isHighlighted();
    in.move(t, {125, 125});
    in.move(t, {300, 400});
    in.up(t);
  });
  EXPECT_FALSE(highlightedOutside);
  EXPECT_FALSE(control->isHighlighted());
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "in", "out", "exit", "in", "enter", "out", "exit", "upOutside"}));
}

TEST_F(ControlTest, SecondQuickTapIsARepeat) {
  auto seen = eventsFor([](TouchInput& in) {
    in.tap({120, 120});
    in.tap({121, 121});
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "upInside", "down", "repeat", "upInside"}));
}

TEST_F(ControlTest, DisabledControlsSendNothing) {
  control->setEnabled(false);
  EXPECT_EQ(control->state(), uint64_t(ControlStateDisabled));
  EXPECT_TRUE(eventsFor([](TouchInput& in) { in.tap({120, 120}); }).empty());
}

TEST_F(ControlTest, SelectorActionsTakeNothingTheSenderOrTheEvent) {
  control->addTarget(receiver, rt::sel("noArgs"), ControlEventTouchDown);
  control->addTarget(receiver, rt::sel("withSender:"), ControlEventTouchDown);
  control->addTarget(receiver, rt::sel("withEvent:forEvent:"), ControlEventTouchDown);
  TouchInput(window).tap({120, 120});
  EXPECT_EQ(receiver->calls, (std::vector<std::string>{"noArgs", "withSender", "withEvent+event"}));
  receiver->calls.clear();
  control->sendActionsForControlEvents(ControlEventTouchDown);
  EXPECT_EQ(receiver->calls, (std::vector<std::string>{"noArgs", "withSender", "withEvent"}));
}

TEST_F(ControlTest, RegistryAnswersAndRemoves) {
  auto other = rt::make<Receiver>();
  control->addTarget(receiver, rt::sel("noArgs"), ControlEventTouchUpInside | ControlEventValueChanged);
  control->addTarget(other, rt::sel("withSender:"), ControlEventValueChanged);
  EXPECT_EQ(control->allTargets().size(), 2u);
  EXPECT_EQ(control->allControlEvents(), uint64_t(ControlEventTouchUpInside | ControlEventValueChanged));
  EXPECT_EQ(control->actionsForTarget(receiver, ControlEventValueChanged), std::vector<rt::String>{rt::String("noArgs")});
  EXPECT_TRUE(control->actionsForTarget(other, ControlEventTouchUpInside).empty());
  control->removeTarget(receiver, rt::sel("noArgs"), ControlEventValueChanged);
  control->sendActionsForControlEvents(ControlEventValueChanged);
  EXPECT_TRUE(receiver->calls.empty());
  EXPECT_EQ(other->calls, std::vector<std::string>{"withSender"});
  control->removeTarget(nullptr, {}, ControlEventAllEvents);
  EXPECT_TRUE(control->allTargets().empty());
}

TEST_F(ControlTest, TargetsAreNotRetained) {
  control->addTarget(receiver, rt::sel("noArgs"), ControlEventValueChanged);
  Weak<Receiver> weak = receiver;
  receiver.reset();
  EXPECT_TRUE(weak.expired());
  control->sendActionsForControlEvents(ControlEventValueChanged);
  EXPECT_TRUE(control->allTargets().empty());
}

TEST_F(ControlTest, NilTargetWalksTheResponderChain) {
  auto handler = rt::make<ChainHandler>();
  auto holder = rt::make<View>(gfx::RectMake(0, 0, 320, 480));
  window->addSubview(holder);
  holder->setViewController(handler);
  auto field = rt::make<Control>(gfx::RectMake(0, 0, 10, 10));
  holder->addSubview(field);
  field->addTarget(rt::Id(), rt::sel("noArgs"), ControlEventValueChanged);
  field->sendActionsForControlEvents(ControlEventValueChanged);
  EXPECT_EQ(handler->hits, 1);
  // Nothing along a control's chain implements this one: nothing is sent, nothing breaks.
  control->addTarget(rt::Id(), rt::sel("noArgs"), ControlEventValueChanged);
  control->sendActionsForControlEvents(ControlEventValueChanged);
  EXPECT_EQ(handler->hits, 1);
}
