#include <gtest/gtest.h>

#include "net/http/NKURLResponseSerialization.h"
#include "net/http/NKURLSessionManager.h"
#include "net/http/ui/NKActivityIndicatorViewNotificationObserver.h"
#include "net/http/ui/NKProgressViewTaskObserver.h"
#include "net/http/ui/NKRefreshControlNotificationObserver.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/ProgressView.h"
#include "platform/ui/lists/RefreshControl.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

using namespace net;
using nettest::requestFor;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {
void settle() { waitUntil([] { return false; }, 0.15); }
}  // namespace

TEST(RequestFollowingViews, IndicatorFollowsOnlyItsLatestTask) {
  TestServer server;
  Reply slow = Reply::text("done");
  slow.delayBeforeHeaders = 0.4;
  server.route("/slow", slow);
  auto manager = NKURLSessionManager::create();
  auto indicator = rt::make<ui::ActivityIndicatorView>();

  // Given suspended, it stops; resumed, it spins; completed, it stops.
  std::atomic<bool> done{false};
  auto first = manager->dataTaskWithRequest(requestFor(server.url("/slow")),
                                            [&](auto&, auto&, auto&) { done = true; });
  setAnimatingWithStateOfTask(indicator, first);
  settle();
  EXPECT_FALSE(indicator->isAnimating());
  first->resume();
  ASSERT_TRUE(waitUntil([&] { return indicator->isAnimating(); }));
  ASSERT_TRUE(waitUntil([&] { return done && !indicator->isAnimating(); }));

  // A second task takes over: the first one's notices no longer reach the indicator.
  auto a = manager->dataTaskWithRequest(requestFor(server.url("/slow")), nullptr);
  auto b = manager->dataTaskWithRequest(requestFor(server.url("/slow")), nullptr);
  setAnimatingWithStateOfTask(indicator, a);
  setAnimatingWithStateOfTask(indicator, b);
  a->resume();
  settle();
  EXPECT_FALSE(indicator->isAnimating());
  b->resume();
  ASSERT_TRUE(waitUntil([&] { return indicator->isAnimating(); }));
  a->cancel();
  b->cancel();
  ASSERT_TRUE(waitUntil([&] { return !indicator->isAnimating(); }));
}

TEST(RequestFollowingViews, RefreshControlFollowsOnlyARunningTask) {
  TestServer server;
  Reply slow = Reply::text("done");
  slow.delayBeforeHeaders = 0.4;
  server.route("/slow", slow);
  auto manager = NKURLSessionManager::create();
  auto control = rt::make<ui::RefreshControl>();

  // Given suspended: it ends refreshing and ignores the later resume.
  control->beginRefreshing();
  auto suspended = manager->dataTaskWithRequest(requestFor(server.url("/slow")), nullptr);
  setRefreshingWithStateOfTask(control, suspended);
  ASSERT_TRUE(waitUntil([&] { return !control->isRefreshing(); }));
  suspended->resume();
  settle();
  EXPECT_FALSE(control->isRefreshing());

  // Given running: it refreshes until the task completes.
  std::atomic<bool> done{false};
  auto running = manager->dataTaskWithRequest(requestFor(server.url("/slow")),
                                              [&](auto&, auto&, auto&) { done = true; });
  running->resume();
  setRefreshingWithStateOfTask(control, running);
  ASSERT_TRUE(waitUntil([&] { return control->isRefreshing(); }));
  ASSERT_TRUE(waitUntil([&] { return done && !control->isRefreshing(); }));
  suspended->cancel();
}

TEST(RequestFollowingViews, ProgressViewShowsDownloadAndLetsGoWhenItGoesAway) {
  TestServer server;
  Reply big = Reply::text(std::string(256 * 1024, 'p'));
  big.chunkSize = 16 * 1024;
  big.delayBetweenChunks = 0.01;
  server.route("/big", big);
  Reply unsized = big;
  unsized.chunked = true;
  server.route("/unsized", unsized);
  auto manager = NKURLSessionManager::create();
  manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());

  auto view = rt::make<ui::ProgressView>();
  std::atomic<bool> done{false};
  auto task = manager->dataTaskWithRequest(requestFor(server.url("/big")), [&](auto&, auto&, auto&) { done = true; });
  setProgressWithDownloadProgressOfTask(view, task, false);
  task->resume();
  ASSERT_TRUE(waitUntil([&] { return done.load(); }));
  settle();
  EXPECT_FLOAT_EQ(view->progress(), 1.0f);
  EXPECT_FALSE(task->hasObservers());  // completed: it stopped observing

  // No announced length: the view is left alone.
  auto still = rt::make<ui::ProgressView>();
  done = false;
  auto unsizedTask =
      manager->dataTaskWithRequest(requestFor(server.url("/unsized")), [&](auto&, auto&, auto&) { done = true; });
  setProgressWithDownloadProgressOfTask(still, unsizedTask, true);
  EXPECT_TRUE(nk_downloadProgressAnimated(still));
  EXPECT_FALSE(nk_uploadProgressAnimated(still));
  unsizedTask->resume();
  ASSERT_TRUE(waitUntil([&] { return done.load(); }));
  settle();
  EXPECT_EQ(still->progress(), 0.0);

  // A view that goes away while its task runs stops observing it.
  done = false;
  auto running = manager->dataTaskWithRequest(requestFor(server.url("/big")), [&](auto&, auto&, auto&) { done = true; });
  {
    auto shortLived = rt::make<ui::ProgressView>();
    setProgressWithDownloadProgressOfTask(shortLived, running, false);
    EXPECT_TRUE(running->hasObservers());
  }
  EXPECT_FALSE(running->hasObservers());
  running->resume();
  ASSERT_TRUE(waitUntil([&] { return done.load(); }));
}
