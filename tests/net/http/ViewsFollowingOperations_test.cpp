// The view categories' request-operation forms: an indicator, a refresh control, a progress
// view and an alert following one request operation.
#include <gtest/gtest.h>

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/ui/NKActivityIndicatorViewNotificationObserver.h"
#include "net/http/ui/NKAlertViewNetworking.h"
#include "net/http/ui/NKProgressViewTaskObserver.h"
#include "net/http/ui/NKRefreshControlNotificationObserver.h"
#include "platform/ui/alerts/AlertView.h"
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/ProgressView.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/lists/RefreshControl.h"
#include "platform/ui/view/Window.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

namespace views_following_operations_test {

using namespace net;
using nettest::requestFor;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

void settle() { waitUntil([] { return false; }, 0.15); }

Reply slowReply(double seconds) {
  Reply r = Reply::text("done");
  r.delayBeforeHeaders = seconds;
  return r;
}

std::vector<Ref<ui::AlertView>> alertsOnScreen() {
  std::vector<Ref<ui::AlertView>> out;
  std::function<void(const Ref<ui::View>&)> walk = [&](const Ref<ui::View>& v) {
    if (auto a = rt::as<ui::AlertView>(v); a && a->isVisible()) out.push_back(a);
    for (auto& s : v->subviews()) walk(s);
  };
  for (auto& w : ui::Application::sharedApplication()->windows()) walk(w);
  return out;
}

}  // namespace

TEST(ViewsFollowingOperations, IndicatorSpinsFromStartToFinishOfItsLatestOperation) {
  TestServer server;
  server.route("/slow", slowReply(0.4));
  auto indicator = rt::make<ui::ActivityIndicatorView>();

  // Not started: the indicator stops; it spins once the operation starts and stops when it ends.
  auto op = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  indicator->startAnimating();
  setAnimatingWithStateOfOperation(indicator, op);
  ASSERT_TRUE(waitUntil([&] { return !indicator->isAnimating(); }));
  op->start();
  ASSERT_TRUE(waitUntil([&] { return indicator->isAnimating(); }));
  ASSERT_TRUE(waitUntil([&] { return op->isFinished() && !indicator->isAnimating(); }));

  // Handed a second operation, it no longer hears the first.
  auto first = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  auto second = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  setAnimatingWithStateOfOperation(indicator, first);
  setAnimatingWithStateOfOperation(indicator, second);
  first->start();
  settle();
  EXPECT_FALSE(indicator->isAnimating());
  second->start();
  ASSERT_TRUE(waitUntil([&] { return indicator->isAnimating(); }));
  ASSERT_TRUE(waitUntil([&] { return first->isFinished() && second->isFinished() && !indicator->isAnimating(); }));

  // An operation already running starts it at once; a finished one changes nothing.
  auto running = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  running->start();
  ASSERT_TRUE(waitUntil([&] { return running->isExecuting(); }));
  setAnimatingWithStateOfOperation(indicator, running);
  ASSERT_TRUE(waitUntil([&] { return indicator->isAnimating(); }));
  ASSERT_TRUE(waitUntil([&] { return running->isFinished() && !indicator->isAnimating(); }));
  indicator->startAnimating();
  setAnimatingWithStateOfOperation(indicator, running);
  settle();
  EXPECT_TRUE(indicator->isAnimating());
}

