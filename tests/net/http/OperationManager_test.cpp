#include <gtest/gtest.h>
#include <httplib.h>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "tests/net/http/ArchiveClasses.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace operation_manager_test {

// The resolver headers the server library pulls in define DELETE.
#undef DELETE

using namespace net;
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
  bool failureHadOperation = false;
  int calls() const { return successes + failures; }
  NKHTTPRequestOperationManager::SuccessBlock success() {
    return [this](const Ref<NKHTTPRequestOperation>& op, const rt::Id& object) {
      ++successes;
      this->object = object;
      operation = op;
    };
  }
  NKHTTPRequestOperationManager::FailureBlock failure() {
    return [this](const Ref<NKHTTPRequestOperation>& op, const Ref<fd::Error>& e) {
      ++failures;
      error = e;
      failureHadOperation = op != nullptr;
    };
  }
};

Ref<fd::Dictionary> params(std::vector<std::pair<const char*, const char*>> entries) {
  std::vector<std::pair<fd::String, rt::Id>> list;
  for (auto& [k, v] : entries) list.emplace_back(fd::String(k), fd::StringObject::create(fd::String(v)));
  return fd::Dictionary::withStrings(list);
}

Reply jsonReply(const std::string& body, int status = 200) {
  Reply r = Reply::text(body, status);
  r.contentType = "application/json";
  return r;
}

}  // namespace

TEST(OperationManager, Defaults) {
  auto manager = NKHTTPRequestOperationManager::manager();
  EXPECT_FALSE(manager->baseURL());
  EXPECT_TRUE(rt::as<NKHTTPRequestSerializer>(manager->requestSerializer()));
  EXPECT_EQ(manager->responseSerializer()->getClass(), NKJSONResponseSerializer::classObject());
  EXPECT_TRUE(manager->operationQueue());
  EXPECT_TRUE(manager->shouldUseCredentialStorage());
  EXPECT_TRUE(manager->securityPolicy());
  EXPECT_EQ(manager->reachabilityManager(), NKNetworkReachabilityManager::sharedManager());
  EXPECT_FALSE(manager->completionQueue());
  EXPECT_FALSE(manager->completionGroup());
  EXPECT_NE(NKHTTPRequestOperationManager::manager(), manager);
  EXPECT_NE(NKHTTPRequestOperationManager::manager()->operationQueue(), manager->operationQueue());
}

TEST(OperationManager, BaseURLTable) {
  struct Case {
    const char* base;
    const char* stored;
    const char* relative;
    const char* resolved;
  };
  Case cases[] = {
      {"http://a.test/api", "http://a.test/api/", "list?p=1", "http://a.test/api/list?p=1"},
      {"http://a.test/api/v2", "http://a.test/api/v2/", "x", "http://a.test/api/v2/x"},
      {"http://a.test/api/", "http://a.test/api/", "x", "http://a.test/api/x"},
      {"http://a.test", "http://a.test", "x", "http://a.test/x"},
      {"http://a.test/api", "http://a.test/api/", "/root", "http://a.test/root"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.base);
    auto manager = rt::make<NKHTTPRequestOperationManager>(fd::URL::URLWithString(fd::String(c.base)));
    EXPECT_EQ(manager->baseURL()->absoluteString().utf8(), c.stored);
    auto op = manager->HTTPRequestOperationWithHTTPMethod("GET", fd::String(c.relative), nullptr, nullptr, nullptr);
    ASSERT_TRUE(op);
    EXPECT_EQ(op->request()->URL()->absoluteString().utf8(), c.resolved);
  }
}

