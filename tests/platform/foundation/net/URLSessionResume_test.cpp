// Download resume data: a cancelled download goes on where it stopped when the server still
// has the same entity, and starts over cleanly when it does not.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/net/URLSession.h"
#include "tests/support/ConnectionRecorder.h"
#include "tests/support/TestServer.h"

// A namespace of its own: test programs compile several files as one.
namespace urlsession_resume_test {

using namespace fd;
using testsupport::TestServer;

namespace {

constexpr auto kWait = std::chrono::seconds(10);

std::string makeBody() {
  std::string s;
  for (int i = 0; s.size() < 300000; ++i) s += std::to_string(i) + ",";
  return s;
}

/// Serves one entity: a full body sent slowly in chunks (no length, so never cut to a range),
/// or, for a range whose If-Range matches the current entity tag, the rest of it at once.
struct RangeServer {
  const std::string body = makeBody();
  std::mutex m;
  std::string etag = "\"v1\"";
  std::vector<std::pair<std::string, std::string>> rangeRequests;  // Range, If-Range; under m

  std::vector<std::pair<std::string, std::string>> rangeRequestsSeen() {
    std::lock_guard l(m);
    return rangeRequests;
  }
  // Last, so that it stops (its handlers finish) before the state they use goes.
  TestServer server;

  RangeServer() {
    server.route("/file", [this](const httplib::Request& req, httplib::Response& res) {
      std::string tag;
      {
        std::lock_guard l(m);
        tag = etag;
        if (req.has_header("Range")) rangeRequests.emplace_back(req.get_header_value("Range"), req.get_header_value("If-Range"));
      }
      res.set_header("ETag", tag);
      if (req.has_header("Range") && req.get_header_value("If-Range") == tag) {
        // The server library answers the range itself: 206 with Content-Range.
        res.set_content(body, "application/octet-stream");
        return;
      }
      res.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
        if (offset >= body.size()) {
          sink.done();
          return true;
        }
        size_t n = std::min<size_t>(8192, body.size() - offset);
        sink.write(body.data() + offset, n);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
      });
    });
  }
};

/// Cancels its download, producing resume data, once `cancelAt` bytes are written; records offsets.
class ResumeWatcher : public URLSessionDelegate {
  RT_CLASS(ResumeWatcher, URLSessionDelegate)
 public:
  std::mutex m;
  std::condition_variable cv;
  bool cancelEarly = true;
  int64_t cancelAt = 1;  // bytes written before the cancel
  bool haveResumeData = false, completed = false;
  Ref<Data> resumeData;
  std::vector<std::pair<int64_t, int64_t>> resumes;
  std::string file;
  Ref<Error> error;

  void didWriteData(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>& task, int64_t, int64_t total,
                    int64_t) override {
    if (!cancelEarly || total < cancelAt) return;
    cancelEarly = false;
    task->cancelByProducingResumeData([this](Ref<Data> data) {
      std::lock_guard l(m);
      resumeData = data;
      haveResumeData = true;
      cv.notify_all();
    });
  }
  void didResumeAtOffset(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&, int64_t offset,
                         int64_t expected) override {
    std::lock_guard l(m);
    resumes.emplace_back(offset, expected);
  }
  void didFinishDownloadingToURL(const Ref<URLSession>&, const Ref<URLSessionDownloadTask>&,
                                 const Ref<URL>& location) override {
    std::ifstream in(location->path().utf8(), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::lock_guard l(m);
    file = ss.str();
  }
  void didCompleteWithError(const Ref<URLSession>&, const Ref<URLSessionTask>&, const Ref<Error>& e) override {
    std::lock_guard l(m);
    error = e;
    completed = true;
    cv.notify_all();
  }
  bool waitFor(bool ResumeWatcher::*flag) {
    std::unique_lock l(m);
    return cv.wait_for(l, kWait, [&] { return this->*flag; });
  }
};
RT_IMPLEMENT(ResumeWatcher) {
  URLSessionDelegate::implement(c.cls(), {URLSessionDelegate::kDidWriteData, URLSessionDelegate::kDidResumeAtOffset,
                                          URLSessionDelegate::kDidFinishDownloadingToURL,
                                          URLSessionDelegate::kDidCompleteWithError});
}

}  // namespace

