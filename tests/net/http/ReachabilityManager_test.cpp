// The reachability manager: the flags-to-status rules, and monitoring through the platform's
// handle, fed flag changes by the platform's injection hook.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/system/Reachability.h"

using net::NKNetworkReachabilityManager;
using net::NKNetworkReachabilityStatus;
using Status = NKNetworkReachabilityStatus;

namespace {

constexpr uint32_t kReachable = sys::kReachabilityFlagsReachable;
constexpr uint32_t kWWAN = sys::kReachabilityFlagsReachable | sys::kReachabilityFlagsIsWWAN;

Ref<NKNetworkReachabilityManager> managerForAddress(const char* text) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, text, &a.sin_addr);
  return NKNetworkReachabilityManager::managerForAddress(reinterpret_cast<sockaddr*>(&a));
}

// What a monitoring manager reported: block calls and notifications, with where they ran.
struct Reports {
  std::vector<Status> blockCalls;
  std::vector<int64_t> notified;
  bool allOnMainThread = true;
  bool notificationsHadNoObject = true;
  rt::Id token;

  explicit Reports(const Ref<NKNetworkReachabilityManager>& manager) {
    manager->setReachabilityStatusChangeBlock([this](Status s) {
      blockCalls.push_back(s);
      allOnMainThread = allOnMainThread && fd::Thread::isMainThread();
    });
    token = fd::NotificationCenter::defaultCenter()->addObserverForName(
        rt::String(net::NKNetworkingReachabilityDidChangeNotification), nullptr, nullptr,
        [this](const Ref<fd::Notification>& n) {
          allOnMainThread = allOnMainThread && fd::Thread::isMainThread();
          notificationsHadNoObject = notificationsHadNoObject && !n->object();
          auto status = n->userInfo() ? rt::as<fd::Number>(n->userInfo()->objectForKey(
                                            net::NKNetworkingReachabilityNotificationStatusItem))
                                      : nullptr;
          notified.push_back(status ? status->integerValue() : 99);
        });
  }
  ~Reports() { fd::NotificationCenter::defaultCenter()->removeObserver(token); }

  bool waitFor(size_t count) {
    return fd::RunLoopDriver::runUntil([&] { return blockCalls.size() >= count && notified.size() >= count; }, 5);
  }
};

class ReachabilityManagerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    sys::Reachability::clearInjectedFlags();
    fd::RunLoopDriver::reset();
  }
};

}  // namespace

TEST(ReachabilityStatus, FromFlags) {
  using namespace sys;
  struct Case {
    uint32_t flags;
    Status status;
  };
  const Case cases[] = {
      {0, Status::NotReachable},
      {kReachabilityFlagsReachable, Status::ReachableViaWiFi},
      {kReachabilityFlagsReachable | kReachabilityFlagsIsWWAN, Status::ReachableViaWWAN},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired, Status::NotReachable},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsConnectionOnTraffic,
       Status::ReachableViaWiFi},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsConnectionOnTraffic |
           kReachabilityFlagsInterventionRequired,
       Status::NotReachable},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsConnectionOnDemand,
       Status::ReachableViaWiFi},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsConnectionOnDemand |
           kReachabilityFlagsInterventionRequired,
       Status::NotReachable},
      {kReachabilityFlagsReachable | kReachabilityFlagsConnectionRequired | kReachabilityFlagsConnectionOnTraffic |
           kReachabilityFlagsIsWWAN,
       Status::ReachableViaWWAN},
      // Intervention matters only when a connection is required.
      {kReachabilityFlagsReachable | kReachabilityFlagsInterventionRequired, Status::ReachableViaWiFi},
      {kReachabilityFlagsIsWWAN | kReachabilityFlagsIsDirect, Status::NotReachable},
  };
  for (const auto& c : cases)
    EXPECT_EQ(net::NKNetworkReachabilityStatusForFlags(c.flags), c.status) << std::hex << c.flags;

  const std::pair<Status, const char*> texts[] = {
      {Status::Unknown, "Unknown"},
      {Status::NotReachable, "Not Reachable"},
      {Status::ReachableViaWWAN, "Reachable via WWAN"},
      {Status::ReachableViaWiFi, "Reachable via WiFi"},
  };
  for (const auto& [status, text] : texts) EXPECT_EQ(net::NKStringFromNetworkReachabilityStatus(status), text);
}

