#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/utility/DRDispatchQueuePool.h"
#include "base/utility/DRSentinel.h"
#include "base/utility/DRTimer.h"
#include "base/utility/DRTransaction.h"
#include "base/utility/DRWeakProxy.h"
#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Semaphore.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopObserver.h"
#include "platform/foundation/time/Date.h"
#include "platform/runtime/Exception.h"

namespace base {
namespace {

/// Counts the actions sent to it; a recursion hook commits again from inside the action.
class Counter : public rt::Object {
  RT_CLASS_NAMED(Counter, rt::Object, "DRTestCounter")
 public:
  int ticks = 0;
  std::function<void()> onTick;
  void tick() {
    ++ticks;
    if (onTick) onTick();
  }
  bool isEqual(const rt::Object* other) const override { return dynamic_cast<const Counter*>(other) != nullptr; }
  size_t hash() const override { return 1; }
};
RT_IMPLEMENT(Counter) { c.method("tick", &Counter::tick); }

const rt::Selector kTick = rt::Selector::named("tick");

class VirtualClock {
 public:
  VirtualClock() : clock_(std::make_shared<dispatch::VirtualClock>()) { dispatch::setClock(clock_); }
  ~VirtualClock() { dispatch::setClock(nullptr); }
  void advance(double seconds) {
    clock_->advance(seconds);
    dispatch::drainMainQueue();
  }

