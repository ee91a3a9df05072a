#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "image/web/WIWebImageManager.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLError.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Thread.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

/// What one load reported.
struct Report {
  int calls = 0;
  int partials = 0;
  bool allOnMain = true;
  Ref<gfx::Image> image;
  std::vector<Ref<gfx::Image>> partialImages;
  Ref<fd::Error> error;
  WICacheType type = WICacheTypeNone;
  bool finished = false;

  WIManagerCompletedBlock block() {
    return [this](Ref<gfx::Image> i, Ref<fd::Error> e, WICacheType t, bool f, Ref<fd::URL>) {
      allOnMain = allOnMain && fd::Thread::isMainThread();
      if (!f) {
        ++partials;
        partialImages.push_back(i);
        return;
      }
      ++calls;
      image = i;
      error = e;
      type = t;
      finished = f;
    };
  }
};

class WIWebImageManagerTest : public ImagePipelineTest {};

TEST_F(WIWebImageManagerTest, DownloadsEachFormatThenAnswersFromMemoryThenFromDiskAfterARestart) {
  for (const char* path : {"thumb/m1.png", "thumb/m1.jpg", "thumb/m1.gif", "thumb/m1.webp"}) {
    SCOPED_TRACE(path);
    auto manager = makeManager(makeCache("restart"));
    Report first;
    manager->downloadImageWithURL(pictureURL(path), 0, nullptr, first.block());
    ASSERT_TRUE(pump([&] { return first.calls > 0; }));
    ASSERT_TRUE(first.image) << (first.error ? first.error->description().utf8() : "");
    EXPECT_EQ(first.type, WICacheTypeNone);
    EXPECT_EQ(first.image->pixelSize().width, 200);
    EXPECT_EQ(first.image->pixelSize().height, 150);
    EXPECT_TRUE(first.allOnMain);
    ASSERT_TRUE(pump([&] { return !manager->isRunning(); }));

    // A second load is a memory hit, answered before the call returns.
    Report second;
    auto op = manager->downloadImageWithURL(fd::StringObject::create(picture(path)), 0, nullptr, second.block());
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(second.type, WICacheTypeMemory);
    EXPECT_TRUE(manager->runningOperations().empty());
    manager->imageCache()->ioQueue()->sync([] {});

    // New cache and manager objects over the same folder: a disk hit.
    auto restarted = makeManager(makeCache("restart"));
    Report third;
    restarted->downloadImageWithURL(pictureURL(path), 0, nullptr, third.block());
    ASSERT_TRUE(pump([&] { return third.calls > 0; }));
    ASSERT_TRUE(third.image);
    EXPECT_EQ(third.type, WICacheTypeDisk);
    EXPECT_EQ(third.image->pixelSize().width, 200);
  }
}

TEST_F(WIWebImageManagerTest, ADownloadAnnouncesStartResponseStopAndFinishOnceEach) {
  auto manager = makeManager(makeCache("notes"));
  std::map<std::string, int> seen;
  auto center = fd::NotificationCenter::defaultCenter();
  std::vector<rt::Id> tokens;
  for (const char* name : {WIWebImageDownloadStartNotification, WIWebImageDownloadReceiveResponseNotification,
                           WIWebImageDownloadStopNotification, WIWebImageDownloadFinishNotification})
    tokens.push_back(center->addObserverForName(fd::String(name), nullptr, nullptr,
                                                [&seen](const Ref<fd::Notification>& n) { ++seen[n->name().utf8()]; }));
  Report report;
  std::vector<std::pair<int64_t, int64_t>> progress;
  manager->downloadImageWithURL(pictureURL("photo/notes.png"), 0,
                                [&](int64_t received, int64_t expected) { progress.emplace_back(received, expected); },
                                report.block());
  ASSERT_TRUE(pump([&] { return report.calls > 0 && seen[WIWebImageDownloadFinishNotification] > 0; }));
  fd::RunLoopDriver::runUntilIdle();
  for (const auto& t : tokens) center->removeObserver(t);
  EXPECT_EQ(seen[WIWebImageDownloadStartNotification], 1);
  EXPECT_EQ(seen[WIWebImageDownloadReceiveResponseNotification], 1);
  EXPECT_EQ(seen[WIWebImageDownloadStopNotification], 1);
  EXPECT_EQ(seen[WIWebImageDownloadFinishNotification], 1);
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress.front(), std::make_pair(int64_t(0), int64_t(-1)));
  EXPECT_EQ(progress.back().first, progress.back().second);
}

