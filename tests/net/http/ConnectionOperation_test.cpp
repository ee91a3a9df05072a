#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>

#include "net/http/NKSecurityPolicy.h"
#include "net/http/NKURLConnectionOperation.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/files/Stream.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

using namespace net;
using nettest::NotificationLog;
using nettest::requestFor;
using nettest::str;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

constexpr int64_t kPaused = -1, kReady = 1, kExecuting = 2, kFinished = 3;

/// A stream that never takes a byte.
class FullOutputStream : public fd::OutputStream {
  RT_CLASS(FullOutputStream, fd::OutputStream)
 public:
  int64_t write(const uint8_t*, size_t) override { return 0; }
  bool hasSpaceAvailable() const override { return true; }
};
RT_IMPLEMENT(FullOutputStream) {}

/// A stream that reports no room and no error.
class RoomlessOutputStream : public fd::OutputStream {
  RT_CLASS(RoomlessOutputStream, fd::OutputStream)
 public:
  bool hasSpaceAvailable() const override { return false; }
};
RT_IMPLEMENT(RoomlessOutputStream) {}

Ref<NKURLConnectionOperation> operation(const std::string& url) { return NKURLConnectionOperation::create(requestFor(url)); }

std::string bigText(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += std::to_string(i) + ";";
  s.resize(n);
  return s;
}

}  // namespace

TEST(ConnectionOperation, PlainInitYieldsNothingAndDefaultsAreSet) {
  EXPECT_FALSE(rt::make<NKURLConnectionOperation>());
  auto op = operation("http://127.0.0.1:1/x");
  ASSERT_TRUE(op);
  EXPECT_EQ(op->state(), kReady);
  EXPECT_TRUE(op->isReady());
  EXPECT_TRUE(op->isConcurrent());
  EXPECT_TRUE(op->shouldUseCredentialStorage());
  EXPECT_TRUE(op->securityPolicy());
  EXPECT_EQ(op->lock().name(), fd::String("com.trevanode.networking.operation.lock"));
  ASSERT_EQ(op->runLoopModes()->count(), 1u);
  EXPECT_EQ(fd::stringValue(op->runLoopModes()->objects()[0]), fd::String(fd::NSRunLoopCommonModes));
  EXPECT_TRUE(op->outputStream());
  EXPECT_EQ(op->networkRequestThread(), NKURLConnectionOperation::networkRequestThread());
}

