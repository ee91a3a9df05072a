#pragma once
// The in-memory picture cache of the image requests of views, keyed by the absolute string of
// the request's URL. Requests that bypass local caches are never answered from it.
#include "platform/foundation/values/Cache.h"

namespace fd {
class URLRequest;
}  // namespace fd
namespace gfx {
class Image;
}  // namespace gfx

namespace net {

class NKImageCache : public fd::Cache {
  RT_CLASS(NKImageCache, fd::Cache)
 public:
  /// The process's default cache, emptied on every memory warning.
  static Ref<NKImageCache> defaultCache();

  Ref<gfx::Image> cachedImageForRequest(const Ref<fd::URLRequest>& request);
  /// Nothing happens without both.
  void cacheImage(const Ref<gfx::Image>& image, const Ref<fd::URLRequest>& request);
};

}  // namespace net
