#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch/GlobalQueue.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopObserver.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/threads/Timer.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

using RunLoopTest = VirtualLoopTest;

TEST_F(RunLoopTest, TimersAndDelayedBlocksFireInTimeOrderAtTheirOwnTimes) {
  std::vector<std::pair<std::string, double>> fired;
  auto loop = RunLoop::mainRunLoop();
  struct Case { const char* name; double delay; };
  const Case timers[] = {{"c", 0.3}, {"a", 0.1}, {"b", 0.2}, {"d", 0.3}};
  for (auto& c : timers)
    Timer::scheduledTimerWithTimeInterval(c.delay, false, [&, name = c.name](Timer&) { fired.push_back({name, elapsed()}); });
  dispatch::mainQueue()->after(0.15, [&] { fired.push_back({"block", elapsed()}); });

  RunLoopDriver::advance(0.05);
  EXPECT_TRUE(fired.empty());
  RunLoopDriver::advance(0.95);
  const std::vector<std::pair<std::string, double>> expected = {
      {"a", 0.1}, {"block", 0.15}, {"b", 0.2}, {"c", 0.3}, {"d", 0.3}};
  ASSERT_EQ(fired.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(fired[i].first, expected[i].first) << i;
    EXPECT_NEAR(fired[i].second, expected[i].second, 1e-9) << i;
  }
  EXPECT_NEAR(elapsed(), 1.0, 1e-9);
}

TEST_F(RunLoopTest, ModesDecideWhatRuns) {
  struct Case { const char* added; const char* running; bool fires; };
  const Case cases[] = {
      {NSDefaultRunLoopMode, NSDefaultRunLoopMode, true},
      {NSDefaultRunLoopMode, UITrackingRunLoopMode, false},
      {NSRunLoopCommonModes, UITrackingRunLoopMode, true},
      {NSRunLoopCommonModes, NSDefaultRunLoopMode, true},
      {UITrackingRunLoopMode, NSDefaultRunLoopMode, false},
      {NSRunLoopCommonModes, "CustomMode", false},
  };
  for (auto& c : cases) {
    int timerFires = 0, blockRuns = 0;
    auto t = Timer::timerWithTimeInterval(0.1, false, [&](Timer&) { ++timerFires; });
    RunLoop::mainRunLoop()->addTimer(t, c.added);
    RunLoop::mainRunLoop()->performInModes({c.added}, [&] { ++blockRuns; });
    RunLoopDriver::advance(0.2, c.running);
    EXPECT_EQ(timerFires, c.fires ? 1 : 0) << c.added << " in " << c.running;
    EXPECT_EQ(blockRuns, c.fires ? 1 : 0) << c.added << " in " << c.running;
    RunLoopDriver::reset();
    clock_ = RunLoopDriver::useVirtualClock();
  }
}

TEST_F(RunLoopTest, CommonModesCanBeExtended) {
  // A mode made common stays common for the loop's life: one no other test runs in.
  auto loop = RunLoop::mainRunLoop();
  loop->addCommonMode("ExtendedCommonMode");
  int fires = 0;
  auto t = Timer::timerWithTimeInterval(0.1, true, [&](Timer&) { ++fires; });
  loop->addTimer(t, NSRunLoopCommonModes);
  RunLoopDriver::advance(0.25, "ExtendedCommonMode");
  EXPECT_EQ(fires, 2);
  t->invalidate();
}

TEST_F(RunLoopTest, ObserversRunByActivityAndOrderAndOneShotOnesOnce) {
  auto loop = RunLoop::mainRunLoop();
  std::vector<std::string> log;
  auto add = [&](uint32_t activities, bool repeats, int64_t order, std::string name) {
    auto o = RunLoopObserver::create(activities, repeats, order, [&log, name](RunLoopObserver&, uint32_t activity) {
      log.push_back(name + ":" + std::to_string(activity));
    });
    loop->addObserver(o, NSRunLoopCommonModes);
    return o;
  };
  add(RunLoopBeforeWaiting | RunLoopExit, true, 2147483647, "last");
  add(RunLoopEntry, true, -2147483647, "first");
  add(RunLoopBeforeWaiting, false, 1999999, "once");
  add(RunLoopBeforeWaiting, true, 0xFFFFFF, "late");
  add(RunLoopAfterWaiting | RunLoopBeforeTimers | RunLoopBeforeSources, true, 0, "mid");

  RunLoopDriver::runOneTurn();
  const std::vector<std::string> firstTurn = {"first:1", "mid:2", "mid:4", "once:32", "late:32", "last:32", "mid:64", "last:128"};
  EXPECT_EQ(log, firstTurn);
  log.clear();
  RunLoopDriver::runOneTurn(UITrackingRunLoopMode);
  const std::vector<std::string> secondTurn = {"first:1", "mid:2", "mid:4", "late:32", "last:32", "mid:64", "last:128"};
  EXPECT_EQ(log, secondTurn);
}

