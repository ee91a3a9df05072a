// The settings list: its rows, the size of what clearing removes, and clearing through the
// caches themselves, after which every cache still stores and reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "app/cells/KDSetCell.h"
#include "app/screens/KDAboutUsViewController.h"
#include "app/screens/KDArticeFontSetViewController.h"
#include "app/utilities/UserDefaults.h"
#include "image/web/WIWebImageManager.h"
#include "platform/foundation/net/CachedURLResponse.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/ImageData.h"
#include "tests/app/SettingsFixture.h"
#include "widgets/carousel/Data+WIDataCache.h"
#include "widgets/progress/PHProgressHUD.h"

namespace {

namespace fs = std::filesystem;
using apptest::SettingsTest;
using fd::RunLoopDriver;

Ref<app::KDSetCell> rowOf(app::KDSetViewController& settings, int64_t row) {
  auto& table = *settings.contentView();
  table.layoutIfNeeded();
  auto cell = std::dynamic_pointer_cast<app::KDSetCell>(table.cellForRowAtIndexPath(fd::IndexPath::indexPathForRow(row, 0)));
  if (cell) cell->layoutIfNeeded();
  return cell;
}

/// A picture whose PNG does not compress much, so that its bytes go to a file of their own.
Ref<fd::Data> noisyPNG(size_t side, uint32_t seed) {
  std::vector<uint32_t> pixels(side * side);
  for (auto& p : pixels) {
    seed = seed * 1664525u + 1013904223u;
    p = seed | 0xff000000u;
  }
  gfx::PixelFormat f;
  f.width = side, f.height = side, f.bytesPerRow = side * 4, f.bitmapInfo = gfx::BitmapInfoNativeOpaque;
  f.colorSpace = gfx::ColorSpace::deviceRGB();
  return gfx::UIImagePNGRepresentation(gfx::Image::imageWithCGImage(gfx::BitmapImage::createCopying(f, pixels.data()), 1));
}

/// The caches folder's size as a person would count it: regular files only, each cut to whole
/// kilobytes.
int64_t countedKilobytes(const fs::path& folder) {
  int64_t total = 0;
  for (auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && !entry.is_symlink()) total += static_cast<int64_t>(entry.file_size() / 1024);
  return total;
}

TEST_F(SettingsTest, FileSizesAreWholeKilobytesCutTowardZeroFileByFile) {
  struct Case {
    size_t bytes;
    int64_t kb;
  } cases[] = {{0, 0}, {1023, 0}, {1024, 1}, {2047, 1}, {2048, 2}, {10 * 1024 + 5, 10}};
  for (const auto& c : cases) {
    writeFile("one/f" + std::to_string(c.bytes), c.bytes);
    EXPECT_EQ(app::KDSetViewController::fileSizeAtPath((caches() / "one" / ("f" + std::to_string(c.bytes))).string()), c.kb)
        << c.bytes;
  }
  EXPECT_EQ(app::KDSetViewController::fileSizeAtPath((caches() / "missing").string()), 0);
}

TEST_F(SettingsTest, RowsShowTheCacheSizeTheFontLabelAndTheAboutEntry) {
  auto settings = openSettings();
  ASSERT_EQ(top(), settings);
  EXPECT_EQ(settings->topBar().title->text().utf8(), "设置");
  ASSERT_NE(settings->topBar().back, nullptr);
  auto& table = *settings->contentView();
  EXPECT_EQ(table.frame(), (gfx::Rect{{0, 64}, {375, 667 - 64}}));
  EXPECT_EQ(table.numberOfRowsInSection(0), 3);
  EXPECT_EQ(table.rectForRowAtIndexPath(fd::IndexPath::indexPathForRow(1, 0)).size.height, 50);

  // No caches folder yet: the other title and no size.
  auto first = rowOf(*settings, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->titleLable()->text().utf8(), "清理缓存");
  EXPECT_TRUE(first->contentlabel()->text().isEmpty());

  // The figure is what the caches hold, as clearing counts it.
  auto stores = freshCaches();
  settings->setCacheCleaner(stores);
  auto png = noisyPNG(40, 4);
  stores.webImages->storeImage(gfx::Image::imageWithData(png), false, png, fd::String("http://pics/x.png"), true);
  widgets::WIDataCache::saveDataCacheWithIdentifier(fd::Data::create(std::string(3000, 'c')), "http://pics/y.png");
  table.reloadData();
  first = rowOf(*settings, 0);
  EXPECT_EQ(first->titleLable()->text().utf8(), "清除缓存");
  EXPECT_EQ(first->contentlabel()->text().utf8(), std::to_string((png->length() + 3000) / 1024) + " kb");
  auto font = rowOf(*settings, 1);
  EXPECT_EQ(font->titleLable()->text().utf8(), "正文字号");
  EXPECT_EQ(font->contentlabel()->text().utf8(), "标准");
  auto about = rowOf(*settings, 2);
  EXPECT_EQ(about->titleLable()->text().utf8(), "关于我们");
  EXPECT_TRUE(about->contentlabel()->text().isEmpty());

  // Title on the left, value and chevron on the right, all on the row's middle line.
  auto& cv = *first->contentView();
  double width = cv.bounds().size.width;
  EXPECT_EQ(first->titleLable()->frame().origin.x, 25);
  EXPECT_DOUBLE_EQ(first->contentlabel()->frame().origin.x + first->contentlabel()->frame().size.width, width - 20);
  EXPECT_DOUBLE_EQ(first->rightIcon()->frame().origin.x + first->rightIcon()->frame().size.width, width - 10);
  EXPECT_GT(first->rightIcon()->frame().size.width, 0);
  EXPECT_DOUBLE_EQ(first->titleLable()->center().y, cv.bounds().size.height / 2);
  EXPECT_DOUBLE_EQ(first->rightIcon()->center().y, cv.bounds().size.height / 2);
  shoot("settings-list.png");

  // The back button returns to the screen beneath.
  auto back = settings->topBar().back->convertRectToView(settings->topBar().back->bounds(), nullptr);
  host.tap({back.origin.x + back.size.width / 2, back.origin.y + back.size.height / 2});
  pump();
  EXPECT_NE(top(), settings);
}

TEST_F(SettingsTest, ClearingEmptiesEveryCacheReportsWhatWentAndLeavesOtherFiles) {
  auto stores = freshCaches();
  auto wiData = noisyPNG(40, 1);
  auto wiImage = gfx::Image::imageWithData(wiData);
  stores.webImages->storeImage(wiImage, false, wiData, fd::String("http://pics/a.png"), true);
  auto drData = noisyPNG(120, 2);
  ASSERT_GT(drData->length(), 20480u);  // beyond the index's inline limit: a file of its own
  stores.images->setImage(nullptr, drData, "http://pics/b.png", image::DRImageCacheTypeDisk);
  auto url = fd::URL::URLWithString("http://pages/c.html");
  auto request = fd::URLRequest::requestWithURL(url);
  auto response = fd::HTTPURLResponse::create(url, 200, fd::String("HTTP/1.1"), {{"Content-Type", "text/html"}});
  stores.urls->storeCachedResponse(
      rt::make<fd::CachedURLResponse>(response, fd::Data::create(std::string(9000, 'h'))), request);
  widgets::WIDataCache::saveDataCacheWithIdentifier(fd::Data::create(std::string(5000, 'c')), "http://pics/d.png");
  writeFile("someone-else/keep.bin", 4096);

  ASSERT_EQ(stores.webImages->getSize(), wiData->length());
  ASSERT_TRUE(stores.images->containsImageForKey("http://pics/b.png", image::DRImageCacheTypeDisk));
  ASSERT_NE(stores.webImages->imageFromMemoryCacheForKey(fd::String("http://pics/a.png")), nullptr);
  int64_t urlBytes = stores.urls->currentDiskUsage();
  ASSERT_GT(urlBytes, 9000);
  int64_t stored = static_cast<int64_t>(wiData->length() + drData->length()) + urlBytes + 5000;

  auto settings = openSettings();
  settings->setCacheCleaner(stores);
  settings->contentView()->reloadData();
  // The row offers what clearing removes: not the file no cache owns.
  EXPECT_EQ(rowOf(*settings, 0)->contentlabel()->text().utf8(), std::to_string(stored / 1024) + " kb");

  tapRow(*settings->contentView(), 0);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return !settings->sunString().isEmpty(); }, 30));
  std::string message = "清除成功!总共清除" + std::to_string(stored / 1024) + " kb";
  EXPECT_EQ(settings->sunString().utf8(), message);
  EXPECT_EQ(widgets::PHProgressHUD::sharedView()->stringLabel()->text().utf8(), message);

  // Every cache is empty in memory and on disk; a file no cache owns is left alone.
  EXPECT_EQ(stores.webImages->getSize(), 0u);
  EXPECT_EQ(stores.webImages->imageFromMemoryCacheForKey(fd::String("http://pics/a.png")), nullptr);
  EXPECT_FALSE(stores.images->containsImageForKey("http://pics/b.png"));
  EXPECT_EQ(stores.images->diskCache()->totalCount(), 0);
  EXPECT_EQ(stores.urls->cachedResponseForRequest(request), nullptr);
  EXPECT_EQ(stores.urls->currentDiskUsage(), 0);
  EXPECT_EQ(widgets::WIDataCache::getDataCacheWithIdentifier("http://pics/d.png"), nullptr);
  EXPECT_TRUE(fs::exists(caches() / "someone-else/keep.bin"));

  // The row, rebuilt by the clearing, has nothing left to offer though other files stay.
  EXPECT_EQ(rowOf(*settings, 0)->contentlabel()->text().utf8(), "0 kb");
  EXPECT_GE(countedKilobytes(caches()), 4);
  shoot("settings-cleared.png");

  // A second clearing has nothing left to remove.
  tapRow(*settings->contentView(), 0);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return settings->sunString().utf8() != message; }, 30));
  EXPECT_EQ(settings->sunString().utf8(), "清除成功!总共清除0 kb");
}

