#include "platform/foundation/net/URLConnection.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URLError.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/HostileServer.h"
#include "tests/support/TestServer.h"

using namespace fd;
using testsupport::ConnectionRecorder;
using testsupport::Reply;
using testsupport::runLoopUntil;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

constexpr double kWait = 10;

Ref<ConnectionRecorder> load(const Ref<URLRequest>& request, const String& mode = NSDefaultRunLoopMode) {
  auto d = rt::make<ConnectionRecorder>();
  auto c = URLConnection::create(request, d, false);
  EXPECT_TRUE(c);
  c->scheduleInRunLoop(RunLoop::currentRunLoop(), mode);
  c->start();
  EXPECT_TRUE(runLoopUntil([&] { return d->done; }, kWait, mode));
  return d;
}

Ref<ConnectionRecorder> get(const std::string& url, double timeout = 60) {
  return load(URLRequest::requestWithURL(urlOf(url), URLRequestCachePolicy::UseProtocolCachePolicy, timeout));
}

std::string bigText(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += std::to_string(i) + ",";
  s.resize(n);
  return s;
}

}  // namespace

TEST(URLConnection, CreationNeedsALoadableRequest) {
  EXPECT_FALSE(URLConnection::create(nullptr, nullptr, false));
  EXPECT_FALSE(URLConnection::create(URLRequest::requestWithURL(nullptr), nullptr, false));
  EXPECT_FALSE(URLConnection::create(URLRequest::requestWithURL(urlOf("ftp://a.test/x")), nullptr, false));
  EXPECT_TRUE(URLConnection::create(URLRequest::requestWithURL(urlOf("http://a.test/x")), nullptr, false));
}

TEST(URLConnection, GetDeliversResponseDataCacheFinishInOrderWithWireHeaders) {
  TestServer server;
  Reply reply = Reply::text("hello world");
  reply.headers.emplace_back("ETag", "\"v1\"");
  reply.contentType = "text/plain; charset=utf-8";
  server.route("/hello", reply);
  auto request = MutableURLRequest::requestWithURL(urlOf(server.url("/hello?x=1")));
  request->setValueForHTTPHeaderField(String("Yes"), "X-Custom-Header");
  request->setValueForHTTPHeaderField(String("identity"), "Accept-Encoding");
  request->setValueForHTTPHeaderField(String("a\r\nInjected: 1"), "X-Evil");
  auto d = load(request);

  EXPECT_EQ(d->events, (std::vector<std::string>{"willSend", "response", "data", "cache", "finish"}));
  auto http = rt::as<HTTPURLResponse>(d->response);
  ASSERT_TRUE(http);
  EXPECT_EQ(http->statusCode(), 200);
  EXPECT_EQ(http->valueForHTTPHeaderField("etag"), String("\"v1\""));
  EXPECT_EQ(http->MIMEType(), String("text/plain"));
  EXPECT_EQ(http->textEncodingName(), String("utf-8"));
  EXPECT_EQ(http->expectedContentLength(), 11);
  EXPECT_EQ(d->body, "hello world");

  auto captured = server.requests();
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].method, "GET");
  EXPECT_EQ(captured[0].target, "/hello?x=1");
  bool exactName = false;
  for (auto& [k, v] : captured[0].headers) exactName |= (k == "X-Custom-Header" && v == "Yes");
  EXPECT_TRUE(exactName);
  EXPECT_FALSE(captured[0].header("X-Evil"));
  EXPECT_FALSE(captured[0].header("Injected"));
}

