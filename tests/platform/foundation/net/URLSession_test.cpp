#include "platform/foundation/net/URLSession.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/HTTPCookieStorage.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/runtime/Exception.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlsession_test {

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

constexpr auto kWait = std::chrono::seconds(10);

std::string text(const Ref<Data>& d) { return d ? std::string(reinterpret_cast<const char*>(d->bytes()), d->length()) : ""; }

/// Waits for a value set on another thread.
template <class T>
struct Slot {
  std::mutex m;
  std::condition_variable cv;
  std::optional<T> value;
  void set(T v) {
    std::lock_guard l(m);
    value = std::move(v);
    cv.notify_all();
  }
  bool wait() {
    std::unique_lock l(m);
    return cv.wait_for(l, kWait, [&] { return value.has_value(); });
  }
};

struct Outcome {
  Ref<Data> data;
  Ref<URLResponse> response;
  Ref<Error> error;
  bool onDelegateQueue = false;
};

// Loads stay out of the process's shared cache on disk.
Ref<URLSessionConfiguration> testConfiguration() {
  auto c = URLSessionConfiguration::defaultSessionConfiguration();
  c->setURLCache(URLCache::create(1 << 20, 0, String()));
  return c;
}

Ref<URLRequest> requestFor(const std::string& url) { return URLRequest::requestWithURL(urlOf(url)); }

Outcome fetch(const Ref<URLSessionTask>& task, Slot<Outcome>& slot) {
  task->resume();
  EXPECT_TRUE(slot.wait());
  return slot.value.value_or(Outcome{});
}

/// Records every callback it is asked for, in order, and answers responses as told. Subclasses
/// say which callbacks they implement.
class Recorder : public URLSessionDelegate {
  RT_CLASS(Recorder, URLSessionDelegate)
 public:
  void init() {}
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::string> events;
  std::string body;
  Ref<Error> error;
  bool completed = false, invalid = false;
  URLSessionResponseDisposition disposition = URLSessionResponseDisposition::Allow;
  bool suspendOnResponse = false;

  void note(std::string e) {
    std::lock_guard l(m);
    events.push_back(std::move(e));
    cv.notify_all();
  }
  bool waitFor(bool Recorder::*flag) {
    std::unique_lock l(m);
    return cv.wait_for(l, kWait, [&] { return this->*flag; });
  }
  void didReceiveResponse(const Ref<URLSession>&, const Ref<URLSessionDataTask>& task, const Ref<URLResponse>&,
                          DispositionHandler handler) override {
    note("response");
    if (suspendOnResponse) task->suspend();
    handler(disposition);
  }
  void didReceiveData(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<Data>& data) override {
    {
      std::lock_guard l(m);
      body += text(data);
    }
    note("data");
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>& e) override {
    std::lock_guard l(m);
    events.push_back("complete");
    error = e;
    completed = true;
    cv.notify_all();
  }
  int64_t sentSum = 0, sentTotal = 0, sentExpected = 0;
  void didSendBodyData(const Ref<URLSession>&, const Ref<URLSessionTask>&, int64_t bytes, int64_t total,
                       int64_t expected) override {
    std::lock_guard l(m);
    sentSum += bytes;
    sentTotal = total;
    sentExpected = expected;
  }
  void didBecomeInvalidWithError(const Ref<URLSession>&, const Ref<Error>&) override {
    std::lock_guard l(m);
    events.push_back("invalid");
    invalid = true;
    cv.notify_all();
  }
};

RT_IMPLEMENT(Recorder) {}

class FullRecorder : public Recorder {
  RT_CLASS(FullRecorder, Recorder)
};

RT_IMPLEMENT(FullRecorder) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidReceiveResponse, URLSessionDelegate::kDidReceiveData,
                                          URLSessionDelegate::kDidCompleteWithError,
                                          URLSessionDelegate::kDidBecomeInvalidWithError});
}

/// Implements only completion: the session must skip the rest and allow the response itself.
class CompletionOnly : public Recorder {
  RT_CLASS(CompletionOnly, Recorder)
};

RT_IMPLEMENT(CompletionOnly) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidCompleteWithError});
}

/// Hears upload progress and completion.
class UploadWatcher : public Recorder {
  RT_CLASS(UploadWatcher, Recorder)
};