TEST(ConnectionOperation, StateTransitionTable) {
  struct Case {
    int64_t from;
    int64_t to;
    bool cancelled;
    bool allowed;
  };
  Case cases[] = {
      {kReady, kPaused, false, true},     {kReady, kExecuting, false, true},  {kReady, kFinished, false, false},
      {kReady, kFinished, true, true},    {kExecuting, kPaused, false, true}, {kExecuting, kFinished, false, true},
      {kExecuting, kReady, false, false}, {kFinished, kReady, false, false},  {kFinished, kExecuting, false, false},
      {kPaused, kReady, false, true},     {kPaused, kExecuting, false, false}, {kPaused, kFinished, false, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    auto op = operation("http://127.0.0.1:1/x");
    // Walk to the starting state through allowed steps.
    if (c.from == kExecuting || c.from == kFinished) op->setState(kExecuting);
    if (c.from == kFinished) op->setState(kFinished);
    if (c.from == kPaused) op->setState(kPaused);
    ASSERT_EQ(op->state(), c.from);
    if (c.cancelled) op->fd::Operation::cancel();
    std::vector<std::string> events;
    for (const char* key : {"isPaused", "isReady", "isExecuting", "isFinished"}) {
      op->observe(key, rt::KeyValueObservingOptionPrior,
                  [&events, key](rt::Object*, const rt::KeyValueChange& ch) {
                    events.push_back(std::string(ch.isPrior ? "will " : "did ") + key);
                  });
    }
    op->setState(c.to);
    EXPECT_EQ(op->state(), c.allowed ? c.to : c.from);
    if (!c.allowed) {
      EXPECT_TRUE(events.empty());
      continue;
    }
    std::string oldKey = NKURLConnectionOperation::keyPathForState(c.from);
    std::string newKey = NKURLConnectionOperation::keyPathForState(c.to);
    EXPECT_EQ(events, (std::vector<std::string>{"will " + newKey, "will " + oldKey, "did " + oldKey, "did " + newKey}));
  }
  EXPECT_STREQ(NKURLConnectionOperation::keyPathForState(7), "state");
}

TEST(ConnectionOperation, LoadsOnTheNetworkThreadAndReportsOnTheMainQueue) {
  TestServer server;
  Reply reply = Reply::text("hello operation");
  reply.contentType = "text/plain; charset=utf-8";
  server.route("/hello", reply);
  auto op = operation(server.url("/hello"));
  NotificationLog log(op);
  std::atomic<bool> completed{false};
  bool completionOnMain = false;
  op->setCompletionBlock([&] {
    completionOnMain = fd::Thread::isMainThread();
    completed = true;
  });
  std::string threadName;
  op->setRedirectResponseBlock([&](const Ref<fd::URLConnection>&, const Ref<fd::URLRequest>& r, const Ref<fd::URLResponse>&) {
    threadName = fd::Thread::currentThread()->name().utf8();
    return r;
  });
  op->start();
  EXPECT_TRUE(op->isExecuting());
  ASSERT_TRUE(waitUntil([&] { return completed.load() && log.count("finish") == 1; }));
  EXPECT_TRUE(op->isFinished());
  EXPECT_FALSE(op->error());
  EXPECT_EQ(str(op->responseData()), "hello operation");
  EXPECT_EQ(op->responseString(), fd::String("hello operation"));
  EXPECT_EQ(rt::as<fd::HTTPURLResponse>(op->response())->statusCode(), 200);
  EXPECT_EQ(op->totalBytesRead(), 15);
  EXPECT_EQ(threadName, "NKNetworking");
  EXPECT_TRUE(completionOnMain);
  EXPECT_EQ(log.names, (std::vector<std::string>{"start", "finish"}));
  EXPECT_TRUE(log.allOnMain);
}

TEST(ConnectionOperation, ResponseTextEncodingTable) {
  TestServer server;
  struct Case {
    const char* path;
    std::string contentType;
    std::string body;
    fd::StringEncoding encoding;
    std::string text;
  };
  Case cases[] = {
      {"/none", "text/plain", "caf\xC3\xA9", fd::UTF8StringEncoding, "caf\xC3\xA9"},
      {"/latin", "text/plain; charset=iso-8859-1", "caf\xE9", fd::ISOLatin1StringEncoding, "caf\xC3\xA9"},
      {"/unknown", "text/plain; charset=x-no-such-set", "abc", fd::UTF8StringEncoding, "abc"},
  };
  for (auto& c : cases) {
    Reply r = Reply::text(c.body);
    r.contentType = c.contentType;
    server.route(c.path, r);
  }
  for (auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto op = operation(server.url(c.path));
    EXPECT_EQ(op->responseStringEncoding(), 0u);
    op->start();
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
    EXPECT_EQ(op->responseStringEncoding(), c.encoding);
    ASSERT_TRUE(op->responseString());
    EXPECT_EQ(op->responseString()->utf8(), c.text);
  }
}

TEST(ConnectionOperation, CancellationFinishesWithCancelledErrorAndFailingURL) {
  TestServer server;
  Reply slow = Reply::text("late");
  slow.delayBeforeHeaders = 5;
  server.route("/slow", slow);

  struct Case {
    const char* name;
    bool startFirst;
  };
  for (Case c : {Case{"while running", true}, Case{"before start", false}}) {
    SCOPED_TRACE(c.name);
    auto url = server.url("/slow");
    auto op = operation(url);
    NotificationLog log(op);
    if (c.startFirst) {
      op->start();
      ASSERT_TRUE(waitUntil([&] { return log.count("start") == 1; }));
      op->cancel();
    } else {
      op->cancel();
      EXPECT_FALSE(op->isFinished());
      op->start();
    }
    ASSERT_TRUE(waitUntil([&] { return op->isFinished() && log.count("finish") == 1; }, 3));
    ASSERT_TRUE(op->error());
    EXPECT_EQ(op->error()->domain(), fd::String(fd::NSURLErrorDomain));
    EXPECT_EQ(op->error()->code(), -999);
    auto failing = rt::as<fd::URL>(op->error()->userInfo()->objectForKey(fd::String(fd::NSURLErrorFailingURLErrorKey)));
    ASSERT_TRUE(failing);
    EXPECT_EQ(failing->absoluteString().utf8(), url);
    EXPECT_TRUE(op->isCancelled());
    op->cancel();  // a finished operation ignores it
    EXPECT_EQ(op->error()->code(), -999);
  }
  server.releaseStalls();
}

TEST(ConnectionOperation, PausingAReadyOperationAndResumingIt) {
  TestServer server;
  server.route("/p", Reply::text("resumed body"));
  auto op = operation(server.url("/p"));
  NotificationLog log(op);
  op->pause();
  EXPECT_TRUE(op->isPaused());
  EXPECT_FALSE(op->isReady());
  op->start();  // paused operations do not start
  EXPECT_TRUE(op->isPaused());
  waitUntil([] { return false; }, 0.1);
  EXPECT_TRUE(log.names.empty());
  EXPECT_EQ(server.requestCount(), 0u);
  op->resume();
  ASSERT_TRUE(waitUntil([&] { return op->isFinished() && log.count("finish") == 1; }));
  EXPECT_EQ(str(op->responseData()), "resumed body");
}

TEST(ConnectionOperation, PausingARunningOperationPostsFinish) {
  TestServer server;
  Reply stall = Reply::text(bigText(50000));
  stall.stallAfter = 20000;
  server.route("/stall", stall);
  auto op = operation(server.url("/stall"));
  NotificationLog log(op);
  op->start();
  ASSERT_TRUE(waitUntil([&] { return op->totalBytesRead() >= 20000; }));
  op->pause();
  EXPECT_TRUE(op->isPaused());
  ASSERT_TRUE(waitUntil([&] { return log.count("finish") == 1; }));
  EXPECT_FALSE(op->isFinished());
  EXPECT_FALSE(op->error());
  server.releaseStalls();
}

TEST(ConnectionOperation, ProgressReportsEveryByte) {
  TestServer server;
  std::string body = bigText(300000);
  Reply reply = Reply::text(body);
  reply.delayBetweenChunks = 0.001;
  server.route("/big", reply);
  server.route("/upload", [](const httplib::Request& req, httplib::Response& res) {
    res.set_content(std::to_string(req.body.size()), "text/plain");
  });

  auto download = operation(server.url("/big"));
  uint64_t steps = 0, sum = 0;
  int64_t lastTotal = 0, expected = 0;
  bool onMain = true;
  download->setDownloadProgressBlock([&](uint64_t bytes, int64_t total, int64_t exp) {
    ++steps;
    sum += bytes;
    lastTotal = total;
    expected = exp;
    onMain = onMain && fd::Thread::isMainThread();
  });
  download->start();
  ASSERT_TRUE(waitUntil([&] { return download->isFinished() && sum == body.size(); }));
  EXPECT_GT(steps, 1u);
  EXPECT_EQ(lastTotal, static_cast<int64_t>(body.size()));
  EXPECT_EQ(expected, static_cast<int64_t>(body.size()));
  EXPECT_TRUE(onMain);

  auto request = requestFor(server.url("/upload"));
  request->setHTTPMethod("POST");
  std::string sent = body.substr(0, 60000);
  request->setHTTPBody(fd::Data::create(sent));
  request->setValueForHTTPHeaderField(fd::String("application/octet-stream"), "Content-Type");
  auto upload = NKURLConnectionOperation::create(request);
  int64_t written = 0, uploadExpected = 0;
  upload->setUploadProgressBlock([&](uint64_t, int64_t total, int64_t exp) {
    written = total;
    uploadExpected = exp;
  });
  upload->start();
  ASSERT_TRUE(waitUntil([&] { return upload->isFinished() && written == static_cast<int64_t>(sent.size()); }));
  ASSERT_FALSE(upload->error()) << upload->error()->description().utf8();
  EXPECT_EQ(rt::as<fd::HTTPURLResponse>(upload->response())->statusCode(), 200);
  EXPECT_EQ(uploadExpected, static_cast<int64_t>(sent.size()));
  EXPECT_EQ(str(upload->responseData()), std::to_string(sent.size()));
}

TEST(ConnectionOperation, FailingOutputStreamsEndTheLoad) {
  TestServer server;
  server.route("/body", Reply::text(bigText(10000)));
  struct Case {
    const char* name;
    Ref<fd::OutputStream> stream;
    const char* domain;
  };
  Case cases[] = {
      {"write fails", fd::OutputStream::outputStreamToFileAtPath("/dev/full", false), fd::NSCocoaErrorDomain},
      {"cannot open", fd::OutputStream::outputStreamToFileAtPath("/no/such/folder/out", false), fd::NSCocoaErrorDomain},
      {"takes nothing", rt::make<FullOutputStream>(), fd::NSPOSIXErrorDomain},
      {"no room, no error", rt::make<RoomlessOutputStream>(), fd::NSPOSIXErrorDomain},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto op = operation(server.url("/body"));
    op->setOutputStream(c.stream);
    op->start();
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }, 5));
    ASSERT_TRUE(op->error());
    EXPECT_EQ(op->error()->domain(), fd::String(c.domain));
    if (op->error()->domain() == fd::String(fd::NSPOSIXErrorDomain)) {
      EXPECT_EQ(op->error()->code(), ENOSPC);
    }
    if (auto streamError = c.stream->streamError()) {
      EXPECT_EQ(op->error(), streamError);
    }
    EXPECT_EQ(op->totalBytesRead(), 0);
  }
}

