// The carousel's own picture loading against the sample service on 127.0.0.1: downloads that
// land in the disk cache under their URL's digest, answers for a replaced list dropped,
// retries counted per picture, damaged cache files fetched again, and the full cache cleared.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "CarouselFixture.h"
#include "platform/crypto/Digest.h"
#include "platform/foundation/files/Paths.h"
#include "tools/sample-service/service/SampleServer.h"
#include "widgets/carousel/Data+WIDataCache.h"

using namespace widgets;
using widgets::testing::CarouselTest;
using widgets::testing::pictures;
using widgets::testing::solidPicture;
namespace fs = std::filesystem;

namespace {

bool loaded(const Ref<gfx::Image>& image) { return image && image->size().width > 0; }

class CarouselNetworkTest : public CarouselTest {
 protected:
  void SetUp() override {
    CarouselTest::SetUp();
    home_ = fs::temp_directory_path() / ("carousel_home_" + std::to_string(getpid()));
    fs::create_directories(home_);
    setenv("KD_HOME_OVERRIDE", home_.c_str(), 1);
  }
  void TearDown() override {
    if (service) service->stop();
    CarouselTest::TearDown();
    unsetenv("KD_HOME_OVERRIDE");
    fs::remove_all(home_);
  }
  void start(int64_t latencyMilliseconds = 0) {
    sample::ServiceOptions options;
    options.port = 0;
    options.latencyMilliseconds = latencyMilliseconds;
    service = std::make_unique<sample::SampleServer>(options);
    std::string error;
    ASSERT_TRUE(service->start(&error)) << error;
  }
  rt::String banner(const std::string& name) const {
    return rt::String((service->baseURL() + "/pictures/banner/" + name + ".png").c_str());
  }
  Ref<WICycleScrollView> carousel(std::vector<rt::String> urls) {
    auto c = rt::make<WICycleScrollView>(gfx::RectMake(0, 64, 375, 200));
    c->setPlaceholderImage(placeholder);
    window->addSubview(c);
    c->setImageURLStringsGroup(std::move(urls));
    window->layoutIfNeeded();
    return c;
  }
  static bool waitFor(const std::function<bool()>& done, double seconds = 10) {
    return fd::RunLoopDriver::runUntil(done, seconds);
  }
  /// Lets real time pass with the main loop running.
  static void pump(double seconds) { fd::RunLoopDriver::runUntil([] { return false; }, seconds); }
  Ref<gfx::Image> shownAt(const Ref<WICycleScrollView>& c, int64_t item) {
    c->mainView()->layoutIfNeeded();
    auto cell = rt::as<WICollectionViewCell>(c->mainView()->cellForItemAtIndexPath(fd::IndexPath::indexPathForItem(item, 0)));
    return cell ? cell->imageView()->image() : nullptr;
  }

  std::unique_ptr<sample::SampleServer> service;
  Ref<gfx::Image> placeholder = solidPicture({10, 10}, gfx::Color::grayColor());
  fs::path home_;
};

}  // namespace

TEST_F(CarouselNetworkTest, PicturesArriveOnTheMainQueueAndStayInTheDiskCache) {
  start(100);
  auto c = carousel({banner("a1"), banner("a2"), banner("a3")});
  EXPECT_EQ(shownAt(c, 150), placeholder);
  ASSERT_TRUE(waitFor([&] {
    const auto& g = c->imagesGroup();
    return loaded(g[0]) && loaded(g[1]) && loaded(g[2]);
  }));
  EXPECT_EQ(c->imagesGroup()[0]->size(), (gfx::Size{750, 400}));
  EXPECT_EQ(shownAt(c, 150), c->imagesGroup()[0]);  // picture 0 reloads what is shown

  std::string folder = WIDataCache::cachePath().utf8();
  EXPECT_EQ(folder, (home_ / ".cache").string() + "/" + fd::applicationName().utf8() + "/WIDataCache");
  for (const auto& url : c->imageURLStringsGroup()) {
    std::string name = crypto::hexString(crypto::Digest::of(crypto::DigestAlgorithm::MD5, url.utf8()));
    EXPECT_TRUE(fs::is_regular_file(fs::path(folder) / name)) << url.utf8();
  }

  // With the service gone the same list comes from the cache at once.
  service->stop();
  auto again = carousel({banner("a1"), banner("a2"), banner("a3")});
  EXPECT_TRUE(loaded(again->imagesGroup()[2]));
  EXPECT_EQ(again->imagesGroup()[2]->size(), (gfx::Size{750, 400}));
}