TEST_F(WIWebImageManagerTest, ClientAndServerErrorsJoinTheFailedSetTimeOutsDoNot) {
  auto manager = makeManager(makeCache("failed"));
  manager->imageDownloader()->setDownloadTimeout(0.5);
  auto& server = scripted();
  server.route("/500.png", testsupport::Reply::text("busy", 500));
  server.route("/503.png", testsupport::Reply::text("busy", 503));
  testsupport::Reply slow = testsupport::Reply::text("late");
  slow.delayBeforeHeaders = 3;
  server.route("/slow.png", slow);
  struct Case {
    std::string url;
    int64_t code;
    bool failed;
  };
  std::vector<Case> cases = {{picture("thumb/none.bmp"), 404, true},
                             {server.url("/500.png"), 500, true},
                             {server.url("/503.png"), 503, true},
                             {server.url("/slow.png"), fd::NSURLErrorTimedOut, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    auto url = fd::URL::URLWithString(c.url);
    Report report;
    manager->downloadImageWithURL(url, 0, nullptr, report.block());
    ASSERT_TRUE(pump([&] { return report.calls > 0; }));
    ASSERT_TRUE(report.error);
    EXPECT_EQ(report.error->domain().utf8(), "NSURLErrorDomain");
    EXPECT_EQ(report.error->code(), c.code);
    EXPECT_FALSE(report.image);
    EXPECT_EQ(manager->isFailedURL(url), c.failed);
    if (!c.failed) continue;
    // Refused before the call returns; retried only when asked.
    Report refused;
    manager->downloadImageWithURL(url, 0, nullptr, refused.block());
    EXPECT_EQ(refused.calls, 1);
    ASSERT_TRUE(refused.error);
    EXPECT_EQ(refused.error->code(), fd::NSURLErrorFileDoesNotExist);
    Report retried;
    manager->downloadImageWithURL(url, WIManagerRetryFailed, nullptr, retried.block());
    ASSERT_TRUE(pump([&] { return retried.calls > 0; }));
    EXPECT_EQ(retried.error->code(), c.code);
  }
  // A retried URL that now loads leaves the set.
  auto good = pictureURL("thumb/fine.png");
  server.route("/fine.png", testsupport::Reply::text("gone", 404));
  auto flaky = fd::URL::URLWithString(server.url("/fine.png"));
  Report broken;
  manager->downloadImageWithURL(flaky, 0, nullptr, broken.block());
  ASSERT_TRUE(pump([&] { return broken.calls > 0; }));
  ASSERT_TRUE(manager->isFailedURL(flaky));
  testsupport::Reply png;
  png.contentType = "image/png";
  auto bytes = sampleBytes("thumb/fine.png");
  png.body.assign(bytes.begin(), bytes.end());
  server.route("/fine.png", png);
  Report fixed;
  manager->downloadImageWithURL(flaky, WIManagerRetryFailed, nullptr, fixed.block());
  ASSERT_TRUE(pump([&] { return fixed.calls > 0; }));
  EXPECT_TRUE(fixed.image);
  EXPECT_FALSE(manager->isFailedURL(flaky));
  (void)good;
}

TEST_F(WIWebImageManagerTest, CancellingOneCallerLeavesAnotherJoinedToTheSameDownload) {
  auto manager = makeManager(makeCache("joined"));
  auto& server = scripted();
  testsupport::Reply png;
  png.contentType = "image/png";
  auto bytes = sampleBytes("banner/joined.png");
  png.body.assign(bytes.begin(), bytes.end());
  png.delayBeforeHeaders = 0.4;
  server.route("/joined.png", png);
  auto url = fd::URL::URLWithString(server.url("/joined.png"));

  // The reused cell's load started the download; the other one joined it.
  Report reused, other;
  auto first = manager->downloadImageWithURL(url, 0, nullptr, reused.block());
  auto second = manager->downloadImageWithURL(url, 0, nullptr, other.block());
  ASSERT_TRUE(pump([&] { return manager->imageDownloader()->callerCount(url) == 2; }, 5));
  first->cancel();
  ASSERT_TRUE(pump([&] { return other.calls > 0; }));
  EXPECT_TRUE(other.image);
  EXPECT_EQ(reused.calls, 0);
  EXPECT_EQ(server.requestCount(), 1u);

  // When every caller has left, the download itself stops and nobody hears of it.
  manager->imageCache()->clearMemory();
  manager->imageCache()->clearDisk();
  manager->imageCache()->ioQueue()->sync([] {});
  Report a, b;
  auto la = manager->downloadImageWithURL(url, 0, nullptr, a.block());
  auto lb = manager->downloadImageWithURL(url, 0, nullptr, b.block());
  ASSERT_TRUE(pump([&] { return manager->imageDownloader()->callerCount(url) == 2; }, 5));
  la->cancel();
  lb->cancel();
  EXPECT_EQ(manager->imageDownloader()->callerCount(url), 0u);
  ASSERT_TRUE(pump([&] { return manager->imageDownloader()->currentDownloadCount() == 0; }, 5));
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_EQ(a.calls + b.calls + a.partials + b.partials, 0);
  EXPECT_FALSE(manager->isRunning());
}

TEST_F(WIWebImageManagerTest, NotModifiedEndsTheLoadWithAFinalAnswer) {
  auto manager = makeManager(makeCache("notmodified"));
  auto& server = scripted();
  testsupport::Reply notModified;
  notModified.status = 304;
  server.route("/same.png", notModified);
  int stops = 0;
  auto center = fd::NotificationCenter::defaultCenter();
  auto token = center->addObserverForName(fd::String(WIWebImageDownloadStopNotification), nullptr, nullptr,
                                          [&](const Ref<fd::Notification>&) { ++stops; });
  Report report;
  manager->downloadImageWithURL(fd::URL::URLWithString(server.url("/same.png")), 0, nullptr, report.block());
  ASSERT_TRUE(pump([&] { return report.calls > 0; }));
  fd::RunLoopDriver::runUntilIdle();
  center->removeObserver(token);
  EXPECT_FALSE(report.image);
  EXPECT_FALSE(report.error);
  EXPECT_TRUE(report.finished);
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(pump([&] { return !manager->isRunning(); }, 5));
  EXPECT_EQ(manager->failedURLCount(), 0u);
}

/// A server that announces an enormous body, sends a little and hangs up.
class LyingServer {
 public:
  LyingServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 4);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] {
      int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      char buffer[4096];
      (void)::read(c, buffer, sizeof buffer);
      std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: 900000000000\r\n\r\n";
      std::string body(200, '\x89');
      (void)::write(c, head.data(), head.size());
      (void)::write(c, body.data(), body.size());
      ::close(c);
    });
  }
  ~LyingServer() {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/huge.png"; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(WIWebImageManagerTest, AHostileContentLengthIsNotAllocatedUpFront) {
  auto manager = makeManager(makeCache("hostile"));
  LyingServer server;
  Report report;
  int64_t announced = 0;
  manager->downloadImageWithURL(fd::URL::URLWithString(server.url()), WIManagerProgressive,
                                [&](int64_t, int64_t expected) { announced = std::max(announced, expected); },
                                report.block());
  ASSERT_TRUE(pump([&] { return report.calls > 0; }));
  EXPECT_EQ(announced, 900000000000);
  EXPECT_FALSE(report.image);
  ASSERT_TRUE(report.error);
}

}  // namespace
}  // namespace imagetest
