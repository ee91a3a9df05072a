#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/dispatch/TimerSource.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::TimerSource;

TEST(DispatchTimerSource, MainQueueTimerFollowsTheVirtualClock) {
  dtest::VirtualClockScope clock;
  auto timer = TimerSource::create(dispatch::mainQueue());
  int fires = 0;
  timer->setHandler([&] {
    EXPECT_TRUE(dispatch::isMainThread());
    ++fires;
  });
  double start = dispatch::uptime();
  timer->setTimer(0.5, 0.5, 0);
  clock->advance(1.0);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 0);  // a source does nothing until resumed
  timer->resume();      // the first deadline has passed: it fires at once
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 1);
  struct Step {
    double advance;
    int fires;
  };
  // The 1.2 s step passes two deadlines: they coalesce into one fire.
  for (const Step& step : {Step{0.4, 1}, Step{0.1, 2}, Step{1.2, 3}, Step{0.3, 4}}) {
    clock->advance(step.advance);
    dispatch::drainMainQueue();
    EXPECT_EQ(fires, step.fires) << "at +" << dispatch::uptime() - start;
  }
  EXPECT_DOUBLE_EQ(dispatch::nextMainQueueDeadline(), start + 3.5);

  timer->suspend();
  clock->advance(1.0);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 4);
  timer->resume();  // the fire missed while suspended comes at once
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 5);

  timer->cancel();
  EXPECT_TRUE(timer->isCancelled());
  clock->advance(5.0);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 5);
  EXPECT_TRUE(std::isinf(dispatch::nextMainQueueDeadline()));
}

TEST(DispatchTimerSource, OneShotAndRearm) {
  dtest::VirtualClockScope clock;
  auto timer = TimerSource::create(dispatch::mainQueue());
  int fires = 0;
  timer->setHandler([&] { ++fires; });
  timer->setTimer(0.2, 0);
  timer->resume();
  timer->setTimer(0.3, 0);  // replaces the first deadline
  clock->advance(0.25);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 0);
  clock->advance(0.05);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 1);
  clock->advance(10);
  dispatch::drainMainQueue();
  EXPECT_EQ(fires, 1);
  EXPECT_THROW(timer->resume(), rt::Exception);
  timer->cancel();
}

TEST(DispatchTimerSource, QueueTimerRepeatsInRealTime) {
  auto q = dispatch::Queue::createSerial("test.timer");
  auto timer = TimerSource::create(q);
  auto third = dispatch::Semaphore::create(0);
  std::atomic<int> fires{0};
  std::atomic<int> wrongQueue{0};
  timer->setHandler([&] {
    if (dispatch::currentQueueLabel() != "test.timer") ++wrongQueue;
    if (++fires == 3) {
      timer->cancel();
      third->signal();
    }
  });
  auto started = std::chrono::steady_clock::now();
  timer->setTimer(0.01, 0.01);
  timer->resume();
  ASSERT_TRUE(third->wait(dtest::kPatience));
  EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 0.03);
  EXPECT_EQ(wrongQueue, 0);
  // Nothing fires after the cancel: a block queued behind any stray fire sees the final count.
  q->sync([] {});
  EXPECT_EQ(fires, 3);
}
