#pragma once
// Empties the application's caches through the caches themselves, so that a store that is open
// (an SQLite index, a cache folder another thread is writing into) is reset by its owner and
// keeps working, instead of losing its files underneath it. Answers what the caches held on
// disk before they were emptied.
#include <cstdint>

#include "image/web/WIImageCache.h"
#include "image/web2/DRImageCache.h"
#include "platform/foundation/net/URLCache.h"

namespace app {

class KDCacheCleaner {
 public:
  /// The process's caches: the first image pipeline's shared cache, the second's when its
  /// folder exists (opening it only to empty it would create it), the shared URL cache and the
  /// carousel's picture folder.
  static KDCacheCleaner application();

  /// Bytes the caches set below hold on disk, each measured as its owner counts it: what
  /// `clear` can remove, and nothing else that happens to lie in the caches folder.
  int64_t size() const;
  /// Empties memory and disk of every cache set below and answers the bytes removed from disk,
  /// measured as `size` measures them. Blocks until the caches are done; run it off the main
  /// thread.
  int64_t clear() const;

  Ref<image::WIImageCache> webImages;
  Ref<image::DRImageCache> images;
  Ref<fd::URLCache> urls;
  bool carousel = false;
};

}  // namespace app
