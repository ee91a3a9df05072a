#include "base/graphics/Color+DUDer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace base {

namespace {
double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
double byte(uint32_t v, int shift) { return static_cast<float>((v >> shift) & 0xFF) / 255.0f; }
}  // namespace

void DRColorRGBToHSL(double r, double g, double b, double* h, double* s, double* l) {
  r = clamp01(r), g = clamp01(g), b = clamp01(b);
  double max = std::max({r, g, b}), min = std::min({r, g, b});
  *l = (max + min) / 2;
  if (max == min) {
    *h = *s = 0;
    return;
  }
  double d = max - min;
  *s = max + min < 1 ? d / (max + min) : d / (2 - max - min);
  double hue = max == r ? (g - b) / d : max == g ? (b - r) / d + 2 : (r - g) / d + 4;
  hue /= 6;
  if (hue < 0) hue += 1;
  *h = hue;
}

void DRColorHSLToRGB(double h, double s, double l, double* r, double* g, double* b) {
  h = clamp01(h), s = clamp01(s), l = clamp01(l);
  if (s == 0) {
    *r = *g = *b = l;
    return;
  }
  double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  *r = *g = *b = 0;
  if (q <= 0) return;
  double h6 = h == 1 ? 0 : 6 * h;
  int sector = static_cast<int>(h6);
  if (sector > 5) return;
  double f = h6 - sector, p = 2 * l - q, v = f * q * ((q - p) / q), m1 = p + v, m2 = q - v;
  double out[6][3] = {{q, m1, p}, {m2, q, p}, {p, q, m1}, {p, m2, q}, {m1, p, q}, {q, p, m2}};
  *r = out[sector][0], *g = out[sector][1], *b = out[sector][2];
}

void DRColorRGBToCMYK(double r, double g, double b, double* c, double* m, double* y, double* k) {
  r = clamp01(r), g = clamp01(g), b = clamp01(b);
  *c = 1 - r, *m = 1 - g, *y = 1 - b;
  *k = std::min({*c, *m, *y});
  if (*k == 1) {
    *c = *m = *y = 0;
    return;
  }
  *c = (*c - *k) / (1 - *k);
  *m = (*m - *k) / (1 - *k);
  *y = (*y - *k) / (1 - *k);
}

void DRColorCMYKToRGB(double c, double m, double y, double k, double* r, double* g, double* b) {
  c = clamp01(c), m = clamp01(m), y = clamp01(y), k = clamp01(k);
  *r = (1 - c) * (1 - k), *g = (1 - m) * (1 - k), *b = (1 - y) * (1 - k);
}

Ref<gfx::Color> colorWithHueSaturationLightness(double h, double s, double l, double alpha) {
  double r, g, b;
  DRColorHSLToRGB(h, s, l, &r, &g, &b);
  return gfx::Color::colorWithRed(r, g, b, alpha);
}

Ref<gfx::Color> colorWithCMYK(double c, double m, double y, double k, double alpha) {
  double r, g, b;
  DRColorCMYKToRGB(c, m, y, k, &r, &g, &b);
  return gfx::Color::colorWithRed(r, g, b, alpha);
}

Ref<gfx::Color> colorWithRGB(uint32_t rgb, double alpha) {
  return gfx::Color::colorWithRed(byte(rgb, 16), byte(rgb, 8), byte(rgb, 0), alpha);
}

Ref<gfx::Color> colorWithRGBA(uint32_t rgba) {
  return gfx::Color::colorWithRed(byte(rgba, 24), byte(rgba, 16), byte(rgba, 8), byte(rgba, 0));
}

Ref<gfx::Color> colorWithHexString(const String& text) {
  std::string hex = text.trimmed().uppercaseString().utf8();
  if (hex.rfind("#", 0) == 0) hex.erase(0, 1);
  else if (hex.rfind("0X", 0) == 0) hex.erase(0, 2);
  size_t n = hex.size();
  if (n != 3 && n != 4 && n != 6 && n != 8) return nullptr;
  size_t group = n >= 6 ? 2 : 1;
  auto read = [&](size_t index) {
    unsigned value = 0;
    std::sscanf(hex.substr(index * group, group).c_str(), "%X", &value);
    // A single digit stands for the digit twice: "F" is 0xFF, "8" is 0x88.
    if (group == 1) value *= 17;
    return static_cast<float>(value) / 255.0f;
  };
  double alpha = (n == 4 || n == 8) ? read(3) : 1.0;
  return gfx::Color::colorWithRed(read(0), read(1), read(2), alpha);
}

uint32_t rgbValue(const gfx::Color& c) {
  double r = 0, g = 0, b = 0, a = 0;
  c.getRed(&r, &g, &b, &a);
  return static_cast<uint32_t>(r * 255) << 16 | static_cast<uint32_t>(g * 255) << 8 | static_cast<uint32_t>(b * 255);
}

uint32_t rgbaValue(const gfx::Color& c) {
  double r = 0, g = 0, b = 0, a = 0;
  c.getRed(&r, &g, &b, &a);
  return static_cast<uint32_t>(r * 255) << 24 | static_cast<uint32_t>(g * 255) << 16 |
         static_cast<uint32_t>(b * 255) << 8 | static_cast<uint32_t>(a * 255);
}

