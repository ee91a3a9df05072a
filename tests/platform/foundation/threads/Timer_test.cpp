#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/runtime/WeakProxy.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

using TimerTest = VirtualLoopTest;

TEST_F(TimerTest, RepeatingTimerFiresOnItsGridAndStopsWhenInvalidatedFromItsBlock) {
  std::vector<double> at;
  auto t = Timer::scheduledTimerWithTimeInterval(0.5, true, [&](Timer& timer) {
    at.push_back(elapsed());
    if (at.size() == 3) timer.invalidate();
  });
  EXPECT_TRUE(t->repeats());
  EXPECT_DOUBLE_EQ(t->timeInterval(), 0.5);
  RunLoopDriver::advance(10);
  ASSERT_EQ(at.size(), 3u);
  for (size_t i = 0; i < at.size(); ++i) EXPECT_NEAR(at[i], 0.5 * double(i + 1), 1e-9);
  EXPECT_FALSE(t->isValid());
}

TEST_F(TimerTest, MissedFiresAreSkippedAndThePhaseIsKept) {
  int fires = 0;
  auto t = Timer::scheduledTimerWithTimeInterval(1.0, true, [&](Timer&) { ++fires; });
  clock_->advance(3.5);  // behind the loop's back: three fire dates pass unserved
  RunLoopDriver::runOneTurn();
  EXPECT_EQ(fires, 1);
  EXPECT_NEAR(t->fireDate()->timeIntervalSinceNow(), 0.5, 1e-6);
  RunLoopDriver::advance(0.5);
  EXPECT_EQ(fires, 2);
  t->invalidate();
}

TEST_F(TimerTest, UnscheduledTimerWaitsUntilAddedToALoop) {
  int fires = 0;
  auto t = Timer::timerWithTimeInterval(0.2, false, [&](Timer&) { ++fires; });
  RunLoopDriver::advance(1);
  EXPECT_EQ(fires, 0);
  EXPECT_TRUE(t->isValid());
  // Its fire date has passed: added now, it fires on the next turn.
  RunLoop::mainRunLoop()->addTimer(t, NSRunLoopCommonModes);
  RunLoopDriver::runOneTurn(UITrackingRunLoopMode);
  EXPECT_EQ(fires, 1);
  EXPECT_FALSE(t->isValid());
}

TEST_F(TimerTest, FireRunsNowAndInvalidatesOnlyOneShotTimers) {
  struct Case { bool repeats; bool validAfter; };
  for (Case c : {Case{true, true}, Case{false, false}}) {
    int fires = 0;
    auto t = Timer::scheduledTimerWithTimeInterval(1, c.repeats, [&](Timer&) { ++fires; });
    t->fire();
    EXPECT_EQ(fires, 1);
    EXPECT_EQ(t->isValid(), c.validAfter);
    RunLoopDriver::advance(1);
    EXPECT_EQ(fires, c.repeats ? 2 : 1);
    t->invalidate();
    t->fire();
    EXPECT_EQ(fires, c.repeats ? 2 : 1);
  }
}

TEST_F(TimerTest, TargetIsHeldUntilInvalidateAndItsMethodGetsTheTimer) {
  auto target = rt::make<LoopTestTarget>();
  Weak<LoopTestTarget> weak = target;
  auto info = Number::numberWithInt(7);
  auto t = Timer::scheduledTimerWithTimeInterval(0.1, target, rt::sel("tick:"), info, true);
  target.reset();
  ASSERT_FALSE(weak.expired());
  RunLoopDriver::advance(0.25);
  auto held = weak.lock();
  ASSERT_EQ(held->calls(), (std::vector<std::string>{"tick", "tick"}));
  EXPECT_EQ(held->arguments()[0].get(), t.get());
  EXPECT_EQ(t->userInfo().get(), info.get());
  held.reset();
  t->invalidate();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(t->userInfo(), nullptr);
}

TEST_F(TimerTest, SelectorWithoutArgumentAndCallableActionsBothReachTheTarget) {
  auto target = rt::make<LoopTestTarget>();
  Timer::scheduledTimerWithTimeInterval(0.1, target, rt::sel("ping"), nullptr, false);
  Timer::scheduledTimerWithTimeInterval(0.2, target, [](Timer& t) {
    rt::as<LoopTestTarget>(t.target())->take(t.userInfo());
  }, Number::numberWithInt(3), false);
  RunLoopDriver::advance(0.3);
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"ping", "take"}));
  EXPECT_EQ(rt::as<Number>(target->arguments()[1])->intValue(), 3);
}

TEST_F(TimerTest, ASelectorSentThroughAWeakProxyReachesTheLiveTargetOnly) {
  auto target = rt::make<LoopTestTarget>();
  Timer::scheduledTimerWithTimeInterval(0.1, rt::WeakProxy::proxyWithTarget(target), rt::sel("ping"), nullptr, false);
  RunLoopDriver::advance(0.2);
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"ping"}));
  // Once the target is gone the proxy swallows the message.
  auto gone = rt::make<LoopTestTarget>();
  Timer::scheduledTimerWithTimeInterval(0.1, rt::WeakProxy::proxyWithTarget(gone), rt::sel("ping"), nullptr, false);
  gone.reset();
  RunLoopDriver::advance(0.2);
}

TEST_F(TimerTest, ATimerAddedToTwoModesFiresOnceAndSettingTheFireDateMovesIt) {
  int fires = 0;
  auto t = Timer::timerWithTimeInterval(0.1, false, [&](Timer&) { ++fires; });
  auto loop = RunLoop::mainRunLoop();
  loop->addTimer(t, NSDefaultRunLoopMode);
  loop->addTimer(t, UITrackingRunLoopMode);
  EXPECT_TRUE(loop->containsTimer(t, UITrackingRunLoopMode));
  t->setFireDate(Date::dateWithTimeIntervalSinceNow(2));
  RunLoopDriver::advance(1.5);
  EXPECT_EQ(fires, 0);
  RunLoopDriver::advance(0.5, UITrackingRunLoopMode);
  EXPECT_EQ(fires, 1);
  RunLoopDriver::advance(1);
  EXPECT_EQ(fires, 1);
}

TEST(TimerThreadTest, MovingTheFireDateWakesTheLoopThatSleepsTowardsTheOldOne) {
  std::promise<Ref<RunLoop>> ready;
  std::promise<bool> fired;
  Ref<Timer> timer = Timer::timerWithTimeInterval(3600, false, [&](Timer&) { fired.set_value(!Thread::isMainThread()); });
  auto thread = Thread::create([&] {
    auto loop = RunLoop::currentRunLoop();
    loop->addTimer(timer, NSDefaultRunLoopMode);
    ready.set_value(loop);
    loop->runInMode(NSDefaultRunLoopMode, 3600, true);  // returns once the timer has fired and gone
  });
  thread->start();
  auto r = ready.get_future();
  ASSERT_EQ(r.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  timer->setFireDate(Date::date());
  auto f = fired.get_future();
  ASSERT_EQ(f.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_TRUE(f.get());
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return thread->isFinished(); }, 10));
}

}  // namespace
}  // namespace fd::testing