TEST_F(RunLoopTest, RemovedAndInvalidatedObserversStaySilent) {
  auto loop = RunLoop::mainRunLoop();
  int a = 0, b = 0;
  auto oa = RunLoopObserver::create(RunLoopBeforeWaiting, true, 0, [&](RunLoopObserver&, uint32_t) { ++a; });
  auto ob = RunLoopObserver::create(RunLoopBeforeWaiting, true, 0, [&](RunLoopObserver&, uint32_t) { ++b; });
  loop->addObserver(oa, NSDefaultRunLoopMode);
  loop->addObserver(ob, NSDefaultRunLoopMode);
  RunLoopDriver::runOneTurn();
  loop->removeObserver(oa, NSDefaultRunLoopMode);
  ob->invalidate();
  RunLoopDriver::runOneTurn();
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 1);
}

TEST_F(RunLoopTest, RunUntilDateOnTheMainLoopMovesVirtualTime) {
  int fires = 0;
  auto t = Timer::scheduledTimerWithTimeInterval(0.2, true, [&](Timer&) { ++fires; });
  RunLoop::mainRunLoop()->runUntilDate(Date::dateWithTimeIntervalSinceNow(0.5));
  EXPECT_EQ(fires, 2);
  EXPECT_NEAR(elapsed(), 0.5, 1e-9);
  t->invalidate();
}

TEST_F(RunLoopTest, StopFromAHandlerEndsRunPromptly) {
  auto loop = RunLoop::mainRunLoop();
  int after = 0;
  Timer::scheduledTimerWithTimeInterval(0.1, false, [&](Timer&) { RunLoop::currentRunLoop()->stop(); });
  auto later = Timer::scheduledTimerWithTimeInterval(5, false, [&](Timer&) { ++after; });
  loop->run();
  EXPECT_NEAR(elapsed(), 0.1, 1e-9);
  EXPECT_EQ(after, 0);
  EXPECT_TRUE(later->isValid());
}

TEST_F(RunLoopTest, PushedModeSwitchesARunningLoopAndPopSwitchesBack) {
  auto loop = RunLoop::mainRunLoop();
  std::vector<double> plain;
  std::string trackingSaw;
  auto every = Timer::scheduledTimerWithTimeInterval(0.1, true, [&](Timer&) { plain.push_back(elapsed()); });
  Timer::scheduledTimerWithTimeInterval(0.15, false, [&](Timer&) { loop->pushMode(UITrackingRunLoopMode); });
  auto probe = Timer::timerWithTimeInterval(0.2, false, [&](Timer&) { trackingSaw = loop->currentMode().utf8(); });
  auto back = Timer::timerWithTimeInterval(0.45, false, [&](Timer&) { loop->popMode(); });
  loop->addTimer(probe, UITrackingRunLoopMode);
  loop->addTimer(back, UITrackingRunLoopMode);
  Timer::scheduledTimerWithTimeInterval(0.65, false, [&](Timer&) { loop->stop(); });
  loop->run();
  EXPECT_NEAR(elapsed(), 0.65, 1e-9);
  EXPECT_EQ(trackingSaw, UITrackingRunLoopMode);
  ASSERT_GE(plain.size(), 3u);
  EXPECT_NEAR(plain[0], 0.1, 1e-9);
  EXPECT_NEAR(plain[1], 0.45, 1e-9);  // held back while tracking, then at once
  for (double t : plain) EXPECT_FALSE(t > 0.15 && t < 0.45) << t;
  EXPECT_EQ(loop->runMode(), String(NSDefaultRunLoopMode));
  every->invalidate();
}