String hexString(const gfx::Color& c, bool withAlpha) {
  const auto& comps = c.components();
  char buf[16];
  auto b = [](double v) { return static_cast<unsigned>(static_cast<long>(v * 255)); };
  if (comps.size() == 4 && !c.patternImage()) std::snprintf(buf, sizeof buf, "%02x%02x%02x", b(comps[0]), b(comps[1]), b(comps[2]));
  else if (comps.size() == 2) std::snprintf(buf, sizeof buf, "%02x%02x%02x", b(comps[0]), b(comps[0]), b(comps[0]));
  else return String();
  std::string out = buf;
  if (withAlpha) {
    std::snprintf(buf, sizeof buf, "%02lx", static_cast<unsigned long>(c.alpha() * 255 + 0.5));
    out += buf;
  }
  return String(out);
}

Ref<gfx::Color> colorByAddColor(const gfx::Color& c, const gfx::Color& added, gfx::BlendMode mode) {
  uint8_t pixel[4] = {0, 0, 0, 0};
  auto context = gfx::Context::createBitmap(pixel, 1, 1, 8, 4, gfx::ColorSpace::deviceRGB(),
                                            gfx::ImageAlphaPremultipliedLast | gfx::BitmapByteOrder32Big);
  if (!context) return nullptr;
  gfx::Rect unit{{0, 0}, {1, 1}};
  context->setFillColor(std::static_pointer_cast<gfx::Color>(std::const_pointer_cast<rt::Object>(c.self())));
  context->fillRect(unit);
  context->setBlendMode(mode);
  context->setFillColor(std::static_pointer_cast<gfx::Color>(std::const_pointer_cast<rt::Object>(added.self())));
  context->fillRect(unit);
  context->flush();
  // The bitmap holds premultiplied bytes; colours are straight.
  const double alpha = pixel[3] / 255.0;
  if (pixel[3] == 0) return gfx::Color::colorWithRed(0, 0, 0, 0);
  auto straight = [&](uint8_t premultiplied) { return std::min(1.0, premultiplied / 255.0 / alpha); };
  return gfx::Color::colorWithRed(straight(pixel[0]), straight(pixel[1]), straight(pixel[2]), alpha);
}

Ref<gfx::Color> colorByChangeHSB(const gfx::Color& c, double dh, double ds, double db, double da) {
  double h, s, b, a;
  if (!c.getHue(&h, &s, &b, &a)) return nullptr;
  h += dh;
  h -= std::trunc(h);
  if (h < 0) h += 1;
  return gfx::Color::colorWithHue(h, clamp01(s + ds), clamp01(b + db), clamp01(a + da));
}

bool getHueSaturationLightness(const gfx::Color& c, double* h, double* s, double* l, double* a) {
  double r, g, b;
  if (!c.getRed(&r, &g, &b, a)) return false;
  DRColorRGBToHSL(r, g, b, h, s, l);
  return true;
}

bool getCMYK(const gfx::Color& c, double* cy, double* m, double* y, double* k, double* a) {
  double r, g, b;
  if (!c.getRed(&r, &g, &b, a)) return false;
  DRColorRGBToCMYK(r, g, b, cy, m, y, k);
  return true;
}

namespace {
double component(const gfx::Color& c, int i) {
  double v[4] = {0, 0, 0, 0};
  if (!c.getRed(&v[0], &v[1], &v[2], &v[3])) return 0;
  return v[i];
}
double hsbComponent(const gfx::Color& c, int i) {
  double v[4] = {0, 0, 0, 0};
  if (!c.getHue(&v[0], &v[1], &v[2], &v[3])) return 0;
  return v[i];
}
}  // namespace

double red(const gfx::Color& c) { return component(c, 0); }
double green(const gfx::Color& c) { return component(c, 1); }
double blue(const gfx::Color& c) { return component(c, 2); }
double hue(const gfx::Color& c) { return hsbComponent(c, 0); }
double saturation(const gfx::Color& c) { return hsbComponent(c, 1); }
double brightness(const gfx::Color& c) { return hsbComponent(c, 2); }

int colorSpaceModel(const gfx::Color& c) {
  return c.colorSpace() ? static_cast<int>(c.colorSpace()->model()) : static_cast<int>(gfx::ColorSpaceModel::Unknown);
}

String colorSpaceString(const gfx::Color& c) {
  switch (colorSpaceModel(c)) {
    case 0: return "kCGColorSpaceModelMonochrome";
    case 1: return "kCGColorSpaceModelRGB";
    case 2: return "kCGColorSpaceModelCMYK";
    case 3: return "kCGColorSpaceModelLab";
    case 4: return "kCGColorSpaceModelDeviceN";
    case 5: return "kCGColorSpaceModelIndexed";
    case 6: return "kCGColorSpaceModelPattern";
    case -1: return "kCGColorSpaceModelUnknown";
    default: return "ColorSpaceInvalid";
  }
}

}  // namespace base
