#include "image/web/WIWebImagePrefetcher.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

class RecordingPrefetchDelegate : public WIWebImagePrefetcherDelegate {
  RT_CLASS(RecordingPrefetchDelegate, WIWebImagePrefetcherDelegate)
 public:
  void init() {}
  void didPrefetchURL(WIWebImagePrefetcher&, const rt::Id&, uint64_t finished, uint64_t total) override {
    perURL.emplace_back(finished, total);
  }
  void didFinish(WIWebImagePrefetcher&, uint64_t total, uint64_t skipped) override {
    ++finishes;
    finalTotal = total;
    finalSkipped = skipped;
  }
  std::vector<std::pair<uint64_t, uint64_t>> perURL;
  int finishes = 0;
  uint64_t finalTotal = 0, finalSkipped = 0;
};
RT_IMPLEMENT(RecordingPrefetchDelegate) {
  WIWebImagePrefetcherDelegate::implement(c.cls(), {WIWebImagePrefetcherDelegate::kDidPrefetchURL,
                                                    WIWebImagePrefetcherDelegate::kDidFinish});
}

class WIWebImagePrefetcherTest : public ImagePipelineTest {
 protected:
  Ref<WIWebImagePrefetcher> makePrefetcher() {
    auto prefetcher = WIWebImagePrefetcher::create();
    prefetcher->manager()->setImageCache(makeCache("prefetch"));
    prefetcher->manager()->setImageDownloader(WIWebImageDownloader::create());
    prefetcher->setMaxConcurrentDownloads(3);
    return prefetcher;
  }
};

TEST_F(WIWebImagePrefetcherTest, AnEmptyListCompletesAtOnceWithoutTheDelegate) {
  auto prefetcher = makePrefetcher();
  auto delegate = rt::make<RecordingPrefetchDelegate>();
  prefetcher->setDelegate(delegate);
  int completions = 0;
  prefetcher->prefetchURLs({}, nullptr, [&](uint64_t finished, uint64_t skipped) {
    ++completions;
    EXPECT_EQ(finished, 0u);
    EXPECT_EQ(skipped, 0u);
  });
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(delegate->finishes, 0);
}

TEST_F(WIWebImagePrefetcherTest, FiveURLsRunThreeAtATimeAndCountTheSkipped) {
  auto prefetcher = makePrefetcher();
  auto delegate = rt::make<RecordingPrefetchDelegate>();
  prefetcher->setDelegate(delegate);
  std::vector<rt::Id> urls = {pictureURL("thumb/p1.png"), pictureURL("thumb/p2.jpg"), pictureURL("thumb/p3.bmp"),
                              pictureURL("thumb/p4.webp"), pictureURL("thumb/p5.gif")};
  int completions = 0;
  uint64_t finished = 0, skipped = 0;
  std::vector<uint64_t> progress;
  prefetcher->prefetchURLs(
      urls, [&](uint64_t done, uint64_t total) { progress.push_back(done * 100 + total); },
      [&](uint64_t f, uint64_t s) {
        ++completions;
        finished = f;
        skipped = s;
      });
  EXPECT_EQ(prefetcher->requestedCount(), 3u);
  ASSERT_TRUE(pump([&] { return completions > 0; }));
  EXPECT_EQ(finished, 5u);
  EXPECT_EQ(skipped, 1u);  // the unknown format answers 404
  EXPECT_EQ(delegate->perURL.size(), 5u);
  EXPECT_EQ(delegate->finishes, 1);
  EXPECT_EQ(delegate->finalTotal, 4u);
  EXPECT_EQ(delegate->finalSkipped, 1u);
  EXPECT_EQ(progress, (std::vector<uint64_t>{105, 205, 305, 405, 505}));
  // Everything that loaded is now in the cache.
  EXPECT_TRUE(prefetcher->manager()->cachedImageExistsForURL(pictureURL("thumb/p4.webp")));

  // The URL that failed is refused by the prefetcher's manager at once, as skipped.
  completions = 0;
  prefetcher->prefetchURLs({pictureURL("thumb/p3.bmp")}, nullptr, [&](uint64_t f, uint64_t s) {
    ++completions;
    finished = f;
    skipped = s;
  });
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(skipped, 1u);
}

TEST_F(WIWebImagePrefetcherTest, ANewListReplacesTheOneUnderWay) {
  auto prefetcher = makePrefetcher();
  int firstCompletions = 0, secondCompletions = 0;
  std::vector<rt::Id> first;
  for (int i = 0; i < 8; ++i) first.push_back(pictureURL("banner/replaced" + std::to_string(i) + ".png"));
  prefetcher->prefetchURLs(first, nullptr, [&](uint64_t, uint64_t) { ++firstCompletions; });
  prefetcher->prefetchURLs({pictureURL("thumb/r1.png"), pictureURL("thumb/r2.png")}, nullptr,
                           [&](uint64_t f, uint64_t) {
                             ++secondCompletions;
                             EXPECT_EQ(f, 2u);
                           });
  ASSERT_TRUE(pump([&] { return secondCompletions > 0; }));
  fd::RunLoopDriver::runUntil([] { return false; }, 0.3);
  EXPECT_EQ(firstCompletions, 0);
  EXPECT_EQ(secondCompletions, 1);
  EXPECT_EQ(prefetcher->requestedCount(), 2u);
}

TEST_F(WIWebImagePrefetcherTest, TheSharedPrefetcherSetsTheSharedDownloaderToThreeAtOnce) {
  // The shared prefetcher is made once per process, by the initialiser every prefetcher runs:
  // watch that initialiser, whichever test made the shared one first.
  auto downloader = WIWebImageDownloader::sharedDownloader();
  int64_t saved = downloader->maxConcurrentDownloads();
  downloader->setMaxConcurrentDownloads(6);
  auto made = WIWebImagePrefetcher::create();
  EXPECT_EQ(downloader->maxConcurrentDownloads(), 3);
  auto prefetcher = WIWebImagePrefetcher::sharedImagePrefetcher();
  EXPECT_EQ(prefetcher->manager()->imageDownloader(), downloader);
  EXPECT_EQ(prefetcher->maxConcurrentDownloads(), 3u);
  EXPECT_EQ(prefetcher->options(), WIManagerLowPriority);
  EXPECT_NE(prefetcher->manager(), WIWebImageManager::sharedManager());
  downloader->setMaxConcurrentDownloads(saved);
}

}  // namespace
}  // namespace imagetest