TEST(ViewsFollowingOperations, RefreshControlRefreshesWhileItsOperationRuns) {
  TestServer server;
  server.route("/slow", slowReply(0.4));
  auto control = rt::make<ui::RefreshControl>();

  control->beginRefreshing();
  auto op = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  setRefreshingWithStateOfOperation(control, op);
  ASSERT_TRUE(waitUntil([&] { return !control->isRefreshing(); }));  // not started yet
  op->start();
  ASSERT_TRUE(waitUntil([&] { return control->isRefreshing(); }));
  ASSERT_TRUE(waitUntil([&] { return op->isFinished() && !control->isRefreshing(); }));

  auto first = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  auto second = NKHTTPRequestOperation::create(requestFor(server.url("/slow")));
  setRefreshingWithStateOfOperation(control, first);
  setRefreshingWithStateOfOperation(control, second);
  first->start();
  settle();
  EXPECT_FALSE(control->isRefreshing());
  second->start();
  ASSERT_TRUE(waitUntil([&] { return control->isRefreshing(); }));
  ASSERT_TRUE(waitUntil([&] { return first->isFinished() && second->isFinished() && !control->isRefreshing(); }));
}

TEST(ViewsFollowingOperations, ProgressViewShowsEachDirectionAndKeepsTheEarlierBlock) {
  TestServer server;
  Reply big = Reply::text(std::string(256 * 1024, 'p'));
  big.chunkSize = 16 * 1024;
  big.delayBetweenChunks = 0.01;
  server.route("/big", big);
  server.route("/upload", Reply::text("ok"));

  // Download: the view reaches the whole, and the block set before still hears every step.
  auto down = rt::make<ui::ProgressView>();
  auto op = NKHTTPRequestOperation::create(requestFor(server.url("/big")));
  std::atomic<int64_t> earlierSaw{0};
  op->setDownloadProgressBlock([&](uint64_t, int64_t total, int64_t) { earlierSaw = total; });
  setProgressWithDownloadProgressOfOperation(down, op, false);
  std::vector<double> seen;
  op->start();
  ASSERT_TRUE(waitUntil([&] {
    if (seen.empty() || seen.back() != down->progress()) seen.push_back(down->progress());
    return op->isFinished() && earlierSaw == 256 * 1024 && down->progress() == 1.0;
  }));
  EXPECT_GT(seen.size(), 2u) << "the view only ever showed the end";

  // Upload: bytes sent over bytes to send; the download direction leaves this view alone.
  auto up = rt::make<ui::ProgressView>();
  auto request = requestFor(server.url("/upload"));
  request->setHTTPMethod("POST");
  request->setHTTPBody(fd::Data::create(std::string(64 * 1024, 'u').data(), 64 * 1024));
  auto upload = NKHTTPRequestOperation::create(request);
  setProgressWithUploadProgressOfOperation(up, upload, true);
  upload->start();
  ASSERT_TRUE(waitUntil([&] { return upload->isFinished() && up->progress() == 1.0; }));
}

TEST(ViewsFollowingOperations, OnlyAFailedOperationShowsAnAlertAndOnlyOnce) {
  TestServer server;
  server.route("/ok", Reply::text("fine"));
  for (auto& alert : alertsOnScreen()) alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);

  auto good = NKHTTPRequestOperation::create(requestFor(server.url("/ok")));
  showAlertViewForRequestOperationWithErrorOnCompletion(good, {});
  good->start();
  ASSERT_TRUE(waitUntil([&] { return good->isFinished(); }));
  settle();
  EXPECT_TRUE(alertsOnScreen().empty());

  auto bad = NKHTTPRequestOperation::create(requestFor("http://127.0.0.1:1/"));
  showAlertViewForRequestOperationWithErrorOnCompletion(bad, {}, "Close", {"Retry", "Report"});
  bad->start();
  ASSERT_TRUE(waitUntil([&] { return !alertsOnScreen().empty(); }));
  settle();
  auto shown = alertsOnScreen();
  ASSERT_EQ(shown.size(), 1u);
  auto alert = shown.front();
  EXPECT_EQ(alert->buttonTitleAtIndex(alert->cancelButtonIndex()).utf8(), "Close");
  EXPECT_EQ(alert->numberOfButtons(), 3);
  auto [title, message] = alertTitleAndMessageForError(bad->error());
  EXPECT_EQ(alert->title(), title);
  EXPECT_EQ(alert->message(), message);
  alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
}

}  // namespace views_following_operations_test
