#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/dispatch/Group.h"
#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/runtime/Exception.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

using dispatch::Semaphore;

TEST(DispatchSemaphore, CountsAndTimesOut) {
  struct Case {
    long initial;
    int takenAtOnce;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{3, 3}}) {
    auto s = Semaphore::create(c.initial);
    int taken = 0;
    while (s->wait(0)) ++taken;
    EXPECT_EQ(taken, c.takenAtOnce);
    EXPECT_FALSE(s->wait(0.02));
    EXPECT_FALSE(s->signal());  // nobody waiting
    EXPECT_TRUE(s->wait(0));
  }
  EXPECT_THROW(Semaphore::create(-1), rt::Exception);
}

TEST(DispatchSemaphore, SignalWakesAWaiterOnAnotherThread) {
  auto s = Semaphore::create(0);
  auto answer = Semaphore::create(0);
  std::atomic<int> value{0};
  dispatch::globalQueue()->async([&] {
    if (s->wait(dtest::kPatience)) value = 42;
    answer->signal();
  });
  s->signal();
  ASSERT_TRUE(answer->wait(dtest::kPatience));
  EXPECT_EQ(value, 42);
}

TEST(DispatchSemaphore, GuardsACounterAsAMutex) {
  auto mutex = Semaphore::create(1);
  long counter = 0;  // deliberately not atomic: the semaphore is the only guard
  auto group = dispatch::Group::create();
  auto q = dispatch::Queue::createConcurrent("test.semaphore-mutex");
  for (int i = 0; i < 16; ++i) {
    group->async(q, [&] {
      for (int k = 0; k < 500; ++k) {
        mutex->wait();
        ++counter;
        mutex->signal();
      }
    });
  }
  ASSERT_TRUE(group->wait(dtest::kPatience));
  EXPECT_EQ(counter, 16 * 500);
}
