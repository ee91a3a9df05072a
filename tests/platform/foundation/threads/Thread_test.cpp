#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Thread.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

template <class T> T waitFor(std::future<T>& f) {
  EXPECT_EQ(f.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  return f.get();
}

TEST(ThreadTest, ANewThreadHasItsOwnIdentityNameAndDictionary) {
  EXPECT_TRUE(Thread::isMainThread());
  EXPECT_EQ(Thread::currentThread(), Thread::mainThread());
  EXPECT_TRUE(Thread::mainThread()->isMain());
  Thread::currentThread()->threadDictionary()->setObjectForKey(Number::numberWithInt(1), String("DRNSThreadAutoleasePoolKey"));

  struct Seen { bool main; bool same; std::string name; size_t dictionaryCount; };
  std::promise<Seen> seen;
  Ref<Thread> thread;
  thread = Thread::create([&] {
    auto me = Thread::currentThread();
    me->threadDictionary()->setObjectForKey(Number::numberWithInt(2), String("DRNSThreadAutoleasePoolStackKey"));
    seen.set_value({Thread::isMainThread(), me == thread, me->name().utf8(), me->threadDictionary()->count()});
  });
  thread->setName("com.kestrum.durar.webimage.request");
  thread->setQualityOfService(QualityOfService::Utility);
  EXPECT_FALSE(thread->isExecuting());
  thread->start();
  auto f = seen.get_future();
  Seen s = waitFor(f);
  EXPECT_FALSE(s.main);
  EXPECT_TRUE(s.same);
  EXPECT_EQ(s.name, "com.kestrum.durar.webimage.request");
  EXPECT_EQ(s.dictionaryCount, 1u);
  EXPECT_EQ(thread->qualityOfService(), QualityOfService::Utility);
  EXPECT_EQ(Thread::mainThread()->threadDictionary()->count(), 1u);
  EXPECT_THROW(thread->start(), rt::Exception);
}

TEST(ThreadTest, SelectorEntryGetsItsArgument) {
  auto target = rt::make<LoopTestTarget>();
  auto arg = StringObject::create("payload");
  auto thread = Thread::create(target, rt::sel("take:"), arg);
  thread->start();
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return thread->isFinished(); }, 10));
  ASSERT_EQ(target->calls(), (std::vector<std::string>{"take"}));
  EXPECT_EQ(target->arguments()[0].get(), arg.get());
}

using PerformTest = VirtualLoopTest;

TEST_F(PerformTest, DelayedPerformsRunInOrderAndCancelByTargetSelectorAndArgument) {
  auto target = rt::make<LoopTestTarget>();
  auto other = rt::make<LoopTestTarget>();
  auto a = StringObject::create("a"), b = StringObject::create("b");
  performAfterDelay(target, "take:", a, 0.3);
  performAfterDelay(target, "take:", b, 0.1);
  performAfterDelay(target, "ping", nullptr, 0.2);
  performAfterDelay(other, "ping", nullptr, 0.2);
  // An equal argument (not the same object) matches.
  cancelPreviousPerformRequestsWithTarget(target, rt::sel("take:"), StringObject::create("b"));
  RunLoopDriver::advance(1);
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"ping", "take"}));
  EXPECT_EQ(target->arguments()[1].get(), a.get());
  EXPECT_EQ(other->calls(), (std::vector<std::string>{"ping"}));

  performAfterDelay(target, "ping", nullptr, 0.1);
  performAfterDelay(target, [&](const Id&) { target->ping(); }, nullptr, 0.1);
  cancelPreviousPerformRequestsWithTarget(target);
  RunLoopDriver::advance(1);
  EXPECT_EQ(target->calls().size(), 2u);
}

TEST_F(PerformTest, DelayedPerformsRespectModes) {
  auto target = rt::make<LoopTestTarget>();
  performAfterDelay(target, "ping", nullptr, 0.1);
  performAfterDelay(target, "take:", nullptr, 0.1, {NSDefaultRunLoopMode, UITrackingRunLoopMode});
  RunLoopDriver::advance(0.5, UITrackingRunLoopMode);
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"take"}));
  RunLoopDriver::runOneTurn();
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"take", "ping"}));
}

TEST_F(PerformTest, PerformOnMainThreadFromAWorkerWithAndWithoutWaiting) {
  auto target = rt::make<LoopTestTarget>();
  std::atomic<int> stage{0};
  Thread::detachNewThread([&] {
    performOnMainThread(target, "take:", StringObject::create("first"), false);
    performOnMainThread(target, [&](const Id&) { EXPECT_TRUE(Thread::isMainThread()); target->ping(); }, nullptr, true);
    stage = 1;  // the waited-for perform has run by now
  });
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return stage.load() == 1; }, 10));
  EXPECT_EQ(target->calls(), (std::vector<std::string>{"take", "ping"}));
  // On the main thread itself a waiting perform runs at once.
  performOnMainThread(target, "ping", nullptr, true);
  EXPECT_EQ(target->calls().size(), 3u);
}

TEST(PerformThreadTest, PerformsOnASecondaryThreadArriveInOrderAndInBackgroundRunsOffMain) {
  std::promise<Ref<Thread>> ready;
  auto thread = Thread::create([&] {
    auto loop = RunLoop::currentRunLoop();
    loop->addPort(Port::port(), NSDefaultRunLoopMode);
    ready.set_value(Thread::currentThread());
    loop->run();
  });
  thread->start();
  auto f = ready.get_future();
  auto worker = waitFor(f);
  auto target = rt::make<LoopTestTarget>();
  for (int i = 0; i < 3; ++i) performOnThread(target, "take:", Number::numberWithInt(i), worker, false, {NSDefaultRunLoopMode});
  bool onWorker = false;
  performOnThread(target, [&](const Id&) { onWorker = Thread::currentThread() == worker; }, nullptr, worker, true);
  EXPECT_TRUE(onWorker);
  auto args = target->arguments();
  ASSERT_EQ(args.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rt::as<Number>(args[i])->intValue(), i);
  worker->runLoop()->stop();
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return worker->isFinished(); }, 10));

  std::promise<bool> offMain;
  performInBackground(target, [&](const Id&) { offMain.set_value(!Thread::isMainThread()); }, nullptr);
  auto g = offMain.get_future();
  EXPECT_TRUE(waitFor(g));
}

}  // namespace
}  // namespace fd::testing
