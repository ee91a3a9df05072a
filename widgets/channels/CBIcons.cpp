#include "widgets/channels/CBIcons.h"

namespace widgets {

Ref<gfx::Image> CBIconImage(const rt::String& file) {
  return gfx::Image::imageNamed(rt::String("icons.bundle").stringByAppendingPathComponent(file));
}

}  // namespace widgets
