#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "net/http/NKHTTPSessionManager.h"
#include "net/http/NKSecurityPolicy.h"
#include "net/http/NKURLResponseSerialization.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Progress.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "tests/net/http/ArchiveEditing.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace session_manager_test {

#undef DELETE

using namespace net;
using nettest::requestFor;
using nettest::str;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

Reply json(const std::string& body, int status = 200) {
  Reply r = Reply::text(body, status);
  r.contentType = "application/json";
  return r;
}

/// Counts one notification name, optionally only for one object.
class Counter {
 public:
  Counter(const char* name, rt::Id object = nullptr) : token_(rt::make<rt::Object>()) {
    fd::NotificationCenter::defaultCenter()->addObserver(
        token_,
        [this](const Ref<fd::Notification>& n) {
          ++count;
          last = n;
          onMain = onMain && fd::Thread::isMainThread();
        },
        fd::String(name), object);
  }
  ~Counter() { fd::NotificationCenter::defaultCenter()->removeObserver(token_); }
  std::atomic<int> count{0};
  Ref<fd::Notification> last;
  bool onMain = true;

 private:
  rt::Id token_;
};

struct Result {
  std::atomic<int> calls{0};
  Ref<fd::URLResponse> response;
  rt::Id object;
  Ref<fd::Error> error;
  bool onMain = false;
  NKURLSessionManager::CompletionHandler handler() {
    return [this](const Ref<fd::URLResponse>& r, const rt::Id& o, const Ref<fd::Error>& e) {
      response = r;
      object = o;
      error = e;
      onMain = fd::Thread::isMainThread();
      ++calls;
    };
  }
};

std::filesystem::path scratch(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / ("kd-session-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir / name;
}

Ref<fd::URL> fileURL(const std::filesystem::path& p) { return fd::URL::fileURLWithPath(fd::String(p.string())); }

}  // namespace

/// An application's own manager: a header of its own on every request.
class BrandedSessionManager : public NKHTTPSessionManager {
  RT_CLASS(BrandedSessionManager, NKHTTPSessionManager)
 public:
  void init() { init(nullptr, nullptr); }
  void init(Ref<fd::URL> baseURL, Ref<fd::URLSessionConfiguration> configuration) {
    NKHTTPSessionManager::init(std::move(baseURL), std::move(configuration));
    requestSerializer()->setValueForHTTPHeaderField(fd::String("branded"), "X-Brand");
  }
};
RT_IMPLEMENT(BrandedSessionManager) {}

TEST(HTTPSessionManager, GetParsesJSONOnMainAndAnnouncesTaskLifecycle) {
  TestServer server;
  server.route("/v1/items", json(R"({"items":[1,2,3]})"));
  auto manager = NKHTTPSessionManager::create(testsupport::urlOf(server.url("/v1")));
  Counter resumed(NKNetworkingTaskDidResumeNotification);
  int successes = 0;
  rt::Id object;
  bool onMain = false;
  auto task = manager->GET(
      "items", nullptr,
      [&](const Ref<fd::URLSessionDataTask>& t, const rt::Id& o) {
        ++successes;
        object = o;
        onMain = fd::Thread::isMainThread();
        EXPECT_TRUE(t);
      },
      [](const Ref<fd::URLSessionDataTask>&, const Ref<fd::Error>& e) { ADD_FAILURE() << e->description().utf8(); });
  ASSERT_TRUE(task);
  EXPECT_EQ(task->taskDescription(), manager->taskDescriptionForSessionTasks());
  Counter completed(NKNetworkingTaskDidCompleteNotification, task);
  ASSERT_TRUE(waitUntil([&] { return successes == 1 && completed.count == 1; }));
  EXPECT_TRUE(onMain);
  auto dict = rt::as<fd::Dictionary>(object);
  ASSERT_TRUE(dict);
  EXPECT_TRUE(dict->objectForKey("items"));
  EXPECT_EQ(server.requests().at(0).path, "/v1/items");  // resolved beneath the base path
  ASSERT_TRUE(waitUntil([&] { return resumed.last && resumed.last->object() == task; }));
  EXPECT_TRUE(resumed.onMain && completed.onMain);
  auto info = completed.last->userInfo();
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->objectForKey(NKNetworkingTaskDidCompleteResponseSerializerKey));
  EXPECT_EQ(str(rt::as<fd::Data>(info->objectForKey(NKNetworkingTaskDidCompleteResponseDataKey))),
            R"({"items":[1,2,3]})");
  EXPECT_EQ(info->objectForKey(NKNetworkingTaskDidCompleteSerializedResponseKey), object);
  EXPECT_FALSE(info->objectForKey(NKNetworkingTaskDidCompleteErrorKey));
  EXPECT_TRUE(manager->tasks().empty());
}

