#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Thread.h"
#include "tests/platform/foundation/threads/RunLoopTestSupport.h"

namespace fd::testing {
namespace {

TEST(NotificationCenterTest, FiltersByNameAndSender) {
  auto center = rt::make<NotificationCenter>();
  auto senderA = rt::make<LoopTestTarget>(), senderB = rt::make<LoopTestTarget>();
  struct Reg { const char* label; std::optional<String> name; Id object; };
  const std::vector<Reg> regs = {{"any", std::nullopt, nullptr},
                                 {"x", String("x"), nullptr},
                                 {"x from A", String("x"), senderA},
                                 {"anything from B", std::nullopt, senderB}};
  std::vector<std::string> log;
  std::vector<Id> observers;
  for (auto& r : regs) {
    auto observer = rt::make<LoopTestTarget>();
    observers.push_back(observer);
    center->addObserver(observer, [&log, label = r.label](const Ref<Notification>& n) {
      log.push_back(std::string(label) + "<-" + n->name().utf8());
    }, r.name, r.object);
  }
  struct Post { const char* name; Id sender; std::vector<std::string> expected; };
  const Post posts[] = {
      {"x", senderA, {"any<-x", "x<-x", "x from A<-x"}},
      {"x", senderB, {"any<-x", "x<-x", "anything from B<-x"}},
      {"y", nullptr, {"any<-y"}},
      {"y", senderB, {"any<-y", "anything from B<-y"}},
  };
  for (auto& p : posts) {
    log.clear();
    center->post(p.name, p.sender);
    EXPECT_EQ(log, p.expected) << p.name;
  }
}

TEST(NotificationCenterTest, SelectorObserversGetTheNotificationWithUserInfo) {
  auto center = rt::make<NotificationCenter>();
  auto observer = rt::make<LoopTestTarget>();
  center->addObserver(observer, rt::sel("take:"), String("changed"), nullptr);
  auto info = Dictionary::withStrings({{"key", StringObject::create("value")}});
  center->post("changed", nullptr, info);
  ASSERT_EQ(observer->calls(), (std::vector<std::string>{"take"}));
  auto n = rt::as<Notification>(observer->arguments()[0]);
  ASSERT_TRUE(n);
  EXPECT_EQ(n->name(), String("changed"));
  EXPECT_EQ(n->userInfo().get(), info.get());
  EXPECT_THROW(center->addObserver(observer, rt::sel("noSuchMethod:"), String("x"), nullptr), rt::Exception);
}

TEST(NotificationCenterTest, RemovalByObserverOrByNameAndSender) {
  auto center = rt::make<NotificationCenter>();
  auto observer = rt::make<LoopTestTarget>();
  auto sender = rt::make<LoopTestTarget>();
  int a = 0, b = 0, c = 0;
  center->addObserver(observer, [&](const Ref<Notification>&) { ++a; }, String("a"), nullptr);
  center->addObserver(observer, [&](const Ref<Notification>&) { ++b; }, String("b"), sender);
  center->addObserver(observer, [&](const Ref<Notification>&) { ++c; }, String("c"), nullptr);
  center->removeObserver(observer, String("b"), sender);
  for (const char* n : {"a", "b", "c"}) center->post(n, sender);
  EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({1, 0, 1}));
  center->removeObserver(observer, std::nullopt, nullptr);
  for (const char* n : {"a", "b", "c"}) center->post(n, sender);
  EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({1, 0, 1}));
}

TEST(NotificationCenterTest, GoneObserversAreNotCalled) {
  auto center = rt::make<NotificationCenter>();
  int calls = 0;
  auto observer = rt::make<LoopTestTarget>();
  center->addObserver(observer, [&](const Ref<Notification>&) { ++calls; }, String("n"), nullptr);
  observer.reset();
  center->post("n");
  EXPECT_EQ(calls, 0);
}

TEST(NotificationCenterTest, ChangesDuringAPostBehave) {
  auto center = rt::make<NotificationCenter>();
  std::vector<std::string> log;
  Id lateToken, victimToken, selfToken;
  selfToken = center->addObserverForName(String("n"), nullptr, nullptr, [&](const Ref<Notification>&) {
    log.push_back("one-shot");
    center->removeObserver(selfToken);  // removal from inside its own block
    center->removeObserver(victimToken);
    lateToken = center->addObserverForName(String("n"), nullptr, nullptr, [&](const Ref<Notification>&) { log.push_back("late"); });
  });
  victimToken = center->addObserverForName(String("n"), nullptr, nullptr, [&](const Ref<Notification>&) { log.push_back("victim"); });
  center->post("n");
  EXPECT_EQ(log, (std::vector<std::string>{"one-shot"}));
  center->post("n");
  EXPECT_EQ(log, (std::vector<std::string>{"one-shot", "late"}));
}

TEST(NotificationCenterTest, BlockObserversOnTheMainQueueRunOnTheMainThread) {
  auto center = rt::make<NotificationCenter>();
  std::atomic<int> onMain{0}, elsewhere{0};
  center->addObserverForName(String("n"), nullptr, OperationQueue::mainQueue(), [&](const Ref<Notification>&) {
    (Thread::isMainThread() ? onMain : elsewhere).fetch_add(1);
  });
  center->post("n");  // posted on the main thread: runs at once
  EXPECT_EQ(onMain.load(), 1);
  std::atomic<bool> posted{false};
  std::thread worker([&] {
    center->post("n");  // waits for the main thread to run the block
    posted = true;
  });
  EXPECT_TRUE(RunLoopDriver::runUntil([&] { return posted.load(); }, 10));
  worker.join();
  EXPECT_EQ(onMain.load(), 2);
  EXPECT_EQ(elsewhere.load(), 0);
}

TEST(NotificationCenterTest, ConcurrentPostsAndRegistrationsAreSafe) {
  auto center = rt::make<NotificationCenter>();
  std::atomic<int> received{0};
  auto keeper = rt::make<LoopTestTarget>();
  center->addObserver(keeper, [&](const Ref<Notification>&) { received.fetch_add(1); }, String("n"), nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        auto transient = rt::make<LoopTestTarget>();
        center->addObserver(transient, [](const Ref<Notification>&) {}, String("n"), nullptr);
        center->post("n");
        center->removeObserver(transient);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(received.load(), 800);
  EXPECT_EQ(NotificationCenter::defaultCenter(), NotificationCenter::defaultCenter());
}

}  // namespace
}  // namespace fd::testing
