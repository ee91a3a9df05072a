#include "platform/foundation/net/URLCache.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLConnection.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlcache_test {

using namespace fd;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    path_ = fs::temp_directory_path() / ("net2-cache-" + std::to_string(::getpid()) + "-" + std::to_string(++count_));
    fs::remove_all(path_);
  }
  ~TempFolder() { fs::remove_all(path_); }
  String path() const { return String(path_.string().c_str()); }
  size_t files() const {
    if (!fs::exists(path_)) return 0;
    return static_cast<size_t>(std::distance(fs::directory_iterator(path_), fs::directory_iterator()));
  }
  const fs::path& fsPath() const { return path_; }

 private:
  static inline int count_ = 0;
  fs::path path_;
};

std::string text(const Ref<Data>& d) { return d ? std::string(reinterpret_cast<const char*>(d->bytes()), d->length()) : ""; }

Ref<MutableURLRequest> request(const std::string& url,
                               URLRequestCachePolicy policy = URLRequestCachePolicy::UseProtocolCachePolicy) {
  auto r = MutableURLRequest::requestWithURL(urlOf(url));
  r->setCachePolicy(policy);
  return r;
}

Ref<CachedURLResponse> entry(const std::string& url, const std::string& body, HTTPHeaderList headers = {},
                             URLCacheStoragePolicy policy = URLCacheStoragePolicy::Allowed, int64_t status = 200) {
  auto response = HTTPURLResponse::create(urlOf(url), status, String("HTTP/1.1"), std::move(headers));
  return rt::make<CachedURLResponse>(response, Data::create(std::string_view(body)), policy);
}

}  // namespace

TEST(URLCache, DiskEntriesOutliveTheCacheObject) {
  TempFolder dir;
  const std::string url = "http://127.0.0.1/a?x=1";
  {
    auto cache = URLCache::create(1 << 20, 1 << 20, dir.path());
    cache->storeCachedResponse(entry(url, "stored body", {{"Content-Type", "text/plain"}, {"X-Tag", "v"}}),
                               request(url));
    EXPECT_EQ(cache->currentMemoryUsage(), 11);
  }
  auto again = URLCache::create(1 << 20, 1 << 20, dir.path());
  EXPECT_GT(again->currentDiskUsage(), 11);
  auto hit = again->cachedResponseForRequest(request(url));
  ASSERT_TRUE(hit);
  EXPECT_EQ(text(hit->data()), "stored body");
  auto http = std::dynamic_pointer_cast<HTTPURLResponse>(hit->response());
  ASSERT_TRUE(http);
  EXPECT_EQ(http->statusCode(), 200);
  EXPECT_EQ(http->valueForHTTPHeaderField("X-Tag"), String("v"));
  EXPECT_EQ(http->URL()->absoluteString(), String(url.c_str()));
  EXPECT_FALSE(again->cachedResponseForRequest(request("http://127.0.0.1/a?x=2")));
}

TEST(URLCache, PolicyAndFreshnessDecideUse) {
  struct Case {
    const char* cacheControl;
    URLRequestCachePolicy policy;
    bool usable;
  } cases[] = {
      {nullptr, URLRequestCachePolicy::UseProtocolCachePolicy, false},  // nothing says it is fresh
      {nullptr, URLRequestCachePolicy::ReturnCacheDataElseLoad, true},
      {"max-age=3600", URLRequestCachePolicy::UseProtocolCachePolicy, true},
      {"public, max-age=0", URLRequestCachePolicy::UseProtocolCachePolicy, false},
      {"no-cache", URLRequestCachePolicy::UseProtocolCachePolicy, false},
      {"no-cache", URLRequestCachePolicy::ReturnCacheDataElseLoad, true},
      {"max-age=0", URLRequestCachePolicy::ReturnCacheDataDontLoad, true},
      {nullptr, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, false},
      {nullptr, URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData, false},
  };
  auto cache = URLCache::create(1 << 20, 0, String());
  for (auto& c : cases) {
    const std::string url = "http://127.0.0.1/fresh";
    HTTPHeaderList headers;
    if (c.cacheControl) headers.emplace_back("Cache-Control", c.cacheControl);
    cache->storeCachedResponse(entry(url, "b", headers), request(url));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(cache->usableResponseForRequest(request(url, c.policy)) != nullptr, c.usable)
        << (c.cacheControl ? c.cacheControl : "-") << " policy " << static_cast<int>(c.policy);
  }
}

