// Progress: counts and the fraction they make, observation, cancelling and pausing.
#include "platform/foundation/threads/Progress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/foundation/values/Number.h"

using fd::Progress;

TEST(Progress, FractionFollowsTheCounts) {
  struct Case {
    int64_t total, completed;
    double fraction;
    bool indeterminate;
  };
  const Case cases[] = {
      {0, 0, 0, false},   {100, 0, 0, false},  {100, 25, 0.25, false}, {100, 100, 1, false},
      {100, 150, 1, false}, {-1, 10, 0, true}, {10, -1, 0, true},      {0, 5, 0, false},
  };
  for (const auto& c : cases) {
    auto p = Progress::progressWithTotalUnitCount(c.total);
    p->setCompletedUnitCount(c.completed);
    EXPECT_DOUBLE_EQ(p->fractionCompleted(), c.fraction) << c.total << "/" << c.completed;
    EXPECT_EQ(p->isIndeterminate(), c.indeterminate) << c.total << "/" << c.completed;
  }
  auto p = rt::make<Progress>();
  EXPECT_EQ(p->totalUnitCount(), 0);
  EXPECT_TRUE(p->isCancellable());
  EXPECT_FALSE(p->isPausable());
  EXPECT_TRUE(p->description().hasPrefix("<NSProgress: "));
}

TEST(Progress, FractionIsObservableAndChangesAreAnnouncedOnce) {
  auto p = Progress::progressWithTotalUnitCount(0);
  std::mutex m;
  std::vector<double> fractions;
  p->observe("fractionCompleted", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange& c) {
    std::lock_guard l(m);
    fractions.push_back(rt::as<fd::Number>(c.newValue)->doubleValue());
  });
  p->setTotalUnitCount(200);
  p->setCompletedUnitCount(50);
  p->setCompletedUnitCount(50);  // unchanged: no announcement
  p->setCompletedUnitCount(200);
  EXPECT_EQ(fractions, (std::vector<double>{0, 0.25, 1}));

  // Counts set from other threads all land.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([p, t] {
      for (int i = 0; i < 100; ++i) p->setCompletedUnitCount(t * 100 + i);
    });
  for (auto& t : threads) t.join();
  EXPECT_GE(fractions.size(), 4u);
  EXPECT_DOUBLE_EQ(p->fractionCompleted(), std::min(1.0, static_cast<double>(p->completedUnitCount()) / 200));
}

TEST(Progress, CancellingRunsTheHandlerOnce) {
  auto p = Progress::progressWithTotalUnitCount(10);
  int cancels = 0;
  std::vector<bool> seen;
  p->observe("cancelled", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange& c) {
    seen.push_back(rt::as<fd::Number>(c.newValue)->boolValue());
  });
  p->setCancellationHandler([&] { ++cancels; });
  p->cancel();
  p->cancel();
  EXPECT_TRUE(p->isCancelled());
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(seen, std::vector<bool>{true});
  // A handler given after the fact runs at once; pausing a cancelled progress does nothing.
  int late = 0;
  p->setCancellationHandler([&] { ++late; });
  EXPECT_EQ(late, 1);
  p->pause();
  EXPECT_FALSE(p->isPaused());
}

TEST(Progress, PausingAndResumingToggle) {
  auto p = Progress::progressWithTotalUnitCount(10);
  std::vector<std::string> calls;
  p->setPausable(true);
  p->setPausingHandler([&] { calls.push_back("pause"); });
  p->setResumingHandler([&] { calls.push_back("resume"); });
  p->resume();  // not paused: nothing
  p->pause();
  p->pause();
  EXPECT_TRUE(p->isPaused());
  p->resume();
  EXPECT_FALSE(p->isPaused());
  EXPECT_EQ(calls, (std::vector<std::string>{"pause", "resume"}));
}
