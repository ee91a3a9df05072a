#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "net/http/NKHTTPRequestOperation.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URLResponse.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace request_operation_test {

using namespace net;
using nettest::requestFor;
using nettest::str;
using nettest::waitUntil;
using testsupport::Reply;
using testsupport::TestServer;

namespace {

struct Outcome {
  int successes = 0;
  int failures = 0;
  rt::Id object;
  Ref<fd::Error> error;
  Ref<NKHTTPRequestOperation> operation;
  bool onMain = true;
  int calls() const { return successes + failures; }
};

Ref<NKHTTPRequestOperation> operationWithOutcome(const std::string& url, Outcome& out,
                                                 Ref<NKHTTPResponseSerializer> serializer = nullptr) {
  auto op = NKHTTPRequestOperation::create(requestFor(url));
  if (serializer) op->setResponseSerializer(serializer);
  op->setCompletionBlockWithSuccess(
      [&out](const Ref<NKHTTPRequestOperation>& o, const rt::Id& object) {
        ++out.successes;
        out.object = object;
        out.operation = o;
        out.onMain = out.onMain && fd::Thread::isMainThread();
      },
      [&out](const Ref<NKHTTPRequestOperation>& o, const Ref<fd::Error>& error) {
        ++out.failures;
        out.error = error;
        out.operation = o;
        out.onMain = out.onMain && fd::Thread::isMainThread();
      });
  return op;
}

std::string body(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

/// Serves `content` with an ETag; the first plain request stops after `stopAfter` bytes and
/// holds the connection until released; ranged requests are answered as `rangeMode` says.
/// The server's handlers share the state, so a server that stops after this object is gone
/// still reads live state (and finds it released).
class ResumableFile {
 public:
  enum class RangeMode { Honour, Ignore, WrongStart };

  ResumableFile(TestServer& server, std::string content, size_t stopAfter, RangeMode mode)
      : state_(std::make_shared<State>(std::move(content), stopAfter, mode)) {
    server.route("/file", [state = state_](const httplib::Request& req, httplib::Response& res) {
      serve(state, req, res);
    });
  }
  ~ResumableFile() { release(); }
  ResumableFile(const ResumableFile&) = delete;
  ResumableFile& operator=(const ResumableFile&) = delete;
  void release() { state_->released = true; }

 private:
  struct State {
    State(std::string c, size_t s, RangeMode m) : content(std::move(c)), stopAfter(s), mode(m) {}
    const std::string content;
    const size_t stopAfter;
    const RangeMode mode;
    std::atomic<bool> released{false};
  };

  static void serve(const std::shared_ptr<State>& state, const httplib::Request& req, httplib::Response& res) {
    res.set_header("ETag", "\"v7\"");
    const std::string& content = state->content;
    std::string range = req.get_header_value("Range");
    if (range.empty()) {
      res.set_content_provider(content.size(), "application/octet-stream",
                               [state](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset < state->stopAfter) {
                                   sink.write(state->content.data(), state->stopAfter);
                                   return true;
                                 }
                                 for (int i = 0; i < 500 && !state->released; ++i)
                                   std::this_thread::sleep_for(std::chrono::milliseconds(10));
                                 return false;
                               });
      return;
    }
    size_t start = std::stoul(range.substr(6));
    switch (state->mode) {
      case RangeMode::Honour:  // the server library answers the range itself
        res.set_content(content, "application/octet-stream");
        break;
      // Chunked bodies keep the server library from slicing the answer by the range.
      case RangeMode::Ignore:
        res.status = 200;
        sendChunked(res, content);
        break;
      case RangeMode::WrongStart:
        res.status = 206;
        res.set_header("Content-Range", "bytes " + std::to_string(start / 2) + "-" +
                                            std::to_string(content.size() - 1) + "/" + std::to_string(content.size()));
        sendChunked(res, content.substr(start / 2));
        break;
    }
  }

  static void sendChunked(httplib::Response& res, std::string text) {
    auto shared = std::make_shared<std::string>(std::move(text));
    res.set_chunked_content_provider("application/octet-stream", [shared](size_t offset, httplib::DataSink& sink) {
      if (offset < shared->size()) {
        sink.write(shared->data() + offset, shared->size() - offset);
      } else {
        sink.done();
      }
      return true;
    });
  }

  std::shared_ptr<State> state_;
};

}  // namespace

