#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Queue;

TEST(DispatchMainQueue, MainThreadAndLabels) {
  EXPECT_TRUE(dispatch::isMainThread());
  EXPECT_EQ(dispatch::currentQueueLabel(), dispatch::mainQueue()->label());
  EXPECT_TRUE(dispatch::mainQueue()->isSerial());
  EXPECT_EQ(dispatch::mainQueue()->qos(), dispatch::Qos::UserInteractive);
  bool workerIsMain = true;
  std::string workerLabel = "unset";
  std::thread([&] {
    workerIsMain = dispatch::isMainThread();
    workerLabel = dispatch::currentQueueLabel();
  }).join();
  EXPECT_FALSE(workerIsMain);
  EXPECT_EQ(workerLabel, "");
  EXPECT_EQ(dispatch::mainQueue(), dispatch::mainQueue());
}

TEST(DispatchMainQueue, AsyncBlocksWaitForTheDrainAndRunInOrder) {
  std::vector<int> seen;
  std::atomic<int> wakeups{0};
  dispatch::setMainQueueWakeup([&] { ++wakeups; });
  auto main = dispatch::mainQueue();
  main->async([&] {
    seen.push_back(1);
    main->async([&] { seen.push_back(3); });  // queued during the drain: runs in the next one
  });
  main->async([&] {
    seen.push_back(2);
    EXPECT_TRUE(dispatch::isMainThread());
  });
  EXPECT_EQ(wakeups, 1);  // one wake-up covers both until a drain counts them
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(dispatch::drainMainQueue(), 2u);
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_EQ(wakeups, 2);  // the block queued during the drain asked for the next one
  EXPECT_EQ(dispatch::drainMainQueue(), 1u);
  EXPECT_EQ(dispatch::drainMainQueue(), 0u);
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  dispatch::setMainQueueWakeup(nullptr);
}

TEST(DispatchMainQueue, AfterFollowsTheVirtualClock) {
  dtest::VirtualClockScope clock;
  auto main = dispatch::mainQueue();
  std::vector<std::string> seen;
  double start = dispatch::uptime();
  EXPECT_TRUE(std::isinf(dispatch::nextMainQueueDeadline()));
  main->after(0.3, [&] { seen.push_back("c"); });
  main->after(0.1, [&] { seen.push_back("a1"); });
  main->after(0.2, [&] { seen.push_back("b"); });
  main->after(0.1, [&] { seen.push_back("a2"); });
  main->after(-1, [&] { seen.push_back("now"); });
  EXPECT_EQ(dispatch::drainMainQueue(), 1u);
  EXPECT_DOUBLE_EQ(dispatch::nextMainQueueDeadline(), start + 0.1);

  // Steps of 0.05 and 0.1 do not add up exactly in binary; due blocks must still run.
  struct Step {
    double advance;
    std::vector<std::string> expected;
  };
  for (const Step& step : {Step{0.05, {"now"}}, Step{0.05, {"now", "a1", "a2"}}, Step{0.05, {"now", "a1", "a2"}},
                           Step{0.05, {"now", "a1", "a2", "b"}}, Step{0.1, {"now", "a1", "a2", "b", "c"}}}) {
    clock->advance(step.advance);
    dispatch::drainMainQueue();
    EXPECT_EQ(seen, step.expected) << "at +" << dispatch::uptime() - start;
  }
  EXPECT_TRUE(std::isinf(dispatch::nextMainQueueDeadline()));
}

TEST(DispatchMainQueue, SyncFromAWorkerRunsOnTheMainThread) {
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> returned{false};
  std::string label;
  auto group = dispatch::Group::create();
  group->async(dispatch::globalQueue(), [&] {
    dispatch::mainQueue()->sync([&] {
      ranOnMain = dispatch::isMainThread();
      label = dispatch::currentQueueLabel();
    });
    returned = true;
  });
  ASSERT_TRUE(dtest::pumpMainQueueUntil([&] { return returned.load(); }));
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(label, dispatch::mainQueue()->label());
  // On the main thread it runs inline.
  bool inline_ = false;
  dispatch::mainQueue()->sync([&] { inline_ = true; });
  EXPECT_TRUE(inline_);
}

TEST(DispatchMainQueue, SyncPassesExceptionsBackToTheCaller) {
  std::atomic<bool> caught{false};
  std::atomic<bool> returned{false};
  dispatch::globalQueue()->async([&] {
    try {
      dispatch::mainQueue()->sync([] { rt::raise(rt::InvalidArgumentException, "bad"); });
    } catch (const rt::Exception& e) {
      caught = e.reason() == "bad";
    }
    returned = true;
  });
  ASSERT_TRUE(dtest::pumpMainQueueUntil([&] { return returned.load(); }));
  EXPECT_TRUE(caught);
}

TEST(DispatchMainQueue, SuspendHoldsTheDrain) {
  auto main = dispatch::mainQueue();
  int ran = 0;
  main->suspend();
  main->async([&] { ++ran; });
  EXPECT_EQ(dispatch::drainMainQueue(), 0u);
  main->resume();
  EXPECT_EQ(dispatch::drainMainQueue(), 1u);
  EXPECT_EQ(ran, 1);
  EXPECT_THROW(main->resume(), rt::Exception);
}

TEST(DispatchMainQueue, DrainOffTheMainThreadRaises) {
  bool raised = false;
  std::thread([&] {
    try {
      dispatch::drainMainQueue();
    } catch (const rt::Exception&) {
      raised = true;
    }
  }).join();
  EXPECT_TRUE(raised);
}

TEST(DispatchMainQueue, AfterOnOtherQueuesUsesRealTime) {
  dtest::VirtualClockScope clock;  // must not hold back queues off the main thread
  auto q = Queue::createSerial("test.after");
  std::vector<int> seen;
  auto group = dispatch::Group::create();
  auto started = std::chrono::steady_clock::now();
  double elapsedAtFirst = 0;
  group->enter();
  group->enter();
  // The gap is wide so that a stall between the two calls under load cannot swap them.
  q->after(0.3, [&] {
    seen.push_back(2);
    group->leave();
  });
  q->after(0.03, [&] {
    elapsedAtFirst = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    seen.push_back(1);
    group->leave();
  });
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_GE(elapsedAtFirst, 0.03);
}
