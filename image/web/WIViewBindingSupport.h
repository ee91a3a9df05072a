#pragma once
// What the view bindings share: their completion block, the nil-URL error and the two ways
// they reach the main thread.
#include <functional>

#include "image/web/WIWebImageCompat.h"
#include "platform/foundation/Error.h"
#include "platform/graphics/Image.h"

namespace image {

/// imageURL is the URL object the caller passed, unchanged (a string stays a string).
using WIViewCompletedBlock =
    std::function<void(Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType cacheType, rt::Id imageURL)>;
using WILegacyCompletedBlock = std::function<void(Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType cacheType)>;

/// WIWebImageErrorDomain, -1, "Trying to load a nil url".
Ref<fd::Error> WINilURLError();
/// Wraps an older block (null allowed) into a current one that drops the URL.
WIViewCompletedBlock WIWrapLegacyCompletedBlock(WILegacyCompletedBlock block);
/// Inline on the main thread, else queued on the main queue.
void WIRunOnMainSoon(std::function<void()> block);
/// Inline on the main thread, else synchronously on the main queue.
void WIRunOnMainNow(const std::function<void()>& block);
/// The same without wrapping `block` when already on the main thread (the common case).
bool WIIsMainThread();
template <class F> void WIRunOnMainNowInline(F&& block) {
  if (WIIsMainThread()) block();
  else WIRunOnMainNow(std::function<void()>(std::ref(block)));
}

}  // namespace image