TEST_F(RunLoopTest, PushedModesNestAndAStrayPopIsIgnored) {
  auto loop = RunLoop::mainRunLoop();
  loop->popMode();
  EXPECT_EQ(loop->runMode(), String(NSDefaultRunLoopMode));
  loop->pushMode(UITrackingRunLoopMode);
  loop->pushMode("Custom");
  EXPECT_EQ(loop->runMode(), String("Custom"));
  loop->popMode();
  EXPECT_EQ(loop->runMode(), String(UITrackingRunLoopMode));
  int fires = 0;
  auto t = Timer::timerWithTimeInterval(0.1, false, [&](Timer&) { ++fires; });
  loop->addTimer(t, UITrackingRunLoopMode);
  RunLoopDriver::advance(0.2);  // no mode given: the pushed one
  EXPECT_EQ(fires, 1);
  RunLoopDriver::reset();  // tests share the main loop: nothing stays pushed
  EXPECT_EQ(loop->runMode(), String(NSDefaultRunLoopMode));
}

TEST_F(RunLoopTest, RunUntilPumpsWorkFromRealThreads) {
  std::atomic<int> delivered{0};
  for (int i = 0; i < 4; ++i)
    dispatch::globalQueue()->async([&] { dispatch::mainQueue()->sync([&] { delivered.fetch_add(1); }); });
  EXPECT_TRUE(RunLoopDriver::runUntil([&] { return delivered.load() == 4; }, 10));
  EXPECT_FALSE(RunLoopDriver::runUntil([] { return false; }, 0.02));
}

TEST_F(RunLoopTest, SignalledSourceRunsOncePerSignalAndHandledSourceEndsRunMode) {
  auto loop = RunLoop::mainRunLoop();
  int handled = 0;
  auto source = RunLoopSource::create(0, [&] { ++handled; });
  loop->addSource(source, NSDefaultRunLoopMode);
  RunLoopDriver::runOneTurn();
  EXPECT_EQ(handled, 0);
  source->signal();
  source->signal();
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 1, true), RunLoopRunResult::HandledSource);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 0.3, true), RunLoopRunResult::TimedOut);
  EXPECT_EQ(handled, 1);
}

TEST_F(RunLoopTest, MainQueueBlocksEndARunThatReturnsAfterHandledInput) {
  auto loop = RunLoop::mainRunLoop();
  int ran = 0;
  dispatch::mainQueue()->async([&] { ++ran; });
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 1, true), RunLoopRunResult::HandledSource);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 0.3, true), RunLoopRunResult::TimedOut);
  EXPECT_EQ(ran, 1);
}

TEST_F(RunLoopTest, PolledSourceIsAskedEveryTurnAndBoundsTheWait) {
  auto loop = RunLoop::mainRunLoop();
  int polls = 0;
  bool input = false;
  auto pump = RunLoopSource::createPolled(0, 0.05, [&] {
    ++polls;
    return input;
  });
  loop->addSource(pump, NSRunLoopCommonModes);
  for (int i = 0; i < 3; ++i) RunLoopDriver::runOneTurn(UITrackingRunLoopMode);
  EXPECT_EQ(polls, 3);
  // Nothing else to do: the loop wakes every 0.05 s of (virtual) time to poll again.
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 0.2, true), RunLoopRunResult::TimedOut);
  EXPECT_GE(polls, 3 + 4);
  input = true;
  EXPECT_EQ(loop->runInMode(NSDefaultRunLoopMode, 1, true), RunLoopRunResult::HandledSource);
  pump->invalidate();
  int before = polls;
  RunLoopDriver::runOneTurn();
  EXPECT_EQ(polls, before);
}

