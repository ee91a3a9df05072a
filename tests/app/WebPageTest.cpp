// The web page screen against real servers on 127.0.0.1: a page loaded to its finish, a
// closed port and a malformed address that must still end the loading state, pull-down after
// the URL cache is emptied, a followed link, the toolbar, and the location calls.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/screens/KDWebViewController.h"
#include "app/shell/QPNavigationController.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/system/location/LocationManager.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/host/Host.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/lists/ScrollView.h"
#include "tests/app/ContentServiceFixture.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace {

namespace fs = std::filesystem;
using fd::RunLoopDriver;
using widgets::PHProgressHUD;

/// A port of 127.0.0.1 that nothing listens on.
int closedPort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(s);
  return ntohs(a.sin_port);
}

class WebPageTest : public apptest::ContentServiceTest {
 protected:
  void SetUp() override {
    apptest::ContentServiceTest::SetUp();
    sys::LocationServices::shared()->reset();
  }
  void TearDown() override {
    window->setRootViewController(nullptr);
    ui::Transaction::flush();
    sys::LocationServices::shared()->reset();
    ui::Device::currentDevice()->setSystemVersion(std::nullopt);
    ui::Application::sharedApplication()->setNetworkActivityIndicatorVisible(false);
    apptest::ContentServiceTest::TearDown();
  }

  /// Pushes the screen for `url` over a root screen; the load is under way on return.
  Ref<app::KDWebViewController> push(const std::string& url, const std::string& title = "") {
    auto web = rt::make<app::KDWebViewController>();
    web->setWebUrl(fd::String(url));
    web->setWebViwqTitle(fd::String(title));
    nav = rt::make<app::QPNavigationController>(rt::make<ui::ViewController>());
    window->setRootViewController(nav);
    window->layoutIfNeeded();
    host.renderFrame();
    nav->pushViewController(web, true);
    host.renderFrame();
    return web;
  }
  /// Runs the main loop until the load under way has ended.
  void finishLoad(app::KDWebViewController& web) {
    EXPECT_TRUE(RunLoopDriver::runUntil([&] { return !web.ixWebView()->isLoading(); }, 40));
    for (int i = 0; i < 10; ++i) {
      RunLoopDriver::advance(0.1);
      host.renderFrame();
    }
  }
  static bool indicatorOn() { return ui::Application::sharedApplication()->isNetworkActivityIndicatorVisible(); }
  static bool refreshing(app::KDWebViewController& w) {
    return widgets::km_header(*w.ixWebView()->scrollView())->isRefreshing();
  }
  /// The loading state is over: no display, no indicator, no spinning header.
  static void expectSettled(app::KDWebViewController& w) {
    EXPECT_FALSE(indicatorOn());
    EXPECT_FALSE(PHProgressHUD::isVisible());
    EXPECT_FALSE(refreshing(w));
  }
  void pull(app::KDWebViewController& w) {
    widgets::km_header(*w.ixWebView()->scrollView())->beginRefreshing();
    RunLoopDriver::advance(0.5);
    host.renderFrame();
  }
  void shoot(const std::string& name) {
    if (const char* artifacts = std::getenv("KD_ARTIFACT_DIR")) {
      fs::create_directories(artifacts);
      std::string error;
      window->layoutIfNeeded();
      EXPECT_TRUE(host.shoot((fs::path(artifacts) / name).string(), &error)) << error;
    }
  }

  ui::HeadlessHost host;
  Ref<app::QPNavigationController> nav;
};

