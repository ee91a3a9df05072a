// Loads, link taps, history and failures of the web view against the sample service: the
// delegate hears should-start / start / finish or fail, in that order, on the main thread.
#include <httplib.h>

#include "platform/foundation/net/URLError.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/text/StringEncoding.h"
#include "platform/ui/lists/RefreshControl.h"
#include "platform/ui/lists/ScrollView.h"
#include "tests/tools/web/WebViewFixture.h"

using namespace webtest;
using ui::WebViewNavigationType;

namespace {

const char* kLinkPage =
    "<html><head><meta name=\"viewport\" content=\"width=device-width\"></head>"
    "<body style=\"margin:0\"><a href=\"/web/radio.html\" style=\"display:block;font-size:40px;height:80px\">电台节目</a>"
    "<p>第二段</p></body></html>";

std::string type(WebViewNavigationType t) { return std::to_string(static_cast<int>(t)); }

}  // namespace

TEST_F(WebViewTest, TappedLinkAsksTheDelegateThenNavigatesAndHistoryGoesBackAndForth) {
  auto base = fd::URL::URLWithString(rt::String(url("/start/").c_str()));
  web->loadHTMLString(kLinkPage, base);
  EXPECT_TRUE(web->isLoading());
  ASSERT_TRUE(waitForLoad());
  ASSERT_EQ(recorder->events,
            (std::vector<std::string>{"should:" + type(WebViewNavigationType::Other) + ":" + url("/start/"), "start",
                                      "finish"}));
  EXPECT_EQ(web->request()->URL()->absoluteString().utf8(), url("/start/"));
  EXPECT_FALSE(web->canGoBack());

  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.tap({60, 64 + 30});
  // The navigation starts on the next turn, after the engine's tap handling.
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return recorder->count("should:") == 2; }, 5));
  ASSERT_TRUE(waitForLoad());
  std::string radio = url("/web/radio.html");
  EXPECT_EQ(recorder->events[3], "should:" + type(WebViewNavigationType::LinkClicked) + ":" + radio);
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_EQ(web->pageTitle(), rt::String("907调频"));
  EXPECT_EQ(web->request()->URL()->absoluteString().utf8(), radio);
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());

  web->goBack();
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events[recorder->events.size() - 3],
            "should:" + type(WebViewNavigationType::BackForward) + ":" + url("/start/"));
  EXPECT_EQ(web->pageTitle(), rt::String(""));
  EXPECT_FALSE(web->canGoBack());
  EXPECT_TRUE(web->canGoForward());

  web->goForward();
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(web->pageTitle(), rt::String("907调频"));
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());

  web->reload();
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events[recorder->events.size() - 3], "should:" + type(WebViewNavigationType::Reload) + ":" + radio);
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(recorder->offMainThread);
  // Every start was followed by exactly one end.
  EXPECT_EQ(recorder->count("start"), recorder->count("finish"));
}

TEST_F(WebViewTest, RefusedNavigationLoadsNothing) {
  recorder->refuseNext = true;
  load("/web/radio.html");
  EXPECT_FALSE(web->isLoading());
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->events.size(), 1u);
  EXPECT_EQ(web->request(), nullptr);
}

TEST_F(WebViewTest, FailedPageCallsTheFailurePathAndKeepsWhatWasShown) {
  web->loadHTMLString("<p>旧页面</p>", nullptr);
  ASSERT_TRUE(waitForLoad());
  double shownHeight = web->pageSize().height;
  // A missing page (404), then a server that is not there.
  load("/web/article/none.html");
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorBadServerResponse));
  EXPECT_EQ(web->pageSize().height, shownHeight);
  web->loadRequest(fd::URLRequest::requestWithURL(fd::URL::URLWithString("http://127.0.0.1:1/")));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorCannotConnectToHost));
  EXPECT_EQ(recorder->count("start"), 3u);
  EXPECT_EQ(recorder->count("finish") + recorder->count("fail"), 3u);
  // A request without a URL (an address that formed none) fails too.
  web->loadRequest(fd::URLRequest::requestWithURL(fd::URL::URLWithString("")));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorBadURL));
}

TEST_F(WebViewTest, RequestTimeOutAndStopLoadingEndTheLoadAsFailures) {
  sampletest::RunningService slow({.failMode = sample::FailMode::Slow, .slowMilliseconds = 3000});
  auto late = fd::URL::URLWithString(rt::String((slow.server().baseURL() + "/api.php/app/nothing").c_str()));
  web->loadRequest(fd::URLRequest::requestWithURL(late, fd::URLRequestCachePolicy::UseProtocolCachePolicy, 0.5));
  ASSERT_TRUE(waitForLoad(10));
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorTimedOut));

  web->loadRequest(fd::URLRequest::requestWithURL(late));
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return recorder->count("start") == 2; }, 5));
  web->stopLoading();
  EXPECT_FALSE(web->isLoading());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorCancelled));
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(recorder->count("fail"), 2u);
}