namespace {

// An HTTP date `offset` seconds from now, in `format` (strftime, GMT).
std::string httpDate(long offset, const char* format = "%a, %d %b %Y %H:%M:%S GMT") {
  time_t t = ::time(nullptr) + offset;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}

}  // namespace

// Without max-age, an answer is fresh for its Expires less its Date (RFC 9111 4.2.1), whatever
// the server's clock says against ours; an Expires that is not a date is already stale.
TEST(URLCache, ExpiresLessDateIsTheLifetimeWithoutMaxAge) {
  struct Case {
    const char* name;
    std::optional<std::string> cacheControl, expires, date;
    bool fresh;
  } cases[] = {
      {"a minute ahead", std::nullopt, httpDate(60), httpDate(0), true},
      {"a minute ahead, no Date", std::nullopt, httpDate(60), std::nullopt, true},
      {"a minute ahead, Date not a date", std::nullopt, httpDate(60), "yesterday", true},
      {"a minute past", std::nullopt, httpDate(-60), httpDate(0), false},
      {"equal to Date", std::nullopt, httpDate(0), httpDate(0), false},
      // The server's clock is an hour behind: its Expires is past by ours, yet a minute ahead of its Date.
      {"behind clock", std::nullopt, httpDate(-3540), httpDate(-3600), true},
      {"ahead clock", std::nullopt, httpDate(3630), httpDate(3600), true},
      {"expires before Date", std::nullopt, httpDate(-3600), httpDate(0), false},
      {"obsolete dashed form", std::nullopt, httpDate(60, "%A, %d-%b-%y %H:%M:%S GMT"), httpDate(0), true},
      {"C library form", std::nullopt, httpDate(60, "%a %b %e %H:%M:%S %Y"), httpDate(0), true},
      {"zero", std::nullopt, "0", httpDate(0), false},
      {"not a date", std::nullopt, "soon", httpDate(0), false},
      {"empty", std::nullopt, "", httpDate(0), false},
      {"no zone", std::nullopt, httpDate(60, "%a, %d %b %Y %H:%M:%S"), httpDate(0), false},
      {"max-age wins over a later Expires", "max-age=0", httpDate(600), httpDate(0), false},
      {"max-age wins over a bad Expires", "max-age=600", "0", httpDate(0), true},
      {"no-cache wins", "no-cache", httpDate(600), httpDate(0), false},
  };
  auto cache = URLCache::create(1 << 20, 0, String());
  for (auto& c : cases) {
    const std::string url = "http://127.0.0.1/expires";
    HTTPHeaderList headers;
    if (c.cacheControl) headers.emplace_back("Cache-Control", c.cacheControl->c_str());
    if (c.expires) headers.emplace_back("Expires", c.expires->c_str());
    if (c.date) headers.emplace_back("Date", c.date->c_str());
    cache->storeCachedResponse(entry(url, "b", headers), request(url));
    EXPECT_EQ(cache->usableResponseForRequest(request(url)) != nullptr, c.fresh) << c.name;
  }
}