TEST(HTTPSessionManager, FailuresReachTheFailureBlock) {
  TestServer server;
  server.route("/missing", json(R"({"error":"gone"})", 404));
  server.route("/garbled", json("{not json"));
  auto manager = NKHTTPSessionManager::create(testsupport::urlOf(server.url("/")));
  struct Case {
    const char* path;
    int64_t code;
  } cases[] = {{"missing", fd::NSURLErrorBadServerResponse}, {"garbled", -1}};
  for (auto& c : cases) {
    SCOPED_TRACE(c.path);
    Ref<fd::Error> error;
    bool hadTask = false;
    manager->GET(
        c.path, nullptr, [](const Ref<fd::URLSessionDataTask>&, const rt::Id&) { ADD_FAILURE(); },
        [&](const Ref<fd::URLSessionDataTask>& t, const Ref<fd::Error>& e) {
          hadTask = t != nullptr;
          error = e;
        });
    ASSERT_TRUE(waitUntil([&] { return error != nullptr; }));
    EXPECT_TRUE(hadTask);
    if (c.code != -1) {
      EXPECT_EQ(error->code(), c.code);
    }
  }
  // A refused connection is a transport error, with the task.
  auto closed = NKHTTPSessionManager::create(testsupport::urlOf("http://127.0.0.1:1/"));
  Ref<fd::Error> error;
  closed->GET("x", nullptr, nullptr, [&](const Ref<fd::URLSessionDataTask>&, const Ref<fd::Error>& e) { error = e; });
  ASSERT_TRUE(waitUntil([&] { return error != nullptr; }));
  EXPECT_EQ(error->domain(), fd::String("NSURLErrorDomain"));
}

TEST(HTTPSessionManager, VerbsAndHead) {
  TestServer server;
  server.route("/r", json(R"({"ok":true})"));
  auto manager = NKHTTPSessionManager::create(testsupport::urlOf(server.url("/")));
  std::atomic<int> done{0};
  auto ok = [&](const Ref<fd::URLSessionDataTask>&, const rt::Id&) { ++done; };
  auto fail = [](const Ref<fd::URLSessionDataTask>&, const Ref<fd::Error>& e) { ADD_FAILURE() << e->description().utf8(); };
  auto p = fd::Dictionary::withStrings({{fd::String("a"), fd::StringObject::create("1")}});
  manager->POST("r", p, ok, fail);
  manager->PUT("r", p, ok, fail);
  manager->PATCH("r", p, ok, fail);
  manager->DELETE("r", p, ok, fail);
  manager->HEAD("r", p, [&](const Ref<fd::URLSessionDataTask>& t) { done += t ? 1 : 0; }, fail);
  ASSERT_TRUE(waitUntil([&] { return done == 5; }));
  std::multiset<std::string> seen;
  for (auto& r : server.requests()) {
    seen.insert(r.method + " " + r.target + " " + r.body);
  }
  EXPECT_EQ(seen, (std::multiset<std::string>{"POST /r a=1", "PUT /r a=1", "PATCH /r a=1", "DELETE /r?a=1 ",
                                              "HEAD /r?a=1 "}));
}