TEST(URLConnection, BodyShapes) {
  TestServer server;
  std::string text = bigText(200000);
  struct Case {
    const char* path;
    Reply reply;
    int64_t expectedLength;
  };
  Reply chunked = Reply::text(text);
  chunked.chunked = true;
  chunked.chunkSize = 4096;
  chunked.delayBetweenChunks = 0.002;
  Reply gzip = Reply::text(text);
  gzip.gzip = true;
  gzip.contentType = "application/octet-stream";
  Reply empty = Reply::text("");
  empty.contentType = "application/octet-stream";
  Reply closeDelimited = Reply::text(text);
  closeDelimited.sendContentLength = false;
  Case cases[] = {
      {"/chunked", chunked, -1},
      {"/gzip", gzip, -1},
      {"/close", closeDelimited, -1},
      {"/empty", empty, 0},
  };
  for (auto& c : cases) server.route(c.path, c.reply);
  for (auto& c : cases) {
    auto d = get(server.url(c.path));
    ASSERT_TRUE(d->response) << c.path;
    EXPECT_EQ(d->events.back(), "finish") << c.path;
    EXPECT_EQ(d->body, c.reply.body) << c.path;
    EXPECT_EQ(d->response->expectedContentLength(), c.expectedLength) << c.path;
  }
}

TEST(URLConnection, TransportErrors) {
  int closedPort;
  {
    TestServer gone;
    closedPort = gone.port();
  }
  TestServer server;
  Reply stall = Reply::text(bigText(5000));
  stall.stallAfter = 1000;
  Reply reset = Reply::text(bigText(50000));
  reset.resetAfter = 10000;
  reset.chunkSize = 1000;
  Reply slow = Reply::text("late");
  slow.delayBeforeHeaders = 3;
  server.route("/stall", stall);
  server.route("/reset", reset);
  server.route("/slow", slow);
  struct Case {
    std::string url;
    double timeout;
    int64_t code;
  };
  const Case cases[] = {
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/x", 5, NSURLErrorCannotConnectToHost},
      {server.url("/stall"), 0.5, NSURLErrorTimedOut},
      {server.url("/slow"), 0.5, NSURLErrorTimedOut},
      {server.url("/reset"), 5, NSURLErrorNetworkConnectionLost},
      {"file:///nonexistent/file.txt", 5, NSURLErrorFileDoesNotExist},
  };
  for (const auto& c : cases) {
    auto d = get(c.url, c.timeout);
    ASSERT_TRUE(d->error) << c.url;
    EXPECT_EQ(d->events.back(), "fail") << c.url;
    EXPECT_EQ(d->error->domain(), NSURLErrorDomain);
    EXPECT_EQ(d->error->code(), c.code) << c.url;
    auto failing = rt::as<URL>(d->error->userInfo()->objectForKey(NSURLErrorFailingURLErrorKey));
    ASSERT_TRUE(failing) << c.url;
    EXPECT_EQ(failing->absoluteString().utf8(), c.url);
  }
  server.releaseStalls();
}

TEST(URLConnection, RedirectsFollowSubstituteOrStop) {
  TestServer server;
  server.route("/start", Reply::redirect("/final"));
  server.route("/see-other", Reply::redirect("/final", 303));
  server.route("/final", Reply::text("final"));
  server.route("/other", Reply::text("other"));
  server.route("/loop", Reply::redirect("/loop"));

  auto followed = get(server.url("/start"));
  EXPECT_EQ(followed->events, (std::vector<std::string>{"willSend", "redirect", "response", "data", "cache", "finish"}));
  ASSERT_EQ(followed->redirects.size(), 1u);
  EXPECT_EQ(rt::as<HTTPURLResponse>(followed->redirects[0])->statusCode(), 302);
  EXPECT_EQ(followed->body, "final");
  EXPECT_EQ(followed->response->URL()->absoluteString().utf8(), server.url("/final"));

  auto post = MutableURLRequest::requestWithURL(urlOf(server.url("/see-other")));
  post->setHTTPMethod("POST");
  post->setHTTPBody(Data::create(std::string_view("payload")));
  auto d303 = load(post);
  EXPECT_EQ(d303->body, "final");
  EXPECT_EQ(server.requests().back().method, "GET");

  auto substituted = rt::make<ConnectionRecorder>();
  substituted->onRedirect = [&](const Ref<URLRequest>&, const Ref<URLResponse>&) {
    return URLRequest::requestWithURL(urlOf(server.url("/other")));
  };
  auto c = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/start"))), substituted);
  ASSERT_TRUE(runLoopUntil([&] { return substituted->done; }, kWait));
  EXPECT_EQ(substituted->body, "other");

  auto refused = rt::make<ConnectionRecorder>();
  refused->onRedirect = [](const Ref<URLRequest>&, const Ref<URLResponse>&) { return Ref<URLRequest>(); };
  c = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/start"))), refused);
  ASSERT_TRUE(runLoopUntil([&] { return refused->done; }, kWait));
  EXPECT_EQ(rt::as<HTTPURLResponse>(refused->response)->statusCode(), 302);
  EXPECT_EQ(refused->events.back(), "finish");

  auto loop = get(server.url("/loop"));
  ASSERT_TRUE(loop->error);
  EXPECT_EQ(loop->error->code(), NSURLErrorHTTPTooManyRedirects);
}

