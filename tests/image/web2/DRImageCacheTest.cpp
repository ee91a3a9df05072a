#include <filesystem>
#include <fstream>

#include "image/codec/DRImage.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/values/Data.h"
#include "platform/ui/view/Screen.h"
#include "tests/image/ImageSamples.h"
#include "tests/image/web2/DRWebImageTestFixture.h"

namespace imagetest {
namespace {

using namespace image;

Ref<fd::Data> bytesOf(const std::vector<uint8_t>& v) { return fd::Data::create(v.data(), v.size()); }

class DRImageCacheTest : public DRWebImageTest {};

TEST_F(DRImageCacheTest, DecodedImagesAreInMemoryAtOnceAndBytesComeBackAtTheirScaleAfterARestart) {
  auto data = bytesOf(sampleBytes("thumb/cache-a.png"));
  Ref<gfx::Image> decoded = DRImage::imageWithData(data, 3);
  ASSERT_TRUE(decoded);
  {
    auto cache = makeDRCache("levels");
    cache->setImage(decoded, data, "with-image", DRImageCacheTypeAll);
    EXPECT_EQ(cache->getImageForKey("with-image", DRImageCacheTypeMemory), decoded);  // no wait for a decode
    cache->setImage(nullptr, bytesOf(sampleBytes("thumb/cache-a.png")), "bytes-only", DRImageCacheTypeDisk);
    EXPECT_FALSE(cache->containsImageForKey("bytes-only", DRImageCacheTypeMemory));
    EXPECT_TRUE(cache->containsImageForKey("bytes-only", DRImageCacheTypeDisk));
  }
  // A second cache on the same folder: what the first stored survives it.
  auto cache = makeDRCache("levels");
  auto scaled = cache->getImageForKey("with-image");
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->scale(), 3);
  EXPECT_EQ(scaled->size().width, 200.0 / 3);
  auto plain = cache->getImageForKey("bytes-only", DRImageCacheTypeDisk);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->scale(), ui::Screen::mainScreen()->scale());
  // A disk-only lookup leaves memory alone; a full one promotes the image.
  EXPECT_FALSE(cache->containsImageForKey("bytes-only", DRImageCacheTypeMemory));
  ASSERT_TRUE(cache->getImageForKey("bytes-only"));
  EXPECT_TRUE(cache->containsImageForKey("bytes-only", DRImageCacheTypeMemory));
  EXPECT_EQ(cache->imageCost(plain), uint64_t(plain->CGImage()->height() * plain->CGImage()->bytesPerRow()));
}

TEST_F(DRImageCacheTest, BackgroundStoresReachMemoryAndDiskAndBlockLookupsAnswerOnMain) {
  auto cache = makeDRCache("background");
  auto data = bytesOf(sampleBytes("thumb/cache-b.jpg"));
  // Bytes only: readable from disk at once, in memory after the background decode.
  cache->setImage(nullptr, data, "bytes", DRImageCacheTypeAll);
  EXPECT_TRUE(cache->containsImageForKey("bytes", DRImageCacheTypeDisk));
  EXPECT_TRUE(pump([&] { return cache->containsImageForKey("bytes", DRImageCacheTypeMemory); }, 10));
  // An image only: encoded in the background for disk.
  auto undecoded = gfx::Image::imageWithData(data);
  ASSERT_TRUE(undecoded);
  ASSERT_FALSE(isDecodedForDisplay(*undecoded));
  cache->setImage(undecoded, "image");
  EXPECT_TRUE(pump([&] { return cache->containsImageForKey("image", DRImageCacheTypeDisk); }, 10));
  EXPECT_TRUE(pump([&] { return cache->containsImageForKey("image", DRImageCacheTypeMemory); }, 10));

  struct Case {
    const char* key;
    unsigned type;
    DRImageCacheType found;
  };
  cache->removeImageForKey("bytes", DRImageCacheTypeMemory);
  for (const Case& c : {Case{"image", DRImageCacheTypeAll, DRImageCacheTypeMemory},
                        Case{"bytes", DRImageCacheTypeAll, DRImageCacheTypeDisk},
                        Case{"missing", DRImageCacheTypeAll, DRImageCacheTypeNone}}) {
    SCOPED_TRACE(c.key);
    bool answered = false, onMain = false;
    Ref<gfx::Image> got;
    DRImageCacheType level = DRImageCacheType(99);
    cache->getImageForKey(c.key, c.type, [&](const Ref<gfx::Image>& image, DRImageCacheType t) {
      answered = true;
      onMain = fd::Thread::isMainThread();
      got = image;
      level = t;
    });
    ASSERT_TRUE(pump([&] { return answered; }, 10));
    EXPECT_TRUE(onMain);
    EXPECT_EQ(level, c.found);
    EXPECT_EQ(bool(got), c.found != DRImageCacheTypeNone);
  }
}