// A secondary thread whose loop a port keeps alive; work arrives by performs, and a stop from
// another thread ends its run.
TEST(RunLoopThreadTest, PortKeepsASecondaryLoopRunningUntilStopped) {
  std::promise<Ref<RunLoop>> started;
  std::promise<void> finished;
  auto thread = Thread::create([&] {
    auto loop = RunLoop::currentRunLoop();
    EXPECT_FALSE(loop->isMain());
    loop->addPort(Port::port(), NSDefaultRunLoopMode);
    started.set_value(loop);
    loop->run();
    finished.set_value();
  });
  thread->setName("LoopTestThread");
  thread->start();
  auto startedFuture = started.get_future();
  ASSERT_EQ(startedFuture.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto loop = startedFuture.get();
  EXPECT_EQ(thread->runLoop(), loop);

  std::vector<int> order;
  std::mutex m;
  for (int i = 0; i < 5; ++i)
    loop->performInModes({NSDefaultRunLoopMode}, [&, i] {
      std::lock_guard<std::mutex> lock(m);
      order.push_back(i);
    });
  std::promise<std::string> seen;
  loop->performBlock([&] { seen.set_value(Thread::currentThread()->name().utf8()); });
  auto seenFuture = seen.get_future();
  ASSERT_EQ(seenFuture.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(seenFuture.get(), "LoopTestThread");
  {
    std::lock_guard<std::mutex> lock(m);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  }
  loop->stop();
  auto finishedFuture = finished.get_future();
  EXPECT_EQ(finishedFuture.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(RunLoopThreadTest, BeforeWaitingObserversOfASecondaryLoopRunAfterTheTurnsWork) {
  std::promise<Ref<RunLoop>> started;
  std::promise<void> sawWork;
  std::atomic<bool> workDone{false};
  bool reported = false;
  auto thread = Thread::create([&] {
    auto loop = RunLoop::currentRunLoop();
    loop->addPort(Port::port(), NSDefaultRunLoopMode);
    loop->addObserver(RunLoopObserver::create(RunLoopBeforeWaiting, true, 1999999, [&](RunLoopObserver&, uint32_t) {
      if (workDone.load() && !reported) {
        reported = true;
        sawWork.set_value();
      }
    }), NSRunLoopCommonModes);
    started.set_value(loop);
    loop->run();
  });
  thread->start();
  auto s = started.get_future();
  ASSERT_EQ(s.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  auto loop = s.get();
  loop->performBlock([&] { workDone = true; });
  auto w = sawWork.get_future();
  EXPECT_EQ(w.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  loop->stop();
  EXPECT_TRUE(RunLoopDriver::runUntil([&] { return thread->isFinished(); }, 10));
}

TEST(RunLoopThreadTest, NoSignalIsLostWhileTheLoopSpinsOrFallsAsleep) {
  // Signals from another thread land at every point of the loop's wait: while it serves, while
  // it spins, as it goes to sleep and while it sleeps. Each must end its run promptly; a lost
  // wake-up leaves the run waiting out its limit.
  constexpr int kRounds = 600;
  std::atomic<int> handledRuns{0};
  std::atomic<int> round{-1};
  std::atomic<bool> go{false};
  std::atomic<bool> quit{false};
  Ref<RunLoopSource> source;
  std::promise<void> done;
  auto thread = Thread::create([&] {
    auto loop = RunLoop::currentRunLoop();
    source = RunLoopSource::create(0, [] {});
    loop->addSource(source, NSDefaultRunLoopMode);
    for (int i = 0; i < kRounds && !quit.load(); ++i) {
      round.store(i);
      while (!go.exchange(false)) std::this_thread::yield();
      if (loop->runInMode(NSDefaultRunLoopMode, 10, true) == RunLoopRunResult::HandledSource) ++handledRuns;
    }
    done.set_value();
  });
  thread->start();
  bool stuck = false;
  for (int i = 0; i < kRounds && !stuck; ++i) {
    // The previous round's run must have ended soon after its signal, well before its limit.
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(i == 0 ? 10 : 2);
    while (round.load() != i && !stuck) {
      std::this_thread::yield();
      stuck = std::chrono::steady_clock::now() > limit;
    }
    if (stuck) break;
    go.store(true);
    // From at once to well past the loop's longest spin.
    std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 600));
    source->signal();
  }
  quit.store(true);
  go.store(true);
  auto f = done.get_future();
  ASSERT_EQ(f.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_FALSE(stuck);
  EXPECT_EQ(handledRuns.load(), kRounds);
}

TEST(RunLoopThreadTest, ALoopWithNothingToServeReturnsAtOnce) {
  std::promise<int> result;
  Thread::detachNewThread([&] {
    result.set_value(static_cast<int>(RunLoop::currentRunLoop()->runInMode(NSDefaultRunLoopMode, 100, false)));
  });
  auto f = result.get_future();
  ASSERT_EQ(f.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(f.get(), static_cast<int>(RunLoopRunResult::Finished));
}

}  // namespace
}  // namespace fd::testing