TEST(URLSessionResume, GoesOnWhereItStoppedOrStartsOver) {
  struct Case {
    const char* name;
    bool entityChanged;
  };
  for (const Case c : {Case{"same entity", false}, Case{"entity changed", true}}) {
    RangeServer rs;
    auto first = rt::make<ResumeWatcher>();
    auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), first);
    session->downloadTaskWithRequest(URLRequest::requestWithURL(testsupport::urlOf(rs.server.url("/file"))))->resume();
    ASSERT_TRUE(first->waitFor(&ResumeWatcher::haveResumeData)) << c.name;
    ASSERT_TRUE(first->waitFor(&ResumeWatcher::completed)) << c.name;
    ASSERT_TRUE(first->resumeData) << c.name;
    EXPECT_EQ(first->error->code(), NSURLErrorCancelled) << c.name;
    session->finishTasksAndInvalidate();

    if (c.entityChanged) {
      std::lock_guard l(rs.m);
      rs.etag = "\"v2\"";
    }
    auto second = rt::make<ResumeWatcher>();
    second->cancelEarly = false;
    auto again = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), second);
    auto task = again->downloadTaskWithResumeData(first->resumeData);
    ASSERT_TRUE(task) << c.name;
    task->resume();
    ASSERT_TRUE(second->waitFor(&ResumeWatcher::completed)) << c.name;
    EXPECT_FALSE(second->error) << c.name;
    EXPECT_EQ(second->file.size(), rs.body.size()) << c.name;
    EXPECT_TRUE(second->file == rs.body) << c.name;  // not printed: 300 kB
    ASSERT_EQ(second->resumes.size(), 1u) << c.name;
    const auto rangeRequests = rs.rangeRequestsSeen();
    ASSERT_EQ(rangeRequests.size(), 1u) << c.name;
    EXPECT_EQ(rangeRequests[0].second, "\"v1\"") << c.name;
    int64_t asked = std::stoll(rangeRequests[0].first.substr(6));
    EXPECT_GT(asked, 0) << c.name;
    EXPECT_LT(asked, static_cast<int64_t>(rs.body.size())) << c.name;
    EXPECT_EQ(rangeRequests[0].first, "bytes=" + std::to_string(asked) + "-") << c.name;
    EXPECT_EQ(second->resumes[0].first, c.entityChanged ? 0 : asked) << c.name;
    EXPECT_EQ(task->countOfBytesReceived(), static_cast<int64_t>(rs.body.size())) << c.name;
    again->finishTasksAndInvalidate();
  }
}

TEST(URLSessionResume, ResumeDataThatCannotBeUsed) {
  auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration());
  auto missingFile = Data::create(std::string_view(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
      "<key>NSURLSessionDownloadURL</key><string>http://127.0.0.1:9/file</string>"
      "<key>NSURLSessionResumeBytesReceived</key><integer>10</integer>"
      "<key>NSURLSessionResumeInfoLocalPath</key><string>/nonexistent/partial.tmp</string>"
      "</dict></plist>"));
  for (const auto& data : {Data::create(std::string_view("not resume data")), Data::create(), missingFile}) {
    std::mutex m;
    std::condition_variable cv;
    Ref<Error> error;
    bool done = false;
    auto task = session->downloadTaskWithResumeData(data, [&](Ref<URL> location, Ref<URLResponse>, Ref<Error> e) {
      std::lock_guard l(m);
      EXPECT_FALSE(location);
      error = e;
      done = true;
      cv.notify_all();
    });
    task->resume();
    std::unique_lock l(m);
    ASSERT_TRUE(cv.wait_for(l, kWait, [&] { return done; }));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSURLErrorCannotOpenFile);
  }
  session->finishTasksAndInvalidate();
}

TEST(URLSessionResume, NothingToResumeGivesNoData) {
  // Nothing written yet: no resume data.
  TestServer server;
  testsupport::Reply slow = testsupport::Reply::text("late");
  slow.delayBeforeHeaders = 0.5;
  server.route("/slow", slow);
  auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration());
  auto task = session->downloadTaskWithRequest(URLRequest::requestWithURL(testsupport::urlOf(server.url("/slow"))));
  task->resume();
  std::mutex m;
  std::condition_variable cv;
  std::optional<Ref<Data>> produced;
  task->cancelByProducingResumeData([&](Ref<Data> d) {
    std::lock_guard l(m);
    produced = d;
    cv.notify_all();
  });
  std::unique_lock l(m);
  ASSERT_TRUE(cv.wait_for(l, kWait, [&] { return produced.has_value(); }));
  EXPECT_FALSE(*produced);
  EXPECT_EQ(task->state(), URLSessionTaskState::Completed);
  session->finishTasksAndInvalidate();
}