TEST(URLCache, WhatIsNeverStored) {
  EXPECT_TRUE(URLCache::isStorable(entry("http://h/", "")->response()));
  EXPECT_FALSE(URLCache::isStorable(entry("http://h/", "", {{"Cache-Control", "private, no-store"}})->response()));
  EXPECT_FALSE(URLCache::isStorable(entry("http://h/", "", {}, URLCacheStoragePolicy::Allowed, 404)->response()));

  TempFolder dir;
  auto cache = URLCache::create(1 << 20, 1 << 20, dir.path());
  auto post = request("http://127.0.0.1/p");
  post->setHTTPMethod("POST");
  cache->storeCachedResponse(entry("http://127.0.0.1/p", "x"), post);
  EXPECT_FALSE(cache->cachedResponseForRequest(post));
  cache->storeCachedResponse(entry("http://127.0.0.1/n", "x", {}, URLCacheStoragePolicy::NotAllowed),
                             request("http://127.0.0.1/n"));
  EXPECT_FALSE(cache->cachedResponseForRequest(request("http://127.0.0.1/n")));
  cache->storeCachedResponse(entry("http://127.0.0.1/m", "x", {}, URLCacheStoragePolicy::AllowedInMemoryOnly),
                             request("http://127.0.0.1/m"));
  EXPECT_TRUE(cache->cachedResponseForRequest(request("http://127.0.0.1/m")));
  EXPECT_EQ(dir.files(), 0u);
}

TEST(URLCache, RemovalAndCapacity) {
  TempFolder dir;
  auto cache = URLCache::create(10, 1 << 20, dir.path());
  for (int i = 0; i < 3; ++i) {
    std::string url = "http://127.0.0.1/" + std::to_string(i);
    cache->storeCachedResponse(entry(url, "12345"), request(url));
  }
  // Memory holds two 5-byte bodies; all three are on disk.
  EXPECT_EQ(cache->currentMemoryUsage(), 10);
  EXPECT_EQ(dir.files(), 3u);
  EXPECT_TRUE(cache->cachedResponseForRequest(request("http://127.0.0.1/0")));

  cache->removeCachedResponseForRequest(request("http://127.0.0.1/1"));
  EXPECT_FALSE(cache->cachedResponseForRequest(request("http://127.0.0.1/1")));
  EXPECT_EQ(dir.files(), 2u);

  cache->removeAllCachedResponses();
  EXPECT_EQ(cache->currentMemoryUsage(), 0);
  EXPECT_EQ(cache->currentDiskUsage(), 0);
  EXPECT_FALSE(cache->cachedResponseForRequest(request("http://127.0.0.1/0")));

  // A small disk keeps the newest entries only.
  TempFolder small;
  auto tight = URLCache::create(0, 400, small.path());
  for (int i = 0; i < 6; ++i) {
    std::string url = "http://127.0.0.1/d" + std::to_string(i);
    tight->storeCachedResponse(entry(url, std::string(100, 'd')), request(url));
  }
  EXPECT_LE(tight->currentDiskUsage(), 400);
  EXPECT_TRUE(tight->cachedResponseForRequest(request("http://127.0.0.1/d5")));
  EXPECT_FALSE(tight->cachedResponseForRequest(request("http://127.0.0.1/d0")));
}

TEST(URLCache, DamagedFilesReadAsMisses) {
  TempFolder dir;
  const std::string url = "http://127.0.0.1/damaged";
  URLCache::create(1 << 20, 1 << 20, dir.path())->storeCachedResponse(entry(url, std::string(300, 'q')), request(url));
  ASSERT_EQ(dir.files(), 1u);
  auto file = fs::directory_iterator(dir.fsPath())->path();
  auto size = fs::file_size(file);
  for (auto cut : {size - 1, size / 2, uintmax_t{5}, uintmax_t{0}}) {
    fs::resize_file(file, cut);
    EXPECT_FALSE(URLCache::create(1 << 20, 1 << 20, dir.path())->cachedResponseForRequest(request(url))) << cut;
  }
  std::ofstream(file, std::ios::binary) << "KDURLCACHE1\n99999999999\nzz";
  EXPECT_FALSE(URLCache::create(1 << 20, 1 << 20, dir.path())->cachedResponseForRequest(request(url)));
}