TEST(ConnectionOperation, RedirectBlockAndTimeout) {
  TestServer server;
  server.route("/from", Reply::redirect("/to"));
  server.route("/to", Reply::text("arrived"));
  server.route("/other", Reply::text("diverted"));
  Reply slow = Reply::text("late");
  slow.delayBeforeHeaders = 3;
  server.route("/slow", slow);

  auto followed = operation(server.url("/from"));
  followed->start();
  ASSERT_TRUE(waitUntil([&] { return followed->isFinished(); }));
  EXPECT_EQ(str(followed->responseData()), "arrived");

  auto diverted = operation(server.url("/from"));
  int redirects = 0;
  diverted->setRedirectResponseBlock(
      [&](const Ref<fd::URLConnection>&, const Ref<fd::URLRequest>& request, const Ref<fd::URLResponse>& redirect) {
        if (!redirect) return request;
        ++redirects;
        return Ref<fd::URLRequest>(requestFor(server.url("/other")));
      });
  diverted->start();
  ASSERT_TRUE(waitUntil([&] { return diverted->isFinished(); }));
  EXPECT_EQ(redirects, 1);
  EXPECT_EQ(str(diverted->responseData()), "diverted");

  auto timed = NKURLConnectionOperation::create(requestFor(server.url("/slow"), 0.3));
  timed->start();
  ASSERT_TRUE(waitUntil([&] { return timed->isFinished(); }, 5));
  ASSERT_TRUE(timed->error());
  EXPECT_EQ(timed->error()->code(), -1001);
  server.releaseStalls();
}