TEST(HTTPSessionManager, BaseURLGainsATrailingSlashOnlyWithAPath) {
  struct {
    const char* given;
    const char* stored;
  } cases[] = {{"http://127.0.0.1/v1", "http://127.0.0.1/v1/"},
               {"http://127.0.0.1/v1/", "http://127.0.0.1/v1/"},
               {"http://127.0.0.1", "http://127.0.0.1"}};
  for (auto& c : cases) {
    auto m = NKHTTPSessionManager::create(fd::URL::URLWithString(c.given));
    EXPECT_EQ(m->baseURL()->absoluteString().utf8(), c.stored);
  }
  EXPECT_FALSE(NKHTTPSessionManager::manager()->baseURL());
}

TEST(HTTPSessionManager, RequestBuildErrorMakesNoTaskAndFailsOnTheCompletionQueue) {
  auto manager = NKHTTPSessionManager::manager();
  // Parameters in a body are refused for a GET-like method when the serializer cannot encode
  // them; an unparseable URL string is the plainest build failure.
  Ref<fd::Error> error;
  bool hadTask = true;
  auto task = manager->GET("http://[broken", nullptr, nullptr, [&](const Ref<fd::URLSessionDataTask>& t, const Ref<fd::Error>& e) {
    hadTask = t != nullptr;
    error = e;
  });
  EXPECT_FALSE(task);
  ASSERT_TRUE(waitUntil([&] { return error != nullptr; }));
  EXPECT_FALSE(hadTask);
  EXPECT_FALSE(manager->GET("http://[broken", nullptr, nullptr, nullptr));  // nobody to tell: just null
}

TEST(URLSessionManager, UploadsReportProgressFromDataFileAndStream) {
  TestServer server;
  std::string bodyText(60000, 'u');
  server.route("/up", json(R"({"stored":true})"));
  auto manager = NKURLSessionManager::create();

  auto request = requestFor(server.url("/up"));
  request->setHTTPMethod("POST");
  request->setValueForHTTPHeaderField("application/octet-stream", "Content-Type");
  Ref<fd::Progress> dataProgress;
  Result fromData;
  auto t1 = manager->uploadTaskWithRequest(request, fd::Data::create(bodyText), &dataProgress, fromData.handler());
  ASSERT_TRUE(t1 && dataProgress);
  EXPECT_EQ(dataProgress->totalUnitCount(), 60000);
  EXPECT_EQ(manager->uploadProgressForTask(t1), dataProgress);
  EXPECT_EQ(manager->downloadProgressForTask(t1), dataProgress);
  t1->resume();

  auto path = scratch("upload.bin");
  std::ofstream(path) << bodyText;
  Result fromFile;
  Ref<fd::Progress> fileProgress;
  auto t2 = manager->uploadTaskWithRequest(request, fileURL(path), &fileProgress, fromFile.handler());
  t2->resume();

  // A stream has no known size: the declared Content-Length stands in, else it stays unknown.
  auto streamed = requestFor(server.url("/up"));
  streamed->setHTTPMethod("POST");
  streamed->setValueForHTTPHeaderField("application/octet-stream", "Content-Type");
  streamed->setHTTPBodyStream(fd::InputStream::inputStreamWithData(fd::Data::create(bodyText)));
  streamed->setValueForHTTPHeaderField("60000", "Content-Length");
  Ref<fd::Progress> streamProgress;
  Result fromStream;
  auto t3 = manager->uploadTaskWithStreamedRequest(streamed, &streamProgress, fromStream.handler());
  EXPECT_EQ(streamProgress->totalUnitCount(), 60000);
  auto undeclared = requestFor(server.url("/up"));
  undeclared->setHTTPBodyStream(fd::InputStream::inputStreamWithData(fd::Data::create("x")));
  Ref<fd::Progress> unknown;
  manager->uploadTaskWithStreamedRequest(undeclared, &unknown, nullptr);
  EXPECT_EQ(unknown->totalUnitCount(), -1);
  t3->resume();

  ASSERT_TRUE(waitUntil([&] { return fromData.calls == 1 && fromFile.calls == 1 && fromStream.calls == 1; }));
  for (Result* r : {&fromData, &fromFile, &fromStream}) {
    SCOPED_TRACE(r == &fromData ? "data" : r == &fromFile ? "file" : "stream");
    EXPECT_FALSE(r->error) << r->error->description().utf8();
    EXPECT_TRUE(rt::as<fd::Dictionary>(r->object));
    EXPECT_TRUE(r->onMain);
  }
  EXPECT_EQ(dataProgress->completedUnitCount(), 60000);
  EXPECT_EQ(fileProgress->completedUnitCount(), 60000);
  EXPECT_EQ(streamProgress->completedUnitCount(), 60000);
  for (auto& r : server.requests()) {
    EXPECT_EQ(r.body.size(), 60000u);
  }
}

