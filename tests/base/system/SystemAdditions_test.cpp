#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "base/system/Application+DUDer.h"
#include "base/system/Device+DUDer.h"
#include "platform/foundation/threads/RunLoopDriver.h"

namespace base {
namespace {

class NetworkActivityTest : public ::testing::Test {
 protected:
  void SetUp() override { fd::RunLoopDriver::useVirtualClock(); }
  void TearDown() override {
    app->resetForTesting();
    fd::RunLoopDriver::reset();
  }
  Ref<ui::Application> app = ui::Application::sharedApplication();
};

TEST_F(NetworkActivityTest, TheIndicatorFollowsTheCountAfterAThirtiethOfASecond) {
  int64_t start = networkActivityCount(*app);
  incrementNetworkActivityCount(*app);
  decrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_FALSE(app->isNetworkActivityIndicatorVisible());

  incrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.02);
  EXPECT_FALSE(app->isNetworkActivityIndicatorVisible());
  fd::RunLoopDriver::advance(0.02);
  EXPECT_TRUE(app->isNetworkActivityIndicatorVisible());

  // From other threads the change lands on the main thread.
  std::thread([&] {
    incrementNetworkActivityCount(*app);
    incrementNetworkActivityCount(*app);
  }).join();
  fd::RunLoopDriver::runUntilIdle();
  decrementNetworkActivityCount(*app);
  decrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(app->isNetworkActivityIndicatorVisible());
  decrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_FALSE(app->isNetworkActivityIndicatorVisible());
  EXPECT_EQ(networkActivityCount(*app), start);
}

TEST_F(NetworkActivityTest, AnExtraDecrementDoesNotHideTheNextOperation) {
  ASSERT_EQ(networkActivityCount(*app), 0);
  decrementNetworkActivityCount(*app);
  decrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(networkActivityCount(*app), 0);
  EXPECT_FALSE(app->isNetworkActivityIndicatorVisible());
  incrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_EQ(networkActivityCount(*app), 1);
  EXPECT_TRUE(app->isNetworkActivityIndicatorVisible());
  decrementNetworkActivityCount(*app);
  fd::RunLoopDriver::advance(0.1);
  EXPECT_FALSE(app->isNetworkActivityIndicatorVisible());
}

TEST(ApplicationAdditions, FoldersProcessFiguresAndExtension) {
  auto app = ui::Application::sharedApplication();
  EXPECT_FALSE(cachesPath(*app).isEmpty());
  ASSERT_TRUE(cachesURL(*app));
  EXPECT_TRUE(cachesURL(*app)->isFileURL());
  EXPECT_EQ(cachesURL(*app)->path(), cachesPath(*app));
  int64_t rss = memoryUsage(*app);
  EXPECT_GT(rss, 1 << 20);
  // A busy thread shows up in the process's processor use, in proportion to what it got.
  cpuUsage(*app);
  std::atomic<bool> stop{false};
  std::atomic<double> busyCpu{0};
  auto started = std::chrono::steady_clock::now();
  std::thread busy([&] {
    while (!stop) {}
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    busyCpu = static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  float use = cpuUsage(*app);
  double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  stop = true;
  busy.join();
  EXPECT_GT(use, 0.5 * busyCpu / elapsed);
  EXPECT_FALSE(isAppExtension());
  EXPECT_EQ(sharedExtensionApplication(), app);
}

TEST(DeviceAdditions, ModelNamesTrafficCountersAndFigures) {
  EXPECT_EQ(machineModelNameFor("iPhone7,2"), "iPhone 6");
  EXPECT_EQ(machineModelNameFor("iPad4,8"), "iPad mini 3");
  EXPECT_EQ(machineModelNameFor("aarch64"), "aarch64");

  // Readings of one interface's 32-bit counter, and the running total after each.
  struct Reading {
    uint32_t raw;
    uint64_t total;
  };
  const Reading readings[] = {
      {100, 100},
      {250, 250},
      {4294967000u, 4294967000ull},
      {5, 4294967296ull + 5},             // wrapped: 296 bytes to 2^32, then 5, nothing lost
      {80, 4294967296ull + 80},           // later readings keep the wrapped amount
      {0xFFFFFFFFu, 2 * 4294967296ull - 1},
      {0xFFFFFFFFu, 2 * 4294967296ull - 1},  // the same raw value twice adds nothing
      {0, 2 * 4294967296ull},
  };
  DRTrafficCounter counter;
  for (const auto& r : readings) {
    EXPECT_EQ(DRAdvanceTrafficCounter(counter, r.raw), r.total) << r.raw;
    EXPECT_EQ(counter.last, r.raw);
  }

  auto device = ui::Device::currentDevice();
  EXPECT_EQ(getNetworkTrafficBytes(*device, 0), 0u);
  EXPECT_GE(getNetworkTrafficBytes(*device, 0x3F),
            getNetworkTrafficBytes(*device, DRNetworkTrafficTypeWIFISent | DRNetworkTrafficTypeWIFIReceived));

  struct statvfs s{};
  ASSERT_EQ(statvfs("/", &s), 0);
  EXPECT_GT(diskSpace(*device), 0);
  EXPECT_EQ(diskSpaceUsed(*device) >= 0, true);
  EXPECT_GT(memoryTotal(*device), 0);
  EXPECT_GT(memoryFree(*device), 0);
  EXPECT_GE(memoryUsed(*device), memoryActive(*device));
  auto shares = cpuUsagePerProcessor(*device);
  ASSERT_TRUE(shares);
  EXPECT_GE(shares->count(), 1u);
  EXPECT_GE(cpuUsage(*device), 0.0f);
  EXPECT_LE(cpuUsage(*device), static_cast<float>(shares->count()));
  EXPECT_LT(systemUptime(*device)->timeIntervalSinceNow(), 0);
}

}  // namespace
}  // namespace base