TEST_F(DRImageCacheTest, CorruptStoredBytesReadAsAMissAndNothingIsStoredWithoutAKeyOrContent) {
  auto cache = makeDRCache("corrupt");
  auto junk = fd::Data::create("not a picture at all, just text bytes", 37);
  cache->setImage(nullptr, junk, "junk", DRImageCacheTypeDisk);
  EXPECT_FALSE(cache->getImageForKey("junk"));
  cache->setImage(nullptr, fd::Data::create("", 0), "empty", DRImageCacheTypeAll);
  cache->setImage(nullptr, nullptr, "none", DRImageCacheTypeAll);
  EXPECT_FALSE(cache->containsImageForKey("empty"));
  EXPECT_FALSE(cache->containsImageForKey("none"));
  EXPECT_FALSE(cache->getImageForKey(""));
}

// Images stored without their bytes reach the disk as the coder represents them: an animated
// image as its own animation, an opaque photo as JPEG, anything with alpha as PNG.
TEST_F(DRImageCacheTest, ImagesWithoutBytesAreStoredAsTheCoderRepresentsThem) {
  auto cache = makeDRCache("represented");
  auto gif = bytesOf(sampleBytes("anim/represented.gif"));
  struct Case {
    const char* key;
    Ref<gfx::Image> image;
    std::string_view starts;
  };
  auto clearImage = gfx::Image::imageWithCGImage(image_samples::solidBitmap(8, 8, 0x80ff0000u), 1);
  const Case cases[] = {
      {"animated", DRImage::imageWithData(gif, 1), std::string_view(reinterpret_cast<const char*>(gif->bytes()), 16)},
      {"photo", gfx::Image::imageWithData(bytesOf(sampleBytes("photo/represented.jpg"))), "\xFF\xD8\xFF"},
      {"alpha", clearImage, "\x89PNG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    ASSERT_TRUE(c.image);
    cache->setImage(c.image, nullptr, c.key, DRImageCacheTypeDisk);
    ASSERT_TRUE(pump([&] { return cache->containsImageForKey(c.key, DRImageCacheTypeDisk); }, 10));
    auto stored = cache->getImageDataForKey(c.key);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->view().substr(0, c.starts.size()), c.starts);
  }
  EXPECT_EQ(cache->getImageDataForKey("animated")->view(), gif->view());
  auto back = rt::as<DRImage>(cache->getImageForKey("animated", DRImageCacheTypeDisk));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->animatedImageFrameCount(), 3u);
}

// A crash can leave the cache's manifest unusable: the next cache on the folder comes up empty
// and stores and reads again.
TEST_F(DRImageCacheTest, ACacheWithADamagedManifestComesUpEmptyAndWorks) {
  auto data = bytesOf(sampleBytes("thumb/damaged.png"));
  {
    auto cache = makeDRCache("damaged");
    ASSERT_TRUE(cache);
    cache->setImage(nullptr, data, "before", DRImageCacheTypeDisk);
    ASSERT_TRUE(cache->containsImageForKey("before", DRImageCacheTypeDisk));
  }
  const std::string manifest = home + "/dr-damaged/manifest.sqlite";
  ASSERT_TRUE(std::filesystem::exists(manifest));
  std::ofstream(manifest, std::ios::trunc) << std::string(5000, '#');
  auto cache = makeDRCache("damaged");
  ASSERT_TRUE(cache);
  EXPECT_FALSE(cache->getImageForKey("before"));
  cache->setImage(nullptr, data, "after", DRImageCacheTypeDisk);
  auto image = cache->getImageForKey("after", DRImageCacheTypeDisk);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->CGImage()->width(), 200u);
}

}  // namespace
}  // namespace imagetest