RT_IMPLEMENT(UploadWatcher) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidSendBodyData, URLSessionDelegate::kDidCompleteWithError});
}

Ref<URLSessionDataTask> withHandler(const Ref<URLSession>& s, const Ref<URLRequest>& r, Slot<Outcome>& slot) {
  return s->dataTaskWithRequest(r, [&slot, s](Ref<Data> d, Ref<URLResponse> resp, Ref<Error> e) {
    slot.set(Outcome{d, resp, e, OperationQueue::currentQueue() == s->delegateQueue()});
  });
}

}  // namespace

TEST(URLSessionConfiguration, KindsAndCopies) {
  struct Case {
    Ref<URLSessionConfiguration> config;
    URLSessionConfiguration::Kind kind;
    std::optional<String> identifier;
  } cases[] = {
      {URLSessionConfiguration::defaultSessionConfiguration(), URLSessionConfiguration::Kind::Default, std::nullopt},
      {URLSessionConfiguration::ephemeralSessionConfiguration(), URLSessionConfiguration::Kind::Ephemeral, std::nullopt},
      {URLSessionConfiguration::backgroundSessionConfiguration("bg.one"), URLSessionConfiguration::Kind::Background,
       String("bg.one")},
  };
  for (auto& c : cases) {
    EXPECT_EQ(c.config->kind(), c.kind);
    EXPECT_EQ(c.config->identifier(), c.identifier);
    auto copy = c.config->copyConfiguration();
    c.config->setTimeoutIntervalForRequest(5);
    EXPECT_EQ(copy->kind(), c.kind);
    EXPECT_EQ(copy->identifier(), c.identifier);
    EXPECT_EQ(copy->timeoutIntervalForRequest(), 60);
  }
  auto config = URLSessionConfiguration::defaultSessionConfiguration();
  auto session = URLSession::sessionWithConfiguration(config);
  config->setTimeoutIntervalForRequest(7);
  EXPECT_EQ(session->configuration()->timeoutIntervalForRequest(), 60);
  EXPECT_EQ(session->delegateQueue()->maxConcurrentOperationCount(), 1);
}