TEST(URLSessionManager, DownloadMovesToDestinationOrReportsTheMoveError) {
  TestServer server;
  std::string payload(300000, 'd');
  server.route("/file", Reply::text(payload));
  auto manager = NKURLSessionManager::create();
  manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());

  auto target = scratch("download.bin");
  std::filesystem::remove(target);
  Ref<fd::Progress> progress;
  Result good;
  auto task = manager->downloadTaskWithRequest(
      requestFor(server.url("/file")), &progress,
      [&](const Ref<fd::URL>&, const Ref<fd::URLResponse>& response) {
        EXPECT_TRUE(response);
        return fileURL(target);
      },
      good.handler());
  Counter completed(NKNetworkingTaskDidCompleteNotification, task);
  task->resume();
  ASSERT_TRUE(waitUntil([&] { return good.calls == 1 && completed.count == 1; }));
  EXPECT_FALSE(good.error);
  auto url = rt::as<fd::URL>(good.object);
  ASSERT_TRUE(url);
  EXPECT_EQ(url->path().utf8(), target.string());
  EXPECT_EQ(std::filesystem::file_size(target), payload.size());
  EXPECT_EQ(progress->completedUnitCount(), 300000);
  EXPECT_TRUE(completed.last->userInfo()->objectForKey(NKNetworkingTaskDidCompleteAssetPathKey));

  // A destination that cannot be written: announced, and the completion hears the error.
  Counter moveFailed(NKURLSessionDownloadTaskDidFailToMoveFileNotification);
  Result bad;
  auto nowhere = scratch("no-such-dir") / "sub" / "file.bin";
  manager->downloadTaskWithRequest(requestFor(server.url("/file")), nullptr,
                                   [&](const Ref<fd::URL>&, const Ref<fd::URLResponse>&) { return fileURL(nowhere); },
                                   bad.handler())
      ->resume();
  ASSERT_TRUE(waitUntil([&] { return bad.calls == 1; }));
  EXPECT_EQ(moveFailed.count, 1);
  ASSERT_TRUE(bad.error);
  EXPECT_EQ(rt::as<fd::URL>(bad.object)->path().utf8(), nowhere.string());

  // No destination: the file stays where the session put it; the empty body is what is parsed.
  Result none;
  auto plain = manager->downloadTaskWithRequest(requestFor(server.url("/file")), nullptr, nullptr, none.handler());
  Counter completedAgain(NKNetworkingTaskDidCompleteNotification, plain);
  plain->resume();
  ASSERT_TRUE(waitUntil([&] { return none.calls == 1 && completedAgain.count == 1; }));
  EXPECT_FALSE(none.error);
  auto info = completedAgain.last->userInfo();
  EXPECT_FALSE(info->objectForKey(NKNetworkingTaskDidCompleteAssetPathKey));
  auto body = rt::as<fd::Data>(info->objectForKey(NKNetworkingTaskDidCompleteResponseDataKey));
  ASSERT_TRUE(body);
  EXPECT_EQ(body->length(), 0u);
}

