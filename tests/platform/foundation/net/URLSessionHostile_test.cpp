// Session tasks against a server that misbehaves on purpose: what reaches the cookie jar from a
// broken header block, and the resource time-out that bounds a drip-fed answer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "platform/foundation/Error.h"
#include "platform/foundation/net/HTTPCookie.h"
#include "platform/foundation/net/HTTPCookieStorage.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSession.h"
#include "platform/foundation/net/URLSessionConfiguration.h"
#include "platform/foundation/values/Data.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/HostileServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlsession_hostile_test {

using namespace fd;
using testsupport::HostileScript;
using testsupport::HostileServer;

namespace {

struct Result {
  std::mutex m;
  std::condition_variable cv;
  int calls = 0;
  Ref<URLResponse> response;
  Ref<Error> error;
  double seconds = 0;
};

/// Runs one data task with its own jar and waits for it; the jar is returned through `jar`.
void load(HostileServer& server, const std::string& path, Result& out, Ref<HTTPCookieStorage>& jar,
          double requestTimeout = 10, double resourceTimeout = 0) {
  auto config = URLSessionConfiguration::ephemeralSessionConfiguration();
  jar = HTTPCookieStorage::create();
  config->setHTTPCookieStorage(jar);
  config->setURLCache(nullptr);
  if (resourceTimeout > 0) config->setTimeoutIntervalForResource(resourceTimeout);
  auto session = URLSession::sessionWithConfiguration(config);
  auto request = MutableURLRequest::requestWithURL(testsupport::urlOf(server.url(path)));
  request->setTimeoutInterval(requestTimeout);
  auto began = std::chrono::steady_clock::now();
  auto task = session->dataTaskWithRequest(request, [&out, began](Ref<Data>, Ref<URLResponse> r, Ref<Error> e) {
    std::lock_guard l(out.m);
    ++out.calls;
    out.response = r;
    out.error = e;
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    out.cv.notify_all();
  });
  task->resume();
  std::unique_lock l(out.m);
  EXPECT_TRUE(out.cv.wait_for(l, std::chrono::seconds(20), [&] { return out.calls > 0; }));
  // A second call would come right behind the first.
  out.cv.wait_for(l, std::chrono::milliseconds(200), [&] { return out.calls > 1; });
  EXPECT_EQ(out.calls, 1);
}

std::vector<std::string> cookieNames(const Ref<HTTPCookieStorage>& jar) {
  std::vector<std::string> names;
  for (auto& c : jar->cookies()) names.push_back(c->name().utf8());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(URLSessionHostile, ContinuationLinesNeverBecomeCookies) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> cookies;
    std::optional<int64_t> error;
  };
  const std::vector<Case> cases = {
      {"folded into another field", {"X-Note: hello", " Set-Cookie: evil=1; Path=/"}, {}, std::nullopt},
      {"folded into a real cookie", {"Set-Cookie: good=1; Path=/", "\tSet-Cookie: evil=2"}, {"good"}, std::nullopt},
      {"bare CR before a second cookie", {"Set-Cookie: good=1; Path=/\rSet-Cookie: evil=3"}, {"good"}, std::nullopt},
      {"continuation before any field", {" Set-Cookie: evil=4", "X-Note: hello"}, {}, NSURLErrorBadServerResponse},
  };
  HostileServer server;
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    auto lines = cases[i].lines;
    lines.insert(lines.end(), {"Content-Length: 2", "Connection: close"});
    std::string path = "/c" + std::to_string(i);
    server.route(path, HostileScript::answer("HTTP/1.1 200 OK", lines, "ok"));
    Result result;
    Ref<HTTPCookieStorage> jar;
    load(server, path, result, jar);
    if (cases[i].error) {
      ASSERT_TRUE(result.error);
      EXPECT_EQ(result.error->code(), *cases[i].error);
    } else {
      EXPECT_FALSE(result.error) << result.error->localizedDescription().utf8();
    }
    EXPECT_EQ(cookieNames(jar), cases[i].cookies);
  }
  // The joined value is what the jar parsed: the folded text is part of the first cookie.
  Result result;
  Ref<HTTPCookieStorage> jar;
  load(server, "/c1", result, jar);
  auto http = rt::as<HTTPURLResponse>(result.response);
  ASSERT_TRUE(http);
  EXPECT_EQ(http->valueForHTTPHeaderField("Set-Cookie"), String("good=1; Path=/ Set-Cookie: evil=2"));
}

TEST(URLSessionHostile, ResourceTimeoutEndsADripFedAnswer) {
  HostileServer server;
  // A byte every 50 ms never trips the request (idle) time-out.
  server.route("/drip", HostileScript()
                            .send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n")
                            .drip(std::string(1000, 'a'), 0.05));
  Result result;
  Ref<HTTPCookieStorage> jar;
  load(server, "/drip", result, jar, /*requestTimeout=*/1, /*resourceTimeout=*/0.6);
  ASSERT_TRUE(result.error);
  EXPECT_EQ(result.error->code(), NSURLErrorTimedOut);
  EXPECT_GE(result.seconds, 0.55);
  EXPECT_LT(result.seconds, 5);

  // With the default resource limit the same drip finishes: the request time-out is about
  // silence, not length.
  server.route("/short", HostileScript()
                             .send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n")
                             .drip(std::string(10, 'a'), 0.05));
  Result whole;
  load(server, "/short", whole, jar, /*requestTimeout=*/1);
  EXPECT_FALSE(whole.error);
}

}  // namespace urlsession_hostile_test