 private:
  std::shared_ptr<dispatch::VirtualClock> clock_;
};

void spinMainRunLoop() {
  fd::RunLoop::mainRunLoop()->runModeBeforeDate(fd::NSDefaultRunLoopMode, fd::Date::dateWithTimeIntervalSinceNow(0.02));
}

TEST(DRSentinel, IncreasesAtomicallyFromAnyThread) {
  auto s = rt::make<DRSentinel>();
  EXPECT_EQ(s->value(), 0);
  EXPECT_EQ(s->increase(), 1);
  EXPECT_EQ(s->increase(), 2);
  std::thread a([&] { for (int i = 0; i < 1000; ++i) s->increase(); });
  std::thread b([&] { for (int i = 0; i < 1000; ++i) s->increase(); });
  a.join();
  b.join();
  EXPECT_EQ(s->value(), 2002);
}

TEST(DRWeakProxy, ForwardsWhileTheTargetLivesAndAnswersZeroAfter) {
  auto target = rt::make<Counter>();
  auto proxy = DRWeakProxy::proxyWithTarget(target);
  proxy->performSelector(kTick);
  EXPECT_EQ(target->ticks, 1);
  EXPECT_TRUE(proxy->isKindOfClass(Counter::classObject()));
  EXPECT_TRUE(proxy->isEqual(target.get()));
  EXPECT_TRUE(proxy->respondsToSelector(kTick));
  target.reset();
  EXPECT_FALSE(proxy->respondsToSelector(kTick));
  rt::Value answer = proxy->performSelector(rt::Selector::named("anything:else:"), {rt::Value::ofInt(1)});
  int64_t zero = 7;
  EXPECT_TRUE(answer.get(zero));
  EXPECT_EQ(zero, 0);
  // Gone: a proxy still, but of no class's kind, not even the root's.
  EXPECT_TRUE(proxy->isProxy());
  EXPECT_FALSE(proxy->isKindOfClass(Counter::classObject()));
  EXPECT_FALSE(proxy->isKindOfClass(rt::Object::classObject()));
}

TEST(DRTimer, FiresOnceOrRepeatsUntilItsTargetGoes) {
  VirtualClock clock;
  auto target = rt::make<Counter>();
  auto once = DRTimer::timerWithTimeInterval(1.0, target, kTick, false);
  auto repeating = DRTimer::timerWithTimeInterval(0.5, target, kTick, true);
  EXPECT_TRUE(once->isValid());
  clock.advance(0.5);
  EXPECT_EQ(target->ticks, 1);  // the repeating one
  clock.advance(0.5);
  EXPECT_EQ(target->ticks, 3);
  EXPECT_FALSE(once->isValid());
  EXPECT_TRUE(repeating->isValid());
  EXPECT_EQ(repeating->timeInterval(), 0.5);
  target.reset();
  clock.advance(0.5);
  EXPECT_FALSE(repeating->isValid());
  repeating->invalidate();  // twice is harmless
  EXPECT_THROW(rt::make<DRTimer>(), rt::Exception);
}

TEST(DRTimer, AnActionMayAskAndInvalidateItsOwnTimer) {
  VirtualClock clock;
  auto target = rt::make<Counter>();
  auto timer = DRTimer::timerWithTimeInterval(0.5, target, kTick, true);
  std::vector<bool> seenValid;
  target->onTick = [&] {
    seenValid.push_back(timer->isValid());
    EXPECT_TRUE(timer->repeats());
    EXPECT_EQ(timer->timeInterval(), 0.5);
    if (target->ticks == 2) timer->invalidate();
  };
  clock.advance(0.5);
  clock.advance(0.5);
  EXPECT_FALSE(timer->isValid());
  clock.advance(1.0);
  EXPECT_EQ(target->ticks, 2);
  EXPECT_EQ(seenValid, (std::vector<bool>{true, true}));
  // Fired by hand from inside its own action, it runs the action again and stops there.
  auto once = DRTimer::timerWithTimeInterval(5, target, kTick, true);
  target->onTick = [&] {
    if (target->ticks == 3) once->fire();
  };
  once->fire();
  EXPECT_EQ(target->ticks, 4);
  target->onTick = nullptr;
}

TEST(DRTimer, FreeingAValidTimerStopsIt) {
  VirtualClock clock;
  auto target = rt::make<Counter>();
  auto timer = DRTimer::timerWithTimeInterval(0.5, target, kTick, true);
  clock.advance(0.5);
  timer.reset();
  clock.advance(2.0);
  EXPECT_EQ(target->ticks, 1);
}

TEST(DRTransaction, OneCallPerTurnWhateverTheCommits) {
  auto a = rt::make<Counter>(), b = rt::make<Counter>();
  for (int i = 0; i < 10; ++i) DRTransaction::transactionWithTarget(a, kTick)->commit();
  // Equal targets that are not the same object both run.
  DRTransaction::transactionWithTarget(b, kTick)->commit();
  spinMainRunLoop();
  EXPECT_EQ(a->ticks, 1);
  EXPECT_EQ(b->ticks, 1);

  // A commit from inside a running transaction waits for the next pass of the observer.
  int passes = 0;
  auto counter = fd::RunLoopObserver::create(fd::RunLoopBeforeWaiting | fd::RunLoopExit, true, 0,
                                             [&](fd::RunLoopObserver&, uint32_t) { ++passes; });
  fd::RunLoop::mainRunLoop()->addObserver(counter, fd::NSRunLoopCommonModes);
  std::vector<int> passOfTick;
  a->onTick = [&] {
    passOfTick.push_back(passes);
    if (a->ticks == 2) DRTransaction::transactionWithTarget(a, kTick)->commit();
  };
  DRTransaction::transactionWithTarget(a, kTick)->commit();
  spinMainRunLoop();
  spinMainRunLoop();
  counter->invalidate();
  EXPECT_EQ(a->ticks, 3);
  ASSERT_EQ(passOfTick.size(), 2u);
  EXPECT_GT(passOfTick[1], passOfTick[0]);

  EXPECT_FALSE(DRTransaction::transactionWithTarget(nullptr, kTick));
  auto t = DRTransaction::transactionWithTarget(a, kTick);
  t->setTarget(nullptr);
  t->commit();
  spinMainRunLoop();
  EXPECT_EQ(a->ticks, 3);
}

// Emptying the main loop (as tests do between cases) does not stop later transactions.
TEST(DRTransaction, RunsAfterTheMainLoopWasEmptied) {
  auto a = rt::make<Counter>();
  DRTransaction::transactionWithTarget(a, kTick)->commit();
  spinMainRunLoop();
  EXPECT_EQ(a->ticks, 1);
  fd::RunLoop::mainRunLoop()->removeAll();
  DRTransaction::transactionWithTarget(a, kTick)->commit();
  spinMainRunLoop();
  EXPECT_EQ(a->ticks, 2);
}

TEST(DRDispatchQueuePool, RotatesItsSerialQueues) {
  EXPECT_FALSE(DRDispatchQueuePool::poolWithName("p", 0, DRQualityOfServiceUtility));
  EXPECT_FALSE(DRDispatchQueuePool::poolWithName("p", 33, DRQualityOfServiceUtility));
  EXPECT_TRUE(DRDispatchQueuePool::poolWithName("p", 32, DRQualityOfServiceUtility));
  auto pool = DRDispatchQueuePool::poolWithName("three", 3, DRQualityOfServiceUtility);
  std::vector<Ref<dispatch::Queue>> picks;
  for (int i = 0; i < 6; ++i) picks.push_back(pool->queue());
  EXPECT_NE(picks[0], picks[1]);
  EXPECT_NE(picks[1], picks[2]);
  EXPECT_NE(picks[0], picks[2]);
  EXPECT_EQ(picks[0], picks[3]);
  EXPECT_EQ(picks[2], picks[5]);
  EXPECT_EQ(picks[0]->label(), "three");

  for (long n : {-3L, 0L}) EXPECT_EQ(DRDispatchQueuePool::queueCountForProcessors(n), 1u);
  EXPECT_EQ(DRDispatchQueuePool::queueCountForProcessors(64), 32u);
  EXPECT_EQ(DRDispatchQueuePool::defaultPoolForQOS(5), DRDispatchQueuePool::defaultPoolForQOS(-1));
  EXPECT_EQ(DRDispatchQueuePool::defaultPoolForQOS(DRQualityOfServiceBackground)->name(), "com.kestrum.durar.background");
  EXPECT_EQ(DRQueuePoolGetQueueForQOS(DRQualityOfServiceUserInitiated)->label(), "com.kestrum.durar.user-initiated");

  // Each queue is serial: blocks on one never overlap.
  auto q = pool->queue();
  std::atomic<int> running{0}, overlaps{0}, done{0};
  for (int i = 0; i < 50; ++i)
    q->async([&] {
      if (running.fetch_add(1) != 0) ++overlaps;
      std::this_thread::yield();
      running.fetch_sub(1);
      ++done;
    });
  q->sync([] {});
  EXPECT_EQ(done.load(), 50);
  EXPECT_EQ(overlaps.load(), 0);
}

}  // namespace
}  // namespace base