TEST(URLSessionManager, DownloadGoesOnFromResumeData) {
  // Before the server, which outlives it: the cancelled transfer may still be read from it.
  std::string payload(2 * 1024 * 1024, 'r');
  for (size_t i = 0; i < payload.size(); i += 4096) payload[i] = static_cast<char>('a' + (i / 4096) % 26);
  TestServer server;
  server.route("/big", [&](const httplib::Request& req, httplib::Response& res) {
    // The server library answers a Range request with the part asked for.
    (void)req;
    res.set_header("ETag", "\"v1\"");
    res.set_content(payload, "application/octet-stream");
  });
  auto manager = NKURLSessionManager::create();
  manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());
  std::atomic<int64_t> written{0};
  manager->setDownloadTaskDidWriteDataBlock(
      [&](const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t, int64_t total, int64_t) {
        written = total;
      });
  std::atomic<int64_t> resumedAt{-1};
  manager->setDownloadTaskDidResumeBlock(
      [&](const Ref<fd::URLSession>&, const Ref<fd::URLSessionDownloadTask>&, int64_t offset, int64_t) {
        resumedAt = offset;
      });
  Result first;
  auto task = manager->downloadTaskWithRequest(requestFor(server.url("/big")), nullptr, nullptr, first.handler());
  task->resume();
  ASSERT_TRUE(waitUntil([&] { return written > 0 || first.calls > 0; }));
  Ref<fd::Data> resumeData;
  std::atomic<bool> answered{false};
  task->cancelByProducingResumeData([&](Ref<fd::Data> d) {
    resumeData = d;
    answered = true;
  });
  ASSERT_TRUE(waitUntil([&] { return answered && first.calls == 1; }));
  if (!resumeData) GTEST_SKIP() << "the whole body arrived before the cancel";
  auto target = scratch("resumed.bin");
  std::filesystem::remove(target);
  Ref<fd::Progress> progress;
  Result second;
  manager->downloadTaskWithResumeData(resumeData, &progress,
                                      [&](const Ref<fd::URL>&, const Ref<fd::URLResponse>&) { return fileURL(target); },
                                      second.handler())
      ->resume();
  ASSERT_TRUE(waitUntil([&] { return second.calls == 1; }));
  EXPECT_FALSE(second.error);
  // The resume notice comes from the delegate queue, which may still be delivering it.
  EXPECT_TRUE(waitUntil([&] { return resumedAt >= 0; }));
  EXPECT_GT(resumedAt, 0);
  std::ifstream in(target, std::ios::binary);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(got == payload);
  EXPECT_EQ(progress->completedUnitCount(), static_cast<int64_t>(payload.size()));
}

TEST(URLSessionManager, ResumeNotificationsAreOnlyForTheManagersOwnTasksAndRealChanges) {
  TestServer server;
  Reply slow = Reply::text("slow");
  slow.delayBeforeHeaders = 0.3;
  server.route("/slow", slow);
  auto first = NKURLSessionManager::create();
  auto second = NKURLSessionManager::create();
  Counter own(NKNetworkingTaskDidResumeNotification), process(NKNetworkingTaskDidResumeProcessNotification);
  Counter suspended(NKNetworkingTaskDidSuspendNotification);

  auto mine = first->dataTaskWithRequest(requestFor(server.url("/slow")), nullptr);
  auto theirs = second->dataTaskWithRequest(requestFor(server.url("/slow")), nullptr);
  auto bare = fd::URLSession::sessionWithConfiguration(fd::URLSessionConfiguration::ephemeralSessionConfiguration())
                  ->dataTaskWithRequest(requestFor(server.url("/slow")));
  mine->resume();
  mine->resume();  // already running: no second notice
  theirs->resume();
  bare->resume();
  ASSERT_TRUE(waitUntil([&] { return own.count >= 2 && process.count >= 3; }));
  waitUntil([] { return false; }, 0.1);
  EXPECT_EQ(own.count, 2);  // one for each manager's own task, none for the bare one
  EXPECT_EQ(process.count, 3);
  mine->suspend();
  mine->suspend();
  ASSERT_TRUE(waitUntil([&] { return suspended.count >= 1; }));
  waitUntil([] { return false; }, 0.1);
  EXPECT_EQ(suspended.count, 1);
  mine->cancel();
  theirs->cancel();
  bare->cancel();
}