namespace {

/// Sends the whole of one entity and then holds the connection open without ending the body,
/// so that a download holds every byte and is still running when it is cancelled. Answers a
/// range with the 416 it is told to, and a later plain request with a fresh entity.
struct FullyDeliveredServer {
  const std::string body = makeBody();
  const std::string fresh = "a fresh, shorter entity";
  const std::optional<std::string> contentRange;  // of the 416, fixed before the server starts
  std::atomic<bool> released{false};
  std::atomic<int> plainRequests{0};
  TestServer server;  // after what its handlers use, so that it stops first

  /// `range` is the 416's Content-Range, where "N" stands for the length of the entity.
  explicit FullyDeliveredServer(std::optional<std::string> range) : contentRange(withLength(std::move(range))) {
    server.route("/file", [this](const httplib::Request& req, httplib::Response& res) {
      res.set_header("ETag", "\"v1\"");
      if (req.has_header("Range")) {
        res.status = 416;
        if (contentRange) res.set_header("Content-Range", *contentRange);
        return;
      }
      if (plainRequests++ > 0) return res.set_content(fresh, "application/octet-stream");
      res.set_chunked_content_provider("application/octet-stream", [this](size_t offset, httplib::DataSink& sink) {
        if (offset < body.size()) return sink.write(body.data() + offset, body.size() - offset);
        while (!released && sink.is_writable()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return false;
      });
    });
  }
  ~FullyDeliveredServer() { released = true; }

  std::optional<std::string> withLength(std::optional<std::string> range) const {
    if (range)
      if (auto n = range->find('N'); n != std::string::npos) range->replace(n, 1, std::to_string(body.size()));
    return range;
  }
};

}  // namespace

// Resume data made after the last byte arrived holds the whole entity, and the server refuses
// a range that starts at its end. A 416 naming that length is the whole file, kept as it is;
// one naming another length (or none) means the entity changed, and it is loaded anew.
TEST(URLSessionResume, ResumeDataHoldingEveryByteIsTheWholeFileOrStartsOver) {
  struct Case {
    const char* name;
    std::optional<std::string> contentRange;  // of the 416; "N" stands for the bytes held
    bool whole;
  } cases[] = {
      {"the length held", "bytes */N", true},
      {"another length", "bytes */23", false},
      {"no length", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FullyDeliveredServer fs(c.contentRange);
    const int64_t held = static_cast<int64_t>(fs.body.size());
    auto first = rt::make<ResumeWatcher>();
    first->cancelAt = held;
    auto session = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), first);
    session->downloadTaskWithRequest(URLRequest::requestWithURL(testsupport::urlOf(fs.server.url("/file"))))->resume();
    ASSERT_TRUE(first->waitFor(&ResumeWatcher::haveResumeData));
    ASSERT_TRUE(first->waitFor(&ResumeWatcher::completed));
    ASSERT_TRUE(first->resumeData);
    session->finishTasksAndInvalidate();

    auto second = rt::make<ResumeWatcher>();
    second->cancelEarly = false;
    auto again = URLSession::sessionWithConfiguration(URLSessionConfiguration::ephemeralSessionConfiguration(), second);
    auto task = again->downloadTaskWithResumeData(first->resumeData);
    task->resume();
    ASSERT_TRUE(second->waitFor(&ResumeWatcher::completed));
    EXPECT_FALSE(second->error);
    const std::string& expected = c.whole ? fs.body : fs.fresh;
    EXPECT_EQ(second->file.size(), expected.size());
    EXPECT_TRUE(second->file == expected);  // not printed: 300 kB
    EXPECT_EQ(second->resumes, (std::vector<std::pair<int64_t, int64_t>>{
                                   c.whole ? std::pair<int64_t, int64_t>(held, held)
                                           : std::pair<int64_t, int64_t>(0, static_cast<int64_t>(fs.fresh.size()))}));
    EXPECT_EQ(task->countOfBytesReceived(), static_cast<int64_t>(expected.size()));
    auto response = rt::as<HTTPURLResponse>(task->response());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->statusCode(), 200);
    EXPECT_EQ(response->expectedContentLength(), static_cast<int64_t>(expected.size()));
    // The first load, the range, and for a changed entity one plain request without a range.
    auto requests = fs.server.requests();
    ASSERT_EQ(requests.size(), c.whole ? 2u : 3u);
    EXPECT_EQ(requests[1].header("Range"), "bytes=" + std::to_string(held) + "-");
    EXPECT_EQ(requests[1].header("If-Range"), "\"v1\"");
    if (!c.whole) {
      EXPECT_FALSE(requests[2].header("Range"));
      EXPECT_FALSE(requests[2].header("If-Range"));
    }
    again->finishTasksAndInvalidate();
  }
}

}  // namespace urlsession_resume_test