TEST_F(ReachabilityManagerTest, MadeOnlyWithAHandle) {
  EXPECT_FALSE(rt::make<NKNetworkReachabilityManager>());
  auto shared = NKNetworkReachabilityManager::sharedManager();
  ASSERT_TRUE(shared);
  EXPECT_EQ(NKNetworkReachabilityManager::sharedManager(), shared);
  ASSERT_TRUE(shared->networkReachability());
  EXPECT_TRUE(shared->networkReachability()->isZeroAddress());

  auto named = NKNetworkReachabilityManager::managerForDomain("localhost");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->networkReachability()->hostName(), rt::String("localhost"));
  EXPECT_EQ(named->networkReachabilityStatus(), Status::Unknown);
  EXPECT_FALSE(named->isReachable());
  EXPECT_FALSE(named->isReachableViaWWAN());
  EXPECT_FALSE(named->isReachableViaWiFi());
  EXPECT_EQ(named->localizedNetworkReachabilityStatusString(), "Unknown");

  // Without a handle (an empty host name makes none) monitoring has nothing to do.
  auto empty = NKNetworkReachabilityManager::managerForDomain("");
  ASSERT_TRUE(empty);
  EXPECT_FALSE(empty->networkReachability());
  empty->startMonitoring();
  empty->stopMonitoring();
  EXPECT_EQ(empty->networkReachabilityStatus(), Status::Unknown);
}

TEST_F(ReachabilityManagerTest, MonitoringReportsEveryChangeOnTheMainQueue) {
  sys::Reachability::injectFlags(kWWAN);
  auto manager = managerForAddress("0.0.0.0");
  Reports reports(manager);
  std::vector<bool> reachableSeen;
  manager->observe("reachable", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange& change) {
    bool value = false;
    if (auto n = rt::as<fd::Number>(change.newValue)) value = n->boolValue();
    reachableSeen.push_back(value);
  });

  manager->startMonitoring();
  // The first report comes from the one background read of the current flags.
  ASSERT_TRUE(reports.waitFor(1));
  EXPECT_EQ(manager->networkReachabilityStatus(), Status::ReachableViaWWAN);
  EXPECT_TRUE(manager->isReachableViaWWAN());
  EXPECT_EQ(manager->localizedNetworkReachabilityStatusString(), "Reachable via WWAN");

  sys::Reachability::injectFlags(kReachable);
  ASSERT_TRUE(reports.waitFor(2));
  EXPECT_TRUE(manager->isReachableViaWiFi());
  sys::Reachability::injectFlags(0);
  ASSERT_TRUE(reports.waitFor(3));
  EXPECT_FALSE(manager->isReachable());

  EXPECT_EQ(reports.blockCalls, (std::vector<Status>{Status::ReachableViaWWAN, Status::ReachableViaWiFi,
                                                     Status::NotReachable}));
  EXPECT_EQ(reports.notified, (std::vector<int64_t>{1, 2, 0}));
  EXPECT_TRUE(reports.allOnMainThread);
  EXPECT_TRUE(reports.notificationsHadNoObject);
  EXPECT_EQ(reachableSeen, (std::vector<bool>{true, true, false}));

  manager->stopMonitoring();
  sys::Reachability::injectFlags(kWWAN);
  fd::RunLoopDriver::runUntil([] { return false; }, 0.2);
  EXPECT_EQ(reports.blockCalls.size(), 3u);
  EXPECT_EQ(manager->networkReachabilityStatus(), Status::NotReachable);
}

TEST_F(ReachabilityManagerTest, StartingTwiceLeavesOneSchedule) {
  sys::Reachability::injectFlags(kReachable);
  auto manager = managerForAddress("0.0.0.0");
  Reports reports(manager);
  manager->startMonitoring();
  ASSERT_TRUE(reports.waitFor(1));
  manager->startMonitoring();
  ASSERT_TRUE(reports.waitFor(2));  // the second start reads the flags again
  sys::Reachability::injectFlags(kWWAN);
  ASSERT_TRUE(reports.waitFor(3));
  fd::RunLoopDriver::runUntil([] { return false; }, 0.2);
  EXPECT_EQ(reports.blockCalls, (std::vector<Status>{Status::ReachableViaWiFi, Status::ReachableViaWiFi,
                                                     Status::ReachableViaWWAN}));
  auto handle = manager->networkReachability();
  auto main = fd::RunLoop::mainRunLoop();
  EXPECT_TRUE(handle->unscheduleFromRunLoop(main, fd::kCFRunLoopCommonModes));
  EXPECT_FALSE(handle->unscheduleFromRunLoop(main, fd::kCFRunLoopCommonModes));
}

TEST_F(ReachabilityManagerTest, AGoneManagerHearsNothing) {
  sys::Reachability::injectFlags(kReachable);
  auto manager = managerForAddress("0.0.0.0");
  Ref<sys::Reachability> handle = manager->networkReachability();
  int calls = 0;
  manager->setReachabilityStatusChangeBlock([&](Status) { ++calls; });
  manager->startMonitoring();
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return calls == 1; }, 5));
  manager.reset();
  // Deallocation unscheduled the handle; a change reaches no one.
  EXPECT_FALSE(handle->unscheduleFromRunLoop(fd::RunLoop::mainRunLoop(), fd::kCFRunLoopCommonModes));
  sys::Reachability::injectFlags(kWWAN);
  fd::RunLoopDriver::runUntil([] { return false; }, 0.2);
  EXPECT_EQ(calls, 1);
}
