#include "widgets/refresh/KMRefreshResources.h"

#include <mutex>

#include "platform/foundation/files/Bundle.h"

namespace widgets {

namespace {

// The resource bundle inside whichever main bundle is current (tests swap it).
Ref<fd::Bundle> refreshBundle() {
  static std::mutex mutex;
  static Ref<fd::Bundle> main, bundle;
  auto now = fd::Bundle::mainBundle();
  std::lock_guard lock(mutex);
  if (now != main) {
    main = now;
    bundle = nullptr;
    if (now) {
      if (auto path = now->pathForResource("KMRefresh", "bundle")) bundle = fd::Bundle::bundleWithPath(*path);
    }
  }
  return bundle;
}

}  // namespace

Ref<gfx::Image> KMRefreshArrowImage() {
  rt::String name = rt::String("KMRefresh.bundle").stringByAppendingPathComponent("arrow.png");
  if (auto image = gfx::Image::imageNamed(name)) return image;
  return gfx::Image::imageNamed(
      rt::String("Frameworks/KMRefresh.framework/KMRefresh.bundle").stringByAppendingPathComponent("arrow.png"));
}

rt::String KMRefreshLocalizedString(const rt::String& key, const rt::String& fallback) {
  auto bundle = refreshBundle();
  if (!bundle) return fallback;
  return bundle->localizedStringForKey(key, fallback, rt::String());
}

}  // namespace widgets
