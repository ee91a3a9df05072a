#include <sys/stat.h>
#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "image/web/WIImageCache.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageData.h"
#include "platform/ui/host/Application.h"
#include "tests/image/ImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;
namespace fs = std::filesystem;

Ref<gfx::Image> solidImage(size_t w, size_t h, bool opaque, double scale = 1) {
  auto bitmap = gfx::BitmapImage::createNative(w, h, opaque);
  return gfx::Image::imageWithCGImage(bitmap, scale);
}

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void drain(const Ref<WIImageCache>& cache) { cache->ioQueue()->sync([] {}); }

class WIImageCacheTest : public ImagePipelineTest {};

TEST_F(WIImageCacheTest, FilesAreNamedByTheKeysMD5InTheNamespacedFolder) {
  EXPECT_EQ(WIImageCache::cachedFileNameForKey(fd::String("http://example.com/a.png")).utf8(),
            "b876851593b9e119ed73f38561576bda");
  auto shared = WIImageCache::sharedImageCache();
  EXPECT_TRUE(shared->diskCachePath().hasSuffix("/default/com.dolvaring.WIWebImageCache.default"))
      << shared->diskCachePath().utf8();
  EXPECT_TRUE(shared->diskCachePath().hasPrefix(fd::String(home))) << shared->diskCachePath().utf8();
  EXPECT_EQ(shared->memCache()->name().utf8(), "com.dolvaring.WIWebImageCache.default");
}

TEST_F(WIImageCacheTest, StoreWritesTheGivenBytesOrAnEncodingChosenByDataAndAlpha) {
  auto cache = makeCache();
  auto jpeg = fd::Data::create(sampleBytes("thumb/cache.jpg"));
  auto png = fd::Data::create(sampleBytes("thumb/cache.png"));
  ASSERT_GT(jpeg->length(), 8u);
  struct Case {
    const char* key;
    Ref<gfx::Image> image;
    bool recalculate;
    Ref<fd::Data> data;
    std::vector<uint8_t> expectedPrefix;
    bool exactBytes;
  };
  const std::vector<uint8_t> pngPrefix = {0x89, 'P', 'N', 'G'}, jpegPrefix = {0xFF, 0xD8};
  std::vector<Case> cases = {
      {"given-jpeg", gfx::Image::imageWithData(jpeg), false, jpeg, jpegPrefix, true},
      {"png-data-recalculated", gfx::Image::imageWithData(png), true, png, pngPrefix, false},
      {"no-data-opaque", solidImage(8, 8, true), true, nullptr, jpegPrefix, false},
      {"no-data-alpha", solidImage(8, 8, false), true, nullptr, pngPrefix, false},
  };
  for (const auto& c : cases) cache->storeImage(c.image, c.recalculate, c.data, fd::String(c.key), true);
  drain(cache);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    auto bytes = readAll(cache->defaultCachePathForKey(fd::String(c.key)).utf8());
    ASSERT_GE(bytes.size(), c.expectedPrefix.size());
    EXPECT_TRUE(std::equal(c.expectedPrefix.begin(), c.expectedPrefix.end(), bytes.begin()));
    if (c.exactBytes) {
      EXPECT_EQ(bytes, jpeg->vector());
    }
  }
  // Memory only: nothing on disk.
  cache->storeImage(solidImage(4, 4, true), fd::String("memory-only"), false);
  drain(cache);
  EXPECT_TRUE(cache->imageFromMemoryCacheForKey(fd::String("memory-only")));
  EXPECT_FALSE(cache->diskImageExistsWithKey(fd::String("memory-only")));
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(cache->diskCachePath().utf8()))
    EXPECT_EQ(entry.path().extension(), "") << entry.path();
}