TEST(URLSessionConfiguration, ArchivesItsSettings) {
  auto background = URLSessionConfiguration::backgroundSessionConfiguration("bg.archive");
  background->setTimeoutIntervalForRequest(12);
  background->setRequestCachePolicy(URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  background->setHTTPShouldSetCookies(false);
  background->setHTTPAdditionalHeaders({{"X-A", "1"}, {"X-B", "two"}});
  background->setTimeoutIntervalForResource(90);
  for (auto& original : {URLSessionConfiguration::defaultSessionConfiguration(),
                         URLSessionConfiguration::ephemeralSessionConfiguration(), background}) {
    Ref<Error> error;
    auto data = KeyedArchiver::archivedDataWithRootObject(original, true, &error);
    ASSERT_TRUE(data) << (error ? error->description().utf8() : "");
    auto back = rt::as<URLSessionConfiguration>(
        KeyedUnarchiver::unarchivedObjectOfClasses({URLSessionConfiguration::classObject(), StringObject::classObject()},
                                                   data, &error));
    ASSERT_TRUE(back) << (error ? error->description().utf8() : "");
    EXPECT_EQ(back->kind(), original->kind());
    EXPECT_EQ(back->identifier(), original->identifier());
    EXPECT_EQ(back->timeoutIntervalForRequest(), original->timeoutIntervalForRequest());
    EXPECT_EQ(back->timeoutIntervalForResource(), original->timeoutIntervalForResource());
    EXPECT_EQ(back->requestCachePolicy(), original->requestCachePolicy());
    EXPECT_EQ(back->HTTPShouldSetCookies(), original->HTTPShouldSetCookies());
    EXPECT_EQ(back->HTTPAdditionalHeaders(), original->HTTPAdditionalHeaders());
    bool ownJar = original->kind() == URLSessionConfiguration::Kind::Ephemeral;
    EXPECT_EQ(back->HTTPCookieStorage() == HTTPCookieStorage::sharedHTTPCookieStorage(), !ownJar);
  }
}

TEST(URLSession, DataTaskWithCompletionHandler) {
  TestServer server;
  server.route("/a", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello session", "text/plain"); });
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  Slot<Outcome> slot;
  auto request = MutableURLRequest::requestWithURL(urlOf(server.url("/a")));
  // An uncompressed body, so that the announced length is the received one.
  request->setValueForHTTPHeaderField(String("identity"), "Accept-Encoding");
  auto task = withHandler(session, request, slot);
  EXPECT_EQ(task->state(), URLSessionTaskState::Suspended);
  auto other = session->dataTaskWithRequest(requestFor(server.url("/a")));
  EXPECT_GT(other->taskIdentifier(), task->taskIdentifier());
  task->setTaskDescription("first");
  EXPECT_EQ(task->taskDescription(), String("first"));

  auto out = fetch(task, slot);
  EXPECT_EQ(out.error, nullptr);
  EXPECT_EQ(text(out.data), "hello session");
  EXPECT_TRUE(out.onDelegateQueue);
  auto http = std::dynamic_pointer_cast<HTTPURLResponse>(out.response);
  ASSERT_TRUE(http);
  EXPECT_EQ(http->statusCode(), 200);
  EXPECT_EQ(task->state(), URLSessionTaskState::Completed);
  EXPECT_EQ(task->countOfBytesReceived(), 13);
  EXPECT_EQ(task->countOfBytesExpectedToReceive(), 13);
  EXPECT_EQ(task->response(), out.response);
}

TEST(URLSession, ConfigurationHeadersAndRequestFieldsAreSent) {
  TestServer server;
  server.route("/h", Reply::text("ok"));
  auto config = testConfiguration();
  config->setHTTPAdditionalHeaders({{"X-Session", "s"}, {"X-Both", "config"}});
  auto session = URLSession::sessionWithConfiguration(config);
  auto request = MutableURLRequest::requestWithURL(urlOf(server.url("/h")));
  request->setValueForHTTPHeaderField(String("request"), "X-Both");
  Slot<Outcome> slot;
  fetch(withHandler(session, request, slot), slot);
  ASSERT_EQ(server.requestCount(), 1u);
  auto seen = server.requests()[0];
  EXPECT_EQ(seen.header("X-Session"), "s");
  EXPECT_EQ(seen.header("X-Both"), "request");
}

TEST(URLSession, DelegateSeesResponseDataThenCompletion) {
  TestServer server;
  Reply reply = Reply::text(std::string(5000, 'z'));
  reply.chunked = true;
  reply.chunkSize = 1000;
  reply.delayBetweenChunks = 0.01;
  server.route("/c", reply);
  auto d = rt::make<FullRecorder>();
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = session->dataTaskWithRequest(requestFor(server.url("/c")));
  task->resume();
  ASSERT_TRUE(d->waitFor(&Recorder::completed));
  std::lock_guard l(d->m);
  EXPECT_EQ(d->error, nullptr);
  EXPECT_EQ(d->body, std::string(5000, 'z'));
  ASSERT_GE(d->events.size(), 3u);
  EXPECT_EQ(d->events.front(), "response");
  EXPECT_EQ(d->events.back(), "complete");
  for (size_t i = 1; i + 1 < d->events.size(); ++i) EXPECT_EQ(d->events[i], "data");
  EXPECT_EQ(task->countOfBytesReceived(), 5000);
}

TEST(URLSession, OptionalCallbacksAreSkipped) {
  TestServer server;
  server.route("/o", Reply::text("body"));
  auto d = rt::make<CompletionOnly>();
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = session->dataTaskWithRequest(requestFor(server.url("/o")));
  task->resume();
  ASSERT_TRUE(d->waitFor(&Recorder::completed));
  std::lock_guard l(d->m);
  EXPECT_EQ(d->events, std::vector<std::string>{"complete"});
  EXPECT_EQ(d->error, nullptr);
  EXPECT_EQ(task->countOfBytesReceived(), 4);
}

TEST(URLSession, CancelDispositionEndsTaskAsCancelled) {
  TestServer server;
  server.route("/x", Reply::text("never seen"));
  auto d = rt::make<FullRecorder>();
  d->disposition = URLSessionResponseDisposition::Cancel;
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = session->dataTaskWithRequest(requestFor(server.url("/x")));
  task->resume();
  ASSERT_TRUE(d->waitFor(&Recorder::completed));
  std::lock_guard l(d->m);
  EXPECT_EQ((std::vector<std::string>{"response", "complete"}), d->events);
  ASSERT_TRUE(d->error);
  EXPECT_EQ(d->error->code(), NSURLErrorCancelled);
  EXPECT_EQ(task->state(), URLSessionTaskState::Completed);
}

TEST(URLSession, SuspendedTaskHoldsDeliveryUntilResumed) {
  TestServer server;
  server.route("/s", Reply::text("held"));
  auto d = rt::make<FullRecorder>();
  d->suspendOnResponse = true;
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = session->dataTaskWithRequest(requestFor(server.url("/s")));
  task->resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  {
    std::lock_guard l(d->m);
    EXPECT_EQ(d->events, std::vector<std::string>{"response"});
    EXPECT_EQ(task->state(), URLSessionTaskState::Suspended);
  }
  task->resume();
  ASSERT_TRUE(d->waitFor(&Recorder::completed));
  std::lock_guard l(d->m);
  EXPECT_EQ(d->body, "held");
  EXPECT_EQ(d->error, nullptr);
}

TEST(URLSession, CancelStopsAStalledTransfer) {
  TestServer server;
  Reply reply = Reply::text(std::string(100, 'a'));
  reply.stallAfter = 10;
  server.route("/stall", reply);
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  Slot<Outcome> slot;
  auto task = withHandler(session, requestFor(server.url("/stall")), slot);
  task->resume();
  ASSERT_TRUE(server.waitForRequests(1, 10));
  task->cancel();
  EXPECT_EQ(task->state() == URLSessionTaskState::Canceling || task->state() == URLSessionTaskState::Completed, true);
  ASSERT_TRUE(slot.wait());
  ASSERT_TRUE(slot.value->error);
  EXPECT_EQ(slot.value->error->code(), NSURLErrorCancelled);
  EXPECT_EQ(slot.value->data, nullptr);
  EXPECT_EQ(task->state(), URLSessionTaskState::Completed);
  server.releaseStalls();
}

TEST(URLSession, FailuresCompleteWithURLErrors) {
  struct Case {
    std::string url;
    int64_t code;
  } cases[] = {
      {"ftp://127.0.0.1/file", NSURLErrorUnsupportedURL},
      {"http://127.0.0.1:1/refused", NSURLErrorCannotConnectToHost},
  };
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  for (auto& c : cases) {
    Slot<Outcome> slot;
    auto out = fetch(withHandler(session, requestFor(c.url), slot), slot);
    ASSERT_TRUE(out.error) << c.url;
    EXPECT_EQ(out.error->code(), c.code) << c.url;
    EXPECT_EQ(out.error->domain(), String(NSURLErrorDomain));
  }
}

TEST(URLSession, ResumeSuspendHookSeesEveryCall) {
  std::mutex m;
  std::vector<std::tuple<uint64_t, bool, URLSessionTaskState>> calls;
  URLSessionTask::setResumeSuspendHook([&](URLSessionTask& t, bool resuming, URLSessionTaskState before) {
    std::lock_guard l(m);
    calls.emplace_back(t.taskIdentifier(), resuming, before);
  });
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  auto task = session->dataTaskWithRequest(requestFor("ftp://127.0.0.1/none"));
  task->suspend();
  task->resume();
  URLSessionTask::setResumeSuspendHook(nullptr);
  task->resume();  // after removal: not seen
  std::lock_guard l(m);
  using S = URLSessionTaskState;
  auto id = task->taskIdentifier();
  EXPECT_EQ(calls, (std::vector<std::tuple<uint64_t, bool, S>>{{id, false, S::Suspended}, {id, true, S::Suspended}}));
  session->invalidateAndCancel();
}

TEST(URLSession, GetTasksListsUnfinishedTasksByKind) {
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  auto data = session->dataTaskWithRequest(requestFor("http://127.0.0.1:1/"));
  auto upload = session->uploadTaskWithRequest(requestFor("http://127.0.0.1:1/"), Data::create(std::string_view("x")));
  auto download = session->downloadTaskWithRequest(requestFor("http://127.0.0.1:1/"));
  Slot<bool> slot;
  session->getTasksWithCompletionHandler([&](std::vector<Ref<URLSessionDataTask>> d,
                                             std::vector<Ref<URLSessionUploadTask>> u,
                                             std::vector<Ref<URLSessionDownloadTask>> l) {
    slot.set(d == std::vector{data} && u == std::vector{upload} && l == std::vector{download});
  });
  ASSERT_TRUE(slot.wait());
  EXPECT_TRUE(*slot.value);
  session->invalidateAndCancel();
  EXPECT_NE(data->state(), URLSessionTaskState::Suspended);
  session->delegateQueue()->waitUntilAllOperationsAreFinished();
  for (auto& t : std::vector<Ref<URLSessionTask>>{data, upload, download}) {
    EXPECT_EQ(t->state(), URLSessionTaskState::Completed);
    ASSERT_TRUE(t->error());
    EXPECT_EQ(t->error()->code(), NSURLErrorCancelled);
  }
}

TEST(URLSession, InvalidateAndCancelCancelsThenInvalidates) {
  TestServer server;
  Reply reply = Reply::text("slow");
  reply.stallAfter = 1;
  server.route("/slow", reply);
  auto d = rt::make<FullRecorder>();
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = session->dataTaskWithRequest(requestFor(server.url("/slow")));
  task->resume();
  ASSERT_TRUE(server.waitForRequests(1, 10));
  session->invalidateAndCancel();
  EXPECT_THROW(session->dataTaskWithRequest(requestFor(server.url("/slow"))), rt::Exception);
  ASSERT_TRUE(d->waitFor(&Recorder::invalid));
  {
    std::lock_guard l(d->m);
    ASSERT_TRUE(d->error);
    EXPECT_EQ(d->error->code(), NSURLErrorCancelled);
    EXPECT_EQ(d->events.back(), "invalid");
    EXPECT_EQ(d->events[d->events.size() - 2], "complete");
  }
  session->delegateQueue()->waitUntilAllOperationsAreFinished();
  EXPECT_TRUE(session->isInvalidated());
  EXPECT_EQ(session->delegate(), nullptr);
  server.releaseStalls();
}

TEST(URLSession, FinishTasksAndInvalidateLetsRunningTasksEnd) {
  TestServer server;
  Reply reply = Reply::text("finished");
  reply.delayBeforeHeaders = 0.2;
  server.route("/f", reply);
  auto d = rt::make<FullRecorder>();
  auto session = URLSession::sessionWithConfiguration(testConfiguration(), d);
  session->dataTaskWithRequest(requestFor(server.url("/f")))->resume();
  session->finishTasksAndInvalidate();
  ASSERT_TRUE(d->waitFor(&Recorder::invalid));
  std::lock_guard l(d->m);
  EXPECT_EQ(d->error, nullptr);
  EXPECT_EQ(d->body, "finished");
  EXPECT_EQ(d->events.back(), "invalid");
}

TEST(URLSession, UploadsSendTheirBody) {
  TestServer server;
  server.route("/up", Reply::text("stored"));
  auto dir = std::filesystem::temp_directory_path() / ("net2-upload-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string payload(70000, 'p');
  for (size_t i = 0; i < payload.size(); i += 7) payload[i] = static_cast<char>('a' + i % 26);
  auto file = (dir / "body.bin").string();
  std::ofstream(file, std::ios::binary) << payload;

  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  auto post = [&] {
    auto r = MutableURLRequest::requestWithURL(urlOf(server.url("/up")));
    r->setHTTPMethod("POST");
    r->setValueForHTTPHeaderField(String("application/octet-stream"), "Content-Type");
    return r;
  };
  auto streamed = post();
  streamed->setHTTPBodyStream(InputStream::inputStreamWithData(Data::create(std::string_view(payload))));
  // With its length given the body goes unchunked, so the counts are the payload's.
  streamed->setValueForHTTPHeaderField(String("70000"), "Content-Length");
  struct Case {
    const char* name;
    std::function<Ref<URLSessionTask>(Slot<Outcome>&)> make;
    int64_t expectedToSend;
  } cases[] = {
      {"data",
       [&](Slot<Outcome>& s) {
         return session->uploadTaskWithRequest(post(), Data::create(std::string_view(payload)),
                                               [&s](Ref<Data> d, Ref<URLResponse> r, Ref<Error> e) {
                                                 s.set({d, r, e, false});
                                               });
       },
       70000},
      {"file",
       [&](Slot<Outcome>& s) {
         return session->uploadTaskWithRequest(post(), String(file.c_str()),
                                               [&s](Ref<Data> d, Ref<URLResponse> r, Ref<Error> e) {
                                                 s.set({d, r, e, false});
                                               });
       },
       70000},
  };
  for (auto& c : cases) {
    size_t before = server.requestCount();
    Slot<Outcome> slot;
    auto task = c.make(slot);
    auto out = fetch(task, slot);
    EXPECT_EQ(out.error, nullptr) << c.name;
    EXPECT_EQ(text(out.data), "stored") << c.name;
    ASSERT_EQ(server.requestCount(), before + 1) << c.name;
    EXPECT_EQ(server.requests().back().body, payload) << c.name;
    EXPECT_EQ(task->countOfBytesSent(), 70000) << c.name;
    EXPECT_EQ(task->countOfBytesExpectedToSend(), c.expectedToSend) << c.name;
  }

  // A streamed upload reports its progress through the delegate.
  auto d = rt::make<UploadWatcher>();
  auto delegated = URLSession::sessionWithConfiguration(testConfiguration(), d);
  auto task = delegated->uploadTaskWithStreamedRequest(streamed);
  EXPECT_EQ(task->countOfBytesExpectedToSend(), -1);
  task->resume();
  ASSERT_TRUE(d->waitFor(&Recorder::completed));
  {
    std::lock_guard l(d->m);
    EXPECT_EQ(d->error, nullptr);
    EXPECT_EQ(d->sentSum, 70000);
    EXPECT_EQ(d->sentTotal, 70000);
    EXPECT_EQ(d->events, std::vector<std::string>{"complete"});
  }
  EXPECT_EQ(task->countOfBytesSent(), 70000);
  EXPECT_EQ(server.requests().back().body, payload);

  // A missing file fails the task instead of sending anything.
  Slot<Outcome> slot;
  size_t before = server.requestCount();
  auto missing = session->uploadTaskWithRequest(post(), String((dir / "absent").string().c_str()),
                                                [&slot](Ref<Data> d, Ref<URLResponse> r, Ref<Error> e) {
                                                  slot.set({d, r, e, false});
                                                });
  auto out = fetch(missing, slot);
  ASSERT_TRUE(out.error);
  EXPECT_EQ(out.error->code(), NSURLErrorFileDoesNotExist);
  EXPECT_EQ(server.requestCount(), before);
  std::filesystem::remove_all(dir);
}

TEST(URLSession, RedirectsAreFollowed) {
  TestServer server;
  server.route("/final", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(req.method + " final " + std::to_string(req.body.size()), "text/plain");
  });
  server.route("/moved", Reply::redirect("/final", 302));
  server.route("/see-other", Reply::redirect("/final", 303));
  server.route("/temporary", Reply::redirect("/final", 307));
  server.route("/loop", Reply::redirect("/loop", 302));
  auto session = URLSession::sessionWithConfiguration(testConfiguration());
  struct Case {
    std::string path, method;
    std::string body;
    int64_t code;
  } cases[] = {
      {"/moved", "GET", "GET final 0", 0},
      {"/moved", "POST", "GET final 0", 0},
      {"/see-other", "PUT", "GET final 0", 0},
      {"/temporary", "POST", "POST final 4", 0},
      {"/loop", "GET", "", NSURLErrorHTTPTooManyRedirects},
  };
  for (auto& c : cases) {
    auto r = MutableURLRequest::requestWithURL(urlOf(server.url(c.path)));
    r->setHTTPMethod(String(c.method.c_str()));
    if (c.method != "GET") r->setHTTPBody(Data::create(std::string_view("data")));
    Slot<Outcome> slot;
    auto task = withHandler(session, r, slot);
    auto out = fetch(task, slot);
    EXPECT_EQ(out.error ? out.error->code() : 0, c.code) << c.path << " " << c.method;
    EXPECT_EQ(text(out.data), c.body) << c.path << " " << c.method;
    EXPECT_EQ(task->originalRequest()->URL()->path(), String(c.path.c_str()));
    if (c.code == 0) {
      EXPECT_EQ(task->currentRequest()->URL()->path(), String("/final"));
      EXPECT_EQ(std::dynamic_pointer_cast<HTTPURLResponse>(out.response)->statusCode(), 200);
    }
  }
}

}  // namespace urlsession_test
