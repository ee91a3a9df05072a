#include "widgets/channels/Color+RGBA.h"

namespace widgets {

RGBA RGBAFromCGColor(const Ref<gfx::Color>& color) {
  if (!color || !color->colorSpace()) return {};
  const auto& c = color->components();  // alpha last
  switch (color->colorSpace()->model()) {
    case gfx::ColorSpaceModel::RGB:
      if (c.size() == 4) return {c[0], c[1], c[2], c[3]};
      break;
    case gfx::ColorSpaceModel::Monochrome:
      if (c.size() == 2) return {c[0], c[0], c[0], c[1]};
      break;
    default:
      break;
  }
  return {};
}

RGBA ColorRGBAComponents(const Ref<gfx::Color>& color) { return RGBAFromCGColor(color); }

}  // namespace widgets
