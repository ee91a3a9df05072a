#pragma once
// The request procedure every binder of the second pipeline runs, told once: the members differ
// only in what receives the picture, where the setter lives and whether a fade applies. A
// memory-cache hit is shown in the same main-thread pass as the request; otherwise the
// placeholder is shown and the request goes through the target's setter to the manager on the
// setter queue. Results are applied on the main queue to a target that still exists and whose
// request has not been replaced since; the caller's completion always hears them.
#include <functional>

#include "image/web2/DRWebImageManager.h"
#include "image/web2/DRWebImageSetter.h"

namespace gfx {
class Image;
}
namespace ui {
class Layer;
}

namespace image {

/// The animation key of the fade transition.
inline constexpr const char* kDRWebImageFadeKey = "DRWebImageFade";

/// What one member of the family does to its target (called on the main thread only).
struct DRWebImageBinder {
  /// Sets the picture (null clears it).
  std::function<void(const rt::Id& target, const Ref<gfx::Image>& image)> set;
  /// Whether a fade may run now; null for members that never fade.
  std::function<bool(const rt::Id& target)> fadeAllowed;
  /// The layer that receives the fade.
  std::function<Ref<ui::Layer>(const rt::Id& target)> fadeLayer;
};

/// The per-target setter stored under `key`, made (and associated) on first use.
Ref<DRWebImageSetter> DRWebImageSetterForTarget(const Ref<rt::Object>& target, const void* key);
/// The setter under `key`, or null; makes nothing.
Ref<DRWebImageSetter> DRWebImageExistingSetter(const Ref<rt::Object>& target, const void* key);

/// Runs one request for `target` through `setter`. `url` may be null; `manager` null means the
/// shared manager.
void DRWebImageRequest(const Ref<rt::Object>& target, const Ref<DRWebImageSetter>& setter,
                       const DRWebImageBinder& binder, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                       DRWebImageOptions options, Ref<DRWebImageManager> manager, DRWebImageProgressBlock progress,
                       DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion);

/// Adds the fade transition (0.2 s for a finished picture, 0.4 s otherwise) to `layer`.
void DRWebImageAddFade(const Ref<ui::Layer>& layer, DRWebImageStage stage);

}  // namespace image