TEST_F(CarouselNetworkTest, AnAnswerForAReplacedListIsDropped) {
  start(300);
  auto c = carousel({banner("late")});
  auto local = pictures(1);
  c->setLocalizationImagesGroup(local);
  pump(1.0);
  EXPECT_EQ(c->imagesGroup()[0], local[0]);
  // The download itself was good and is kept for next time.
  EXPECT_TRUE(WIDataCache::getDataCacheWithIdentifier(banner("late")));
}

TEST_F(CarouselNetworkTest, FailedDownloadsAreRetriedPerPictureUpToTheLimit) {
  // Nothing listens on the port of a stopped server.
  start();
  rt::String dead1 = banner("x1"), dead2 = banner("x2");
  service->stop();
  auto c = carousel({dead1, dead2});
  for (int round = 0; round < 14; ++round) {
    pump(0.15);  // the refusals arrive
    advance(WICycleScrollView::kRetryDelay);
  }
  EXPECT_EQ(c->retryCount(0), WICycleScrollView::kMaxRetries + 1);
  EXPECT_EQ(c->retryCount(1), WICycleScrollView::kMaxRetries + 1);
  EXPECT_FALSE(loaded(c->imagesGroup()[0]));
  c->mainView()->layoutIfNeeded();
  ASSERT_FALSE(c->mainView()->visibleCells().empty());
  for (const auto& cell : c->mainView()->visibleCells())
    EXPECT_EQ(rt::as<WICollectionViewCell>(cell)->imageView()->image(), placeholder);

  // A new list starts counting afresh.
  c->setImageURLStringsGroup({dead1});
  pump(0.15);
  advance(WICycleScrollView::kRetryDelay);
  EXPECT_EQ(c->retryCount(0), 1);
}

TEST_F(CarouselNetworkTest, WhatIsNotAPictureIsNeitherKeptNorRetried) {
  start();
  rt::String missing = rt::String((service->baseURL() + "/pictures/banner/no%20such.png").c_str());
  auto c = carousel({missing, banner("ok")});
  ASSERT_TRUE(waitFor([&] { return loaded(c->imagesGroup()[1]); }));
  pump(0.3);
  advance(WICycleScrollView::kRetryDelay);
  EXPECT_FALSE(loaded(c->imagesGroup()[0]));
  EXPECT_EQ(c->retryCount(0), 0);
  EXPECT_FALSE(WIDataCache::getDataCacheWithIdentifier(missing));
}

TEST_F(CarouselNetworkTest, ADamagedCacheFileIsFetchedAgain) {
  start();
  rt::String url = banner("damaged");
  {
    std::ofstream out(WIDataCache::creatDataPathWithString(url).utf8(), std::ios::binary);
    out << "\x89PNG\r\n\x1a\n truncated";
  }
  auto c = carousel({url});
  ASSERT_TRUE(waitFor([&] { return loaded(c->imagesGroup()[0]); }));
  auto cached = WIDataCache::getDataCacheWithIdentifier(url);
  ASSERT_TRUE(cached);
  EXPECT_TRUE(loaded(gfx::Image::imageWithData(cached)));
}

TEST_F(CarouselNetworkTest, AFolderOfAHundredEntriesIsRemovedWhole) {
  for (size_t count : {99u, 100u}) {
    fs::path folder = home_ / ("cache" + std::to_string(count));
    fs::create_directories(folder);
    for (size_t i = 0; i < count; ++i) std::ofstream(folder / std::to_string(i)) << "x";
    bool removed = WIDataCache::removeFolderIfFull(rt::String(folder.c_str()));
    EXPECT_EQ(removed, count == 100) << count;
    EXPECT_EQ(fs::exists(folder), count == 99) << count;
  }
  EXPECT_EQ(WIDataCache::creatMD5StringWithString("http://127.0.0.1/a.png").length(), 32u);
  WIDataCache::saveDataCacheWithIdentifier(fd::Data::create(std::string_view("bytes")), "id");
  EXPECT_TRUE(WIDataCache::getDataCacheWithIdentifier("id"));
  WIDataCache::clearCache();
  EXPECT_FALSE(fs::exists(WIDataCache::cachePath().utf8() + "/" + WIDataCache::creatMD5StringWithString("id").utf8()));
}