TEST(URLCache, SharedCacheCanBeReplaced) {
  auto original = URLCache::sharedURLCache();
  ASSERT_TRUE(original);
  EXPECT_EQ(URLCache::sharedURLCache(), original);
  auto mine = URLCache::create(100, 0, String());
  URLCache::setSharedURLCache(mine);
  EXPECT_EQ(URLCache::sharedURLCache(), mine);
  EXPECT_EQ(URLSessionConfiguration::defaultSessionConfiguration()->URLCache(), mine);
  EXPECT_NE(URLSessionConfiguration::ephemeralSessionConfiguration()->URLCache(), mine);
  URLCache::setSharedURLCache(original);
}

namespace {

struct Result {
  std::string body;
  int64_t code = 0;  // error code, 0 for none
};

Result load(const Ref<URLSession>& session, const Ref<URLRequest>& r) {
  std::mutex m;
  std::condition_variable cv;
  std::optional<Result> result;
  session
      ->dataTaskWithRequest(r,
                            [&](Ref<Data> d, Ref<URLResponse>, Ref<Error> e) {
                              std::lock_guard l(m);
                              result = Result{text(d), e ? e->code() : 0};
                              cv.notify_all();
                            })
      ->resume();
  std::unique_lock l(m);
  EXPECT_TRUE(cv.wait_for(l, std::chrono::seconds(10), [&] { return result.has_value(); }));
  return result.value_or(Result{"", -1});
}

}  // namespace

TEST(URLCache, SessionLoadsUseTheConfigurationsCache) {
  TestServer server;
  std::atomic<int> hits{0};  // consecutive requests may be served on different threads
  server.route("/page", [&hits](const httplib::Request& req, httplib::Response& res) {
    res.set_content("page " + std::to_string(++hits), "text/plain");
    res.set_header("Cache-Control", req.has_param("nostore") ? "no-store" : "max-age=600");
  });
  auto config = URLSessionConfiguration::defaultSessionConfiguration();
  auto cache = URLCache::create(1 << 20, 0, String());
  config->setURLCache(cache);
  auto session = URLSession::sessionWithConfiguration(config);
  const std::string url = server.url("/page");

  struct Step {
    std::string url;
    URLRequestCachePolicy policy;
    std::string body;
    int64_t code;
  } steps[] = {
      {url, URLRequestCachePolicy::UseProtocolCachePolicy, "page 1", 0},
      {url, URLRequestCachePolicy::UseProtocolCachePolicy, "page 1", 0},  // from the cache
      {url, URLRequestCachePolicy::ReloadIgnoringLocalCacheData, "page 2", 0},  // reloaded and stored
      {url, URLRequestCachePolicy::ReturnCacheDataDontLoad, "page 2", 0},
      {url, URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData, "page 3", 0},  // not stored
      {url, URLRequestCachePolicy::ReturnCacheDataElseLoad, "page 2", 0},
      {url + "?nostore=1", URLRequestCachePolicy::UseProtocolCachePolicy, "page 4", 0},
      {url + "?nostore=1", URLRequestCachePolicy::UseProtocolCachePolicy, "page 5", 0},
      {url + "?other=1", URLRequestCachePolicy::ReturnCacheDataDontLoad, "", NSURLErrorResourceUnavailable},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    auto r = load(session, request(steps[i].url, steps[i].policy));
    EXPECT_EQ(r.body, steps[i].body) << "step " << i;
    EXPECT_EQ(r.code, steps[i].code) << "step " << i;
  }
  EXPECT_EQ(server.requestCount(), 5u);

  cache->removeAllCachedResponses();
  EXPECT_EQ(load(session, request(url)).body, "page 6");
}

