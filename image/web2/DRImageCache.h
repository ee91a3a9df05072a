#pragma once
// The second pipeline's image cache: decoded images in a memory cache (cost = bitmap bytes,
// 12-hour age limit, emptied on a memory warning and in the background) over their encoded
// bytes in a disk cache, with the image's scale stored beside the bytes. Decoding for memory
// stores runs on a utility pool queue, encoding for disk stores on a default pool queue; every
// method may be called on any thread.
#include <atomic>
#include <cstdint>
#include <functional>

#include "cache/DRDiskCache.h"
#include "cache/DRMemoryCache.h"

namespace gfx {
class Image;
}

namespace image {

/// Level bits of the `type` arguments; block lookups report 1, 2, or 0 for none.
enum DRImageCacheType : unsigned { DRImageCacheTypeNone = 0, DRImageCacheTypeMemory = 1, DRImageCacheTypeDisk = 2,
                                   DRImageCacheTypeAll = 3 };

class DRImageCache : public rt::Object {
  RT_CLASS(DRImageCache, rt::Object)
 public:
  using LookupBlock = std::function<void(const Ref<gfx::Image>& image, DRImageCacheType type)>;

  /// Made once, in "com.kestrum.durar/images" under the caches folder.
  static Ref<DRImageCache> sharedCache();
  /// Raises: a path is needed.
  void init();
  /// False (no cache) when either level cannot be made.
  bool init(const fd::String& path);
  static Ref<DRImageCache> create(const fd::String& path) { return rt::make<DRImageCache>(path); }

  void setImage(const Ref<gfx::Image>& image, const fd::String& key) { setImage(image, nullptr, key, DRImageCacheTypeAll); }
  void setImage(const Ref<gfx::Image>& image, const Ref<fd::Data>& data, const fd::String& key, unsigned type);
  void removeImageForKey(const fd::String& key, unsigned type = DRImageCacheTypeAll);
  bool containsImageForKey(const fd::String& key, unsigned type = DRImageCacheTypeAll);
  Ref<gfx::Image> getImageForKey(const fd::String& key, unsigned type = DRImageCacheTypeAll);
  /// Looks up on a global queue; the block runs on the main queue.
  void getImageForKey(const fd::String& key, unsigned type, LookupBlock block);
  Ref<fd::Data> getImageDataForKey(const fd::String& key);
  /// Reads on a global queue; the block runs on the main queue.
  void getImageDataForKey(const fd::String& key, std::function<void(const Ref<fd::Data>&)> block);

  /// Bitmap bytes (height times bytes per row); 1 for an image without a bitmap.
  uint64_t imageCost(const Ref<gfx::Image>& image) const;
  /// Decodes stored bytes at the scale stored beside them (else the main screen's).
  Ref<gfx::Image> imageFromData(const Ref<fd::Data>& data) const;

  const Ref<cache::DRMemoryCache>& memoryCache() const { return memory_; }
  const Ref<cache::DRDiskCache>& diskCache() const { return disk_; }
  fd::String name() const;
  void setName(fd::String name);

  std::atomic<bool> allowAnimatedImage{true};
  std::atomic<bool> decodeForDisplay{true};

 private:
  Ref<cache::DRMemoryCache> memory_;
  Ref<cache::DRDiskCache> disk_;
  mutable std::mutex nameMutex_;
  fd::String name_;
};

}  // namespace image