TEST_F(WebPageTest, APageLoadsToItsFinishWhichEndsTheLoadingStateAndTheLocationUpdates) {
  auto& server = startSampleService();
  std::string url = server.baseURL() + "/web/radio.html";
  auto web = push(url, "907调频");
  EXPECT_TRUE(indicatorOn());
  EXPECT_TRUE(PHProgressHUD::isVisible());
  EXPECT_EQ(PHProgressHUD::sharedView()->stringLabel()->text().utf8(), "正在加载");
  ASSERT_TRUE(web->manager());
  EXPECT_TRUE(web->manager()->isUpdatingLocation());
  auto request = web->ixWebView()->request();
  ASSERT_TRUE(request && request->URL());
  EXPECT_EQ(request->URL()->absoluteString().utf8(), url);
  EXPECT_EQ(request->timeoutInterval(), 30);
  EXPECT_EQ(request->cachePolicy(), fd::URLRequestCachePolicy::UseProtocolCachePolicy);

  finishLoad(*web);
  expectSettled(*web);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("907调频"));
  EXPECT_FALSE(web->manager()->isUpdatingLocation());
  EXPECT_EQ(sys::LocationServices::shared()->count("stopUpdatingLocation"), 1u);
  EXPECT_EQ(web->titleLabel()->text().utf8(), "907调频");
  EXPECT_EQ(web->ixWebView()->frame(), (gfx::Rect{{0, 64}, {375, 667 - 64}}));
  shoot("web-page-radio.png");

  // The back button stops and pops.
  auto back = web->backButton()->convertRectToView(web->backButton()->bounds(), nullptr);
  EXPECT_NEAR(back.origin.x, 20, 0.5);
  host.tap({back.origin.x + back.size.width / 2, back.origin.y + back.size.height / 2});
  RunLoopDriver::advance(0.6);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(WebPageTest, AddressesThatCannotLoadEndTheLoadingStateAndKeepLocationRunning) {
  const std::vector<std::string> addresses = {
      "http://127.0.0.1:" + std::to_string(closedPort()) + "/web/radio.html",  // refused
      "http://[127.0.0.1/radio",                                              // forms no URL
      "",
  };
  for (const auto& address : addresses) {
    SCOPED_TRACE(address);
    auto web = push(address);
    finishLoad(*web);
    expectSettled(*web);
    EXPECT_TRUE(web->manager()->isUpdatingLocation());
    // Pulling down after the failure asks again, and that too ends.
    pull(*web);
    finishLoad(*web);
    expectSettled(*web);
    window->setRootViewController(nullptr);
  }
}

TEST_F(WebPageTest, LeavingByThePanWhileAPageLoadsEndsTheLoadingState) {
  auto& server = startScriptedServer();
  testsupport::Reply slow = testsupport::Reply::text("<html><body>慢</body></html>");
  slow.contentType = "text/html; charset=utf-8";
  slow.delayBeforeHeaders = 20;
  server.route("/slow.html", slow);
  auto web = push(server.url("/slow.html"));
  RunLoopDriver::advance(0.6);
  ASSERT_TRUE(web->ixWebView()->isLoading());
  ASSERT_TRUE(PHProgressHUD::isVisible());
  host.drag({40, 300}, {220, 300}, 0.3);
  RunLoopDriver::advance(0.6);
  ASSERT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_FALSE(web->ixWebView()->isLoading());
  expectSettled(*web);
  server.releaseStalls();
}

TEST_F(WebPageTest, PullDownReloadsFromTheServerOnceTheUrlCacheIsEmptied) {
  auto& server = startScriptedServer();
  testsupport::Reply page;
  page.contentType = "text/html; charset=utf-8";
  page.headers = {{"Cache-Control", "max-age=3600"}};
  page.body = "<html><head><title>缓存页</title></head><body><p>一页可以缓存的内容</p></body></html>";
  server.route("/cached.html", page);
  auto web = push(server.url("/cached.html"));
  finishLoad(*web);
  expectSettled(*web);
  ASSERT_EQ(server.requestCount(), 1u);
  auto request = fd::URLRequest::requestWithURL(fd::URL::URLWithString(fd::String(server.url("/cached.html"))));
  EXPECT_NE(fd::URLCache::sharedURLCache()->cachedResponseForRequest(request), nullptr);

  pull(*web);
  EXPECT_TRUE(refreshing(*web));
  EXPECT_TRUE(PHProgressHUD::isVisible());
  finishLoad(*web);
  expectSettled(*web);
  EXPECT_EQ(server.requestCount(), 2u);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("缓存页"));
}

