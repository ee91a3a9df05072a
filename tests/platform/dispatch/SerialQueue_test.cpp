#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Queue;

TEST(DispatchSerialQueue, RunsBlocksOneAtATimeInOrderPerProducer) {
  auto q = Queue::createSerial("test.serial");
  constexpr int kProducers = 4, kPerProducer = 2000;
  std::vector<int> seen;  // touched only on the queue
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  auto group = dispatch::Group::create();
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&, p] {
      for (int i = 0; i < kPerProducer; ++i) {
        group->async(q, [&, value = p * kPerProducer + i] {
          if (inside.fetch_add(1) != 0) overlapped = true;
          seen.push_back(value);
          inside.fetch_sub(1);
        });
      }
    });
  }
  for (auto& t : producers) t.join();
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_FALSE(overlapped);
  ASSERT_EQ(seen.size(), size_t(kProducers * kPerProducer));
  std::vector<int> last(kProducers, -1);
  for (int v : seen) {
    int p = v / kPerProducer;
    EXPECT_LT(last[p], v) << "producer " << p << " out of order";
    last[p] = v;
  }
}

TEST(DispatchSerialQueue, SyncRunsOnTheCallerAfterQueuedBlocks) {
  auto q = Queue::createSerial("test.sync");
  auto gate = dispatch::Semaphore::create(0);
  std::vector<int> order;
  q->async([&] {
    gate->wait(dtest::kPatience);
    order.push_back(1);
  });
  q->async([&] { order.push_back(2); });
  std::thread::id ranOn;
  std::string label;
  std::thread releaser([&] { gate->signal(); });
  q->sync([&] {
    order.push_back(3);
    ranOn = std::this_thread::get_id();
    label = dispatch::currentQueueLabel();
  });
  releaser.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(label, "test.sync");
}

TEST(DispatchSerialQueue, SyncAcrossQueuesDoesNotDeadlock) {
  auto a = Queue::createSerial("test.a");
  auto b = Queue::createSerial("test.b");
  auto c = Queue::createSerial("test.c");
  // b is busy when a's block syncs onto it; the sync waits its turn and runs on a's thread.
  auto bRelease = dispatch::Semaphore::create(0);
  auto bStarted = dispatch::Semaphore::create(0);
  b->async([&] {
    bStarted->signal();
    bRelease->wait(dtest::kPatience);
  });
  ASSERT_TRUE(bStarted->wait(dtest::kPatience));
  std::vector<std::thread::id> threads;
  std::vector<std::string> labels;
  auto done = dispatch::Semaphore::create(0);
  a->async([&] {
    threads.push_back(std::this_thread::get_id());
    b->sync([&] {
      threads.push_back(std::this_thread::get_id());
      c->sync([&] {
        threads.push_back(std::this_thread::get_id());
        labels.push_back(dispatch::currentQueueLabel());
      });
      labels.push_back(dispatch::currentQueueLabel());
    });
    labels.push_back(dispatch::currentQueueLabel());
    done->signal();
  });
  bRelease->signal();
  ASSERT_TRUE(done->wait(dtest::kPatience));
  ASSERT_EQ(threads.size(), 3u);
  EXPECT_EQ(threads[0], threads[1]);
  EXPECT_EQ(threads[1], threads[2]);
  EXPECT_EQ(labels, (std::vector<std::string>{"test.c", "test.b", "test.a"}));
}

TEST(DispatchSerialQueue, SyncOntoTheCurrentQueueRaises) {
  auto q = Queue::createSerial("test.reentrant");
  auto inner = Queue::createSerial("test.inner");
  inner->setTargetQueue(q);
  int raised = 0;
  q->sync([&] {
    for (auto& target : {q, inner}) {
      try {
        target->sync([] {});
      } catch (const rt::Exception& e) {
        EXPECT_EQ(e.name(), rt::InternalInconsistencyException);
        ++raised;
      }
    }
  });
  EXPECT_EQ(raised, 2);
  // A concurrent queue may be entered again for plain sync, not for a barrier.
  auto concurrent = Queue::createConcurrent("test.concurrent-reentrant");
  bool nested = false;
  concurrent->sync([&] { concurrent->sync([&] { nested = true; }); });
  EXPECT_TRUE(nested);
  EXPECT_THROW(concurrent->sync([&] { concurrent->syncBarrier([] {}); }), rt::Exception);
}

