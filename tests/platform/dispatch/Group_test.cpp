#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Group;
using dispatch::Queue;

TEST(DispatchGroup, NotifyRunsOnceEverythingHasLeft) {
  auto group = Group::create();
  auto work = Queue::createConcurrent("test.group-work");
  auto serial = Queue::createSerial("test.group-notify");
  std::atomic<int> finished{0};
  std::atomic<int> seenAtNotify{-1};
  std::string notifyLabel;
  auto notified = dispatch::Semaphore::create(0);
  auto release = dispatch::Semaphore::create(0);
  for (int i = 0; i < 8; ++i) {
    group->async(work, [&] {
      release->wait(dtest::kPatience);
      ++finished;
    });
  }
  group->enter();  // work tracked by hand, finished from another thread
  group->notify(serial, [&] {
    seenAtNotify = finished.load();
    notifyLabel = dispatch::currentQueueLabel();
    notified->signal();
  });
  EXPECT_FALSE(group->wait(0.02));
  for (int i = 0; i < 8; ++i) release->signal();
  EXPECT_FALSE(notified->wait(0.02));  // the manual enter still holds it
  std::thread([&] {
    ++finished;
    group->leave();
  }).join();
  ASSERT_TRUE(notified->wait(dtest::kPatience));
  EXPECT_EQ(seenAtNotify, 9);
  EXPECT_EQ(notifyLabel, "test.group-notify");
  EXPECT_TRUE(group->wait(0));
}

TEST(DispatchGroup, EmptyGroupNotifiesAndWaitsAtOnce) {
  auto group = Group::create();
  EXPECT_TRUE(group->wait(0));
  EXPECT_TRUE(group->wait());
  bool ran = false;
  group->notify(dispatch::mainQueue(), [&] { ran = true; });
  EXPECT_EQ(dispatch::drainMainQueue(), 1u);
  EXPECT_TRUE(ran);
}

TEST(DispatchGroup, WaitTimesOutAndUnbalancedLeaveRaises) {
  auto group = Group::create();
  group->enter();
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(group->wait(0.05));
  EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), 0.05);
  group->leave();
  EXPECT_TRUE(group->wait(0));
  EXPECT_THROW(group->leave(), rt::Exception);
}

TEST(DispatchGroup, NotifyMayReuseTheGroup) {
  auto group = Group::create();
  auto q = Queue::createSerial("test.group-reuse");
  std::atomic<int> rounds{0};
  auto done = dispatch::Semaphore::create(0);
  for (int round = 0; round < 3; ++round) {
    group->async(q, [] {});
    group->notify(q, [&] {
      ++rounds;
      done->signal();
    });
    ASSERT_TRUE(done->wait(dtest::kPatience));
  }
  EXPECT_EQ(rounds, 3);
}