TEST(URLConnection, CancelMidBodyStopsEveryCallback) {
  TestServer server;
  Reply r = Reply::text(bigText(100000));
  r.chunkSize = 1000;
  r.delayBetweenChunks = 0.01;
  server.route("/slow", r);
  auto d = rt::make<ConnectionRecorder>();
  d->onData = [](const Ref<URLConnection>& c) { c->cancel(); };
  auto c = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/slow"))), d);
  ASSERT_TRUE(runLoopUntil([&] { return d->chunks > 0; }, kWait));
  runLoopUntil([] { return false; }, 0.3);
  EXPECT_EQ(d->events, (std::vector<std::string>{"willSend", "response", "data"}));
  EXPECT_EQ(d->chunks, 1u);
  EXPECT_FALSE(d->done);
  c->cancel();  // again: harmless
}

TEST(URLConnection, ASlowDelegatePausesTheTransferAndLosesNothing) {
  // A raw server: it sends the whole answer at once, as fast as the socket takes it.
  testsupport::HostileServer server;
  std::string text = bigText(6 << 20);
  server.route("/big", testsupport::HostileScript::answer(
                           "HTTP/1.1 200 OK", {"Content-Length: " + std::to_string(text.size())}, text));
  auto d = rt::make<ConnectionRecorder>();
  // The first hand-off holds the delegate's thread while megabytes arrive on the loader's.
  d->onData = [&d](const Ref<URLConnection>&) {
    if (d->chunks == 1) std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  auto c = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/big"))), d);
  ASSERT_TRUE(runLoopUntil([&] { return d->done; }, kWait));
  EXPECT_EQ(d->events.back(), "finish");
  EXPECT_TRUE(d->body == text);
  EXPECT_GT(d->chunks, 2u);
}

TEST(URLConnection, CallbacksRunOnTheSchedulingThreadInItsModesOnly) {
  TestServer server;
  server.route("/x", Reply::text("x"));
  const String mode = "URLConnectionTestMode";
  auto d = rt::make<ConnectionRecorder>();
  std::atomic<bool> finished{false};
  std::thread::id loopThread;
  std::thread worker([&] {
    loopThread = std::this_thread::get_id();
    auto c = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/x"))), d, false);
    c->scheduleInRunLoop(RunLoop::currentRunLoop(), mode);
    c->start();
    // The default mode is not scheduled: nothing may arrive while the loop runs in it.
    runLoopUntil([] { return false; }, 0.3, NSDefaultRunLoopMode);
    EXPECT_TRUE(d->events.empty());
    EXPECT_TRUE(runLoopUntil([&] { return d->done; }, kWait, mode));
    finished = true;
  });
  worker.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(d->events.back(), "finish");
  for (size_t i = 0; i < d->events.size(); ++i) {
    EXPECT_EQ(d->threads[i], loopThread);
    EXPECT_EQ(d->modes[i], mode);
  }
}

TEST(URLConnection, UploadsDataWithProgress) {
  TestServer server;
  server.route("/up", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::to_string(req.body.size()), "text/plain");
  });
  std::string payload = bigText(300000);
  auto request = MutableURLRequest::requestWithURL(urlOf(server.url("/up")));
  request->setHTTPMethod("PUT");
  request->setHTTPBody(Data::create(std::string_view(payload)));
  auto d = load(request);
  EXPECT_EQ(d->body, std::to_string(payload.size()));
  EXPECT_EQ(server.requests()[0].method, "PUT");
  EXPECT_EQ(server.requests()[0].body, payload);
  EXPECT_EQ(d->bytesSent, static_cast<int64_t>(payload.size()));
  EXPECT_EQ(d->lastExpected, static_cast<int64_t>(payload.size()));
}

