#include "platform/graphics/Color.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/graphics/Image.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(ColorSpace) {}

RT_IMPLEMENT_PLATFORM(Color) {
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<ColorSpace> ColorSpace::createDeviceRGB() { return rt::make<ColorSpace>(ColorSpaceModel::RGB); }
Ref<ColorSpace> ColorSpace::createDeviceGray() { return rt::make<ColorSpace>(ColorSpaceModel::Monochrome); }
Ref<ColorSpace> ColorSpace::createDeviceCMYK() { return rt::make<ColorSpace>(ColorSpaceModel::CMYK); }
Ref<ColorSpace> ColorSpace::createPattern() { return rt::make<ColorSpace>(ColorSpaceModel::Pattern); }

// The shared colour spaces are never destroyed: a decoder on a worker may still ask for one
// while the process exits.
const Ref<ColorSpace>& ColorSpace::deviceRGB() {
  static const auto* s = new Ref<ColorSpace>(createDeviceRGB());
  return *s;
}
const Ref<ColorSpace>& ColorSpace::deviceGray() {
  static const auto* s = new Ref<ColorSpace>(createDeviceGray());
  return *s;
}
const Ref<ColorSpace>& ColorSpace::deviceCMYK() {
  static const auto* s = new Ref<ColorSpace>(createDeviceCMYK());
  return *s;
}
const Ref<ColorSpace>& ColorSpace::pattern() {
  static const auto* s = new Ref<ColorSpace>(createPattern());
  return *s;
}

size_t ColorSpace::numberOfComponents() const {
  switch (model_) {
    case ColorSpaceModel::Monochrome: return 1;
    case ColorSpaceModel::RGB: return 3;
    case ColorSpaceModel::CMYK: return 4;
    case ColorSpaceModel::Lab: return 3;
    case ColorSpaceModel::Indexed: return 1;
    default: return 0;
  }
}

rt::String ColorSpace::description() const {
  switch (model_) {
    case ColorSpaceModel::Monochrome: return "<CGColorSpace> (kCGColorSpaceDeviceGray)";
    case ColorSpaceModel::RGB: return "<CGColorSpace> (kCGColorSpaceDeviceRGB)";
    case ColorSpaceModel::CMYK: return "<CGColorSpace> (kCGColorSpaceDeviceCMYK)";
    case ColorSpaceModel::Pattern: return "<CGColorSpace> (kCGColorSpacePattern)";
    default: return "<CGColorSpace> (unknown)";
  }
}

bool ColorSpace::isEqual(const rt::Object* other) const {
  auto* o = dynamic_cast<const ColorSpace*>(other);
  return o && o->model_ == model_;
}

bool Color::init(Ref<ColorSpace> space, std::vector<double> components) {
  if (!space || components.size() != space->numberOfComponents() + 1) return false;
  space_ = std::move(space);
  components_ = std::move(components);
  return true;
}

Ref<Color> Color::create(const Ref<ColorSpace>& space, const std::vector<double>& components) {
  return rt::make<Color>(space, components);
}

Ref<Color> Color::colorWithRed(double r, double g, double b, double a) {
  return rt::make<Color>(ColorSpace::deviceRGB(), std::vector<double>{r, g, b, a});
}
Ref<Color> Color::colorWithWhite(double white, double alpha) {
  return rt::make<Color>(ColorSpace::deviceGray(), std::vector<double>{white, alpha});
}
Ref<Color> Color::colorWithHue(double h, double s, double v, double a) {
  double r, g, b;
  HSBToRGB(h, s, v, &r, &g, &b);
  return colorWithRed(r, g, b, a);
}
Ref<Color> Color::colorWithCMYK(double c, double m, double y, double k, double a) {
  return rt::make<Color>(ColorSpace::deviceCMYK(), std::vector<double>{c, m, y, k, a});
}
Ref<Color> Color::colorWithPatternImage(const Ref<Image>& image) {
  if (!image) return nullptr;
  auto c = rt::make<Color>(ColorSpace::pattern(), std::vector<double>{1});
  c->pattern_ = image;
  return c;
}

Ref<Color> Color::clearColor() { return colorWithWhite(0, 0); }
Ref<Color> Color::blackColor() { return colorWithWhite(0, 1); }
Ref<Color> Color::whiteColor() { return colorWithWhite(1, 1); }
Ref<Color> Color::darkGrayColor() { return colorWithWhite(1.0 / 3.0, 1); }
Ref<Color> Color::lightGrayColor() { return colorWithWhite(2.0 / 3.0, 1); }
Ref<Color> Color::grayColor() { return colorWithWhite(0.5, 1); }
Ref<Color> Color::redColor() { return colorWithRed(1, 0, 0, 1); }
Ref<Color> Color::greenColor() { return colorWithRed(0, 1, 0, 1); }
Ref<Color> Color::blueColor() { return colorWithRed(0, 0, 1, 1); }
Ref<Color> Color::cyanColor() { return colorWithRed(0, 1, 1, 1); }
Ref<Color> Color::yellowColor() { return colorWithRed(1, 1, 0, 1); }
Ref<Color> Color::magentaColor() { return colorWithRed(1, 0, 1, 1); }
Ref<Color> Color::orangeColor() { return colorWithRed(1, 0.5, 0, 1); }
Ref<Color> Color::purpleColor() { return colorWithRed(0.5, 0, 0.5, 1); }
Ref<Color> Color::brownColor() { return colorWithRed(0.6, 0.4, 0.2, 1); }

Ref<Color> Color::colorWithAlphaComponent(double alpha) const {
  auto c = rt::make<Color>(space_, components_);
  c->components_.back() = alpha;
  c->pattern_ = pattern_;
  return c;
}

bool Color::getRed(double* r, double* g, double* b, double* a) const {
  double v[4];
  switch (space_->model()) {
    case ColorSpaceModel::RGB:
    case ColorSpaceModel::Monochrome:
    case ColorSpaceModel::CMYK: rgba(v); break;
    default: return false;
  }
  if (r) *r = v[0];
  if (g) *g = v[1];
  if (b) *b = v[2];
  if (a) *a = v[3];
  return true;
}

bool Color::getWhite(double* white, double* alpha) const {
  double v[4];
  switch (space_->model()) {
    case ColorSpaceModel::Monochrome:
      if (white) *white = components_[0];
      if (alpha) *alpha = components_[1];
      return true;
    case ColorSpaceModel::RGB:
    case ColorSpaceModel::CMYK:
      rgba(v);
      if (white) *white = 0.2126 * v[0] + 0.7152 * v[1] + 0.0722 * v[2];
      if (alpha) *alpha = v[3];
      return true;
    default: return false;
  }
}

bool Color::getHue(double* h, double* s, double* b, double* a) const {
  double v[4];
  if (!getRed(&v[0], &v[1], &v[2], &v[3])) return false;
  double hh, ss, bb;
  RGBToHSB(v[0], v[1], v[2], &hh, &ss, &bb);
  if (h) *h = hh;
  if (s) *s = ss;
  if (b) *b = bb;
  if (a) *a = v[3];
  return true;
}

void Color::rgba(double out[4]) const {
  const auto& c = components_;
  switch (space_->model()) {
    case ColorSpaceModel::RGB: out[0] = c[0], out[1] = c[1], out[2] = c[2], out[3] = c[3]; return;
    case ColorSpaceModel::Monochrome: out[0] = out[1] = out[2] = c[0], out[3] = c[1]; return;
    case ColorSpaceModel::CMYK:
      out[0] = (1 - c[0]) * (1 - c[3]);
      out[1] = (1 - c[1]) * (1 - c[3]);
      out[2] = (1 - c[2]) * (1 - c[3]);
      out[3] = c[4];
      return;
    default: out[0] = out[1] = out[2] = out[3] = 0;
  }
}

rt::String Color::description() const {
  std::string s;
  switch (space_->model()) {
    case ColorSpaceModel::RGB: s = "UIExtendedSRGBColorSpace"; break;
    case ColorSpaceModel::Monochrome: s = "UIExtendedGrayColorSpace"; break;
    case ColorSpaceModel::CMYK: s = "kCGColorSpaceModelCMYK"; break;
    default: return "UIPatternColor";
  }
  char buf[32];
  for (double v : components_) {
    std::snprintf(buf, sizeof buf, " %g", v);
    s += buf;
  }
  return rt::String(s);
}

bool Color::isEqual(const rt::Object* other) const {
  auto* o = dynamic_cast<const Color*>(other);
  if (!o) return false;
  if (o == this) return true;
  return space_->isEqual(o->space_.get()) && components_ == o->components_ && pattern_ == o->pattern_;
}

size_t Color::hash() const {
  size_t h = static_cast<size_t>(space_->model()) * 31;
  for (double v : components_) h = h * 131 + static_cast<size_t>(std::llround(v * 255));
  return h;
}

rt::Id Color::copy() const { return std::const_pointer_cast<rt::Object>(self()); }

void Color::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeInt32(static_cast<int32_t>(space_->model()), "model");
  coder.encodeBytes(components_.data(), components_.size() * sizeof(double), "components");
  if (pattern_) coder.encodeObject(pattern_, "pattern");
}

