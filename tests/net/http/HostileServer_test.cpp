// The operation manager against a server that misbehaves on purpose: every load ends in exactly
// one success or failure call, with the error a caller can act on.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>

#include "net/http/NKHTTPRequestOperationManager.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/text/StringObject.h"
#include "tests/net/http/OperationTestSupport.h"
#include "tests/support/HostileServer.h"

using namespace net;
using nettest::waitUntil;
using testsupport::HostileScript;
using testsupport::HostileServer;

namespace {

constexpr int64_t kSuccess = 0;

struct Case {
  const char* name;
  HostileScript script;
  int64_t expected;  // 0 for success, else the URL error code
  double timeout = 10;
};

struct Outcome {
  int successes = 0;
  int failures = 0;
  Ref<fd::Error> error;
  rt::Id object;
  Ref<NKHTTPRequestOperation> operation;
  int calls() const { return successes + failures; }
};

std::string json(size_t minSize = 0) {
  std::string s = "{\"items\":[";
  for (size_t i = 0; s.size() < minSize || i == 0; ++i) s += (i ? "," : "") + std::to_string(i);
  return s + "]}";
}

HostileScript ok(const std::vector<std::string>& extraHeaders, const std::string& body = json()) {
  std::vector<std::string> lines = {"Content-Type: application/json", "Content-Length: " + std::to_string(body.size()),
                                    "Connection: close"};
  lines.insert(lines.end(), extraHeaders.begin(), extraHeaders.end());
  return HostileScript::answer("HTTP/1.1 200 OK", lines, body);
}

std::string corruptGzip() {
  std::string body = json(4000);
  z_stream zs{};
  deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, body.size()), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(body.data());
  zs.avail_in = static_cast<uInt>(body.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  for (size_t i = 12; i < out.size() - 8; i += 7) out[i] = static_cast<char>(out[i] ^ 0x5a);
  return out;
}

/// How long all the cases of a run may take together: the bound of a wait for their calls,
/// generous because the slowest case (an 8 MB body read into objects) is several times slower
/// under the thread sanitizer.
constexpr double kRunBound = 120;

/// Starts every case at once, each through a manager of its own, and waits for all of them.
/// The calls write into outcomes they share: one that came after a failed wait would otherwise
/// write into a test that has ended. A failed wait cancels what still runs and waits for its
/// calls, so that no load goes on into the next test.
std::vector<Outcome> runAll(HostileServer& server, std::vector<Case>& cases) {
  auto outcomes = std::make_shared<std::vector<Outcome>>(cases.size());
  std::vector<Ref<NKHTTPRequestOperationManager>> managers;
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string path = "/case" + std::to_string(i);
    server.route(path, cases[i].script);
    auto manager = NKHTTPRequestOperationManager::manager();
    manager->requestSerializer()->setTimeoutInterval(cases[i].timeout);
    manager->GET(
        fd::String(server.url(path).c_str()), nullptr,
        [outcomes, i](const Ref<NKHTTPRequestOperation>& op, const rt::Id& object) {
          Outcome& o = (*outcomes)[i];
          ++o.successes;
          o.object = object;
          o.operation = op;
        },
        [outcomes, i](const Ref<NKHTTPRequestOperation>& op, const Ref<fd::Error>& e) {
          Outcome& o = (*outcomes)[i];
          ++o.failures;
          o.error = e;
          o.operation = op;
        });
    managers.push_back(manager);
  }
  auto allCalled = [&] {
    for (auto& o : *outcomes)
      if (o.calls() == 0) return false;
    return true;
  };
  if (!waitUntil(allCalled, kRunBound)) {
    ADD_FAILURE() << "not every case ended within " << kRunBound << " s";
    for (auto& manager : managers) manager->operationQueue()->cancelAllOperations();
    waitUntil(allCalled, nettest::kWait);
  }
  // A second call would come right after the first.
  waitUntil([] { return false; }, 0.3);
  return *outcomes;
}

void expectOutcomes(const std::vector<Case>& cases, const std::vector<Outcome>& outcomes) {
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const Outcome& o = outcomes[i];
    EXPECT_EQ(o.calls(), 1);
    if (cases[i].expected == kSuccess) {
      EXPECT_EQ(o.successes, 1) << (o.error ? o.error->localizedDescription().utf8() : std::string());
      continue;
    }
    ASSERT_EQ(o.failures, 1);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->domain(), fd::String(fd::NSURLErrorDomain));
    auto underlying = o.error->underlyingError();
    EXPECT_EQ(o.error->code(), cases[i].expected)
        << (underlying ? underlying->localizedDescription().utf8() : o.error->localizedDescription().utf8());
  }
}

}  // namespace