TEST(URLSessionManager, TaskListingsAnswerFromAnyQueueWithoutDeadlock) {
  TestServer server;
  Reply chunks = Reply::text(std::string(64 * 1024, 'c'));
  chunks.chunked = true;
  chunks.chunkSize = 8 * 1024;
  chunks.delayBetweenChunks = 0.02;
  server.route("/c", chunks);
  auto manager = NKURLSessionManager::create();
  manager->setResponseSerializer(NKHTTPResponseSerializer::serializer());
  std::atomic<size_t> seenOnDelegateQueue{0};
  manager->setDataTaskDidReceiveDataBlock(
      [&](const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::Data>&) {
        seenOnDelegateQueue = manager->tasks().size();
      });
  Result a, b;
  auto data = manager->dataTaskWithRequest(requestFor(server.url("/c")), a.handler());
  auto upload = manager->uploadTaskWithRequest(requestFor(server.url("/c")), fd::Data::create("x"), nullptr, b.handler());
  auto download = manager->downloadTaskWithRequest(requestFor(server.url("/c")), nullptr, nullptr, nullptr);
  EXPECT_EQ(manager->tasks().size(), 3u);
  EXPECT_EQ(manager->dataTasks(), std::vector<Ref<fd::URLSessionTask>>{data});
  EXPECT_EQ(manager->uploadTasks(), std::vector<Ref<fd::URLSessionTask>>{upload});
  EXPECT_EQ(manager->downloadTasks(), std::vector<Ref<fd::URLSessionTask>>{download});
  data->resume();
  upload->resume();
  download->resume();
  ASSERT_TRUE(waitUntil([&] { return a.calls == 1 && b.calls == 1 && manager->tasks().empty(); }));
  EXPECT_GE(seenOnDelegateQueue, 1u);
}

TEST(URLSessionManager, BlocksOverrideRedirectsAndTheResponseCallbackFollowsItsBlock) {
  TestServer server;
  server.route("/from", Reply::redirect("/to"));
  server.route("/to", json(R"({"where":"to"})"));
  server.route("/elsewhere", json(R"({"where":"elsewhere"})"));
  auto manager = NKURLSessionManager::create();
  EXPECT_FALSE(manager->respondsToSelector(fd::URLSessionDelegate::kDidReceiveResponse));
  EXPECT_FALSE(manager->respondsToSelector(fd::URLSessionDelegate::kWillPerformHTTPRedirection));
  EXPECT_TRUE(manager->respondsToSelector(fd::URLSessionDelegate::kDidCompleteWithError));

  Result plain;
  manager->dataTaskWithRequest(requestFor(server.url("/from")), plain.handler())->resume();
  ASSERT_TRUE(waitUntil([&] { return plain.calls == 1; }));
  EXPECT_EQ(rt::as<fd::StringObject>(rt::as<fd::Dictionary>(plain.object)->objectForKey("where"))->string().utf8(), "to");

  manager->setTaskWillPerformHTTPRedirectionBlock(
      [&](const Ref<fd::URLSession>&, const Ref<fd::URLSessionTask>&, const Ref<fd::HTTPURLResponse>&,
          const Ref<fd::URLRequest>&) -> Ref<fd::URLRequest> { return requestFor(server.url("/elsewhere")); });
  std::atomic<int> responses{0};
  manager->setDataTaskDidReceiveResponseBlock(
      [&](const Ref<fd::URLSession>&, const Ref<fd::URLSessionDataTask>&, const Ref<fd::URLResponse>&) {
        ++responses;
        return fd::URLSessionResponseDisposition::Allow;
      });
  EXPECT_TRUE(manager->respondsToSelector(fd::URLSessionDelegate::kDidReceiveResponse));
  Result redirected;
  manager->dataTaskWithRequest(requestFor(server.url("/from")), redirected.handler())->resume();
  ASSERT_TRUE(waitUntil([&] { return redirected.calls == 1; }));
  EXPECT_EQ(rt::as<fd::StringObject>(rt::as<fd::Dictionary>(redirected.object)->objectForKey("where"))->string().utf8(),
            "elsewhere");
  EXPECT_EQ(responses, 1);
}