bool Color::initWithCoder(fd::KeyedUnarchiver& coder) {
  Ref<ColorSpace> space;
  switch (static_cast<ColorSpaceModel>(coder.decodeInt32("model"))) {
    case ColorSpaceModel::RGB: space = ColorSpace::deviceRGB(); break;
    case ColorSpaceModel::Monochrome: space = ColorSpace::deviceGray(); break;
    case ColorSpaceModel::CMYK: space = ColorSpace::deviceCMYK(); break;
    case ColorSpaceModel::Pattern: space = ColorSpace::pattern(); break;
    default: return false;
  }
  std::vector<uint8_t> bytes = coder.decodeBytes("components");
  if (bytes.size() != (space->numberOfComponents() + 1) * sizeof(double)) return false;
  std::vector<double> comps(space->numberOfComponents() + 1);
  std::memcpy(comps.data(), bytes.data(), bytes.size());
  if (space->model() == ColorSpaceModel::Pattern) {
    pattern_ = rt::as<Image>(coder.decodeObjectOfClass(Image::classObject(), "pattern"));
    if (!pattern_) return false;
  }
  space_ = std::move(space);
  components_ = std::move(comps);
  return true;
}

void RGBToHSB(double r, double g, double b, double* h, double* s, double* v) {
  double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  double d = mx - mn;
  double hue = 0;
  if (d > 0) {
    if (mx == r) hue = std::fmod((g - b) / d, 6.0);
    else if (mx == g) hue = (b - r) / d + 2;
    else hue = (r - g) / d + 4;
    hue /= 6;
    if (hue < 0) hue += 1;
  }
  *h = hue;
  *s = mx == 0 ? 0 : d / mx;
  *v = mx;
}

void HSBToRGB(double h, double s, double v, double* r, double* g, double* b) {
  h = std::fmod(h, 1.0);
  if (h < 0) h += 1;
  double hh = h * 6;
  int i = static_cast<int>(std::floor(hh)) % 6;
  double f = hh - std::floor(hh);
  double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i) {
    case 0: *r = v, *g = t, *b = p; break;
    case 1: *r = q, *g = v, *b = p; break;
    case 2: *r = p, *g = v, *b = t; break;
    case 3: *r = p, *g = q, *b = v; break;
    case 4: *r = t, *g = p, *b = v; break;
    default: *r = v, *g = p, *b = q; break;
  }
}

}  // namespace gfx
