#include "app/utilities/KDCacheCleaner.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/foundation/files/Paths.h"
#include "widgets/carousel/Data+WIDataCache.h"

namespace app {

namespace fs = std::filesystem;

namespace {

int64_t bytesOfFilesUnder(const fs::path& folder) {
  std::error_code ec;
  int64_t total = 0;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code entry;
    if (it->is_regular_file(entry) && !it->is_symlink(entry)) {
      auto size = it->file_size(entry);
      if (!entry) total += static_cast<int64_t>(size);
    }
  }
  return total;
}

int64_t removed(int64_t before, int64_t after) { return std::max<int64_t>(0, before - after); }

fs::path carouselFolder() { return fd::cachesDirectory().stringByAppendingPathComponent("WIDataCache").utf8(); }

}  // namespace

KDCacheCleaner KDCacheCleaner::application() {
  KDCacheCleaner c;
  c.webImages = image::WIImageCache::sharedImageCache();
  std::error_code ec;
  auto second = fd::cachesDirectory().stringByAppendingPathComponent("com.kestrum.durar").stringByAppendingPathComponent("images");
  if (fs::is_directory(second.utf8(), ec)) c.images = image::DRImageCache::sharedCache();
  c.urls = fd::URLCache::sharedURLCache();
  c.carousel = true;
  return c;
}

int64_t KDCacheCleaner::size() const {
  int64_t total = 0;
  if (webImages) total += static_cast<int64_t>(webImages->getSize());
  if (images)
    if (auto& disk = images->diskCache()) total += disk->totalCost();
  if (urls) total += urls->currentDiskUsage();
  if (carousel) total += bytesOfFilesUnder(carouselFolder());
  return total;
}

int64_t KDCacheCleaner::clear() const {
  int64_t total = 0;
  if (webImages) {
    int64_t before = static_cast<int64_t>(webImages->getSize());
    webImages->clearMemory();
    webImages->clearDisk();
    // Counted on the cache's own queue, so after the files are gone.
    total += removed(before, static_cast<int64_t>(webImages->getSize()));
  }
  if (images) {
    images->memoryCache()->removeAllObjects();
    if (auto& disk = images->diskCache()) {
      int64_t before = disk->totalCost();
      disk->removeAllObjects();
      total += removed(before, disk->totalCost());
    }
  }
  if (urls) {
    int64_t before = urls->currentDiskUsage();
    urls->removeAllCachedResponses();
    total += removed(before, urls->currentDiskUsage());
  }
  if (carousel) {
    fs::path folder = carouselFolder();
    int64_t before = bytesOfFilesUnder(folder);
    widgets::WIDataCache::clearCache();
    total += removed(before, bytesOfFilesUnder(folder));
  }
  return total;
}

}  // namespace app