TEST(ConnectionOperation, Batches) {
  std::vector<size_t> reported;
  bool emptyDone = false;
  auto empty = NKURLConnectionOperation::batchOfRequestOperations(
      {}, nullptr, [&](const std::vector<Ref<NKURLConnectionOperation>>& ops) {
        emptyDone = ops.empty();
      });
  ASSERT_EQ(empty.size(), 1u);
  empty[0]->start();
  ASSERT_TRUE(waitUntil([&] { return emptyDone; }));

  TestServer server;
  server.route("/a", Reply::text("a"));
  server.route("/b", Reply::text("b"));
  std::vector<Ref<NKURLConnectionOperation>> ops = {operation(server.url("/a")), operation(server.url("/b"))};
  int originalRuns = 0;
  ops[0]->setCompletionBlock([&] { ++originalRuns; });
  std::vector<std::pair<uint64_t, uint64_t>> progress;
  std::vector<Ref<NKURLConnectionOperation>> completed;
  auto batch = NKURLConnectionOperation::batchOfRequestOperations(
      ops, [&](uint64_t done, uint64_t total) { progress.emplace_back(done, total); },
      [&](const std::vector<Ref<NKURLConnectionOperation>>& all) { completed = all; });
  ASSERT_EQ(batch.size(), 3u);
  EXPECT_EQ(batch[2]->dependencies().size(), 2u);
  auto queue = fd::OperationQueue::create();
  for (auto& op : batch) queue->addOperation(op);
  ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; }));
  EXPECT_EQ(originalRuns, 1);
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress.back(), (std::pair<uint64_t, uint64_t>{2, 2}));
  EXPECT_EQ(completed[0], ops[0]);
}

