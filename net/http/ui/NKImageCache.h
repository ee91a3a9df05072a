#pragma once
// The in-memory picture cache of the image requests of views, keyed by the absolute string of
// the request's URL. Requests that bypass local caches are never answered from it. The views
// ask any object that answers the cache's two operations; this class is the default one.
#include "platform/foundation/values/Cache.h"

namespace fd {
class URLRequest;
}  // namespace fd
namespace gfx {
class Image;
}  // namespace gfx

namespace net {

/// What the image views and buttons ask for pictures. Called from any thread.
class NKImageCacheProtocol {
 public:
  virtual ~NKImageCacheProtocol() = default;
  virtual Ref<gfx::Image> cachedImageForRequest(const Ref<fd::URLRequest>& request) = 0;
  virtual void cacheImage(const Ref<gfx::Image>& image, const Ref<fd::URLRequest>& request) = 0;
};

class NKImageCache : public fd::Cache, public NKImageCacheProtocol {
  RT_CLASS(NKImageCache, fd::Cache)
 public:
  /// The process's default cache, emptied on every memory warning.
  static Ref<NKImageCache> defaultCache();

  Ref<gfx::Image> cachedImageForRequest(const Ref<fd::URLRequest>& request) override;
  /// Nothing happens without both.
  void cacheImage(const Ref<gfx::Image>& image, const Ref<fd::URLRequest>& request) override;
};

}  // namespace net
