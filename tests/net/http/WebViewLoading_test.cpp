#include <gtest/gtest.h>

#include "net/http/NKHTTPRequestOperation.h"
#include "net/http/ui/NKWebViewLoader.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/web/WebView.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

using namespace net;
using nettest::requestFor;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

struct Delegate : ui::WebViewDelegate {
  int started = 0, finished = 0;
  void webViewDidStartLoad(ui::WebView&) override { ++started; }
  void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
};

Reply page(const std::string& body, const std::string& type) {
  Reply r = Reply::text(body);
  r.contentType = type;
  return r;
}

}  // namespace

TEST(WebViewLoading, PageIsDecodedWithTheAnswersCharsetAndReencoded) {
  TestServer server;
  server.route("/latin1", page("<title>caf\xe9</title>", "text/html; charset=iso-8859-1"));
  server.route("/plain", page("<title>caf\xc3\xa9</title>", "text/html"));
  server.route("/bogus", page("<title>caf\xc3\xa9</title>", "text/html; charset=no-such-set"));
  // The edited page goes back in the answer's own charset (UTF-8 when it names none the
  // system knows), and the view reads it in that charset: the title shows the edit intact.
  for (const char* path : {"/latin1", "/plain", "/bogus"}) {
    SCOPED_TRACE(path);
    auto view = rt::make<ui::WebView>();
    auto delegate = std::make_shared<Delegate>();
    view->setDelegate(delegate);
    auto loader = NKWebViewLoader::loaderFor(view);
    std::optional<fd::String> seen;
    loader->loadRequest(
        requestFor(server.url(path)), nullptr,
        [&](const Ref<fd::HTTPURLResponse>&, const std::optional<fd::String>& s) -> std::optional<fd::String> {
          seen = s;
          return s ? std::optional<fd::String>(s->stringByReplacingOccurrencesOfString("</title>", "\xc3\xa0!</title>"))
                   : std::nullopt;
        },
        [](const Ref<fd::Error>& e) { ADD_FAILURE() << e->description().utf8(); });
    EXPECT_EQ(delegate->started, 1);  // told at once, before the answer
    ASSERT_TRUE(waitUntil([&] { return delegate->finished >= 1 && !view->pageTitle().isEmpty(); }));
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->utf8(), "<title>caf\xc3\xa9</title>");
    EXPECT_EQ(view->pageTitle().utf8(), "caf\xc3\xa9\xc3\xa0!");
    EXPECT_EQ(view->request()->URL()->absoluteString().utf8(), server.url(path));
  }
}

TEST(WebViewLoading, BytesFormOverridesTypeAndASecondLoadCancelsTheFirst) {
  TestServer server;
  Reply slow = page("<p>slow</p>", "text/html");
  slow.delayBeforeHeaders = 0.5;
  server.route("/slow", slow);
  server.route("/fast", page("<p>fast</p>", "application/octet-stream"));
  server.route("/broken", page("no", "text/html"));
  auto view = rt::make<ui::WebView>();
  auto delegate = std::make_shared<Delegate>();
  view->setDelegate(delegate);
  auto loader = NKWebViewLoader::loaderFor(view);

  loader->loadRequest(requestFor(server.url("/slow")), std::nullopt, std::nullopt, nullptr, nullptr, nullptr);
  auto first = loader->HTTPRequestOperation();
  Ref<fd::Data> given;
  // The answer says octet-stream, which the view would refuse; the caller's type wins.
  loader->loadRequest(requestFor(server.url("/fast")), fd::String("text/html"), fd::String("utf-8"), nullptr,
                      [&](const Ref<fd::HTTPURLResponse>&, const Ref<fd::Data>& d) {
                        given = d;
                        return d;
                      },
                      nullptr);
  EXPECT_TRUE(first->isCancelled());
  ASSERT_TRUE(waitUntil([&] { return delegate->finished >= 1; }));
  EXPECT_EQ(nettest::str(given), "<p>fast</p>");
  waitUntil([] { return false; }, 0.7);
  // The view reports its own data load too; the cancelled load adds nothing.
  const int finished = delegate->finished;
  EXPECT_LE(finished, 2);

  // A failed answer reaches only the failure handler.
  server.route("/broken", Reply::text("gone", 500));
  Ref<fd::Error> error;
  loader->loadRequest(requestFor(server.url("/broken")), nullptr, nullptr, [&](const Ref<fd::Error>& e) { error = e; });
  ASSERT_TRUE(waitUntil([&] { return error != nullptr; }));
  waitUntil([] { return false; }, 0.2);
  EXPECT_EQ(delegate->finished, finished);
}
