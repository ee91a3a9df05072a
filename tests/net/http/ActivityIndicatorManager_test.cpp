// The network activity indicator manager on the virtual clock: the count, the delayed hide,
// and the start and finish notifications of operations and session tasks.
#include <gtest/gtest.h>

#include <thread>

#include "net/http/NKNetworkActivityIndicatorManager.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/dispatch/Clock.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/ui/host/Application.h"

using net::NKNetworkActivityIndicatorManager;

namespace {

class ActivityIndicatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Operations post their start and finish through the main queue: those an earlier test
    // left waiting there are announced now, before this test's manager listens.
    fd::RunLoopDriver::runUntilIdle();
    clock_ = fd::RunLoopDriver::useVirtualClock();
    app()->setNetworkActivityIndicatorVisible(false);
    manager_ = rt::make<NKNetworkActivityIndicatorManager>();
  }
  void TearDown() override {
    // An update still waiting for the main thread holds the manager, and with it its hide
    // timer and its observers: let such work run out here, so that nothing of this manager
    // switches the indicator or counts notifications in the next test.
    if (manager_) {
      manager_->setEnabled(false);
      if (auto timer = manager_->activityIndicatorVisibilityTimer()) timer->invalidate();
    }
    settle();
    Weak<NKNetworkActivityIndicatorManager> gone = manager_;
    manager_.reset();
    settle();
    EXPECT_FALSE(gone.lock()) << "the manager outlived its test";
    fd::RunLoopDriver::reset();
    app()->setNetworkActivityIndicatorVisible(false);
  }
  static Ref<ui::Application> app() { return ui::Application::sharedApplication(); }
  static bool indicatorOn() { return app()->isNetworkActivityIndicatorVisible(); }
  static void settle() { fd::RunLoopDriver::runUntilIdle(); }
  static void post(const char* name, const rt::Id& object) {
    fd::NotificationCenter::defaultCenter()->post(rt::String(name), object);
  }
  static Ref<fd::URLRequest> requestFor(const char* url) {
    return fd::URLRequest::requestWithURL(url ? fd::URL::URLWithString(url) : nullptr);
  }

  std::shared_ptr<dispatch::VirtualClock> clock_;
  Ref<NKNetworkActivityIndicatorManager> manager_;
};

}  // namespace

TEST_F(ActivityIndicatorTest, CountNeverGoesBelowZero) {
  EXPECT_FALSE(manager_->isEnabled());
  std::vector<int64_t> counts;
  std::vector<bool> visible;
  manager_->observe("activityCount", rt::KeyValueObservingOptionNew, [&](rt::Object*, const rt::KeyValueChange& c) {
    counts.push_back(rt::as<fd::Number>(c.newValue)->integerValue());
  });
  manager_->observe("networkActivityIndicatorVisible", rt::KeyValueObservingOptionNew,
                    [&](rt::Object*, const rt::KeyValueChange& c) {
                      visible.push_back(rt::as<fd::Number>(c.newValue)->boolValue());
                    });
  manager_->decrementActivityCount();
  manager_->incrementActivityCount();
  manager_->incrementActivityCount();
  manager_->decrementActivityCount();
  manager_->decrementActivityCount();
  manager_->decrementActivityCount();
  EXPECT_EQ(manager_->activityCount(), 0);
  EXPECT_EQ(counts, (std::vector<int64_t>{0, 1, 2, 1, 0, 0}));
  EXPECT_EQ(visible, (std::vector<bool>{false, true, true, true, false, false}));

  // Stored as given, without an announcement.
  manager_->setActivityCount(-3);
  EXPECT_EQ(manager_->activityCount(), -3);
  EXPECT_FALSE(manager_->isNetworkActivityIndicatorVisible());
  manager_->decrementActivityCount();
  EXPECT_EQ(manager_->activityCount(), 0);
  EXPECT_EQ(counts.size(), 7u);
}