TEST_F(SettingsTest, CachesKeepWorkingAfterTheyWereCleared) {
  auto stores = freshCaches();
  auto png = noisyPNG(30, 7);
  testsupport::TestServer server;
  testsupport::Reply reply;
  reply.contentType = "image/png";
  reply.body.assign(reinterpret_cast<const char*>(png->bytes()), png->length());
  server.route("/pic.png", reply);

  // Fill, then clear from the screen, as a user would.
  stores.images->setImage(nullptr, noisyPNG(120, 3), "k", image::DRImageCacheTypeAll);
  stores.webImages->storeImage(gfx::Image::imageWithData(png), false, png, fd::String("old"), true);
  auto settings = openSettings();
  settings->setCacheCleaner(stores);
  tapRow(*settings->contentView(), 0);
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return !settings->sunString().isEmpty(); }, 30));

  // A fresh download goes through the emptied cache to disk and is read back from there.
  auto manager = image::WIWebImageManager::create();
  manager->setImageCache(stores.webImages);
  std::string address = server.url("/pic.png");
  bool done = false;
  Ref<gfx::Image> downloaded;
  manager->downloadImageWithURL(fd::URL::URLWithString(address), 0, nullptr,
                                [&](Ref<gfx::Image> image, Ref<fd::Error>, image::WICacheType, bool finished, Ref<fd::URL>) {
                                  if (!finished) return;
                                  downloaded = image;
                                  done = true;
                                });
  ASSERT_TRUE(RunLoopDriver::runUntil([&] { return done; }, 30));
  ASSERT_NE(downloaded, nullptr);
  stores.webImages->ioQueue()->sync([] {});
  EXPECT_EQ(stores.webImages->getDiskCount(), 1u);
  stores.webImages->clearMemory();
  auto read = stores.webImages->imageFromDiskCacheForKey(fd::String(address));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->size(), (gfx::Size{30, 30}));

  // The second pipeline's store was reset by its owner and takes new entries.
  auto again = noisyPNG(110, 9);
  stores.images->setImage(nullptr, again, "new", image::DRImageCacheTypeDisk);
  auto bytes = stores.images->getImageDataForKey("new");
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes->length(), again->length());
  EXPECT_NE(stores.images->getImageForKey("new", image::DRImageCacheTypeDisk), nullptr);

  auto url = fd::URL::URLWithString("http://pages/again.html");
  auto request = fd::URLRequest::requestWithURL(url);
  stores.urls->storeCachedResponse(
      rt::make<fd::CachedURLResponse>(fd::HTTPURLResponse::create(url, 200, fd::String("HTTP/1.1"), {}),
                                      fd::Data::create(std::string(100, 'a'))),
      request);
  ASSERT_NE(stores.urls->cachedResponseForRequest(request), nullptr);
}

