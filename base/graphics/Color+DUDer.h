#pragma once
// Colours from HSL, CMYK, packed integers and hexadecimal text, and back; blending one colour
// over another; relative HSB changes; single components; the colour-space model.
#include <cstdint>

#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"

namespace base {

using rt::String;

// Components in 0...1 (inputs are clamped).
void DRColorRGBToHSL(double r, double g, double b, double* h, double* s, double* l);
void DRColorHSLToRGB(double h, double s, double l, double* r, double* g, double* b);
void DRColorRGBToCMYK(double r, double g, double b, double* c, double* m, double* y, double* k);
void DRColorCMYKToRGB(double c, double m, double y, double k, double* r, double* g, double* b);

Ref<gfx::Color> colorWithHueSaturationLightness(double h, double s, double l, double alpha);
Ref<gfx::Color> colorWithCMYK(double c, double m, double y, double k, double alpha);
/// 0xRRGGBB, opaque (or with `alpha`); 0xRRGGBBAA.
Ref<gfx::Color> colorWithRGB(uint32_t rgb, double alpha = 1);
Ref<gfx::Color> colorWithRGBA(uint32_t rgba);
/// "#rgb", "#rgba", "#rrggbb", "#rrggbbaa" (or "0x", or bare); null for other lengths.
Ref<gfx::Color> colorWithHexString(const String& hex);

uint32_t rgbValue(const gfx::Color& c);
uint32_t rgbaValue(const gfx::Color& c);
/// Lower-case hex of the colour; empty for colours that are neither RGB nor grey.
String hexString(const gfx::Color& c, bool withAlpha = false);
/// The colour with `added` drawn over it in `mode`.
Ref<gfx::Color> colorByAddColor(const gfx::Color& c, const gfx::Color& added, gfx::BlendMode mode);
/// Hue wraps; saturation, brightness and alpha are clamped. Null when HSB cannot be read.
Ref<gfx::Color> colorByChangeHSB(const gfx::Color& c, double dh, double ds, double db, double da);
bool getHueSaturationLightness(const gfx::Color& c, double* h, double* s, double* l, double* a);
bool getCMYK(const gfx::Color& c, double* cy, double* m, double* y, double* k, double* a);
double red(const gfx::Color& c);
double green(const gfx::Color& c);
double blue(const gfx::Color& c);
double hue(const gfx::Color& c);
double saturation(const gfx::Color& c);
double brightness(const gfx::Color& c);
int colorSpaceModel(const gfx::Color& c);
String colorSpaceString(const gfx::Color& c);

}  // namespace base