TEST(HostileServer, BrokenTransportsFailOnceWithTheirURLError) {
  HostileServer server;
  const std::string body = json();
  std::vector<Case> cases = {
      {"reset before any answer", HostileScript().reset(), fd::NSURLErrorNetworkConnectionLost},
      {"closed without an answer", HostileScript(), fd::NSURLErrorNetworkConnectionLost},
      {"reset in the body",
       HostileScript()
           .send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 5000\r\n\r\n" + body)
           .pause(0.05)
           .reset(),
       fd::NSURLErrorNetworkConnectionLost},
      {"closed before the whole body",
       HostileScript().send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 5000\r\n\r\n" + body),
       fd::NSURLErrorNetworkConnectionLost},
      {"chunked body cut before its last chunk",
       HostileScript().send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n"
                            "4\r\n{\"a\"\r\n"),
       fd::NSURLErrorNetworkConnectionLost},
      {"silent after the head",
       HostileScript().send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 10\r\n\r\n").hold(),
       fd::NSURLErrorTimedOut, 0.5},
      {"drip-fed within the idle time-out",
       HostileScript()
           .send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 9\r\nConnection: close\r\n\r\n")
           .drip("{\"a\":[1]}", 0.1),
       kSuccess, 0.5},
      {"redirect loop",
       HostileScript::answer("HTTP/1.1 302 Found", {"Location: /case7", "Content-Length: 0", "Connection: close"}, ""),
       fd::NSURLErrorHTTPTooManyRedirects},
      {"corrupt gzip body",
       HostileScript::answer("HTTP/1.1 200 OK",
                             {"Content-Type: application/json", "Content-Encoding: gzip",
                              "Content-Length: " + std::to_string(corruptGzip().size()), "Connection: close"},
                             corruptGzip()),
       fd::NSURLErrorCannotDecodeContentData},
      {"NUL in a header", ok({std::string("X-Bad: a\0b", 10)}), fd::NSURLErrorBadServerResponse},
  };
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);
}

TEST(HostileServer, MalformedAnswersAreBadServerResponses) {
  HostileServer server;
  std::vector<Case> cases = {
      {"garbage status line", HostileScript().send("HELLO THERE\r\n\r\n{}"), fd::NSURLErrorBadServerResponse},
      {"status code with a letter",
       HostileScript::answer("HTTP/1.1 2x0 OK", {"Content-Length: 2", "Connection: close"}, "{}"),
       fd::NSURLErrorBadServerResponse},
      {"chunk size that is not hex",
       HostileScript().send("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n"
                            "zz\r\n{}\r\n0\r\n\r\n"),
       fd::NSURLErrorBadServerResponse},
      {"header line without a colon", ok({"NoColonHere"}), fd::NSURLErrorBadServerResponse},
  };
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);
}

TEST(HostileServer, OversizedAnswersExceedTheMaximum) {
  HostileServer server;
  std::vector<Case> cases = {
      {"one header line of a megabyte", ok({"X-Huge: " + std::string(1 << 20, 'a')}),
       fd::NSURLErrorDataLengthExceedsMaximum},
  };
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);
  // The library's own text stays beneath the URL error, so that causes can be told apart.
  auto underlying = outcomes[0].error->underlyingError();
  ASSERT_TRUE(underlying);
  EXPECT_FALSE(underlying->localizedDescription().isEmpty());
}

TEST(HostileServer, LibraryTextTellsAPartialBodyFromABadChunk) {
  HostileServer server;
  std::vector<Case> cases = {
      {"partial", HostileScript().send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{"),
       fd::NSURLErrorNetworkConnectionLost},
      {"bad chunk",
       HostileScript().send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}XX\r\n0\r\n\r\n"),
       fd::NSURLErrorBadServerResponse},
  };
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);
  ASSERT_TRUE(outcomes[0].error && outcomes[1].error);
  auto a = outcomes[0].error->underlyingError(), b = outcomes[1].error->underlyingError();
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->localizedDescription(), b->localizedDescription());
}

TEST(HostileServer, ManyHeadersAndFoldedLinesMakeOneTable) {
  HostileServer server;
  std::vector<std::string> many;
  for (int i = 0; i < 5000; ++i) many.push_back("X-H" + std::to_string(i % 2500) + ": v" + std::to_string(i));
  std::vector<Case> cases = {
      {"five thousand headers, each name twice", ok(many), kSuccess},
      {"folded line joins its header", ok({"X-Folded: first", " second", "\tthird"}), kSuccess},
      {"bare CR inside a value", ok({"X-CR: a\rb"}), kSuccess},
      {"continuation before any header",
       HostileScript::answer("HTTP/1.1 200 OK", {" orphan", "Content-Length: 2", "Connection: close"}, "{}"),
       fd::NSURLErrorBadServerResponse},
  };
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);

  auto headersOf = [](const Outcome& o) {
    auto http = o.operation ? rt::as<fd::HTTPURLResponse>(o.operation->response()) : nullptr;
    return http;
  };
  if (auto r = headersOf(outcomes[0])) {
    EXPECT_EQ(r->valueForHTTPHeaderField("x-h7"), fd::String("v7, v2507"));
    EXPECT_EQ(r->valueForHTTPHeaderField("X-H2499"), fd::String("v2499, v4999"));
  } else {
    ADD_FAILURE() << "no response";
  }
  if (auto r = headersOf(outcomes[1])) {
    EXPECT_EQ(r->valueForHTTPHeaderField("X-Folded"), fd::String("first second third"));
    EXPECT_FALSE(r->valueForHTTPHeaderField("second"));
  } else {
    ADD_FAILURE() << "no response";
  }
  if (auto r = headersOf(outcomes[2])) {
    EXPECT_EQ(r->valueForHTTPHeaderField("X-CR"), fd::String("a b"));
  } else {
    ADD_FAILURE() << "no response";
  }
}

TEST(HostileServer, BigBodyArrivesWhole) {
  HostileServer server;
  const std::string body = json(8 << 20);
  std::vector<Case> cases = {{"8 MB JSON", ok({}, body), kSuccess}};
  auto outcomes = runAll(server, cases);
  expectOutcomes(cases, outcomes);
  auto items = outcomes[0].object ? rt::as<fd::Dictionary>(outcomes[0].object) : nullptr;
  ASSERT_TRUE(items);
  ASSERT_TRUE(outcomes[0].operation->responseData());
  EXPECT_EQ(outcomes[0].operation->responseData()->length(), body.size());
}
