#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Processors.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Qos;

TEST(DispatchGlobalQueue, IdentifiersMapToQualityOfService) {
  struct Case {
    long identifier;
    Qos qos;
  };
  for (const Case& c : {Case{0x21, Qos::UserInteractive}, Case{0x19, Qos::UserInitiated}, Case{0x15, Qos::Default},
                        Case{0x11, Qos::Utility}, Case{0x09, Qos::Background}, Case{2, Qos::UserInitiated},
                        Case{0, Qos::Default}, Case{-1, Qos::Default}, Case{-2, Qos::Utility},
                        Case{-32768, Qos::Background}}) {
    auto q = dispatch::globalQueue(c.identifier);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q, dispatch::globalQueue(c.qos)) << c.identifier;
    EXPECT_EQ(q->qos(), c.qos);
    EXPECT_EQ(q->kind(), dispatch::Queue::Kind::Global);
  }
  std::set<std::string> labels;
  for (Qos qos : {Qos::Background, Qos::Utility, Qos::Default, Qos::UserInitiated, Qos::UserInteractive}) {
    labels.insert(dispatch::globalQueue(qos)->label());
  }
  EXPECT_EQ(labels.size(), 5u);
  for (long bad : {1L, 3L, 0x20L, -3L}) EXPECT_THROW(dispatch::globalQueue(bad), rt::Exception) << bad;
}

TEST(DispatchGlobalQueue, QueuesInheritTheirTargetsClass) {
  auto serial = dispatch::Queue::createSerial("test.qos");
  EXPECT_EQ(serial->qos(), Qos::Default);
  serial->setTargetQueue(dispatch::globalQueue(Qos::Background));
  auto child = dispatch::Queue::createConcurrent("test.qos-child");
  child->setTargetQueue(serial);
  EXPECT_EQ(child->qos(), Qos::Background);
  std::string label;
  child->sync([&] { label = dispatch::currentQueueLabel(); });
  EXPECT_EQ(label, "test.qos-child");
}

TEST(DispatchGlobalQueue, PoolGrowsWhenWorkersBlock) {
  // More blocks than processors, each waiting until all have started. Half wait in a dispatch
  // semaphore (the pool sees it), half in a plain condition variable (the pool must notice the
  // stall by itself).
  int count = dispatch::activeProcessorCount() + 3;
  dtest::Countdown allStarted(count);
  auto gate = dispatch::Semaphore::create(0);
  std::atomic<int> met{0};
  auto group = dispatch::Group::create();
  for (int i = 0; i < count; ++i) {
    group->async(dispatch::globalQueue(), [&, i] {
      allStarted.arrive();
      if (i % 2 == 0) {
        if (gate->wait(dtest::kPatience)) ++met;
      } else {
        if (allStarted.wait()) ++met;
      }
    });
  }
  ASSERT_TRUE(allStarted.wait());
  for (int i = 0; i < count; ++i) gate->signal();
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(met, count);
}

TEST(DispatchGlobalQueue, EmptyBlocksRaiseOnEveryQueue) {
  dispatch::Block empty;
  auto group = dispatch::Group::create();
  for (auto q : {dispatch::mainQueue(), dispatch::globalQueue(), dispatch::Queue::createSerial("test.empty-serial"),
                 dispatch::Queue::createConcurrent("test.empty-concurrent")}) {
    EXPECT_THROW(q->async(empty), rt::Exception) << q->label();
    EXPECT_THROW(q->sync(empty), rt::Exception) << q->label();
    EXPECT_THROW(q->after(0.1, empty), rt::Exception) << q->label();
    EXPECT_THROW(q->asyncBarrier(empty), rt::Exception) << q->label();
    EXPECT_THROW(q->apply(3, nullptr), rt::Exception) << q->label();
    EXPECT_THROW(group->async(q, empty), rt::Exception) << q->label();
    EXPECT_THROW(group->notify(q, empty), rt::Exception) << q->label();
  }
  EXPECT_TRUE(group->wait(0));  // a refused block leaves the group as it was
}