TEST_F(WIImageCacheTest, QueryAnswersMemoryAtOnceAndDiskOnTheMainQueueAfterTheObjectsAreMadeAgain) {
  auto jpeg = fd::Data::create(sampleBytes("channel/query.jpg"));
  const fd::String key("http://host/pictures/query@2x.jpg");
  {
    auto cache = makeCache("query");
    cache->storeImage(gfx::Image::imageWithData(jpeg), false, jpeg, key, true);
    bool answered = false;
    auto op = cache->queryDiskCacheForKey(key, [&](Ref<gfx::Image> image, WICacheType type) {
      answered = true;
      EXPECT_TRUE(image);
      EXPECT_EQ(type, WICacheTypeMemory);
    });
    EXPECT_TRUE(answered);
    EXPECT_FALSE(op);
    drain(cache);
  }
  // A new cache object over the same folder (a restart) answers from disk, on the main thread.
  auto cache = makeCache("query");
  Ref<gfx::Image> found;
  WICacheType foundType = WICacheTypeNone;
  bool onMain = false, answered = false;
  auto op = cache->queryDiskCacheForKey(key, [&](Ref<gfx::Image> image, WICacheType type) {
    found = image;
    foundType = type;
    onMain = fd::Thread::isMainThread();
    answered = true;
  });
  EXPECT_TRUE(op);
  EXPECT_FALSE(answered);
  ASSERT_TRUE(pump([&] { return answered; }));
  ASSERT_TRUE(found);
  EXPECT_EQ(foundType, WICacheTypeDisk);
  EXPECT_TRUE(onMain);
  EXPECT_EQ(found->scale(), 2);  // "@2x." in the key
  EXPECT_EQ(found->pixelSize().width, 400);
  EXPECT_TRUE(cache->imageFromMemoryCacheForKey(key));  // the disk hit went to memory

  // A miss answers nil with the disk type; a cancelled query never answers.
  answered = false;
  found = nullptr;
  cache->queryDiskCacheForKey(fd::String("absent"), [&](Ref<gfx::Image> image, WICacheType type) {
    answered = true;
    found = image;
    foundType = type;
  });
  ASSERT_TRUE(pump([&] { return answered; }));
  EXPECT_FALSE(found);
  EXPECT_EQ(foundType, WICacheTypeDisk);
  cache->ioQueue()->suspend();
  bool cancelledAnswered = false;
  auto cancelled = cache->queryDiskCacheForKey(fd::String("other"), [&](Ref<gfx::Image>, WICacheType) { cancelledAnswered = true; });
  cancelled->cancel();
  cache->ioQueue()->resume();
  drain(cache);
  fd::RunLoopDriver::runUntilIdle();
  EXPECT_FALSE(cancelledAnswered);
}

TEST_F(WIImageCacheTest, ACorruptFileAnswersNoImageAndNothingBreaks) {
  auto cache = makeCache("corrupt");
  const fd::String key("http://host/broken.jpg");
  fs::create_directories(cache->diskCachePath().utf8());
  auto jpeg = sampleBytes("thumb/broken.jpg");
  jpeg.resize(jpeg.size() / 3);  // a truncated JPEG
  std::vector<std::vector<uint8_t>> bodies = {{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}, {0xFF}, {}};
  for (const auto& body : bodies) {
    std::ofstream(cache->defaultCachePathForKey(key).utf8(), std::ios::binary)
        .write(reinterpret_cast<const char*>(body.data()), std::streamsize(body.size()));
    cache->clearMemory();
    bool answered = false;
    Ref<gfx::Image> found;
    WICacheType type = WICacheTypeNone;
    cache->queryDiskCacheForKey(key, [&](Ref<gfx::Image> i, WICacheType t) {
      answered = true;
      found = i;
      type = t;
    });
    ASSERT_TRUE(pump([&] { return answered; }));
    EXPECT_FALSE(found);
    EXPECT_EQ(type, WICacheTypeDisk);
  }
}

TEST_F(WIImageCacheTest, AReaderNeverSeesHalfAFile) {
  auto cache = makeCache("atomic");
  const fd::String key("http://host/atomic.png");
  auto small = fd::Data::create(std::vector<uint8_t>(1000, 1));
  auto large = fd::Data::create(std::vector<uint8_t>(3 << 20, 2));
  auto image = solidImage(2, 2, true);
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  const std::string path = cache->defaultCachePathForKey(key).utf8();
  std::thread reader([&] {
    while (!stop.load()) {
      struct stat st {};
      if (::stat(path.c_str(), &st) == 0 && st.st_size != 1000 && st.st_size != (3 << 20)) ++torn;
    }
  });
  for (int i = 0; i < 40; ++i) cache->storeImage(image, false, i % 2 ? small : large, key, true);
  drain(cache);
  stop = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(readAll(path).size(), 1000u);
}

