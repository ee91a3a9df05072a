#include "platform/foundation/net/HTTPCookie.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/HTTPCookieStorage.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

double now() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

Ref<HTTPCookie> parseOne(const std::string& field, const std::string& url) {
  auto cookies = HTTPCookie::cookiesWithResponseHeaderFields({{"Set-Cookie", String(field.c_str())}}, urlOf(url));
  return cookies.size() == 1 ? cookies[0] : nullptr;
}

}  // namespace

TEST(HTTPCookie, ParsesSetCookieFields) {
  struct Case {
    std::string field, url;
    bool accepted;
    std::string name, value, domain, path;
    bool hostOnly = false, secure = false, httpOnly = false, session = true;
  } cases[] = {
      {"a=1", "http://news.example.org/x/y", true, "a", "1", "news.example.org", "/x", true},
      {"b=\"quoted\"; Path=/p; Secure; HttpOnly", "https://h.org/", true, "b", "quoted", "h.org", "/p", true, true,
       true},
      {"c=2; Domain=.Example.org; Path=/", "http://news.example.org/", true, "c", "2", "example.org", "/", false},
      {"d=3; Expires=Sun, 06 Nov 2094 08:49:37 GMT", "http://h.org/", true, "d", "3", "h.org", "/", true, false, false,
       false},
      {"e=4; Max-Age=600", "http://h.org/", true, "e", "4", "h.org", "/", true, false, false, false},
      {"f=5; Domain=other.org", "http://h.org/", false, "", "", "", ""},
      {"g=6; Domain=ample.org", "http://example.org/", false, "", "", "", ""},
      {"novalue", "http://h.org/", false, "", "", "", ""},
      {"=x", "http://h.org/", false, "", "", "", ""},
      {"h=7; Path=relative", "http://h.org/dir/page", true, "h", "7", "h.org", "/dir", true},
  };
  for (auto& c : cases) {
    auto cookie = parseOne(c.field, c.url);
    ASSERT_EQ(cookie != nullptr, c.accepted) << c.field;
    if (!cookie) continue;
    EXPECT_EQ(cookie->name(), String(c.name.c_str())) << c.field;
    EXPECT_EQ(cookie->value(), String(c.value.c_str())) << c.field;
    EXPECT_EQ(cookie->domain(), String(c.domain.c_str())) << c.field;
    EXPECT_EQ(cookie->path(), String(c.path.c_str())) << c.field;
    EXPECT_EQ(cookie->isHostOnly(), c.hostOnly) << c.field;
    EXPECT_EQ(cookie->isSecure(), c.secure) << c.field;
    EXPECT_EQ(cookie->isHTTPOnly(), c.httpOnly) << c.field;
    EXPECT_EQ(cookie->isSessionOnly(), c.session) << c.field;
  }
  auto dated = parseOne("d=3; Expires=Sun, 06 Nov 1994 08:49:37 GMT", "http://h.org/");
  ASSERT_TRUE(dated);
  EXPECT_EQ(*dated->expiresDate(), 784111777.0);
  auto aged = parseOne("e=1; Max-Age=600; Expires=Sun, 06 Nov 1994 08:49:37 GMT", "http://h.org/");
  ASSERT_TRUE(aged);
  EXPECT_NEAR(*aged->expiresDate(), now() + 600, 5);  // Max-Age wins over Expires
}

TEST(HTTPCookie, MatchesURLsByDomainPathAndScheme) {
  auto domainWide = HTTPCookie::create("a", "1", "example.org", "/docs");
  auto hostOnly = HTTPCookie::create("b", "2", "example.org", "/", std::nullopt, false, false, true);
  auto secure = HTTPCookie::create("c", "3", "example.org", "/", std::nullopt, true);
  auto expired = HTTPCookie::create("d", "4", "example.org", "/", now() - 10);
  struct Case {
    Ref<HTTPCookie> cookie;
    std::string url;
    bool matches;
  } cases[] = {
      {domainWide, "http://example.org/docs", true},
      {domainWide, "http://www.example.org/docs/page", true},
      {domainWide, "http://example.org/docsmore", false},
      {domainWide, "http://example.org/", false},
      {domainWide, "http://badexample.org/docs", false},
      {hostOnly, "http://example.org/any", true},
      {hostOnly, "http://www.example.org/any", false},
      {secure, "http://example.org/", false},
      {secure, "https://example.org/", true},
      {expired, "http://example.org/", false},
  };
  for (auto& c : cases) EXPECT_EQ(c.cookie->matchesURL(urlOf(c.url)), c.matches) << c.cookie->description().utf8() << " " << c.url;
  EXPECT_FALSE(HTTPCookie::create("bad name", "v", "h.org"));
  EXPECT_FALSE(HTTPCookie::create("n", "v;x", "h.org"));
  EXPECT_FALSE(HTTPCookie::create("n", "v", ""));
}

