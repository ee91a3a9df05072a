#include <gtest/gtest.h>

#include "base/system/DRReachability.h"
#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"

namespace base {
namespace {

using namespace sys;

TEST(DRReachability, StatusFromFlags) {
  auto r = DRReachability::reachability();
  ASSERT_TRUE(r);
  struct Case {
    uint32_t flags;
    bool allowWWAN;
    DRReachabilityStatus status;
  } cases[] = {
      {0, true, DRReachabilityStatusNone},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsTransientConnection, true,
       DRReachabilityStatusNone},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired, true, DRReachabilityStatusWiFi},
      {kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN, true, DRReachabilityStatusWWAN},
      {kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN, false, DRReachabilityStatusWiFi},
  };
  for (const auto& c : cases) {
    r->setAllowWWAN(c.allowWWAN);
    EXPECT_EQ(r->statusForFlags(c.flags), c.status) << c.flags;
  }
  EXPECT_FALSE(DRReachability::reachabilityForLocalWifi()->allowWWAN());
  EXPECT_FALSE(DRReachability::reachabilityWithHostname(""));
  EXPECT_EQ(DRReachability::generationForRadioAccessTechnology("CTRadioAccessTechnologyLTE"), DRReachabilityWWANStatus4G);
  EXPECT_EQ(DRReachability::generationForRadioAccessTechnology("CTRadioAccessTechnologyEdge"), DRReachabilityWWANStatus2G);
  EXPECT_EQ(DRReachability::generationForRadioAccessTechnology("CTRadioAccessTechnologyNR"), DRReachabilityWWANStatusNone);
}

TEST(DRReachability, ChangesReachTheBlockOnTheMainQueue) {
  auto r = DRReachability::reachability();
  std::vector<DRReachabilityStatus> seen;
  Reachability::injectFlags(kReachabilityFlagsReachable);
  r->setNotifyBlock([&](DRReachability& me) { seen.push_back(me.status()); });
  EXPECT_TRUE(r->isScheduled());
  Reachability::injectFlags(kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN);
  Reachability::recheckAll();
  double until = dispatch::realUptime() + 10;
  while (seen.empty() && dispatch::realUptime() < until) dispatch::drainMainQueue();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), DRReachabilityStatusWWAN);
  r->setNotifyBlock(nullptr);
  EXPECT_FALSE(r->isScheduled());
  Reachability::clearInjectedFlags();
}

}  // namespace
}  // namespace base