namespace {

/// Answers willCacheResponse as told: keep, substitute or refuse.
class CacheDecider : public URLSessionDelegate {
  RT_CLASS(CacheDecider, URLSessionDelegate)
 public:
  void init() {}
  enum class Answer { Keep, Substitute, Refuse } answer = Answer::Keep;
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::string> events;
  bool done = false;
  void willCacheResponse(const Ref<URLSession>&, const Ref<URLSessionDataTask>&,
                         const Ref<CachedURLResponse>& proposed, CacheHandler handler) override {
    {
      std::lock_guard l(m);
      events.push_back("will-cache " + text(proposed->data()));
    }
    if (answer == Answer::Keep) return handler(proposed);
    if (answer == Answer::Refuse) return handler(nullptr);
    handler(rt::make<CachedURLResponse>(proposed->response(), Data::create(std::string_view("substitute"))));
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>&) override {
    std::lock_guard l(m);
    events.push_back("complete");
    done = true;
    cv.notify_all();
  }
};

RT_IMPLEMENT(CacheDecider) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kWillCacheResponse,
                                          URLSessionDelegate::kDidCompleteWithError});
}

}  // namespace

TEST(URLCache, DelegateDecidesWhatIsStored) {
  TestServer server;
  server.route("/doc", testsupport::Reply::text("original"));
  struct Case {
    CacheDecider::Answer answer;
    std::optional<std::string> stored;
  } cases[] = {
      {CacheDecider::Answer::Keep, "original"},
      {CacheDecider::Answer::Substitute, "substitute"},
      {CacheDecider::Answer::Refuse, std::nullopt},
  };
  for (auto& c : cases) {
    auto d = rt::make<CacheDecider>();
    d->answer = c.answer;
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    auto cache = URLCache::create(1 << 20, 0, String());
    config->setURLCache(cache);
    auto session = URLSession::sessionWithConfiguration(config, d);
    session->dataTaskWithRequest(request(server.url("/doc")))->resume();
    std::unique_lock l(d->m);
    ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->done; }));
    EXPECT_EQ(d->events, (std::vector<std::string>{"will-cache original", "complete"}));
    auto hit = cache->cachedResponseForRequest(request(server.url("/doc")));
    EXPECT_EQ(hit ? std::optional<std::string>(text(hit->data())) : std::nullopt, c.stored);
  }
}

namespace {

// The shared URL cache replaced by a memory-only one for the test's lifetime.
class SharedCacheSwap {
 public:
  explicit SharedCacheSwap(Ref<URLCache> mine = URLCache::create(1 << 20, 0, String()))
      : cache(std::move(mine)), saved_(URLCache::sharedURLCache()) {
    URLCache::setSharedURLCache(cache);
  }
  ~SharedCacheSwap() { URLCache::setSharedURLCache(saved_); }
  Ref<URLCache> cache;

 private:
  Ref<URLCache> saved_;
};

Ref<testsupport::ConnectionRecorder> connect(const Ref<URLRequest>& r) {
  auto d = rt::make<testsupport::ConnectionRecorder>();
  auto c = URLConnection::create(r, d, false);
  EXPECT_TRUE(c);
  c->scheduleInRunLoop(RunLoop::currentRunLoop(), NSDefaultRunLoopMode);
  c->start();
  EXPECT_TRUE(testsupport::runLoopUntil([&] { return d->done; }, 10));
  return d;
}

}  // namespace