TEST(RequestOperation, PlainInitYieldsNothingAndDefaultSerializerIsHTTP) {
  EXPECT_FALSE(rt::make<NKHTTPRequestOperation>());
  auto op = NKHTTPRequestOperation::create(requestFor("http://127.0.0.1:1/"));
  ASSERT_TRUE(op);
  EXPECT_EQ(op->responseSerializer()->getClass(), NKHTTPResponseSerializer::classObject());
  EXPECT_EQ(NKHTTPRequestOperation::processingQueue()->label(), "com.trevanode.networking.http-request.processing");
}

TEST(RequestOperation, OutcomesTable) {
  TestServer server;
  Reply ok = Reply::text("{\"k\":[1,2]}");
  ok.contentType = "application/json";
  server.route("/ok", ok);
  Reply missing = Reply::text("{\"e\":\"gone\"}", 404);
  missing.contentType = "application/json";
  server.route("/missing", missing);
  server.route("/plain", Reply::text("not json"));

  struct Case {
    const char* name;
    std::string url;
    bool success;
    std::string domain;
    int64_t code;
  };
  Case cases[] = {
      {"success", server.url("/ok"), true, "", 0},
      {"status rejected", server.url("/missing"), false, "com.trevanode.error.serialization.response", -1011},
      {"type rejected", server.url("/plain"), false, "com.trevanode.error.serialization.response", -1016},
      {"transport", "http://127.0.0.1:1/refused", false, "NSURLErrorDomain", -1004},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome out;
    auto op = operationWithOutcome(c.url, out, NKJSONResponseSerializer::serializer());
    op->start();
    ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
    waitUntil([] { return false; }, 0.05);
    EXPECT_EQ(out.calls(), 1);
    EXPECT_TRUE(out.onMain);
    EXPECT_EQ(out.operation, op);
    if (c.success) {
      EXPECT_EQ(out.successes, 1);
      auto dict = rt::as<fd::Dictionary>(out.object);
      ASSERT_TRUE(dict);
      EXPECT_TRUE(dict->objectForKey(fd::String("k")));
      EXPECT_FALSE(op->error());
      continue;
    }
    ASSERT_TRUE(out.error);
    EXPECT_EQ(out.error->domain().utf8(), c.domain);
    EXPECT_EQ(out.error->code(), c.code);
    EXPECT_EQ(op->error(), out.error);
  }
}

TEST(RequestOperation, TransportErrorsNeverRunTheSerializer) {
  Outcome out;
  auto op = operationWithOutcome("http://127.0.0.1:1/refused", out, NKJSONResponseSerializer::serializer());
  op->start();
  ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
  EXPECT_FALSE(op->responseObject());
  EXPECT_FALSE(op->responseSerializationError());
  EXPECT_EQ(out.error->domain(), fd::String(fd::NSURLErrorDomain));
}

TEST(RequestOperation, StatusErrorKeepsTheDecodedBodyAndReplacingTheSerializerDropsIt) {
  TestServer server;
  Reply missing = Reply::text("{\"e\":1}", 404);
  missing.contentType = "application/json";
  server.route("/missing", missing);
  Outcome out;
  auto op = operationWithOutcome(server.url("/missing"), out, NKJSONResponseSerializer::serializer());
  op->start();
  ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
  EXPECT_TRUE(rt::as<fd::Dictionary>(op->responseObject()));
  EXPECT_EQ(op->responseSerializationError()->code(), -1011);
  EXPECT_FALSE(op->NKURLConnectionOperation::error());

  auto lenient = NKHTTPResponseSerializer::serializer();
  lenient->setAcceptableStatusCodes(nullptr);
  op->setResponseSerializer(lenient);
  EXPECT_FALSE(op->responseSerializationError());
  EXPECT_FALSE(op->error());
  EXPECT_EQ(str(rt::as<fd::Data>(op->responseObject())), "{\"e\":1}");
}