namespace {

// A stream that makes its bytes as they are read and counts the most it was asked for at once.
class CountingStream : public InputStream {
  RT_CLASS(CountingStream, InputStream)
 public:
  size_t total = 0, produced = 0;
  std::atomic<size_t> largestRead{0};
  int64_t read(uint8_t* buffer, size_t max) override {
    size_t n = std::min(max, total - produced);
    for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<uint8_t>('a' + (produced + i) % 26);
    produced += n;
    largestRead = std::max<size_t>(largestRead, max);
    return static_cast<int64_t>(n);
  }
  bool hasBytesAvailable() const override { return produced < total; }
};
RT_IMPLEMENT(CountingStream) {}

}  // namespace

TEST(URLConnection, UploadsFromAStreamPiecewise) {
  TestServer server;
  std::atomic<size_t> received{0};
  std::atomic<bool> patterned{true};
  server.route("/stream", [&](const httplib::Request& req, httplib::Response& res) {
    received = req.body.size();
    for (size_t i = 0; i < req.body.size(); i += 4097)
      if (req.body[i] != static_cast<char>('a' + i % 26)) patterned = false;
    res.set_content("ok", "text/plain");
  });
  auto stream = rt::make<CountingStream>();
  stream->total = 8 << 20;
  auto request = MutableURLRequest::requestWithURL(urlOf(server.url("/stream")));
  request->setHTTPMethod("POST");
  request->setHTTPBodyStream(stream);
  request->setValueForHTTPHeaderField(String("application/octet-stream"), "Content-Type");
  auto d = load(request);
  EXPECT_FALSE(d->error) << (d->error ? d->error->description().utf8() : "");
  ASSERT_TRUE(rt::as<HTTPURLResponse>(d->response));
  EXPECT_EQ(rt::as<HTTPURLResponse>(d->response)->statusCode(), 200);
  EXPECT_EQ(d->body, "ok");
  EXPECT_EQ(received.load(), stream->total);
  EXPECT_TRUE(patterned);
  // Pulled in transfer-sized pieces, never as a whole.
  EXPECT_LT(stream->largestRead.load(), size_t{1} << 20);
  ASSERT_EQ(server.requestCount(), 1u);
  // No length given: the body goes out chunked as it is read.
  EXPECT_EQ(server.requests()[0].header("Transfer-Encoding"), "chunked");
}

