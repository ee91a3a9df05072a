#pragma once
// Colours as four doubles (red, green, blue, alpha) for animation, and back. Colours made here
// are in the device RGB space.
#include "platform/graphics/Color.h"

namespace anim {

/// Null gives four zeros; grey gives (w, w, w, a); other spaces are converted to RGB.
void PXRGBAFromCGColor(const Ref<gfx::Color>& color, double out[4]);
Ref<gfx::Color> PXCGColorFromRGBA(const double rgba[4]);
/// The object as a colour; null for anything that is not a colour.
Ref<gfx::Color> PXCGColorFromObject(const rt::Id& object);
void PXRGBAFromUIColor(const rt::Id& object, double out[4]);
Ref<gfx::Color> PXUIColorFromRGBA(const double rgba[4]);

}  // namespace anim
