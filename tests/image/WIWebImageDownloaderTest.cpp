#include <atomic>
#include <mutex>

#include "image/web/WIWebImageDownloader.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

class WIWebImageDownloaderTest : public ImagePipelineTest {};

// An activity indicator as a program would supply one; the downloader finds it by name.
class ActivityIndicator : public rt::Object {
  RT_CLASS_NAMED(ActivityIndicator, rt::Object, "WINetworkActivityIndicator")
 public:
  static rt::Id shared() {
    static Ref<ActivityIndicator> indicator = rt::make<ActivityIndicator>();
    return indicator;
  }
  void startActivity() { ++starts; }
  void stopActivity() { ++stops; }
  std::atomic<int> starts{0};
  std::atomic<int> stops{0};
};
RT_IMPLEMENT(ActivityIndicator) {
  c.classMethod("sharedActivityIndicator", &ActivityIndicator::shared);
  c.method("startActivity", &ActivityIndicator::startActivity);
  c.method("stopActivity", &ActivityIndicator::stopActivity);
}

// Set up once for the class: every download starts and stops the indicator exactly once.
TEST_F(WIWebImageDownloaderTest, TheActivityIndicatorFollowsEachDownloadOnce) {
  auto indicator = std::static_pointer_cast<ActivityIndicator>(ActivityIndicator::shared());
  auto first = WIWebImageDownloader::create();
  auto second = WIWebImageDownloader::create();
  fd::RunLoopDriver::runUntilIdle();  // notices of earlier downloads are counted by now
  const int starts = indicator->starts, stops = indicator->stops;
  std::atomic<int> done{0};
  for (const auto& downloader : {first, second})
    downloader->downloadImageWithURL(pictureURL("thumb/indicator.png"), 0, nullptr,
                                     [&](auto, auto, auto, bool finished) { done += finished; });
  ASSERT_TRUE(pump([&] { return done == 2 && indicator->stops - stops == 2; }, 20));
  EXPECT_EQ(indicator->starts - starts, 2);
  EXPECT_EQ(indicator->stops - stops, 2);
}

TEST_F(WIWebImageDownloaderTest, RequestsCarryTheOptionsHeadersAndTimeOut) {
  auto downloader = WIWebImageDownloader::create();
  std::vector<Ref<fd::URLRequest>> requests;
  downloader->setOperationFactory([&](Ref<fd::URLRequest> request, WIDownloaderOptions options,
                                      WIDownloaderProgressBlock progress, WIDownloaderCompletedBlock completed,
                                      std::function<void()> cancelled) {
    requests.push_back(request);
    return WIWebImageDownloaderOperation::create(request, options, progress, completed, cancelled);
  });
  downloader->setSuspended(true);
  downloader->setDownloadTimeout(0);
  auto plain = downloader->downloadImageWithURL(pictureURL("thumb/o1.png"), 0, nullptr, nullptr);
  downloader->setValueForHTTPHeaderField(std::nullopt, "Accept");
  downloader->setValueForHTTPHeaderField(fd::String("yes"), "X-Test");
  auto cached = downloader->downloadImageWithURL(
      pictureURL("thumb/o2.png"), WIDownloaderUseURLCache | WIDownloaderHandleCookies | WIDownloaderLowPriority | WIDownloaderHighPriority,
      nullptr, nullptr);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0]->cachePolicy(), fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData);
  EXPECT_FALSE(requests[0]->HTTPShouldHandleCookies());
  EXPECT_EQ(requests[0]->timeoutInterval(), 15.0);
  EXPECT_EQ(requests[0]->valueForHTTPHeaderField("Accept"), fd::String("image/*;q=0.8"));
  EXPECT_EQ(requests[1]->cachePolicy(), fd::URLRequestCachePolicy::UseProtocolCachePolicy);
  EXPECT_TRUE(requests[1]->HTTPShouldHandleCookies());
  EXPECT_FALSE(requests[1]->valueForHTTPHeaderField("Accept"));
  EXPECT_EQ(requests[1]->valueForHTTPHeaderField("X-Test"), fd::String("yes"));
  EXPECT_EQ(plain->downloadOperation()->queuePriority(), fd::OperationQueuePriority::Normal);
  EXPECT_EQ(cached->downloadOperation()->queuePriority(), fd::OperationQueuePriority::High);
  plain->cancel();
  cached->cancel();
  downloader->setSuspended(false);
}

TEST_F(WIWebImageDownloaderTest, ANilURLAnswersAtOnceAndTwoRequestsShareOneDownload) {
  auto downloader = WIWebImageDownloader::create();
  int nilCalls = 0;
  EXPECT_FALSE(downloader->downloadImageWithURL(nullptr, 0, nullptr, [&](auto image, auto data, auto error, bool finished) {
    ++nilCalls;
    EXPECT_FALSE(image || data || error || finished);
  }));
  EXPECT_EQ(nilCalls, 1);

  // Completions run on the download's thread.
  std::mutex mutex;
  std::vector<int> order;
  std::vector<Ref<fd::Data>> datas;
  auto url = pictureURL("photo/shared.jpg");
  auto first = downloader->downloadImageWithURL(url, 0, nullptr, [&](auto, Ref<fd::Data> data, auto, bool) {
    std::lock_guard lock(mutex);
    order.push_back(1);
    datas.push_back(data);
  });
  auto second = downloader->downloadImageWithURL(url, 0, nullptr, [&](auto, Ref<fd::Data> data, auto, bool) {
    std::lock_guard lock(mutex);
    order.push_back(2);
    datas.push_back(data);
  });
  EXPECT_TRUE(first->startedDownload());
  EXPECT_FALSE(second->startedDownload());
  EXPECT_EQ(first->downloadOperation(), second->downloadOperation());
  ASSERT_TRUE(pump([&] {
    std::lock_guard lock(mutex);
    return order.size() == 2;
  }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(datas[0], datas[1]);
  // After completion a new request starts a new download.
  auto third = downloader->downloadImageWithURL(url, 0, nullptr, nullptr);
  EXPECT_TRUE(third->startedDownload());
  third->cancel();
  // The cancelled download ends here: its worker's start and stop notices would otherwise
  // reach a later test's activity indicator.
  EXPECT_TRUE(pump([&] { return downloader->currentDownloadCount() == 0; }));
  fd::RunLoopDriver::runUntilIdle();
}

TEST_F(WIWebImageDownloaderTest, LastInFirstOutRunsTheNewestFirst) {
  auto downloader = WIWebImageDownloader::create();
  downloader->setMaxConcurrentDownloads(1);
  downloader->setExecutionOrder(WIDownloaderLIFO);
  downloader->setSuspended(true);
  std::mutex mutex;  // completions run on the download threads
  std::vector<std::string> finished;
  std::vector<Ref<WIWebImageDownloadToken>> tokens;
  for (const char* name : {"A", "B", "C"}) {
    tokens.push_back(downloader->downloadImageWithURL(pictureURL(std::string("thumb/lifo") + name + ".png"), 0, nullptr,
                                                      [&, name](auto, auto, auto, bool) {
                                                        std::lock_guard lock(mutex);
                                                        finished.push_back(name);
                                                      }));
  }
  downloader->setSuspended(false);
  ASSERT_TRUE(pump([&] {
    std::lock_guard lock(mutex);
    return finished.size() == 3;
  }));
  EXPECT_EQ(finished, (std::vector<std::string>{"C", "B", "A"}));
}

}  // namespace
}  // namespace imagetest