TEST(OperationManager, VerbsOnTheWire) {
  TestServer server;
  server.route("/echo", [](const httplib::Request& req, httplib::Response& res) {
    std::string target = req.path;
    if (!req.params.empty()) target = req.target;
    res.set_content("{\"method\":\"" + req.method + "\",\"target\":\"" + req.target + "\",\"body\":\"" + req.body + "\"}",
                    "application/json");
  });
  auto manager = rt::make<NKHTTPRequestOperationManager>(fd::URL::URLWithString(fd::String(server.url("/").c_str())));
  struct Case {
    const char* method;
    std::string target;
    std::string body;
  };
  Case cases[] = {
      {"GET", "/echo?a=1&b=x%20y", ""},
      {"DELETE", "/echo?a=1&b=x%20y", ""},
      {"POST", "/echo", "a=1&b=x%20y"},
      {"PUT", "/echo", "a=1&b=x%20y"},
      {"PATCH", "/echo", "a=1&b=x%20y"},
  };
  auto parameters = params({{"a", "1"}, {"b", "x y"}});
  for (auto& c : cases) {
    SCOPED_TRACE(c.method);
    Outcome out;
    std::string m = c.method;
    Ref<NKHTTPRequestOperation> op;
    if (m == "GET") op = manager->GET("echo", parameters, out.success(), out.failure());
    if (m == "DELETE") op = manager->DELETE("echo", parameters, out.success(), out.failure());
    if (m == "POST") op = manager->POST("echo", parameters, out.success(), out.failure());
    if (m == "PUT") op = manager->PUT("echo", parameters, out.success(), out.failure());
    if (m == "PATCH") op = manager->PATCH("echo", parameters, out.success(), out.failure());
    ASSERT_TRUE(op);
    ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
    ASSERT_EQ(out.successes, 1) << (out.error ? out.error->description().utf8() : "");
    EXPECT_EQ(out.operation, op);
    auto answer = rt::as<fd::Dictionary>(out.object);
    ASSERT_TRUE(answer);
    EXPECT_EQ(fd::stringValue(answer->objectForKey(fd::String("method")))->utf8(), c.method);
    EXPECT_EQ(fd::stringValue(answer->objectForKey(fd::String("target")))->utf8(), c.target);
    EXPECT_EQ(fd::stringValue(answer->objectForKey(fd::String("body")))->utf8(), c.body);
  }
  auto captured = server.requests();
  ASSERT_FALSE(captured.empty());
  EXPECT_EQ(captured[2].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(OperationManager, HeadSuccessHearsOnlyTheOperation) {
  TestServer server;
  server.route("/h", jsonReply("{}"));
  auto manager = NKHTTPRequestOperationManager::manager();
  Ref<NKHTTPRequestOperation> heard;
  int failures = 0;
  auto op = manager->HEAD(fd::String(server.url("/h").c_str()), nullptr,
                          [&](const Ref<NKHTTPRequestOperation>& o) { heard = o; },
                          [&](const Ref<NKHTTPRequestOperation>&, const Ref<fd::Error>&) { ++failures; });
  ASSERT_TRUE(op);
  ASSERT_TRUE(waitUntil([&] { return heard != nullptr; }));
  EXPECT_EQ(heard, op);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(server.requests().at(0).method, "HEAD");
}

TEST(OperationManager, UnbuildableRequestFailsOnceWithoutAnOperation) {
  auto manager = NKHTTPRequestOperationManager::manager();
  Outcome out;
  auto op = manager->GET("http://a.test/bad path\n", nullptr, out.success(), out.failure());
  EXPECT_FALSE(op);
  EXPECT_EQ(manager->operationQueue()->operationCount(), 0u);
  ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
  waitUntil([] { return false; }, 0.05);
  EXPECT_EQ(out.failures, 1);
  EXPECT_FALSE(out.failureHadOperation);
  ASSERT_TRUE(out.error);
  EXPECT_EQ(out.error->domain(), fd::String("com.trevanode.error.serialization.request"));
  EXPECT_EQ(out.error->code(), -1000);
}

TEST(OperationManager, StatusAndContentTypeValidation) {
  TestServer server;
  server.route("/missing", jsonReply("{\"info\":\"nope\"}", 404));
  server.route("/html", Reply::text("<html></html>"));
  auto manager = NKHTTPRequestOperationManager::manager();
  struct Case {
    const char* path;
    int64_t code;
  };
  for (Case c : {Case{"/missing", -1011}, Case{"/html", -1016}}) {
    SCOPED_TRACE(c.path);
    Outcome out;
    manager->GET(fd::String(server.url(c.path).c_str()), nullptr, out.success(), out.failure());
    ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
    ASSERT_EQ(out.failures, 1);
    EXPECT_TRUE(out.failureHadOperation);
    EXPECT_EQ(out.error->code(), c.code);
  }
  // The application widens the accepted types; the HTML answer then fails only as JSON.
  auto json = NKJSONResponseSerializer::serializer();
  json->setAcceptableContentTypes(fd::Set::create({fd::StringObject::create("application/json"),
                                                   fd::StringObject::create("text/html"),
                                                   fd::StringObject::create("text/plain")}));
  manager->setResponseSerializer(json);
  Outcome out;
  manager->GET(fd::String(server.url("/html").c_str()), nullptr, out.success(), out.failure());
  ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
  ASSERT_EQ(out.failures, 1);
  EXPECT_EQ(out.error->domain(), fd::String(fd::NSCocoaErrorDomain));
}

TEST(OperationManager, CompletionQueueIsHonoured) {
  TestServer server;
  server.route("/j", jsonReply("[1]"));
  auto manager = NKHTTPRequestOperationManager::manager();
  auto queue = dispatch::Queue::createSerial("test.manager.completion");
  manager->setCompletionQueue(queue);
  std::atomic<bool> done{false};
  std::atomic<bool> onMain{true};
  manager->GET(
      fd::String(server.url("/j").c_str()), nullptr,
      [&](const Ref<NKHTTPRequestOperation>&, const rt::Id&) {
        onMain = fd::Thread::isMainThread();
        done = true;
      },
      nullptr);
  ASSERT_TRUE(waitUntil([&] { return done.load(); }));
  EXPECT_FALSE(onMain.load());
}

TEST(OperationManager, MultipartPost) {
  TestServer server;
  server.route("/up", [](const httplib::Request& req, httplib::Response& res) {
    std::string names;
    for (auto& [name, file] : req.files) names += name + "=" + file.content + ";";
    res.set_content("{\"parts\":\"" + names + "\"}", "application/json");
  });
  auto manager = NKHTTPRequestOperationManager::manager();
  Outcome out;
  auto op = manager->POST(
      fd::String(server.url("/up").c_str()), params({{"k", "v"}}),
      [](const Ref<NKMultipartFormData>& form) { form->appendPartWithFormData(fd::Data::create(std::string("42")), "n"); },
      out.success(), out.failure());
  ASSERT_TRUE(op);
  ASSERT_TRUE(waitUntil([&] { return out.calls() > 0; }));
  ASSERT_EQ(out.successes, 1) << (out.error ? out.error->description().utf8() : "");
  auto answer = rt::as<fd::Dictionary>(out.object);
  EXPECT_EQ(fd::stringValue(answer->objectForKey(fd::String("parts")))->utf8(), "k=v;n=42;");
}

TEST(OperationManager, CopyCodingAndDescription) {
  auto manager = rt::make<NKHTTPRequestOperationManager>(fd::URL::URLWithString("http://a.test/api"));
  auto json = NKJSONResponseSerializer::serializer();
  json->setRemovesKeysWithNullValues(true);
  manager->setResponseSerializer(json);

  auto copy = rt::as<NKHTTPRequestOperationManager>(manager->copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->baseURL()->absoluteString(), fd::String("http://a.test/api/"));
  EXPECT_NE(copy->responseSerializer(), manager->responseSerializer());
  EXPECT_TRUE(rt::as<NKJSONResponseSerializer>(copy->responseSerializer())->removesKeysWithNullValues());
  EXPECT_NE(copy->requestSerializer(), manager->requestSerializer());
  EXPECT_NE(copy->securityPolicy(), manager->securityPolicy());

  Ref<fd::Error> error;
  auto data = fd::KeyedArchiver::archivedDataWithRootObject(manager, true, &error);
  ASSERT_TRUE(data) << (error ? error->description().utf8() : "");
  auto decoded = nettest::unarchivedSecurely<NKHTTPRequestOperationManager>(data, &error);
  ASSERT_TRUE(decoded) << (error ? error->description().utf8() : "");
  EXPECT_EQ(decoded->baseURL()->absoluteString(), fd::String("http://a.test/api/"));
  auto decodedJSON = rt::as<NKJSONResponseSerializer>(decoded->responseSerializer());
  ASSERT_TRUE(decodedJSON);
  EXPECT_TRUE(decodedJSON->removesKeysWithNullValues());
  EXPECT_TRUE(decoded->securityPolicy());

  std::string d = manager->description().utf8();
  EXPECT_EQ(d.rfind("<NKHTTPRequestOperationManager: 0x", 0), 0u) << d;
  EXPECT_NE(d.find(", baseURL: http://a.test/api/, operationQueue: "), std::string::npos) << d;
}

}  // namespace operation_manager_test