TEST(URLSessionManager, ServerTrustFollowsTheSecurityPolicy) {
  auto identity = testsupport::TestIdentity::selfSigned("localhost");
  TestServer server(identity);
  server.route("/s", json(R"({"secure":true})"));
  auto manager = NKURLSessionManager::create();
  Result refused;
  manager->dataTaskWithRequest(requestFor(server.url("/s")), refused.handler())->resume();
  ASSERT_TRUE(waitUntil([&] { return refused.calls == 1; }));
  ASSERT_TRUE(refused.error);
  EXPECT_EQ(server.requestCount(), 0u);

  auto lenient = NKSecurityPolicy::defaultPolicy();
  lenient->setAllowInvalidCertificates(true);
  lenient->setValidatesDomainName(false);
  manager->setSecurityPolicy(lenient);
  Result accepted;
  manager->dataTaskWithRequest(requestFor(server.url("/s")), accepted.handler())->resume();
  ASSERT_TRUE(waitUntil([&] { return accepted.calls == 1; }));
  EXPECT_FALSE(accepted.error) << accepted.error->description().utf8();
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST(URLSessionManager, CompletionQueueGroupAndInvalidation) {
  TestServer server;
  server.route("/j", json("[1]"));
  auto manager = NKURLSessionManager::create();
  auto queue = dispatch::Queue::createSerial("test.completion");
  auto group = dispatch::Group::create();
  manager->setCompletionQueue(queue);
  manager->setCompletionGroup(group);
  std::atomic<bool> onQueue{false}, groupDone{false};
  manager->dataTaskWithRequest(requestFor(server.url("/j")),
                               [&](const Ref<fd::URLResponse>&, const rt::Id&, const Ref<fd::Error>&) {
                                 onQueue = dispatch::Queue::current() == queue.get();
                               })
      ->resume();
  ASSERT_TRUE(server.waitForRequests(1, 10));
  ASSERT_TRUE(waitUntil([&] { return onQueue.load(); }));
  group->notify(queue, [&] { groupDone = true; });
  ASSERT_TRUE(waitUntil([&] { return groupDone.load(); }));

  Counter invalidated(NKURLSessionDidInvalidateNotification, manager->session());
  std::atomic<bool> blockRan{false};
  manager->setSessionDidBecomeInvalidBlock([&](const Ref<fd::URLSession>&, const Ref<fd::Error>&) { blockRan = true; });
  manager->invalidateSessionCancelingTasks(true);
  ASSERT_TRUE(waitUntil([&] { return invalidated.count == 1; }));
  EXPECT_TRUE(blockRan);
  EXPECT_TRUE(manager->session()->isInvalidated());
}

TEST(SessionManagers, CopyAndArchiveKeepTheConfiguration) {
  auto config = fd::URLSessionConfiguration::ephemeralSessionConfiguration();
  config->setTimeoutIntervalForRequest(17);
  auto manager = NKURLSessionManager::create(config);
  manager->setTaskDidCompleteBlock([](auto&, auto&, auto&) {});
  auto copy = rt::as<NKURLSessionManager>(manager->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->session()->configuration()->timeoutIntervalForRequest(), 17);
  EXPECT_EQ(copy->session()->configuration()->kind(), fd::URLSessionConfiguration::Kind::Ephemeral);
  EXPECT_TRUE(std::dynamic_pointer_cast<NKJSONResponseSerializer>(copy->responseSerializer()));
  EXPECT_TRUE(NKURLSessionManager::create()->session()->configuration()->kind() ==
              fd::URLSessionConfiguration::Kind::Default);

  auto http = NKHTTPSessionManager::create(fd::URL::URLWithString("http://127.0.0.1/api"), config);
  http->setHTTPResponseSerializer(NKHTTPResponseSerializer::serializer());
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(http);
  auto back = rt::as<NKHTTPSessionManager>(fd::KeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->baseURL()->absoluteString().utf8(), "http://127.0.0.1/api/");
  EXPECT_EQ(back->session()->configuration()->timeoutIntervalForRequest(), 17);
  EXPECT_EQ(back->HTTPResponseSerializer()->getClass(), NKHTTPResponseSerializer::classObject());
  EXPECT_TRUE(back->requestSerializer());
  auto httpCopy = rt::as<NKHTTPSessionManager>(http->copy());
  EXPECT_EQ(httpCopy->baseURL()->absoluteString(), http->baseURL()->absoluteString());
  EXPECT_NE(httpCopy->requestSerializer(), http->requestSerializer());
}

TEST(HTTPSessionManager, CopyIsOfTheReceiversClassWithItsURLAndConfiguration) {
  TestServer server;
  server.route("/api/ping", json(R"({"ok":true})"));
  auto config = fd::URLSessionConfiguration::ephemeralSessionConfiguration();
  config->setTimeoutIntervalForRequest(23);
  auto original = rt::make<BrandedSessionManager>(testsupport::urlOf(server.url("/api")), config);
  ASSERT_TRUE(original);
  auto copy = rt::as<BrandedSessionManager>(original->copy());
  ASSERT_TRUE(copy) << "the copy is not of the receiver's class";
  EXPECT_EQ(copy->baseURL()->absoluteString(), original->baseURL()->absoluteString());
  EXPECT_EQ(copy->session()->configuration()->timeoutIntervalForRequest(), 23);
  EXPECT_EQ(copy->session()->configuration()->kind(), fd::URLSessionConfiguration::Kind::Ephemeral);
  EXPECT_NE(copy->requestSerializer(), original->requestSerializer());

  // The copy works: its request resolves beneath the copied URL and carries the subclass's header.
  std::atomic<int> successes{0};
  ASSERT_TRUE(copy->GET("ping", nullptr, [&](auto&, auto&) { ++successes; },
                        [](auto&, const Ref<fd::Error>& e) { ADD_FAILURE() << e->description().utf8(); }));
  ASSERT_TRUE(waitUntil([&] { return successes == 1; }));
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0].path, "/api/ping");
  EXPECT_EQ(server.requests()[0].header("X-Brand"), "branded");
  EXPECT_EQ(rt::as<NKHTTPSessionManager>(NKHTTPSessionManager::manager()->copy())->getClass(),
            NKHTTPSessionManager::classObject());
}