TEST_F(WebPageTest, AFollowedLinkLoadsAndEndsWithTheFinishAnswerAndTheToolbarGoesBackAndForth) {
  auto& server = startScriptedServer();
  testsupport::Reply first;
  first.contentType = "text/html; charset=utf-8";
  first.body =
      "<html><head><meta name=\"viewport\" content=\"width=device-width\"><title>起始页</title></head>"
      "<body style=\"margin:0\"><a href=\"/second.html\" style=\"display:block;font-size:40px;height:80px\">下一页</a>"
      "</body></html>";
  testsupport::Reply second = first;
  second.body = "<html><head><title>第二页</title></head><body><p>到了</p></body></html>";
  server.route("/first.html", first);
  server.route("/second.html", second);
  auto web = push(server.url("/first.html"));
  finishLoad(*web);
  ASSERT_EQ(web->ixWebView()->pageTitle(), rt::String("起始页"));

  host.tap({60, 64 + 30});
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return web->ixWebView()->isLoading(); }, 5));
  finishLoad(*web);
  expectSettled(*web);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("第二页"));
  EXPECT_EQ(server.requestCount(), 2u);

  web->showFunctionButton();
  window->layoutIfNeeded();
  ASSERT_TRUE(web->toolbar());
  EXPECT_EQ(web->toolbar()->frame(), (gfx::Rect{{0, 667 - 48}, {375, 48}}));
  EXPECT_EQ(web->ixWebView()->frame(), (gfx::Rect{{0, 0}, {375, 667}}));
  const auto& buttons = web->toolbar()->subviews();
  ASSERT_EQ(buttons.size(), 3u);
  std::vector<gfx::Rect> frames;
  for (const auto& b : buttons) frames.push_back(b->frame());
  EXPECT_EQ(frames[0], (gfx::Rect{{20, 13}, {22, 22}}));
  EXPECT_EQ(frames[1], (gfx::Rect{{82, 13}, {22, 22}}));
  EXPECT_EQ(frames[2], (gfx::Rect{{375 - 42, 13}, {22, 22}}));
  host.renderFrame();
  shoot("web-page-toolbar.png");

  auto centre = [&](size_t i) {
    auto f = buttons[i]->convertRectToView(buttons[i]->bounds(), nullptr);
    return gfx::Point{f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
  };
  host.tap(centre(0));
  finishLoad(*web);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("起始页"));
  host.tap(centre(1));
  finishLoad(*web);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("第二页"));
  host.tap(centre(2));
  EXPECT_TRUE(PHProgressHUD::isVisible());
  finishLoad(*web);
  expectSettled(*web);
  EXPECT_EQ(web->ixWebView()->pageTitle(), rt::String("第二页"));
}

TEST_F(WebPageTest, PermissionIsAskedForByStatusAndSystemVersion) {
  startSampleService();
  struct Case {
    bool enabled;
    sys::AuthorizationStatus status;
    const char* version;
    size_t requests;
  };
  using S = sys::AuthorizationStatus;
  const std::vector<Case> cases = {
      {true, S::AuthorizedWhenInUse, "8.0", 0},  {true, S::AuthorizedWhenInUse, "7.1", 0},
      {true, S::AuthorizedWhenInUse, "9.0", 1},  {true, S::NotDetermined, "8.0", 1},
      {true, S::Denied, "10.3", 2},              {false, S::AuthorizedWhenInUse, "9.0", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " status " + std::to_string(static_cast<int>(c.status)));
    auto services = sys::LocationServices::shared();
    services->reset();
    services->servicesEnabled = c.enabled;
    services->status = c.status;
    ui::Device::currentDevice()->setSystemVersion(rt::String(c.version));
    auto web = push(service->baseURL() + "/web/radio.html");
    EXPECT_EQ(services->count("requestWhenInUseAuthorization"), c.requests);
    bool tuned = c.enabled && c.status == S::AuthorizedWhenInUse;
    EXPECT_EQ(web->manager()->desiredAccuracy(),
              tuned ? sys::kLocationAccuracyBest : sys::kLocationAccuracyHundredMeters);
    EXPECT_EQ(web->manager()->distanceFilter(), tuned ? sys::kDistanceFilterNone : 30);
    EXPECT_EQ(services->count("startUpdatingLocation"), 1u);
    finishLoad(*web);
    window->setRootViewController(nullptr);
  }
}

}  // namespace
