#include "image/web/AutoPurgeCache.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/host/Application.h"

namespace image {

RT_IMPLEMENT(AutoPurgeCache) {}

void AutoPurgeCache::init() {
  // The centre holds observers weakly: the registration dies with the cache.
  Weak<AutoPurgeCache> weak = std::static_pointer_cast<AutoPurgeCache>(shared_from_this());
  fd::NotificationCenter::defaultCenter()->addObserver(
      shared_from_this(),
      [weak](const Ref<fd::Notification>&) {
        if (auto self = weak.lock()) self->removeAllObjects();
      },
      fd::String(ui::UIApplicationDidReceiveMemoryWarningNotification), nullptr);
}

}  // namespace image
