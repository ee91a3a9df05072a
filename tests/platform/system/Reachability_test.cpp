#include "platform/system/Reachability.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/un.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/RunLoop.h"

using sys::Reachability;

namespace {

sockaddr_in ipv4(const char* text) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, text, &a.sin_addr);
  return a;
}

Ref<Reachability> forAddress(const char* text) {
  auto a = ipv4(text);
  return Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&a));
}

bool runLoopUntil(const std::function<bool()>& done, const rt::String& mode, double seconds = 5) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    fd::RunLoop::currentRunLoop()->runInMode(mode, 0.01, true);
  }
  return true;
}

class ReachabilityTest : public ::testing::Test {
 protected:
  void TearDown() override { Reachability::clearInjectedFlags(); }
};

}  // namespace

TEST_F(ReachabilityTest, TargetsThatCannotBeMade) {
  EXPECT_FALSE(Reachability::createWithName(""));
  EXPECT_FALSE(Reachability::createWithAddress(nullptr));
  sockaddr_un unix{};
  unix.sun_family = AF_UNIX;
  EXPECT_FALSE(Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&unix)));
  EXPECT_FALSE(sys::currentRadioAccessTechnology());
}

TEST_F(ReachabilityTest, LoopbackIsLocalAndDirect) {
  const uint32_t local = sys::kReachabilityFlagsReachable | sys::kReachabilityFlagsIsLocalAddress |
                         sys::kReachabilityFlagsIsDirect;
  sockaddr_in6 v6{};
  v6.sin6_family = AF_INET6;
  v6.sin6_addr = in6addr_loopback;
  const Ref<Reachability> targets[] = {
      forAddress("127.0.0.1"),
      Reachability::createWithAddress(reinterpret_cast<sockaddr*>(&v6)),
      Reachability::createWithReachability(forAddress("127.0.0.1")),
      Reachability::createWithName("localhost"),
  };
  for (const auto& t : targets) {
    ASSERT_TRUE(t);
    uint32_t flags = 0;
    ASSERT_TRUE(t->getFlags(&flags));
    EXPECT_EQ(flags, local);
  }
  EXPECT_TRUE(forAddress("0.0.0.0")->isZeroAddress());
  EXPECT_FALSE(forAddress("127.0.0.1")->isZeroAddress());
}

TEST_F(ReachabilityTest, InjectedChangesReachRunLoopCallbacksOnceWithTheContext) {
  auto target = forAddress("0.0.0.0");
  const rt::String mode = "ReachabilityTestMode";
  struct Counter {
    std::atomic<int> retains{0}, releases{0};
  } counter;
  std::vector<uint32_t> seen;
  std::vector<void*> infos;
  sys::ReachabilityContext context{&counter, [](void* i) { ++static_cast<Counter*>(i)->retains; },
                                   [](void* i) { ++static_cast<Counter*>(i)->releases; }};
  ASSERT_TRUE(target->setCallback(
      [&](const Ref<Reachability>& r, uint32_t flags, void* info) {
        EXPECT_EQ(r, target);
        seen.push_back(flags);
        infos.push_back(info);
      },
      &context));
  EXPECT_EQ(counter.retains, 1);
  auto loop = fd::RunLoop::currentRunLoop();
  ASSERT_TRUE(target->scheduleWithRunLoop(loop, mode));
  ASSERT_TRUE(target->scheduleWithRunLoop(loop, mode));  // a second schedule changes nothing

  const uint32_t wwan = sys::kReachabilityFlagsReachable | sys::kReachabilityFlagsIsWWAN;
  Reachability::injectFlags(wwan);
  uint32_t read = 0;
  target->getFlags(&read);
  EXPECT_EQ(read, wwan);
  ASSERT_TRUE(runLoopUntil([&] { return !seen.empty(); }, mode));
  Reachability::injectFlags(wwan);  // no change, no callback
  Reachability::injectFlags(0);
  ASSERT_TRUE(runLoopUntil([&] { return seen.size() >= 2; }, mode));
  runLoopUntil([] { return false; }, mode, 0.1);
  EXPECT_EQ(seen, (std::vector<uint32_t>{wwan, 0}));
  EXPECT_EQ(infos, (std::vector<void*>{&counter, &counter}));

  ASSERT_TRUE(target->unscheduleFromRunLoop(loop, mode));
  EXPECT_FALSE(target->unscheduleFromRunLoop(loop, mode));
  Reachability::injectFlags(sys::kReachabilityFlagsReachable);
  runLoopUntil([] { return false; }, mode, 0.1);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_EQ(counter.releases, 0);
  target.reset();
  EXPECT_EQ(counter.releases, 1);
}

TEST_F(ReachabilityTest, CallbacksOnADispatchQueue) {
  auto target = Reachability::createWithName("localhost");
  auto queue = dispatch::Queue::createSerial("reachability-test");
  std::atomic<bool> onQueue{false};
  std::atomic<uint32_t> flags{0xffffffff};
  target->setCallback([&](const Ref<Reachability>&, uint32_t f, void*) {
    onQueue = dispatch::Queue::current() == queue.get();
    flags = f;
  });
  target->setDispatchQueue(queue);
  Reachability::injectFlags(sys::kReachabilityFlagsConnectionRequired);
  for (int i = 0; i < 500 && flags == 0xffffffff; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(flags.load(), sys::kReachabilityFlagsConnectionRequired);
  EXPECT_TRUE(onQueue);
  target->setDispatchQueue(nullptr);
}
