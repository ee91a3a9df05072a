// Observers of a session task see its state and byte counts change.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <thread>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlsession_observing_test {

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

int64_t intOf(const Id& boxed) {
  auto n = rt::as<Number>(boxed);
  EXPECT_TRUE(n);
  return n ? n->longLongValue() : -100;
}

/// Keeps every change it is told of, per key, and wakes a waiter when the task completes.
class TaskWatcher : public Object {
  RT_CLASS(TaskWatcher, Object)
 public:
  std::mutex m;
  std::condition_variable cv;
  std::map<std::string, std::vector<int64_t>> news, olds;

  void observeValueForKeyPath(const String& keyPath, Object*, const rt::KeyValueChange& change, void*) override {
    std::lock_guard l(m);
    if (change.hasNew) news[keyPath.utf8()].push_back(intOf(change.newValue));
    if (change.hasOld) olds[keyPath.utf8()].push_back(intOf(change.oldValue));
    cv.notify_all();
  }
  bool waitForState(URLSessionTaskState s) {
    std::unique_lock l(m);
    return cv.wait_for(l, std::chrono::seconds(10), [&] {
      auto& v = news["state"];
      return !v.empty() && v.back() == static_cast<int64_t>(s);
    });
  }
  std::vector<int64_t> seen(const char* key) {
    std::lock_guard l(m);
    return news[key];
  }
};
RT_IMPLEMENT(TaskWatcher) {}

const char* const kKeys[] = {"state", "countOfBytesReceived", "countOfBytesSent"};

/// Watches `task` for the test's length.
struct Watch {
  Ref<URLSessionTask> task;
  Ref<TaskWatcher> watcher = rt::make<TaskWatcher>();
  explicit Watch(Ref<URLSessionTask> t) : task(std::move(t)) {
    for (auto key : kKeys) task->addObserver(watcher.get(), key, rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld);
  }
  ~Watch() {
    for (auto key : kKeys) task->removeObserver(watcher.get(), key);
  }
};

Ref<URLSession> makeSession() {
  auto c = URLSessionConfiguration::defaultSessionConfiguration();
  c->setURLCache(URLCache::create(1 << 20, 0, String()));
  return URLSession::sessionWithConfiguration(c);
}

constexpr int64_t R = static_cast<int64_t>(URLSessionTaskState::Running);
constexpr int64_t S = static_cast<int64_t>(URLSessionTaskState::Suspended);
constexpr int64_t C = static_cast<int64_t>(URLSessionTaskState::Canceling);
constexpr int64_t D = static_cast<int64_t>(URLSessionTaskState::Completed);

}  // namespace

TEST(URLSessionObserving, StateChangesReachObservers) {
  TestServer server;
  server.route("/slow", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    res.set_content("late", "text/plain");
  });
  auto session = makeSession();
  struct Case {
    const char* name;
    std::function<void(URLSessionTask&)> drive;
    std::vector<int64_t> states, olds;
  } cases[] = {
      {"load", [](URLSessionTask& t) { t.resume(); }, {R, D}, {S, R}},
      {"cancel unstarted", [](URLSessionTask& t) { t.cancel(); }, {C, D}, {S, C}},
      {"suspend and resume",
       [](URLSessionTask& t) {
         t.resume();
         t.suspend();
         t.suspend();  // no change, no notice
         t.resume();
       },
       {R, S, R, D},
       {S, R, S, R}},
      {"cancel running",
       [](URLSessionTask& t) {
         t.resume();
         t.cancel();
         t.cancel();
       },
       {R, C, D},
       {S, R, C}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Past the cache, so that every case waits for the server.
    Watch w(session->dataTaskWithRequest(URLRequest::requestWithURL(urlOf(server.url("/slow")),
                                                                    URLRequestCachePolicy::ReloadIgnoringLocalCacheData,
                                                                    kDefaultURLRequestTimeout),
                                         [](Ref<Data>, Ref<URLResponse>, Ref<Error>) {}));
    c.drive(*w.task);
    ASSERT_TRUE(w.watcher->waitForState(URLSessionTaskState::Completed));
    EXPECT_EQ(w.watcher->seen("state"), c.states);
    std::lock_guard l(w.watcher->m);
    EXPECT_EQ(w.watcher->olds["state"], c.olds);
    EXPECT_EQ(intOf(w.task->valueForKey("state")), D);
  }
}

TEST(URLSessionObserving, ByteCountsGrowToTheBodySizes) {
  TestServer server;
  const std::string body(200000, 'b');
  const std::string upload(100000, 'u');
  server.route("/big", Reply::text(body));
  server.route("/up", Reply::text("ok"));
  auto session = makeSession();

  auto get = MutableURLRequest::requestWithURL(urlOf(server.url("/big")));
  get->setValueForHTTPHeaderField(String("identity"), "Accept-Encoding");
  Watch down(session->dataTaskWithRequest(get, [](Ref<Data>, Ref<URLResponse>, Ref<Error>) {}));
  auto post = MutableURLRequest::requestWithURL(urlOf(server.url("/up")));
  post->setHTTPMethod("POST");
  post->setValueForHTTPHeaderField(String("application/octet-stream"), "Content-Type");
  Watch up(session->uploadTaskWithRequest(post, Data::create(std::string_view(upload)),
                                          [](Ref<Data>, Ref<URLResponse>, Ref<Error>) {}));
  down.task->resume();
  up.task->resume();
  ASSERT_TRUE(down.watcher->waitForState(URLSessionTaskState::Completed));
  ASSERT_TRUE(up.watcher->waitForState(URLSessionTaskState::Completed));

  struct Case {
    Watch& watch;
    const char* key;
    int64_t total;
  } cases[] = {{down, "countOfBytesReceived", static_cast<int64_t>(body.size())},
               {up, "countOfBytesSent", static_cast<int64_t>(upload.size())},
               {up, "countOfBytesReceived", 2}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.key);
    auto seen = c.watch.watcher->seen(c.key);
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_EQ(seen.back(), c.total);
    EXPECT_EQ(intOf(c.watch.task->valueForKey(c.key)), c.total);
  }
  EXPECT_TRUE(down.watcher->seen("countOfBytesSent").empty());
}

}  // namespace urlsession_observing_test
