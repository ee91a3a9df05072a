#include "anim/PXColor.h"

namespace anim {

void PXRGBAFromCGColor(const Ref<gfx::Color>& color, double out[4]) {
  out[0] = out[1] = out[2] = out[3] = 0;
  if (!color) return;
  const auto& c = color->components();
  if (c.size() == 2) {
    out[0] = out[1] = out[2] = c[0];
    out[3] = c[1];
  } else if (c.size() == 4) {
    for (int i = 0; i < 4; ++i) out[i] = c[i];
  } else {
    color->rgba(out);
  }
}

Ref<gfx::Color> PXCGColorFromRGBA(const double rgba[4]) {
  return gfx::Color::create(gfx::ColorSpace::deviceRGB(), {rgba[0], rgba[1], rgba[2], rgba[3]});
}

Ref<gfx::Color> PXCGColorFromObject(const rt::Id& object) { return rt::as<gfx::Color>(object); }

void PXRGBAFromUIColor(const rt::Id& object, double out[4]) { PXRGBAFromCGColor(PXCGColorFromObject(object), out); }

Ref<gfx::Color> PXUIColorFromRGBA(const double rgba[4]) { return PXCGColorFromRGBA(rgba); }

}  // namespace anim