TEST_F(SettingsTest, FontAndAboutRowsOpenTheirScreens) {
  startSampleService();
  auto settings = openSettings();
  tapRow(*settings->contentView(), 1);
  pump();
  auto font = std::dynamic_pointer_cast<app::KDArticeFontSetViewController>(top());
  ASSERT_NE(font, nullptr);
  ASSERT_TRUE(font->callback());
  font->topBar().back->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
  pump();
  EXPECT_EQ(top(), settings);

  tapRow(*settings->contentView(), 2);
  pump();
  EXPECT_EQ(finishRequest(), true);
  EXPECT_NE(std::dynamic_pointer_cast<app::KDAboutUsViewController>(top()), nullptr);
}

}  // namespace

namespace {

// The tour's lines from the moment the home screen's settings button has pushed the list.
const char* const kTourFromSettings = R"(shoot settings
tap 187 89
wait 1
shoot settings-cleared
tap 187 139
wait 0.6
shoot settings-font
tap 187 189
wait 0.6
shoot settings-font-chosen
tap 187 189
wait 1.5
shoot settings-about
tap 35 42
wait 0.6
tap 35 42
wait 0.6
)";

TEST_F(SettingsTest, TourTapsReachFontSizeAndAboutAndComeBack) {
  startSampleService();
  auto settings = openSettings();
  settings->setCacheCleaner(freshCaches());
  const char* artifacts = std::getenv("KD_ARTIFACT_DIR");
  fs::path out = artifacts ? fs::path(artifacts) / "settings-tour" : home / "tour";
  fs::create_directories(out);
  std::string error;
  ASSERT_TRUE(host.runScript(kTourFromSettings, out.string(), &error)) << error;
  EXPECT_EQ(settings->sunString().utf8(), "清除成功!总共清除0 kb");
  EXPECT_EQ(app::UserDefaults::stringRead("artice_font_str").value_or("").utf8(), "大号");
  EXPECT_TRUE(fs::exists(out / "settings-about.png"));
  EXPECT_EQ(nav->viewControllers().size(), 1u) << "both back buttons were hit";
}

}  // namespace
