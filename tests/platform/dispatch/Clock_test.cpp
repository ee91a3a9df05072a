#include <gtest/gtest.h>

#include <ctime>

#include "platform/dispatch/Clock.h"
#include "tests/platform/dispatch/DispatchFixtures.h"

TEST(DispatchClock, SystemClockReadsTheMachine) {
  dispatch::setClock(nullptr);
  EXPECT_FALSE(dispatch::isVirtualClock());
  double wall = dispatch::now();
  EXPECT_NEAR(wall, static_cast<double>(std::time(nullptr)), 2.0);
  double a = dispatch::uptime();
  double b = dispatch::uptime();
  EXPECT_LE(a, b);
}

TEST(DispatchClock, VirtualClockMovesOnlyWhenTold) {
  dispatch::VirtualClock clock(1000.0, 50.0);
  EXPECT_EQ(clock.now(), 1000.0);
  EXPECT_EQ(clock.uptime(), 50.0);
  clock.advance(0.25);
  EXPECT_EQ(clock.now(), 1000.25);
  EXPECT_EQ(clock.uptime(), 50.25);
  clock.advance(-5);  // ignored: time never runs backwards
  EXPECT_EQ(clock.uptime(), 50.25);
  clock.setNow(1010.25);
  EXPECT_EQ(clock.now(), 1010.25);
  EXPECT_EQ(clock.uptime(), 60.25);
  clock.setNow(900.0);  // wall time may be set back; uptime stays monotonic
  EXPECT_EQ(clock.now(), 900.0);
  EXPECT_EQ(clock.uptime(), 60.25);
}

TEST(DispatchClock, InstalledClockServesTheProcess) {
  {
    dtest::VirtualClockScope clock;
    EXPECT_TRUE(dispatch::isVirtualClock());
    EXPECT_EQ(&dispatch::clock(), &*clock);
    double start = dispatch::uptime();
    clock->advance(2.0);
    EXPECT_EQ(dispatch::uptime(), start + 2.0);
    EXPECT_EQ(dispatch::now(), clock->now());
    // Real threads keep real time whatever the process clock says.
    double real = dispatch::realUptime();
    clock->advance(1000);
    EXPECT_LT(dispatch::realUptime() - real, 100);
    EXPECT_NEAR(dispatch::realUptime(), dispatch::SystemClock().uptime(), 1.0);
  }
  EXPECT_FALSE(dispatch::isVirtualClock());
  EXPECT_NEAR(dispatch::now(), static_cast<double>(std::time(nullptr)), 2.0);
}