// A connection follows the request's cache policy with the shared URL cache: a fresh stored
// answer is served without a request, a stale one is checked with its ETag or Last-Modified
// and a 304 serves it again, and the delegate is asked to cache only what the server sent and
// the cache may keep.
TEST(URLCache, ConnectionLoadsUseTheSharedCache) {
  SharedCacheSwap shared;
  TestServer server;
  std::mutex m;
  int served = 0;
  std::vector<std::string> conditions;
  auto handler = [&](const std::string& cacheControl, bool etag, bool dated) {
    return [&, cacheControl, etag, dated](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard l(m);
      std::string asked = req.get_header_value("If-None-Match") + "|" + req.get_header_value("If-Modified-Since");
      conditions.push_back(asked);
      res.set_header("Cache-Control", cacheControl);
      if (etag) res.set_header("ETag", "\"v1\"");
      if (dated) res.set_header("Last-Modified", "Tue, 01 Dec 2026 10:00:00 GMT");
      if ((etag && req.get_header_value("If-None-Match") == "\"v1\"") ||
          (dated && req.get_header_value("If-Modified-Since") == "Tue, 01 Dec 2026 10:00:00 GMT")) {
        res.status = 304;
        return;
      }
      res.set_content("body " + std::to_string(++served), "text/plain");
    };
  };
  server.route("/fresh", handler("max-age=600", false, false));
  server.route("/etag", handler("no-cache", true, false));
  server.route("/dated", handler("max-age=0", false, true));
  server.route("/plain", handler("no-cache", false, false));
  const std::vector<std::string> network{"willSend", "response", "data", "cache", "finish"};
  const std::vector<std::string> fromCache{"willSend", "response", "data", "finish"};
  using P = URLRequestCachePolicy;
  struct Step {
    const char* path;
    P policy;
    std::string body;
    bool fromNetwork;
    std::string condition;  // what the server was asked, when it was
    bool offered = true;    // to the delegate for caching, when from the network
  } steps[] = {
      {"/fresh", P::UseProtocolCachePolicy, "body 1", true, "|"},
      {"/fresh", P::UseProtocolCachePolicy, "body 1", false, ""},  // fresh: no request
      {"/etag", P::UseProtocolCachePolicy, "body 2", true, "|"},
      {"/etag", P::UseProtocolCachePolicy, "body 2", false, "\"v1\"|"},  // checked, 304
      {"/dated", P::UseProtocolCachePolicy, "body 3", true, "|"},
      {"/dated", P::ReloadRevalidatingCacheData, "body 3", false, "|Tue, 01 Dec 2026 10:00:00 GMT"},
      {"/plain", P::UseProtocolCachePolicy, "body 4", true, "|"},
      {"/plain", P::UseProtocolCachePolicy, "body 5", true, "|"},  // nothing to check with: loaded
      {"/plain", P::ReturnCacheDataElseLoad, "body 5", false, ""},
      {"/fresh", P::ReloadIgnoringLocalCacheData, "body 6", true, "|"},  // reloaded and stored
      {"/fresh", P::ReturnCacheDataDontLoad, "body 6", false, ""},
      {"/fresh", P::ReloadIgnoringLocalAndRemoteCacheData, "body 7", true, "|", false},  // not stored
      {"/fresh", P::UseProtocolCachePolicy, "body 6", false, ""},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(testing::Message() << "step " << i << " " << steps[i].path);
    size_t before = [&] {
      std::lock_guard l(m);
      return conditions.size();
    }();
    auto d = connect(request(server.url(steps[i].path), steps[i].policy));
    EXPECT_EQ(d->body, steps[i].body);
    EXPECT_EQ(d->events, steps[i].fromNetwork && steps[i].offered ? network : fromCache);
    ASSERT_TRUE(d->response);
    EXPECT_EQ(rt::as<HTTPURLResponse>(d->response)->statusCode(), 200);
    std::lock_guard l(m);
    if (steps[i].condition.empty()) {
      EXPECT_EQ(conditions.size(), before) << "asked the server";
    } else {
      ASSERT_EQ(conditions.size(), before + 1);
      EXPECT_EQ(conditions.back(), steps[i].condition);
    }
  }
  // Nothing stored for the address: the cache-only policy fails.
  auto missing = connect(request(server.url("/fresh?other"), P::ReturnCacheDataDontLoad));
  ASSERT_TRUE(missing->error);
  EXPECT_EQ(missing->error->code(), NSURLErrorResourceUnavailable);
}