TEST(URLConnection, HTTPAuthenticationChallengesCountFailures) {
  TestServer server;
  server.route("/private", [](const httplib::Request& req, httplib::Response& res) {
    // "user:secret"
    if (req.get_header_value("Authorization") == "Basic dXNlcjpzZWNyZXQ=") {
      res.set_content("welcome", "text/plain");
      return;
    }
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"district\"");
    res.set_content("who are you", "text/plain");
  });
  struct Case {
    std::vector<std::string> passwords;  // one answer per challenge; "" cancels
    std::string body;
    int64_t errorCode;
  };
  const Case cases[] = {
      {{"secret"}, "welcome", 0},
      {{"wrong", "secret"}, "welcome", 0},
      {{"wrong", ""}, "", NSURLErrorUserCancelledAuthentication},
  };
  for (const auto& c : cases) {
    auto d = rt::make<ConnectionRecorder>();
    d->onChallenge = [&](const Ref<URLConnection>& conn, const Ref<URLAuthenticationChallenge>& ch) {
      size_t i = static_cast<size_t>(ch->previousFailureCount());
      EXPECT_EQ(ch->protectionSpace()->authenticationMethod(), NSURLAuthenticationMethodHTTPBasic);
      EXPECT_EQ(ch->protectionSpace()->realm(), String("district"));
      EXPECT_EQ(rt::as<HTTPURLResponse>(ch->failureResponse())->statusCode(), 401);
      if (i >= c.passwords.size() || c.passwords[i].empty()) return conn->cancelAuthenticationChallenge(ch);
      conn->useCredential(URLCredential::credentialWithUser("user", String(c.passwords[i].c_str()),
                                                            URLCredentialPersistence::ForSession),
                          ch);
    };
    auto conn = URLConnection::create(URLRequest::requestWithURL(urlOf(server.url("/private"))), d);
    ASSERT_TRUE(runLoopUntil([&] { return d->done; }, kWait));
    EXPECT_EQ(d->challenges.size(), c.passwords.size());
    EXPECT_EQ(d->body, c.body);
    EXPECT_EQ(d->error ? d->error->code() : 0, c.errorCode);
  }
}

TEST(URLConnection, FileURLsGiveAPlainResponse) {
  auto dir = std::filesystem::temp_directory_path() / ("urlconn-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto path = dir / "picture.png";
  std::string content = bigText(70000);
  std::ofstream(path, std::ios::binary) << content;
  auto d = load(URLRequest::requestWithURL(URL::fileURLWithPath(String(path.string().c_str()))));
  ASSERT_TRUE(d->response);
  EXPECT_FALSE(rt::as<HTTPURLResponse>(d->response));
  EXPECT_EQ(d->response->expectedContentLength(), static_cast<int64_t>(content.size()));
  EXPECT_EQ(d->response->MIMEType(), String("image/png"));
  EXPECT_EQ(d->body, content);
  auto folder = load(URLRequest::requestWithURL(URL::fileURLWithPath(String(dir.string().c_str()))));
  ASSERT_TRUE(folder->error);
  EXPECT_EQ(folder->error->code(), NSURLErrorFileIsDirectory);
  std::filesystem::remove_all(dir);
}

TEST(URLConnection, AsynchronousRequestCompletesOnTheQueue) {
  TestServer server;
  server.route("/a", Reply::text("async"));
  auto queue = OperationQueue::create("url-test");
  struct Outcome {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    Ref<URLResponse> response;
    std::string body;
    Ref<Error> error;
    Ref<OperationQueue> ranOn;
  };
  auto run = [&](const Ref<URLRequest>& request) {
    auto o = std::make_shared<Outcome>();
    URLConnection::sendAsynchronousRequest(request, queue, [o](Ref<URLResponse> r, Ref<Data> d, Ref<Error> e) {
      std::lock_guard lock(o->m);
      o->response = r;
      o->body = d ? std::string(d->view()) : "";
      o->error = e;
      o->ranOn = OperationQueue::currentQueue();
      o->done = true;
      o->cv.notify_all();
    });
    std::unique_lock lock(o->m);
    EXPECT_TRUE(o->cv.wait_for(lock, std::chrono::seconds(10), [&] { return o->done; }));
    return o;
  };
  auto ok = run(URLRequest::requestWithURL(urlOf(server.url("/a"))));
  EXPECT_EQ(ok->body, "async");
  EXPECT_EQ(rt::as<HTTPURLResponse>(ok->response)->statusCode(), 200);
  EXPECT_EQ(ok->ranOn, queue);
  auto bad = run(URLRequest::requestWithURL(nullptr));
  ASSERT_TRUE(bad->error);
  EXPECT_EQ(bad->error->code(), NSURLErrorBadURL);
}