TEST(ConnectionOperation, ArchivingCopyingAndDescription) {
  TestServer server;
  Reply stall = Reply::text(bigText(40000));
  stall.stallAfter = 10000;
  server.route("/stall", stall);
  auto op = operation(server.url("/stall"));
  op->setCompletionQueue(dispatch::globalQueue());
  op->setDownloadProgressBlock([](uint64_t, int64_t, int64_t) {});
  op->start();
  ASSERT_TRUE(waitUntil([&] { return op->totalBytesRead() >= 10000; }));

  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(op, true, &error);
  ASSERT_TRUE(data) << (error ? error->description().utf8() : "");
  EXPECT_TRUE(op->isPaused());  // archiving pauses first
  auto decoded = nettest::unarchivedSecurely<NKURLConnectionOperation>(data, &error);
  ASSERT_TRUE(decoded) << (error ? error->description().utf8() : "");
  EXPECT_EQ(decoded->state(), kReady);
  EXPECT_EQ(decoded->request()->URL()->absoluteString(), op->request()->URL()->absoluteString());
  EXPECT_EQ(rt::as<fd::HTTPURLResponse>(decoded->response())->statusCode(), 200);
  EXPECT_EQ(decoded->totalBytesRead(), op->totalBytesRead());

  auto copy = rt::as<NKURLConnectionOperation>(op->copy());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, op);
  EXPECT_EQ(copy->request(), op->request());
  EXPECT_EQ(copy->completionQueue(), op->completionQueue());
  EXPECT_TRUE(copy->downloadProgress());
  EXPECT_FALSE(copy->response());
  EXPECT_FALSE(copy->responseData());
  EXPECT_EQ(copy->state(), kReady);

  std::string d = op->description().utf8();
  EXPECT_NE(d.find("<NKURLConnectionOperation: 0x"), std::string::npos) << d;
  EXPECT_NE(d.find("state: isPaused, cancelled: NO request: "), std::string::npos) << d;
  server.releaseStalls();
}

TEST(ConnectionOperation, ServerTrustIsDecidedByTheSecurityPolicy) {
  TestServer server(testsupport::TestIdentity::selfSigned("127.0.0.1"));
  server.route("/secure", Reply::text("secret"));
  struct Case {
    const char* name;
    bool allowInvalid;
    bool validatesDomain;
    bool accepted;
  };
  Case cases[] = {
      {"default policy refuses a self-signed server", false, true, false},
      {"a policy that allows invalid certificates accepts it", true, false, true},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto op = operation(server.url("/secure"));
    auto policy = NKSecurityPolicy::defaultPolicy();
    policy->setAllowInvalidCertificates(c.allowInvalid);
    policy->setValidatesDomainName(c.validatesDomain);
    op->setSecurityPolicy(policy);
    op->start();
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
    if (c.accepted) {
      EXPECT_FALSE(op->error());
      EXPECT_EQ(str(op->responseData()), "secret");
    } else {
      ASSERT_TRUE(op->error());
      EXPECT_EQ(op->error()->domain(), fd::String(fd::NSURLErrorDomain));
      EXPECT_TRUE(str(op->responseData()).empty());
    }
  }
  // A challenge block takes the decision away from the policy.
  auto op = operation(server.url("/secure"));
  int challenges = 0;
  op->setWillSendRequestForAuthenticationChallengeBlock(
      [&](const Ref<fd::URLConnection>&, const Ref<fd::URLAuthenticationChallenge>& challenge) {
        ++challenges;
        challenge->sender()->cancelAuthenticationChallenge(challenge);
      });
  op->start();
  ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
  EXPECT_EQ(challenges, 1);
  EXPECT_TRUE(op->error());
}

TEST(ConnectionOperation, CacheResponseBlockSeesTheWholeBody) {
  TestServer server;
  Reply reply = Reply::text(std::string(100000, 'c'));
  reply.chunked = true;
  server.route("/cache", reply);
  auto op = operation(server.url("/cache"));
  std::atomic<bool> completed{false};
  op->setCompletionBlock([&] { completed = true; });
  std::string seen;
  op->setCacheResponseBlock([&](const Ref<fd::URLConnection>&, const Ref<fd::CachedURLResponse>& proposed) {
    seen = str(proposed->data());
    return proposed;
  });
  op->start();
  ASSERT_TRUE(waitUntil([&] { return completed.load(); }));
  EXPECT_EQ(seen, std::string(100000, 'c'));
  EXPECT_EQ(str(op->responseData()), seen);
}