TEST_F(ActivityIndicatorTest, CountsFromManyThreads) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([this] {
      for (int i = 0; i < 200; ++i) manager_->incrementActivityCount();
      for (int i = 0; i < 150; ++i) manager_->decrementActivityCount();
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(manager_->activityCount(), 8 * 50);
  settle();
}

TEST_F(ActivityIndicatorTest, DisabledNeverTouchesTheIndicator) {
  manager_->incrementActivityCount();
  settle();
  EXPECT_EQ(manager_->activityCount(), 1);
  EXPECT_FALSE(indicatorOn());
  app()->setNetworkActivityIndicatorVisible(true);
  manager_->decrementActivityCount();
  fd::RunLoopDriver::advance(1);
  EXPECT_TRUE(indicatorOn());
  EXPECT_FALSE(manager_->activityIndicatorVisibilityTimer());
}

TEST_F(ActivityIndicatorTest, ShowsAtOnceAndHidesAfterTheDelay) {
  manager_->setEnabled(true);
  manager_->incrementActivityCount();
  EXPECT_FALSE(indicatorOn());  // the update runs on the main thread's next turn
  settle();
  EXPECT_TRUE(indicatorOn());

  manager_->decrementActivityCount();
  settle();
  ASSERT_TRUE(manager_->activityIndicatorVisibilityTimer());
  fd::RunLoopDriver::advance(0.169);
  EXPECT_TRUE(indicatorOn());
  fd::RunLoopDriver::advance(0.002);
  EXPECT_FALSE(indicatorOn());
  EXPECT_FALSE(manager_->activityIndicatorVisibilityTimer()->isValid());
}

TEST_F(ActivityIndicatorTest, AStartWithinTheDelayKeepsItOn) {
  manager_->setEnabled(true);
  manager_->incrementActivityCount();
  settle();
  manager_->decrementActivityCount();
  settle();
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(indicatorOn());
  manager_->incrementActivityCount();
  settle();
  for (int step = 0; step < 10; ++step) {
    fd::RunLoopDriver::advance(0.05);
    EXPECT_TRUE(indicatorOn()) << step;
  }
  // A second hide replaces the first: only the last one's delay counts.
  manager_->decrementActivityCount();
  settle();
  auto first = manager_->activityIndicatorVisibilityTimer();
  fd::RunLoopDriver::advance(0.1);
  manager_->setActivityCount(0);
  settle();
  EXPECT_FALSE(first->isValid());
  fd::RunLoopDriver::advance(0.1);
  EXPECT_TRUE(indicatorOn());
  fd::RunLoopDriver::advance(0.08);
  EXPECT_FALSE(indicatorOn());
}

TEST_F(ActivityIndicatorTest, FollowsOperationAndTaskNotifications) {
  manager_->setEnabled(true);
  auto operation = net::NKURLConnectionOperation::create(requestFor("http://127.0.0.1:9/a"));
  ASSERT_TRUE(operation);
  auto session = fd::URLSession::sessionWithConfiguration(fd::URLSessionConfiguration::ephemeralSessionConfiguration());
  auto task = session->dataTaskWithRequest(requestFor("http://127.0.0.1:9/b"));
  auto taskWithoutURL = session->dataTaskWithRequest(requestFor(nullptr));
  auto unrelated = fd::Data::create(std::string_view("no request here"));

  struct Step {
    const char* name;
    rt::Id object;
    int64_t count;
  };
  const Step steps[] = {
      {"com.trevanode.networking.operation.start", operation, 1},
      {"com.trevanode.networking.task.resume", task, 2},
      {"com.trevanode.networking.task.resume", taskWithoutURL, 2},
      {"com.trevanode.networking.operation.start", unrelated, 2},
      {"com.trevanode.networking.task.suspend", task, 1},
      {"com.trevanode.networking.task.resume", task, 2},
      {"com.trevanode.networking.task.complete", task, 1},
      {"com.trevanode.networking.task.complete", unrelated, 1},
      {"com.trevanode.networking.operation.finish", operation, 0},
      {"com.trevanode.networking.operation.finish", operation, 0},
  };
  for (const auto& s : steps) {
    post(s.name, s.object);
    settle();
    EXPECT_EQ(manager_->activityCount(), s.count) << s.name;
    EXPECT_TRUE(indicatorOn()) << s.name;  // the last finish hides it only after the delay
  }
  fd::RunLoopDriver::advance(0.2);
  EXPECT_FALSE(indicatorOn());
  session->invalidateAndCancel();
}

TEST_F(ActivityIndicatorTest, AGoneManagerStopsListening) {
  auto operation = net::NKURLConnectionOperation::create(requestFor("http://127.0.0.1:9/a"));
  Weak<NKNetworkActivityIndicatorManager> weak = manager_;
  manager_->setEnabled(true);
  post("com.trevanode.networking.operation.start", operation);
  settle();
  EXPECT_TRUE(indicatorOn());
  manager_.reset();
  EXPECT_FALSE(weak.lock());
  app()->setNetworkActivityIndicatorVisible(false);
  post("com.trevanode.networking.operation.start", operation);
  fd::RunLoopDriver::advance(1);
  EXPECT_FALSE(indicatorOn());
  EXPECT_EQ(NKNetworkActivityIndicatorManager::sharedManager(), NKNetworkActivityIndicatorManager::sharedManager());
}