TEST_F(WIImageCacheTest, CleanRemovesExpiredFilesThenTheOldestUntilBelowHalfTheLimit) {
  auto cache = makeCache("clean");
  const char* keys[] = {"expired", "oldest", "older", "newest"};
  for (const char* k : keys)
    cache->storeImage(solidImage(2, 2, true), false, fd::Data::create(std::vector<uint8_t>(3000, 7)), fd::String(k), true);
  drain(cache);
  const double now = double(std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count());
  const double ages[] = {8 * 86400.0, 3000, 2000, 1000};
  uint64_t allocated = 0;
  for (int i = 0; i < 4; ++i) {
    const std::string path = cache->defaultCachePathForKey(fd::String(keys[i])).utf8();
    timeval times[2] = {{time_t(now - ages[i]), 0}, {time_t(now - ages[i]), 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
    struct stat st {};
    ::stat(path.c_str(), &st);
    allocated = uint64_t(st.st_blocks) * 512;
  }
  // Age only: the week-old file goes.
  bool cleaned = false;
  cache->cleanDisk([&] { cleaned = true; });
  ASSERT_TRUE(pump([&] { return cleaned; }));
  EXPECT_FALSE(cache->diskImageExistsWithKey(fd::String("expired")));
  EXPECT_TRUE(cache->diskImageExistsWithKey(fd::String("oldest")));
  // Three files over a limit just below their total: the two oldest go (half the limit).
  cache->setMaxCacheSize(3 * allocated - 1);
  cleaned = false;
  cache->cleanDisk([&] { cleaned = true; });
  ASSERT_TRUE(pump([&] { return cleaned; }));
  EXPECT_FALSE(cache->diskImageExistsWithKey(fd::String("oldest")));
  EXPECT_FALSE(cache->diskImageExistsWithKey(fd::String("older")));
  EXPECT_TRUE(cache->diskImageExistsWithKey(fd::String("newest")));
  EXPECT_EQ(cache->getDiskCount(), 1u);
  EXPECT_EQ(cache->getSize(), 3000u);
}

TEST_F(WIImageCacheTest, MemoryKeepsToItsCostLimitAndAMemoryWarningEmptiesItButNotTheDisk) {
  auto cache = makeCache("memory");
  cache->setMaxMemoryCost(100 * 100 * 3);
  for (int i = 0; i < 10; ++i)
    cache->storeImage(solidImage(100, 100, true), fd::String("k" + std::to_string(i)), i == 9);
  drain(cache);
  EXPECT_LE(cache->memCache()->totalCost(), 100u * 100 * 3);
  EXPECT_EQ(cache->memCache()->count(), 3u);
  EXPECT_EQ(WIImageCache::costForImage(solidImage(10, 10, true, 2)), 100u);  // pixels of 5x5 points at 2x
  fd::NotificationCenter::defaultCenter()->post(fd::String(ui::UIApplicationDidReceiveMemoryWarningNotification));
  EXPECT_EQ(cache->memCache()->count(), 0u);
  EXPECT_TRUE(cache->diskImageExistsWithKey(fd::String("k9")));
  EXPECT_TRUE(cache->imageFromDiskCacheForKey(fd::String("k9")));
  // Removal without disk answers before it returns; with disk, on the main queue.
  bool removed = false;
  cache->removeImageForKey(fd::String("k9"), false, [&] { removed = true; });
  EXPECT_TRUE(removed);
  removed = false;
  cache->removeImageForKey(fd::String("k9"), true, [&] { removed = true; });
  ASSERT_TRUE(pump([&] { return removed; }));
  EXPECT_FALSE(cache->diskImageExistsWithKey(fd::String("k9")));
}

}  // namespace
}  // namespace imagetest