TEST(HTTPCookieStorage, ReplacesExpiresAndOrdersByPath) {
  auto jar = HTTPCookieStorage::create();
  jar->setCookie(HTTPCookie::create("s", "old", "h.org", "/"));
  jar->setCookie(HTTPCookie::create("s", "new", "h.org", "/"));
  jar->setCookie(HTTPCookie::create("deep", "1", "h.org", "/a/b"));
  jar->setCookie(HTTPCookie::create("other", "x", "elsewhere.org", "/"));
  ASSERT_EQ(jar->cookies().size(), 3u);
  auto forURL = jar->cookiesForURL(urlOf("http://h.org/a/b/c"));
  ASSERT_EQ(forURL.size(), 2u);
  EXPECT_EQ(forURL[0]->name(), String("deep"));
  EXPECT_EQ(forURL[1]->value(), String("new"));
  EXPECT_EQ(HTTPCookie::requestHeaderFieldsWithCookies(forURL), (HTTPHeaderList{{"Cookie", "deep=1; s=new"}}));
  EXPECT_TRUE(HTTPCookie::requestHeaderFieldsWithCookies({}).empty());

  // A cookie set already expired removes the one it names.
  jar->setCookie(HTTPCookie::create("s", "", "h.org", "/", now() - 1));
  EXPECT_EQ(jar->cookiesForURL(urlOf("http://h.org/")).size(), 0u);
  jar->deleteCookie(HTTPCookie::create("deep", "", "h.org", "/a/b"));
  EXPECT_EQ(jar->cookies().size(), 1u);
  jar->removeAllCookies();
  EXPECT_TRUE(jar->cookies().empty());
  EXPECT_EQ(HTTPCookieStorage::sharedHTTPCookieStorage(), HTTPCookieStorage::sharedHTTPCookieStorage());
}

namespace {

void load(const Ref<URLSession>& session, const Ref<URLRequest>& request) {
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  Ref<Error> error;
  session
      ->dataTaskWithRequest(request,
                            [&](Ref<Data>, Ref<URLResponse>, Ref<Error> e) {
                              std::lock_guard l(m);
                              error = e;
                              done = true;
                              cv.notify_all();
                            })
      ->resume();
  std::unique_lock l(m);
  ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(10), [&] { return done; }));
  EXPECT_EQ(error, nullptr);
}

}  // namespace

TEST(HTTPCookieStorage, SessionsSendAndStoreCookiesWhenAllowed) {
  TestServer server;
  Reply set = Reply::text("set");
  set.headers = {{"Set-Cookie", "sid=abc; Path=/"}, {"Set-Cookie", "theme=dark"}};
  server.route("/set", set);
  server.route("/echo", Reply::text("echo"));

  auto makeSession = [](const Ref<HTTPCookieStorage>& jar, bool configAllows) {
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    config->setURLCache(nullptr);
    config->setHTTPCookieStorage(jar);
    config->setHTTPShouldSetCookies(configAllows);
    return URLSession::sessionWithConfiguration(config);
  };
  auto request = [&](const std::string& path, bool handleCookies) {
    auto r = MutableURLRequest::requestWithURL(urlOf(server.url(path)));
    r->setHTTPShouldHandleCookies(handleCookies);
    return r;
  };
  struct Case {
    bool configAllows, requestAllows;
    size_t stored;
    std::optional<std::string> sent;
  } cases[] = {
      {true, true, 2, "sid=abc; theme=dark"},
      {true, false, 0, std::nullopt},
      {false, true, 0, std::nullopt},
  };
  for (auto& c : cases) {
    auto jar = HTTPCookieStorage::create();
    auto session = makeSession(jar, c.configAllows);
    load(session, request("/set", c.requestAllows));
    EXPECT_EQ(jar->cookies().size(), c.stored);
    jar->setCookie(HTTPCookie::create("sid", "abc", "127.0.0.1", "/"));
    jar->setCookie(HTTPCookie::create("theme", "dark", "127.0.0.1", "/", std::nullopt, false, false, true));
    load(session, request("/echo", c.requestAllows));
    EXPECT_EQ(server.requests().back().header("Cookie"), c.sent) << c.configAllows << c.requestAllows;
  }

  // Ephemeral configurations keep their cookies to themselves.
  auto first = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration());
  auto second = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration());
  load(first, request("/set", true));
  EXPECT_EQ(first->configuration()->HTTPCookieStorage()->cookies().size(), 2u);
  EXPECT_TRUE(second->configuration()->HTTPCookieStorage()->cookies().empty());
  load(second, request("/echo", true));
  EXPECT_EQ(server.requests().back().header("Cookie"), std::nullopt);
}