namespace {

/// Refuses, when told to, to let the answer be cached.
class CacheRefuser : public testsupport::ConnectionRecorder {
 public:
  bool refuse = true;
  Ref<CachedURLResponse> willCacheResponse(const Ref<URLConnection>& c, const Ref<CachedURLResponse>& r) override {
    auto proposed = ConnectionRecorder::willCacheResponse(c, r);
    return refuse ? nullptr : proposed;
  }
};

}  // namespace

// What the delegate answers to willCacheResponse is what the shared cache keeps.
TEST(URLCache, ConnectionDelegateDecidesWhatIsStored) {
  SharedCacheSwap shared;
  TestServer server;
  server.route("/doc", testsupport::Reply::text("original"));
  for (bool refuse : {true, false}) {
    auto d = rt::make<CacheRefuser>();
    d->refuse = refuse;
    auto c = URLConnection::create(request(server.url("/doc")), d, false);
    ASSERT_TRUE(c);
    c->start();
    ASSERT_TRUE(testsupport::runLoopUntil([&] { return d->done; }, 10));
    EXPECT_EQ(d->body, "original");
    auto hit = shared.cache->cachedResponseForRequest(request(server.url("/doc")));
    EXPECT_EQ(hit ? std::optional<std::string>(text(hit->data())) : std::nullopt,
              refuse ? std::nullopt : std::optional<std::string>("original"));
  }
  EXPECT_EQ(server.requestCount(), 2u);
}

namespace {

Result load(const Ref<URLRequest>& r) {
  auto d = connect(r);
  return Result{d->body, d->error ? d->error->code() : 0};
}

}  // namespace

// Connections and sessions alike answer from the cache while an Expires holds, ask the server
// again for a bad one, and keep nothing the server says not to store, not even when a 304
// says so of what was stored before.
TEST(URLCache, ExpiresSparesTheServerAndNoStoreKeepsNothing) {
  SharedCacheSwap shared;
  TestServer server;
  std::atomic<int> hits{0};
  server.route("/doc", [&hits](const httplib::Request& req, httplib::Response& res) {
    std::string kind = req.get_param_value("kind");
    res.set_header("Date", httpDate(0));
    if (kind == "ahead") res.set_header("Expires", httpDate(60));
    if (kind == "invalid") res.set_header("Expires", "0");
    if (kind == "no-store") {
      res.set_header("Expires", httpDate(60));
      res.set_header("Cache-Control", "no-store");
    }
    if (kind == "revoked") {
      res.set_header("ETag", "\"r1\"");
      res.set_header("Cache-Control", req.has_header("If-None-Match") ? "no-store" : "no-cache");
      if (req.get_header_value("If-None-Match") == "\"r1\"") {
        ++hits;
        res.status = 304;
        return;
      }
    }
    res.set_content(kind + " " + std::to_string(++hits), "text/plain");
  });
  auto config = URLSessionConfiguration::defaultSessionConfiguration();
  config->setURLCache(shared.cache);
  auto session = URLSession::sessionWithConfiguration(config);
  struct Case {
    const char* kind;
    std::string secondBody;
    int hits;  // for two loads
    bool storedAfter;
    bool connectionOnly;  // sessions ask no conditional requests
  } cases[] = {
      {"ahead", "ahead 1", 1, true, false},
      {"invalid", "invalid 2", 2, true, false},
      {"no-store", "no-store 2", 2, false, false},
      {"revoked", "revoked 1", 2, false, true},  // the second answer is a 304 that forbids storing
  };
  for (bool bySession : {false, true}) {
    for (auto& c : cases) {
      if (bySession && c.connectionOnly) continue;
      SCOPED_TRACE(testing::Message() << c.kind << (bySession ? " by session" : " by connection"));
      auto r = request(server.url("/doc?kind=") + c.kind);
      shared.cache->removeAllCachedResponses();
      hits = 0;
      auto first = bySession ? load(session, r) : load(r);
      auto second = bySession ? load(session, r) : load(r);
      EXPECT_EQ(first.code, 0);
      EXPECT_EQ(second.code, 0);
      EXPECT_EQ(first.body, std::string(c.kind) + " 1");
      EXPECT_EQ(second.body, c.secondBody);
      EXPECT_EQ(hits, c.hits);
      EXPECT_EQ(shared.cache->cachedResponseForRequest(r) != nullptr, c.storedAfter);
    }
  }
}