TEST(DispatchSerialQueue, TargetQueueSerialisesItsChildrenInOrder) {
  auto target = Queue::createSerial("test.target");
  auto left = Queue::createSerial("test.left");
  auto right = Queue::createSerial("test.right");
  left->setTargetQueue(target);
  right->setTargetQueue(target);
  EXPECT_EQ(left->targetQueue(), target);
  EXPECT_EQ(left->qos(), dispatch::Qos::Default);
  std::vector<std::pair<char, int>> seen;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::atomic<int> wrongLabel{0};
  auto group = dispatch::Group::create();
  for (int i = 0; i < 500; ++i) {
    for (auto& [q, tag] : {std::pair{left, 'L'}, std::pair{right, 'R'}}) {
      group->async(q, [&, q = q.get(), tag = tag, i] {
        if (inside.fetch_add(1) != 0) overlapped = true;
        if (dispatch::currentQueueLabel() != q->label()) ++wrongLabel;
        seen.emplace_back(tag, i);
        inside.fetch_sub(1);
      });
    }
  }
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(wrongLabel, 0);
  ASSERT_EQ(seen.size(), 1000u);
  int next[2] = {0, 0};
  for (auto& [tag, i] : seen) EXPECT_EQ(i, next[tag == 'R']++);
  EXPECT_THROW(target->setTargetQueue(left), rt::Exception);
  EXPECT_THROW(dispatch::mainQueue()->setTargetQueue(target), rt::Exception);
}

TEST(DispatchSerialQueue, SuspendHoldsBlocksUntilResume) {
  auto q = Queue::createSerial("test.suspend");
  q->suspend();
  q->suspend();
  auto group = dispatch::Group::create();
  std::atomic<int> ran{0};
  for (int i = 0; i < 3; ++i) group->async(q, [&] { ++ran; });
  EXPECT_FALSE(group->wait(0.05));
  q->resume();
  EXPECT_FALSE(group->wait(0.05));  // still suspended once
  EXPECT_EQ(ran, 0);
  q->resume();
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(ran, 3);
  EXPECT_THROW(q->resume(), rt::Exception);
}

TEST(DispatchSerialQueue, SuspendFromABlockStopsTheRest) {
  auto q = Queue::createSerial("test.suspend-inside");
  std::vector<int> seen;
  auto group = dispatch::Group::create();
  group->async(q, [&] {
    seen.push_back(1);
    q->suspend();
  });
  group->async(q, [&] { seen.push_back(2); });
  EXPECT_FALSE(group->wait(0.05));
  EXPECT_EQ(seen, std::vector<int>{1});
  q->resume();
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(DispatchSerialQueue, QueueSpecificDataFollowsTheTargetChain) {
  static int keyA, keyB;
  int outer = 1, own = 2, shadow = 3;
  auto parent = Queue::createSerial("test.parent");
  auto child = Queue::createSerial("test.child");
  child->setTargetQueue(parent);
  parent->setSpecific(&keyA, &outer);
  parent->setSpecific(&keyB, &shadow);
  child->setSpecific(&keyB, &own);
  EXPECT_EQ(parent->specific(&keyA), &outer);
  EXPECT_EQ(child->specific(&keyA), nullptr);
  void* onChildA = nullptr;
  void* onChildB = nullptr;
  void* onParentB = nullptr;
  child->sync([&] {
    onChildA = dispatch::getSpecific(&keyA);
    onChildB = dispatch::getSpecific(&keyB);
  });
  parent->sync([&] { onParentB = dispatch::getSpecific(&keyB); });
  EXPECT_EQ(onChildA, &outer);
  EXPECT_EQ(onChildB, &own);
  EXPECT_EQ(onParentB, &shadow);
  EXPECT_EQ(dispatch::getSpecific(&keyA), nullptr);  // the main thread runs the main queue
  parent->setSpecific(&keyA, nullptr);
  parent->sync([&] { onChildA = dispatch::getSpecific(&keyA); });
  EXPECT_EQ(onChildA, nullptr);
}

TEST(DispatchSerialQueue, PendingWorkKeepsTheQueueAlive) {
  auto done = dispatch::Semaphore::create(0);
  std::vector<std::string> labels;
  {
    auto q = Queue::createSerial("test.transient");
    q->async([&] { labels.push_back(dispatch::currentQueueLabel()); });
    q->after(0.01, [&] {
      labels.push_back(dispatch::currentQueueLabel());
      done->signal();
    });
  }
  ASSERT_TRUE(done->wait(dtest::kPatience));
  EXPECT_EQ(labels, (std::vector<std::string>{"test.transient", "test.transient"}));
}