TEST_F(WebViewTest, DataLoadsDecodeTheirTextEncodingAndResolveAgainstTheBase) {
  // GB18030 bytes of a page taller than the view whose picture is relative to the base address.
  std::string text;
  for (int i = 0; i < 80; ++i) text += "<p>编码测试</p>";
  std::string html = "<html><body>" + text + "<img src=\"pictures/photo/p1.gif\"></body></html>";
  auto gb = fd::dataUsingEncoding(rt::String(html.c_str()), fd::encodingForIANACharsetName("gb18030"));
  ASSERT_TRUE(gb);
  web->loadData(gb, "text/html", "gb18030", fd::URL::URLWithString(rt::String(url("/").c_str())));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  double withPicture = web->pageSize().height;
  // The same page without the picture is shorter: the relative picture arrived and was laid out.
  web->loadHTMLString(rt::String(("<html><body>" + text + "</body></html>").c_str()), nullptr);
  ASSERT_TRUE(waitForLoad());
  EXPECT_GT(web->pageSize().height, web->bounds().size.height + 100);
  // 500 pixels of picture on a page scaled from 980 to 375 points.
  EXPECT_NEAR(withPicture - web->pageSize().height, 500 * 375.0 / 980, 10);

  // A kind of data the view cannot show fails the load.
  web->loadData(fd::Data::create(std::string_view("\x01\x02")), "application/octet-stream", "", nullptr);
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorCannotDecodeContentData));
}

TEST_F(WebViewTest, MalformedMarkupRendersWhatItCan) {
  web->loadHTMLString("<html><body><p>未闭合<b>粗体<div><table><tr><td>格</p></span>", nullptr);
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_GT(web->pageSize().height, 10);
}

namespace {
class ScrollRecorder : public ui::ScrollViewDelegate {
 public:
  int scrolls = 0;
  void scrollViewDidScroll(ui::ScrollView&) override { ++scrolls; }
};
}  // namespace

TEST_F(WebViewTest, PageSitsInTheScrollViewWhoseWidthFollowsTheView) {
  auto scrollDelegate = std::make_shared<ScrollRecorder>();
  web->scrollView()->setDelegate(scrollDelegate);
  std::string body = "<html><body>";
  for (int i = 0; i < 60; ++i) body += "<p>第" + std::to_string(i) + "段落，文字在这里，一行放不下的长句子。</p>";
  body += "</body></html>";
  web->loadHTMLString(rt::String(body.c_str()), nullptr);
  ASSERT_TRUE(waitForLoad());
  // Without a device-width viewport a fitted page is laid out at the desktop width and
  // scaled down to the view.
  gfx::Size fitted = web->pageSize();
  EXPECT_NEAR(fitted.width, 375, 1);
  EXPECT_EQ(web->scrollView()->contentSize().height, fitted.height);
  web->scrollView()->setContentOffset({0, 200});
  EXPECT_GT(scrollDelegate->scrolls, 0);
  // Not fitted, the page is laid out at the view's width: larger type, a taller page.
  web->setScalesPageToFit(false);
  gfx::Size plain = web->pageSize();
  EXPECT_GT(plain.height, fitted.height * 1.5);
  // A narrower view lays the page out again at its width.
  web->setFrame(gfx::RectMake(0, 64, 200, 400));
  web->layoutIfNeeded();
  EXPECT_NEAR(web->pageSize().width, 200, 1);
  EXPECT_GT(web->pageSize().height, plain.height);
}

TEST_F(WebViewTest, RequestCachePolicyIsHonoured) {
  auto picture = fd::URL::URLWithString(rt::String(url("/pictures/photo/p7.jpg").c_str()));
  using Policy = fd::URLRequestCachePolicy;
  // Nothing cached yet: a cache-only load fails without asking the server.
  web->loadRequest(fd::URLRequest::requestWithURL(picture, Policy::ReturnCacheDataDontLoad, 10));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "fail:" + std::to_string(fd::NSURLErrorResourceUnavailable));
  // Loaded once (the service lets pictures be cached for a day), it then comes from the cache.
  web->loadRequest(fd::URLRequest::requestWithURL(picture));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  gfx::Size shown = web->pageSize();
  web->loadRequest(fd::URLRequest::requestWithURL(picture, Policy::ReturnCacheDataDontLoad, 10));
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events.back(), "finish");
  EXPECT_EQ(web->pageSize(), shown);
}

TEST_F(WebViewTest, ScrollViewHostsAPullDownHeaderThatReloadsThePage) {
  auto refresh = rt::make<ui::RefreshControl>();
  web->scrollView()->addSubview(refresh);
  std::weak_ptr<ui::WebView> weakWeb = web;
  int pulls = 0;
  refresh->addTarget(
      refresh,
      [&pulls, weakWeb](ui::Control&, ui::Event*) {
        ++pulls;
        if (auto w = weakWeb.lock()) w->reload();
      },
      ui::ControlEventValueChanged);
  load("/web/radio.html");
  ASSERT_TRUE(waitForLoad());
  // The page's bands go beneath the header, which stays on top.
  const auto& subs = web->scrollView()->subviews();
  ASSERT_GT(subs.size(), 1u);
  EXPECT_EQ(subs.back(), refresh);

  ui::HeadlessHost host(ui::Screen::mainScreen());
  host.setWindowSource([this] { return std::vector<Ref<ui::Window>>{window}; });
  host.drag({187, 150}, {187, 450}, 0.4);
  EXPECT_EQ(pulls, 1);
  EXPECT_TRUE(refresh->isRefreshing());
  ASSERT_TRUE(waitForLoad());
  EXPECT_EQ(recorder->events[recorder->events.size() - 3],
            "should:" + type(WebViewNavigationType::Reload) + ":" + url("/web/radio.html"));
  EXPECT_EQ(recorder->events.back(), "finish");
  // The reloaded page stays where it was: the list settles with the header revealed.
  auto sv = web->scrollView();
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return !sv->isDecelerating() && !sv->isDragging(); }, 5));
  ASSERT_TRUE(fd::RunLoopDriver::runUntil([&] { return sv->contentOffset().y == -sv->contentInset().top; }, 5));
  EXPECT_EQ(sv->contentInset().top, ui::RefreshControl::kHeight);
  refresh->endRefreshing();
  EXPECT_EQ(web->scrollView()->subviews().back(), refresh);
}
