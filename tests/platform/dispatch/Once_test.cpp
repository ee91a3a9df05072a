#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/dispatch/Once.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

TEST(DispatchOnce, RunsOnceUnderContentionAndOthersSeeTheResult) {
  dispatch::OnceFlag flag;  // a fresh flag each run, so the test holds when repeated
  std::atomic<int> runs{0};
  int value = 0;  // written once inside `once`, read by every caller after it returns
  constexpr int kThreads = 16;
  dtest::Countdown start(kThreads);
  std::vector<int> seen(kThreads, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arriveAndWait();
      dispatch::once(flag, [&] {
        ++runs;
        std::this_thread::yield();
        value = 7;
      });
      seen[t] = value;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(runs, 1);
  for (int v : seen) EXPECT_EQ(v, 7);
  dispatch::once(flag, [&] { ++runs; });
  EXPECT_EQ(runs, 1);
}