// The connection keeps a second copy of the body only for an answer the cache may store, so
// its delegate is offered only those: not an answer that forbids storing, an error, a body
// beyond the cache's entry limit (announced or found while it arrives), nor a POST's.
TEST(URLCache, ConnectionOffersOnlyWhatTheCacheMayStore) {
  SharedCacheSwap shared(URLCache::create(1000, 0, String()));  // entries of up to 1000 bytes
  TestServer server;
  auto reply = [](int status, std::string body, testsupport::HeaderList headers = {}, bool chunked = false) {
    testsupport::Reply r = testsupport::Reply::text(std::move(body), status);
    r.headers = std::move(headers);
    r.chunked = chunked;
    return r;
  };
  server.route("/small", reply(200, std::string(1000, 's')));
  server.route("/no-store", reply(200, "kept nowhere", {{"Cache-Control", "no-store"}}));
  server.route("/missing", reply(404, "not here"));
  server.route("/announced", reply(200, std::string(1001, 'a')));
  server.route("/chunked", reply(200, std::string(3000, 'c'), {}, true));
  struct Case {
    const char* path;
    const char* method;
    bool offered;
  } cases[] = {
      {"/small", "GET", true},        {"/no-store", "GET", false}, {"/missing", "GET", false},
      {"/announced", "GET", false},   {"/chunked", "GET", false},  {"/small", "POST", false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << " " << c.path);
    auto r = request(server.url(c.path));
    r->setHTTPMethod(c.method);
    auto d = connect(r);
    ASSERT_FALSE(d->error);
    const bool asked = std::find(d->events.begin(), d->events.end(), "cache") != d->events.end();
    EXPECT_EQ(asked, c.offered);
    EXPECT_EQ(shared.cache->cachedResponseForRequest(request(server.url(c.path))) != nullptr, c.offered);
    shared.cache->removeAllCachedResponses();
  }
}

// A session's task keeps its copy for the cache on the same terms: the delegate is never offered
// a body the cache could not keep.
TEST(URLCache, SessionOffersOnlyWhatTheCacheMayStore) {
  TestServer server;
  auto reply = [](std::string body, testsupport::HeaderList headers = {}, bool chunked = false) {
    testsupport::Reply r = testsupport::Reply::text(std::move(body));
    r.headers = std::move(headers);
    r.chunked = chunked;
    return r;
  };
  server.route("/small", reply(std::string(1000, 's')));
  server.route("/no-store", reply("kept nowhere", {{"Cache-Control", "no-store"}}));
  server.route("/announced", reply(std::string(1001, 'a')));
  server.route("/chunked", reply(std::string(3000, 'c'), {}, true));
  struct Case {
    const char* path;
    bool offered;
  } cases[] = {{"/small", true}, {"/no-store", false}, {"/announced", false}, {"/chunked", false}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto d = rt::make<CacheDecider>();
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    auto cache = URLCache::create(1000, 0, String());  // entries of up to 1000 bytes
    config->setURLCache(cache);
    auto session = URLSession::sessionWithConfiguration(config, d);
    session->dataTaskWithRequest(request(server.url(c.path)))->resume();
    std::unique_lock l(d->m);
    ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->done; }));
    const bool asked = !d->events.empty() && d->events.front().rfind("will-cache", 0) == 0;
    EXPECT_EQ(asked, c.offered);
    EXPECT_EQ(cache->cachedResponseForRequest(request(server.url(c.path))) != nullptr, c.offered);
  }
}

}  // namespace urlcache_test
