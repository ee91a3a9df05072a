#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Processors.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Queue;

namespace {
int parallelWidth() { return std::clamp(dispatch::activeProcessorCount(), 2, 4); }
}  // namespace

TEST(DispatchConcurrentQueue, RunsBlocksInParallel) {
  for (auto q : {Queue::createConcurrent("test.concurrent"), dispatch::globalQueue(dispatch::Qos::Utility)}) {
    int width = parallelWidth();
    dtest::Countdown together(width);
    std::atomic<int> met{0};
    auto group = dispatch::Group::create();
    // Each block waits for all the others to have started: only parallel blocks can all meet.
    for (int i = 0; i < width; ++i) group->async(q, [&] { met += together.arriveAndWait() ? 1 : 0; });
    ASSERT_TRUE(group->wait(dtest::kPatience));
    EXPECT_EQ(met, width) << q->label();
  }
}

TEST(DispatchConcurrentQueue, BarrierWaitsRunsAloneAndHoldsLaterBlocks) {
  auto q = Queue::createConcurrent("test.barrier");
  int width = parallelWidth();
  dtest::Countdown before(width);
  std::atomic<int> running{0};
  std::atomic<int> finishedBefore{0};
  std::atomic<bool> barrierRunning{false};
  std::atomic<bool> barrierDone{false};
  std::atomic<int> violations{0};
  int sawFinished = -1;
  int sawRunning = -1;
  auto group = dispatch::Group::create();
  for (int i = 0; i < width; ++i) {
    group->async(q, [&] {
      ++running;
      before.arriveAndWait();  // all of them are running when the barrier arrives
      --running;
      ++finishedBefore;
    });
  }
  auto barrier = [&] {
    barrierRunning = true;
    sawFinished = finishedBefore;
    sawRunning = running;
    barrierRunning = false;
    barrierDone = true;
  };
  group->enter();
  q->asyncBarrier([&] {
    barrier();
    group->leave();
  });
  for (int i = 0; i < width * 4; ++i) {
    group->async(q, [&] {
      if (!barrierDone || barrierRunning) ++violations;
    });
  }
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(sawFinished, width);
  EXPECT_EQ(sawRunning, 0);
  EXPECT_EQ(violations, 0);
}

TEST(DispatchConcurrentQueue, SyncBarrierRunsOnTheCallerAlone) {
  auto q = Queue::createConcurrent("test.sync-barrier");
  std::atomic<int> running{0};
  auto release = dispatch::Semaphore::create(0);
  auto started = dispatch::Semaphore::create(0);
  q->async([&] {
    ++running;
    started->signal();
    release->wait(dtest::kPatience);
    --running;
  });
  ASSERT_TRUE(started->wait(dtest::kPatience));
  // Plain sync reads run beside the running block; the barrier waits for it.
  int seenBySync = -1;
  q->sync([&] { seenBySync = running; });
  EXPECT_EQ(seenBySync, 1);
  std::thread releaser([&] { release->signal(); });
  int seenByBarrier = -1;
  std::thread::id ranOn;
  q->syncBarrier([&] {
    seenByBarrier = running;
    ranOn = std::this_thread::get_id();
  });
  releaser.join();
  EXPECT_EQ(seenByBarrier, 0);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(DispatchConcurrentQueue, SuspendHoldsBlocksUntilResume) {
  auto q = Queue::createConcurrent("test.concurrent-suspend");
  q->suspend();
  auto group = dispatch::Group::create();
  std::atomic<int> ran{0};
  for (int i = 0; i < 4; ++i) group->async(q, [&] { ++ran; });
  EXPECT_FALSE(group->wait(0.05));
  EXPECT_EQ(ran, 0);
  q->resume();
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(ran, 4);
}

TEST(DispatchConcurrentQueue, ApplyCoversEveryIndexOnce) {
  struct Case {
    Ref<Queue> queue;
    size_t count;
  };
  for (const Case& c : {Case{Queue::createConcurrent("test.apply"), 1000}, Case{dispatch::globalQueue(), 1},
                        Case{Queue::createSerial("test.apply-serial"), 300}}) {
    std::vector<std::atomic<int>> hits(c.count);
    std::vector<size_t> order;
    std::mutex orderMutex;
    std::atomic<int> wrongQueue{0};
    c.queue->apply(c.count, [&](size_t i) {
      ++hits[i];
      if (dispatch::currentQueueLabel() != c.queue->label()) ++wrongQueue;
      std::lock_guard<std::mutex> lock(orderMutex);
      order.push_back(i);
    });
    EXPECT_TRUE(std::all_of(hits.begin(), hits.end(), [](auto& h) { return h == 1; })) << c.queue->label();
    EXPECT_EQ(wrongQueue, 0);
    if (c.queue->isSerial()) {
      EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    }
  }
  dispatch::globalQueue()->apply(0, [](size_t) { FAIL(); });
}

TEST(DispatchConcurrentQueue, ApplyRunsInParallel) {
  if (dispatch::activeProcessorCount() < 2) GTEST_SKIP() << "apply is as wide as the processors";
  int width = parallelWidth();
  dtest::Countdown together(width);
  std::atomic<int> met{0};
  std::set<std::thread::id> threads;
  std::mutex threadsMutex;
  // The first `width` iterations can only all meet if they run on different threads at once.
  Queue::createConcurrent("test.apply-parallel")->apply(width, [&](size_t) {
    met += together.arriveAndWait() ? 1 : 0;
    std::lock_guard<std::mutex> lock(threadsMutex);
    threads.insert(std::this_thread::get_id());
  });
  EXPECT_EQ(met, width);
  EXPECT_EQ(threads.size(), size_t(width));
}