TEST(HTTPSessionManager, NullRequestSerializerKeepsTheDefault) {
  TestServer server;
  server.route("/echo", json(R"({"ok":true})"));
  auto fromSetter = NKHTTPSessionManager::create(testsupport::urlOf(server.url("/")));
  fromSetter->setRequestSerializer(nullptr);
  auto archive = fd::KeyedArchiver::archivedDataWithRootObject(fromSetter);
  auto edited = nettest::archiveWithoutKey(archive, "requestSerializer");
  ASSERT_TRUE(edited);
  auto decoded = rt::as<NKHTTPSessionManager>(fd::KeyedUnarchiver::unarchiveObjectWithData(edited));
  ASSERT_TRUE(decoded);
  for (const auto& manager : {fromSetter, decoded}) {
    ASSERT_TRUE(manager->requestSerializer());
    EXPECT_EQ(manager->requestSerializer()->getClass(), NKHTTPRequestSerializer::classObject());
    std::atomic<int> successes{0};
    ASSERT_TRUE(manager->POST("echo", nullptr, [&](auto&, auto&) { ++successes; },
                              [](auto&, const Ref<fd::Error>& e) { ADD_FAILURE() << e->description().utf8(); }));
    ASSERT_TRUE(waitUntil([&] { return successes == 1; }));
  }
  EXPECT_EQ(server.requests().size(), 2u);
}

}  // namespace session_manager_test
