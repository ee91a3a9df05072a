#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

using namespace fd;
using testsupport::Reply;
using testsupport::TestServer;
using testsupport::urlOf;

namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string megabyte() {
  std::string s(1 << 20, '\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
  return s;
}

/// Answers the response with BecomeDownload (at once, or when the test says so) and records
/// every callback with the kind of task it was for. The subclasses say which ones it has.
class Converter : public URLSessionDelegate {
  RT_CLASS(Converter, URLSessionDelegate)
 public:
  void init() {}
  std::mutex m;
  std::condition_variable cv;
  bool answerAtOnce = true;
  DispositionHandler pending;
  std::string keepAt;
  std::vector<std::string> events;
  Ref<URLSessionDataTask> announcedData;
  Ref<URLSessionDownloadTask> announcedDownload;
  int64_t written = 0, lastTotal = 0;
  bool done = false;
  Ref<Error> error;

  static std::string kind(const Ref<URLSessionTask>& task) {
    return rt::as<URLSessionDownloadTask>(task) ? "download" : "data";
  }
  void note(const std::string& event) {
    if (events.empty() || events.back() != event) events.push_back(event);
  }

  void didReceiveResponse(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<URLResponse>&,
                          DispositionHandler handler) override {
    {
      std::lock_guard l(m);
      note("response");
      if (!answerAtOnce) {
        pending = std::move(handler);
        cv.notify_all();
        return;
      }
    }
    handler(URLSessionResponseDisposition::BecomeDownload);
  }
  void didReceiveData(const Ref<URLSession>&, const Ref<URLSessionDataTask>&, const Ref<Data>&) override {
    std::lock_guard l(m);
    note("data");
  }
  void didBecomeDownloadTask(const Ref<URLSession>&, const Ref<URLSessionDataTask>& dataTask,
                             const Ref<URLSessionDownloadTask>& downloadTask) override {
    std::lock_guard l(m);
    note("become");
    announcedData = dataTask;
    announcedDownload = downloadTask;
  }
  void didWriteData(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, int64_t bytes, int64_t total,
                    int64_t) override {
    std::lock_guard l(m);
    note("write");
    written += bytes;
    lastTotal = total;
  }
  void didFinishDownloadingToURL(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&,
                                 const Ref<URL>& location) override {
    std::lock_guard l(m);
    note("finish");
    fs::rename(location->path().utf8(), keepAt);
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>& task, const Ref<Error>& e) override {
    std::lock_guard l(m);
    note("complete:" + kind(task));
    error = e;
    done = true;
    cv.notify_all();
  }
};

RT_IMPLEMENT(Converter) {}

class AnnouncedConverter : public Converter {
  RT_CLASS(AnnouncedConverter, Converter)
};

RT_IMPLEMENT(AnnouncedConverter) {
  URLSessionDelegate::implement(
      c.cls(), {URLSessionDelegate::kDidReceiveResponse, URLSessionDelegate::kDidReceiveData,
                URLSessionDelegate::kDidBecomeDownloadTask, URLSessionDelegate::kDidWriteData,
                URLSessionDelegate::kDidFinishDownloadingToURL, URLSessionDelegate::kDidCompleteWithError});
}

/// Without the announcement: the download callbacks still follow.
class SilentConverter : public Converter {
  RT_CLASS(SilentConverter, Converter)
};

RT_IMPLEMENT(SilentConverter) {
  URLSessionDelegate::implement(
      c.cls(), {URLSessionDelegate::kDidReceiveResponse, URLSessionDelegate::kDidReceiveData,
                URLSessionDelegate::kDidWriteData, URLSessionDelegate::kDidFinishDownloadingToURL,
                URLSessionDelegate::kDidCompleteWithError});
}

}  // namespace

TEST(URLSessionBecomeDownload, TheBodyEndsInAFileAndOnlyTheDownloadTaskHearsOfIt) {
  TestServer server;
  const std::string body = megabyte();
  Reply reply = Reply::text(body);
  reply.chunked = true;
  reply.chunkSize = 64 * 1024;
  server.route("/big", reply);
  auto dir = fs::temp_directory_path() / ("become-download-" + std::to_string(::getpid()));
  fs::create_directories(dir);

  struct Case {
    const char* name;
    bool answerAtOnce;  // otherwise only once the whole body has arrived
    bool announces;
  } cases[] = {
      {"at once", true, true},
      {"after the body arrived", false, true},
      {"without the announcement", true, false},
  };
  for (auto& c : cases) {
    Ref<Converter> d = c.announces ? Ref<Converter>(rt::make<AnnouncedConverter>())
                                   : Ref<Converter>(rt::make<SilentConverter>());
    d->answerAtOnce = c.answerAtOnce;
    d->keepAt = (dir / "kept.bin").string();
    fs::remove(d->keepAt);
    auto config = URLSessionConfiguration::defaultSessionConfiguration();
    config->setURLCache(nullptr);
    auto session = URLSession::sessionWithConfiguration(config, d);
    auto task = session->dataTaskWithRequest(URLRequest::requestWithURL(urlOf(server.url("/big"))));
    task->resume();
    if (!c.answerAtOnce) {
      URLSessionDelegate::DispositionHandler answer;
      {
        std::unique_lock l(d->m);
        ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->pending != nullptr; })) << c.name;
        answer = std::move(d->pending);
      }
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (task->countOfBytesReceived() < static_cast<int64_t>(body.size()) &&
             std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ASSERT_EQ(task->countOfBytesReceived(), static_cast<int64_t>(body.size())) << c.name;
      // Lets the transfer end too, so that its outcome is also decided before the answer.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      answer(URLSessionResponseDisposition::BecomeDownload);
    }
    {
      std::unique_lock l(d->m);
      ASSERT_TRUE(d->cv.wait_for(l, std::chrono::seconds(10), [&] { return d->done; })) << c.name;
    }
    session->delegateQueue()->waitUntilAllOperationsAreFinished();
    std::lock_guard l(d->m);
    EXPECT_EQ(d->error, nullptr) << c.name;
    std::vector<std::string> expected = {"response", "become", "write", "finish", "complete:download"};
    if (!c.announces) expected.erase(expected.begin() + 1);
    EXPECT_EQ(d->events, expected) << c.name;
    EXPECT_EQ(d->written, static_cast<int64_t>(body.size())) << c.name;
    EXPECT_EQ(d->lastTotal, static_cast<int64_t>(body.size())) << c.name;
    EXPECT_TRUE(readFile(d->keepAt) == body) << c.name;
    EXPECT_EQ(task->state(), URLSessionTaskState::Completed) << c.name;
    EXPECT_EQ(task->error(), nullptr) << c.name;
    if (c.announces) {
      EXPECT_EQ(d->announcedData, task) << c.name;
      ASSERT_TRUE(d->announcedDownload) << c.name;
      EXPECT_NE(d->announcedDownload->taskIdentifier(), task->taskIdentifier()) << c.name;
      EXPECT_EQ(d->announcedDownload->state(), URLSessionTaskState::Completed) << c.name;
      EXPECT_EQ(d->announcedDownload->countOfBytesReceived(), static_cast<int64_t>(body.size())) << c.name;
      EXPECT_TRUE(d->announcedDownload->response()) << c.name;
    }
  }
  fs::remove_all(dir);
}
