#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/Lock.h"
#include "platform/runtime/Exception.h"
#include "platform/runtime/Object.h"

namespace {

constexpr auto kPatience = std::chrono::seconds(10);

// Runs `threads` threads doing `rounds` guarded increments of a plain counter.
template <class Guarded>
long hammer(int threads, int rounds, Guarded guarded) {
  long counter = 0;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      for (int r = 0; r < rounds; ++r) guarded([&] { ++counter; });
    });
  }
  for (auto& t : pool) t.join();
  return counter;
}

// Answers whether `attempt` succeeds on another thread.
template <class Attempt>
bool succeedsElsewhere(Attempt attempt) {
  bool ok = false;
  std::thread([&] { ok = attempt(); }).join();
  return ok;
}

}  // namespace

TEST(Lock, ExcludesAndTries) {
  fd::Lock lock("com.example.lock");
  EXPECT_EQ(lock.name(), "com.example.lock");
  EXPECT_EQ(hammer(8, 2000, [&](auto body) {
              std::lock_guard<fd::Lock> guard(lock);
              body();
            }),
            8 * 2000);
  lock.lock();
  EXPECT_FALSE(succeedsElsewhere([&] { return lock.tryLock(); }));
  lock.unlock();
  EXPECT_TRUE(succeedsElsewhere([&] {
    bool got = lock.tryLock();
    if (got) lock.unlock();
    return got;
  }));
}

TEST(Lock, SpinLockExcludesAndTries) {
  fd::SpinLock spin;
  EXPECT_EQ(hammer(8, 2000, [&](auto body) {
              spin.lock();
              body();
              spin.unlock();
            }),
            8 * 2000);
  ASSERT_TRUE(spin.tryLock());
  EXPECT_FALSE(spin.tryLock());
  EXPECT_FALSE(succeedsElsewhere([&] { return spin.tryLock(); }));
  spin.unlock();
  EXPECT_TRUE(spin.tryLock());
  spin.unlock();
}

TEST(Lock, RecursiveLockReentersOnItsOwner) {
  fd::RecursiveLock lock;
  lock.setName("com.example.recursive");
  EXPECT_EQ(lock.name(), "com.example.recursive");
  lock.lock();
  ASSERT_TRUE(lock.tryLock());
  EXPECT_FALSE(succeedsElsewhere([&] { return lock.tryLock(); }));
  lock.unlock();
  EXPECT_FALSE(succeedsElsewhere([&] { return lock.tryLock(); }));  // still held once
  lock.unlock();
  EXPECT_TRUE(succeedsElsewhere([&] {
    bool got = lock.tryLock();
    if (got) lock.unlock();
    return got;
  }));
}

TEST(Lock, ConditionHandsItemsToAConsumer) {
  fd::Condition condition;
  std::deque<int> items;
  std::vector<int> consumed;
  std::thread consumer([&] {
    condition.lock();
    while (consumed.size() < 100) {
      while (items.empty()) condition.wait();
      consumed.push_back(items.front());
      items.pop_front();
    }
    condition.unlock();
  });
  for (int i = 0; i < 100; ++i) {
    condition.lock();
    items.push_back(i);
    condition.signal();
    condition.unlock();
  }
  consumer.join();
  ASSERT_EQ(consumed.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(consumed[i], i);
}

TEST(Lock, ConditionWaitUntilTimesOutOrWakes) {
  fd::Condition condition;
  condition.lock();
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(condition.waitUntil(dispatch::now() + 0.05));
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(50));
  EXPECT_FALSE(condition.waitUntil(dispatch::now() - 1));  // already past
  condition.unlock();

  bool ready = false;
  int woken = 0;
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i) {
    waiters.emplace_back([&] {
      condition.lock();
      double until = dispatch::now() + 10;
      while (!ready && condition.waitUntil(until)) {
      }
      if (ready) ++woken;
      condition.unlock();
    });
  }
  condition.lock();
  ready = true;
  condition.broadcast();
  condition.unlock();
  for (auto& t : waiters) t.join();
  EXPECT_EQ(woken, 3);
}

TEST(Lock, ReadWriteLockSharesReadsAndExcludesWrites) {
  fd::ReadWriteLock rw;
  rw.lockRead();
  // A second reader gets in; a writer does not.
  EXPECT_TRUE(succeedsElsewhere([&] {
    bool got = rw.tryLockRead();
    if (got) rw.unlockRead();
    return got;
  }));
  EXPECT_FALSE(succeedsElsewhere([&] { return rw.tryLockWrite(); }));
  rw.unlockRead();
  rw.lockWrite();
  EXPECT_FALSE(succeedsElsewhere([&] { return rw.tryLockRead(); }));
  rw.unlockWrite();
  EXPECT_EQ(hammer(6, 1000, [&](auto body) {
              rw.lockWrite();
              body();
              rw.unlockWrite();
            }),
            6 * 1000);
}

TEST(Lock, SynchronizedIsReentrantAndExclusivePerObject) {
  auto a = rt::make<rt::Object>();
  auto b = rt::make<rt::Object>();
  EXPECT_EQ(hammer(8, 1000, [&](auto body) {
              fd::Synchronized outer(a.get());
              fd::Synchronized inner(a.get());  // the same thread enters again
              body();
            }),
            8 * 1000);

  // While this thread holds a's monitor, another thread can take b's but waits for a's.
  std::mutex m;
  std::condition_variable cv;
  bool tookB = false, tookA = false;
  std::thread other;
  {
    fd::Synchronized guard(a.get());
    other = std::thread([&] {
      {
        fd::Synchronized onB(b.get());
        std::lock_guard<std::mutex> lock(m);
        tookB = true;
        cv.notify_all();
      }
      fd::Synchronized onA(a.get());
      std::lock_guard<std::mutex> lock(m);
      tookA = true;
      cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, kPatience, [&] { return tookB; }));
    EXPECT_FALSE(cv.wait_for(lock, std::chrono::milliseconds(30), [&] { return tookA; }));
  }
  {
    std::unique_lock<std::mutex> lock(m);
    EXPECT_TRUE(cv.wait_for(lock, kPatience, [&] { return tookA; }));
  }
  other.join();
}

TEST(Lock, SynchronizedMisuseRaisesAndNullIsANoOp) {
  auto a = rt::make<rt::Object>();
  EXPECT_THROW(fd::synchronizedExit(a.get()), rt::Exception);
  fd::synchronizedEnter(a.get());
  bool raisedElsewhere = false;
  std::thread([&] {
    try {
      fd::synchronizedExit(a.get());
    } catch (const rt::Exception&) {
      raisedElsewhere = true;
    }
  }).join();
  EXPECT_TRUE(raisedElsewhere);
  fd::synchronizedExit(a.get());
  EXPECT_THROW(fd::synchronizedExit(a.get()), rt::Exception);
  fd::Synchronized nothing(nullptr);
}
