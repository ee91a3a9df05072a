#pragma once
// The pipeline's image cache: decoded images in memory (cost = pixel count, emptied on a
// memory warning) over encoded bytes on disk, one file per key named by the key's MD5.
// File work runs on the instance's serial queue; asynchronous answers come on the main queue,
// immediate ones (memory hit, no key) on the caller's thread. Disk files are written to a
// temporary file and renamed into place, so a reader never sees half a file.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "image/web/AutoPurgeCache.h"
#include "image/web/WIWebImageCompat.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/Operation.h"
#include "platform/graphics/Image.h"

namespace fd {
class Data;
class FileManager;
}  // namespace fd

namespace image {

/// A cache key; nullopt stands for no key.
using WICacheKey = std::optional<fd::String>;
using WIImageCacheQueryBlock = std::function<void(Ref<gfx::Image> image, WICacheType cacheType)>;
using WIImageCacheSizeBlock = std::function<void(uint64_t fileCount, uint64_t totalSize)>;
using WIImageCacheCheckBlock = std::function<void(bool exists)>;

/// The PNG file signature, 89 50 4E 47 0D 0A 1A 0A.
Ref<fd::Data> WIPNGSignatureData();
/// True when `data` begins with the PNG signature.
bool WIDataHasPNGSignature(const Ref<fd::Data>& data);

class WIImageCache : public rt::Object {
  RT_CLASS(WIImageCache, rt::Object)
 public:
  /// The shared instance (namespace "default"), made on first use.
  static Ref<WIImageCache> sharedImageCache();

  void init();
  void init(const fd::String& ns);
  /// `directory` nullopt: the caches folder's subfolder named after the bare namespace.
  void init(const fd::String& ns, const std::optional<fd::String>& directory);
  ~WIImageCache() override;

  static Ref<WIImageCache> create(const fd::String& ns) { return rt::make<WIImageCache>(ns); }
  static Ref<WIImageCache> create(const fd::String& ns, const std::optional<fd::String>& directory) {
    return rt::make<WIImageCache>(ns, directory);
  }

  /// The caches folder with `component` appended.
  fd::String makeDiskCachePath(const fd::String& component) const;
  /// An extra folder searched on reads, never written.
  void addReadOnlyCachePath(const fd::String& path);
  std::vector<fd::String> customPaths() const;

  // Paths
  /// 32 lower-case hexadecimal digits of the MD5 of the key's UTF-8 bytes.
  static fd::String cachedFileNameForKey(const WICacheKey& key);
  fd::String cachePathForKey(const WICacheKey& key, const fd::String& folder) const;
  fd::String defaultCachePathForKey(const WICacheKey& key) const;

  // Store
  void storeImage(const Ref<gfx::Image>& image, bool recalculate, const Ref<fd::Data>& data, const WICacheKey& key,
                  bool toDisk);
  void storeImage(const Ref<gfx::Image>& image, const WICacheKey& key, bool toDisk = true) {
    storeImage(image, true, nullptr, key, toDisk);
  }

  // Read
  Ref<gfx::Image> imageFromMemoryCacheForKey(const WICacheKey& key) const;
  /// Memory, else disk on the calling thread (stored in memory when found).
  Ref<gfx::Image> imageFromDiskCacheForKey(const WICacheKey& key);
  Ref<fd::Data> diskImageDataBySearchingAllPathsForKey(const WICacheKey& key) const;
  Ref<gfx::Image> diskImageForKey(const WICacheKey& key) const;
  Ref<gfx::Image> scaledImageForKey(const WICacheKey& key, const Ref<gfx::Image>& image) const;
  /// No block: null and nothing happens. Memory hit or no key: answered before returning,
  /// and null is returned. Otherwise the answer comes on the main queue (a miss as a null
  /// image with the disk type) unless the returned operation is cancelled before the read.
  Ref<fd::Operation> queryDiskCacheForKey(const WICacheKey& key, WIImageCacheQueryBlock done);
  bool diskImageExistsWithKey(const WICacheKey& key) const;
  void diskImageExistsWithKey(const WICacheKey& key, WIImageCacheCheckBlock completion);

  // Remove
  void removeImageForKey(const WICacheKey& key, bool fromDisk = true, std::function<void()> completion = nullptr);

  // Maintenance
  void clearMemory();
  void clearDisk(std::function<void()> completion = nullptr);
  /// Removes expired files, then the oldest until the size is below half the limit.
  void cleanDisk(std::function<void()> completion = nullptr);
  /// The clean inside a background task of the application.
  void backgroundCleanDisk();
  /// Blocks until the IO queue has counted; never call from the IO queue.
  uint64_t getSize() const;
  uint64_t getDiskCount() const;
  void calculateSize(WIImageCacheSizeBlock completion) const;

  // Properties
  const Ref<AutoPurgeCache>& memCache() const { return memCache_; }
  const fd::String& diskCachePath() const { return diskCachePath_; }
  const Ref<dispatch::Queue>& ioQueue() const { return ioQueue_; }
  bool shouldDecompressImages() const { return shouldDecompressImages_.load(); }
  void setShouldDecompressImages(bool on) { shouldDecompressImages_.store(on); }
  int64_t maxCacheAge() const { return maxCacheAge_.load(); }
  void setMaxCacheAge(int64_t seconds) { maxCacheAge_.store(seconds); }
  uint64_t maxCacheSize() const { return maxCacheSize_.load(); }
  void setMaxCacheSize(uint64_t bytes) { maxCacheSize_.store(bytes); }
  uint64_t maxMemoryCost() const { return memCache_->totalCostLimit(); }
  void setMaxMemoryCost(uint64_t cost) { memCache_->setTotalCostLimit(cost); }
  uint64_t maxMemoryCountLimit() const { return memCache_->countLimit(); }
  void setMaxMemoryCountLimit(uint64_t count) { memCache_->setCountLimit(count); }

  /// Pixel count of the image: the memory cost of its entry.
  static uint64_t costForImage(const Ref<gfx::Image>& image);

 private:
  void storeInMemory(const Ref<gfx::Image>& image, const fd::String& key) const;
  /// Writes through a temporary file renamed into place; on the IO queue.
  void writeFile(const fd::String& path, const Ref<fd::Data>& bytes) const;
  void cleanNow();

  Ref<AutoPurgeCache> memCache_;
  fd::String diskCachePath_;
  mutable std::mutex customPathsMutex_;
  std::vector<fd::String> customPaths_;
  Ref<dispatch::Queue> ioQueue_;
  Ref<fd::FileManager> fileManager_;
  std::atomic<bool> shouldDecompressImages_{true};
  std::atomic<int64_t> maxCacheAge_{604800};
  std::atomic<uint64_t> maxCacheSize_{0};
};

}  // namespace image
