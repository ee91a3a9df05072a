#pragma once
// What a manager's delegate may answer. Both operations are optional: a subclass registers
// those it implements with `implement` in its class description, and the manager asks only
// those (respondsToSelector).
#include <initializer_list>

#include "platform/foundation/net/URL.h"
#include "platform/graphics/Image.h"

namespace image {

class WIWebImageManager;

class WIWebImageManagerDelegate : public rt::Object {
  RT_CLASS(WIWebImageManagerDelegate, rt::Object)
 public:
  static constexpr const char* kShouldDownloadImageForURL = "imageManager:shouldDownloadImageForURL:";
  static constexpr const char* kTransformDownloadedImage = "imageManager:transformDownloadedImage:withURL:";
  static void implement(rt::Class& cls, std::initializer_list<const char*> selectors);

  /// False forbids downloading an image the cache did not have.
  virtual bool shouldDownloadImageForURL(WIWebImageManager& manager, const Ref<fd::URL>& url) {
    (void)manager, (void)url;
    return true;
  }
  /// The image to report and store instead; null reports no image and stores nothing. Runs
  /// on a global queue.
  virtual Ref<gfx::Image> transformDownloadedImage(WIWebImageManager& manager, const Ref<gfx::Image>& image,
                                                   const Ref<fd::URL>& url) {
    (void)manager, (void)url;
    return image;
  }
};

}  // namespace image
