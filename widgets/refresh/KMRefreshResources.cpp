#include "widgets/refresh/KMRefreshResources.h"

namespace widgets {

Ref<gfx::Image> KMRefreshArrowImage() {
  rt::String name = rt::String("KMRefresh.bundle").stringByAppendingPathComponent("arrow.png");
  if (auto image = gfx::Image::imageNamed(name)) return image;
  return gfx::Image::imageNamed(
      rt::String("Frameworks/KMRefresh.framework/KMRefresh.bundle").stringByAppendingPathComponent("arrow.png"));
}

}  // namespace widgets
