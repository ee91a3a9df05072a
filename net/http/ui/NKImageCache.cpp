#include "net/http/ui/NKImageCache.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/net/URLRequest.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/graphics/Image.h"
#include "platform/ui/host/Application.h"

namespace net {

namespace {
rt::Id keyFor(const Ref<fd::URLRequest>& request) {
  return request && request->URL() ? fd::StringObject::create(request->URL()->absoluteString()) : nullptr;
}
}  // namespace

RT_IMPLEMENT(NKImageCache) { c.protocol("NKImageCache"); }

Ref<NKImageCache> NKImageCache::defaultCache() {
  static Ref<NKImageCache> cache = [] {
    auto c = rt::make<NKImageCache>();
    Weak<NKImageCache> weak = c;
    fd::NotificationCenter::defaultCenter()->addObserverForName(
        fd::String(ui::UIApplicationDidReceiveMemoryWarningNotification), nullptr, fd::OperationQueue::mainQueue(),
        [weak](const Ref<fd::Notification>&) {
          if (auto cache = weak.lock()) cache->removeAllObjects();
        });
    return c;
  }();
  return cache;
}

Ref<gfx::Image> NKImageCache::cachedImageForRequest(const Ref<fd::URLRequest>& request) {
  if (!request) return nullptr;
  switch (request->cachePolicy()) {
    case fd::URLRequestCachePolicy::ReloadIgnoringLocalCacheData:
    case fd::URLRequestCachePolicy::ReloadIgnoringLocalAndRemoteCacheData:
      return nullptr;
    default:
      break;
  }
  auto key = keyFor(request);
  return key ? rt::as<gfx::Image>(objectForKey(key)) : nullptr;
}

void NKImageCache::cacheImage(const Ref<gfx::Image>& image, const Ref<fd::URLRequest>& request) {
  auto key = keyFor(request);
  if (image && key) setObject(image, key);
}

}  // namespace net
