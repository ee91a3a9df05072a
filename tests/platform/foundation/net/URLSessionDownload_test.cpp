#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/foundation/Error.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLCache.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlsession_download_test {

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

namespace fs = std::filesystem;

Ref<URLRequest> requestFor(const std::string& url) { return URLRequest::requestWithURL(urlOf(url)); }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Ref<URLSession> makeSession(const Ref<URLSessionDelegate>& delegate = nullptr) {
  auto c = URLSessionConfiguration::defaultSessionConfiguration();
  c->setURLCache(nullptr);
  return URLSession::sessionWithConfiguration(c, delegate);
}

std::string bigBody() {
  std::string s(200000, 'x');
  for (size_t i = 0; i < s.size(); i += 13) s[i] = static_cast<char>('a' + i % 26);
  return s;
}

/// Moves the downloaded file where the test wants it, and records the progress it hears.
class Downloader : public URLSessionDelegate {
  RT_CLASS(Downloader, URLSessionDelegate)
 public:
  void init() {}
  std::mutex m;
  std::condition_variable cv;
  std::string keepAt;
  std::vector<std::string> events;
  int64_t written = 0, lastTotal = 0;
  bool done = false;
  Ref<Error> error;

  void didWriteData(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, int64_t bytes, int64_t total,
                    int64_t) override {
    std::lock_guard l(m);
    written += bytes;
    lastTotal = total;
    if (events.empty() || events.back() != "write") events.push_back("write");
  }
  void didFinishDownloadingToURL(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&,
                                 const Ref<URL>& location) override {
    std::lock_guard l(m);
    events.push_back("finish");
    fs::rename(location->path().utf8(), keepAt);
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>& e) override {
    std::lock_guard l(m);
    events.push_back("complete");
    error = e;
    done = true;
    cv.notify_all();
  }
};

RT_IMPLEMENT(Downloader) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidWriteData,
                                          URLSessionDelegate::kDidFinishDownloadingToURL,
                                          URLSessionDelegate::kDidCompleteWithError});
}

}  // namespace

TEST(URLSessionDownload, CompletionHandlerSeesTheTemporaryFile) {
  TestServer server;
  const std::string body = bigBody();
  server.route("/file", Reply::text(body));
  auto session = makeSession();
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::string seen, path;
  Ref<Error> error;
  auto task = session->downloadTaskWithRequest(requestFor(server.url("/file")),
                                               [&](Ref<URL> location, Ref<URLResponse> response, Ref<Error> e) {
                                                 std::lock_guard l(m);
                                                 if (location) {
                                                   path = location->path().utf8();
                                                   seen = readFile(path);
                                                 }
                                                 error = e;
                                                 done = response != nullptr;
                                                 cv.notify_all();
                                               });
  task->resume();
  std::unique_lock l(m);
  ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(10), [&] { return done; }));
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(seen, body);
  EXPECT_EQ(task->countOfBytesReceived(), static_cast<int64_t>(body.size()));
  session->delegateQueue()->waitUntilAllOperationsAreFinished();
  EXPECT_FALSE(fs::exists(path));  // not moved away: removed
}

TEST(URLSessionDownload, DelegateMovesTheFileAndHearsProgress) {
  TestServer server;
  const std::string body = bigBody();
  Reply reply = Reply::text(body);
  reply.chunked = true;
  reply.chunkSize = 50000;
  server.route("/file", reply);
  auto d = rt::make<Downloader>();
  auto dir = fs::temp_directory_path() / ("net2-download-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  d->keepAt = (dir / "kept.bin").string();
  auto session = makeSession(d);
  session->downloadTaskWithRequest(requestFor(server.url("/file")))->resume();
  std::unique_lock l(d->m);
  ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->done; }));
  EXPECT_EQ(d->error, nullptr);
  EXPECT_EQ(d->events, (std::vector<std::string>{"write", "finish", "complete"}));
  EXPECT_EQ(d->written, static_cast<int64_t>(body.size()));
  EXPECT_EQ(d->lastTotal, static_cast<int64_t>(body.size()));
  EXPECT_EQ(readFile(d->keepAt), body);
  fs::remove_all(dir);
}

TEST(URLSessionDownload, FailuresHandNoFileOver) {
  TestServer server;
  Reply cut = Reply::text(bigBody());
  cut.resetAfter = 1000;
  server.route("/cut", cut);
  struct Case {
    std::string url;
    std::optional<int64_t> code;  // any error when not given
  } cases[] = {
      {"http://127.0.0.1:1/none", NSURLErrorCannotConnectToHost},
      {server.url("/cut"), std::nullopt},
  };
  for (auto& c : cases) {
    auto d = rt::make<Downloader>();
    auto session = makeSession(d);
    session->downloadTaskWithRequest(requestFor(c.url))->resume();
    std::unique_lock l(d->m);
    ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->done; })) << c.url;
    ASSERT_TRUE(d->error) << c.url;
    if (c.code) {
      EXPECT_EQ(d->error->code(), *c.code);
    }
    EXPECT_EQ(d->events.back(), "complete");
    EXPECT_EQ(std::count(d->events.begin(), d->events.end(), "finish"), 0) << c.url;
  }
}

}  // namespace urlsession_download_test