TEST(RequestOperation, CompletionQueueAndGroup) {
  TestServer server;
  server.route("/x", Reply::text("x"));
  Outcome out;
  auto op = operationWithOutcome(server.url("/x"), out);
  auto queue = dispatch::Queue::createSerial("test.completion");
  auto group = dispatch::Group::create();
  op->setCompletionQueue(queue);
  op->setCompletionGroup(group);
  std::atomic<bool> notified{false};
  // With the queue held, the success block waits there inside the group, which stays busy.
  queue->suspend();
  op->start();
  ASSERT_TRUE(waitUntil([&] { return op->isFinished() && !group->wait(0); }));
  EXPECT_EQ(out.calls(), 0);
  group->notify(queue, [&] { notified = true; });
  queue->resume();
  ASSERT_TRUE(group->wait(5));
  ASSERT_TRUE(waitUntil([&] { return notified.load(); }));
  EXPECT_EQ(out.successes, 1);
  EXPECT_FALSE(out.onMain);
}

TEST(RequestOperation, PauseSetsRangeAndIfRange) {
  TestServer server;
  ResumableFile file(server, body(5000), 1000, ResumableFile::RangeMode::Honour);
  auto op = NKHTTPRequestOperation::create(requestFor(server.url("/file")));
  op->start();
  ASSERT_TRUE(waitUntil([&] { return op->totalBytesRead() == 1000; }));
  op->pause();
  EXPECT_EQ(op->request()->valueForHTTPHeaderField("Range"), fd::String("bytes=1000-"));
  EXPECT_EQ(op->request()->valueForHTTPHeaderField("If-Range"), fd::String("\"v7\""));
}

TEST(RequestOperation, ResumeKeepsEarlierBytesOnlyForAMatchingPartialAnswer) {
  struct Case {
    const char* name;
    ResumableFile::RangeMode mode;
    int expectedStatus;
  };
  Case cases[] = {
      {"206 from the saved offset", ResumableFile::RangeMode::Honour, 206},
      {"server ignores the range", ResumableFile::RangeMode::Ignore, 200},
      {"206 from another offset", ResumableFile::RangeMode::WrongStart, 206},
  };
  const std::string content = body(6000);
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestServer server;
    ResumableFile file(server, content, 1500, c.mode);
    auto op = NKHTTPRequestOperation::create(requestFor(server.url("/file")));
    op->start();
    ASSERT_TRUE(waitUntil([&] { return op->totalBytesRead() == 1500; }));
    op->pause();
    file.release();
    op->resume();
    ASSERT_TRUE(waitUntil([&] { return op->isFinished(); }));
    ASSERT_FALSE(op->error());
    EXPECT_EQ(op->response()->statusCode(), c.expectedStatus);
    std::string got = str(op->responseData());
    std::string wanted = content;
    // A partial answer that does not continue the saved bytes is the body on its own.
    if (c.mode == ResumableFile::RangeMode::WrongStart) wanted = content.substr(750);
    EXPECT_EQ(got.size(), wanted.size());
    EXPECT_TRUE(got == wanted);
    ASSERT_TRUE(waitUntil([&] { return op->totalBytesRead() == static_cast<int64_t>(got.size()); }));
  }
}

TEST(RequestOperation, ArchivingAndCopyingCarryTheSerializer) {
  auto op = NKHTTPRequestOperation::create(requestFor("http://127.0.0.1:1/a"));
  auto serializer = NKJSONResponseSerializer::serializer();
  serializer->setRemovesKeysWithNullValues(true);
  op->setResponseSerializer(serializer);
  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(op, true, &error);
  ASSERT_TRUE(data);
  auto decoded = nettest::unarchivedSecurely<NKHTTPRequestOperation>(data, &error);
  ASSERT_TRUE(decoded) << (error ? error->description().utf8() : "");
  auto decodedSerializer = rt::as<NKJSONResponseSerializer>(decoded->responseSerializer());
  ASSERT_TRUE(decodedSerializer);
  EXPECT_TRUE(decodedSerializer->removesKeysWithNullValues());

  auto copy = rt::as<NKHTTPRequestOperation>(op->copy());
  ASSERT_TRUE(copy);
  auto copied = rt::as<NKJSONResponseSerializer>(copy->responseSerializer());
  ASSERT_TRUE(copied);
  EXPECT_NE(copied, serializer);
  EXPECT_TRUE(copied->removesKeysWithNullValues());
}

}  // namespace request_operation_test
