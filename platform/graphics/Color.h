#pragma once
// Colour spaces and colours. One colour class serves both the UI colour and the graphics
// colour: it keeps components in its colour space plus alpha, or a pattern image.
#include <cstdint>
#include <vector>

#include "platform/foundation/serialization/Coding.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace gfx {

class Image;

/// Colour-space models with the platform's numbers.
enum class ColorSpaceModel : int32_t {
  Unknown = -1,
  Monochrome = 0,
  RGB = 1,
  CMYK = 2,
  Lab = 3,
  DeviceN = 4,
  Indexed = 5,
  Pattern = 6,
};

class ColorSpace : public rt::Object {
  RT_CLASS_NAMED(ColorSpace, rt::Object, "CGColorSpace")
 public:
  void init(ColorSpaceModel model) { model_ = model; }

  /// A new device RGB space (the platform's create-and-release form).
  static Ref<ColorSpace> createDeviceRGB();
  static Ref<ColorSpace> createDeviceGray();
  static Ref<ColorSpace> createDeviceCMYK();
  static Ref<ColorSpace> createPattern();
  /// Shared instances, made once.
  static const Ref<ColorSpace>& deviceRGB();
  static const Ref<ColorSpace>& deviceGray();
  static const Ref<ColorSpace>& deviceCMYK();
  static const Ref<ColorSpace>& pattern();

  ColorSpaceModel model() const { return model_; }
  /// Colour components without alpha: 3 RGB, 1 grey, 4 CMYK, 0 pattern.
  size_t numberOfComponents() const;

  rt::String description() const override;
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override { return static_cast<size_t>(model_) + 7; }

 private:
  ColorSpaceModel model_ = ColorSpaceModel::RGB;
};

class Color : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(Color, rt::Object, "UIColor")
 public:
  /// Components in the space, alpha last (the graphics colour's layout).
  bool init(Ref<ColorSpace> space, std::vector<double> components);
  void init() { init(ColorSpace::deviceRGB(), {0, 0, 0, 0}); }

  /// Components are kept as given, unclamped (extended range).
  static Ref<Color> colorWithRed(double r, double g, double b, double a);
  static Ref<Color> colorWithWhite(double white, double alpha);
  static Ref<Color> colorWithHue(double h, double s, double b, double a);
  static Ref<Color> colorWithCMYK(double c, double m, double y, double k, double a);
  /// The graphics colour is this very object: both forms answer the same facts.
  static Ref<Color> colorWithCGColor(const Ref<Color>& cgColor) { return cgColor; }
  Ref<Color> CGColor() const { return std::static_pointer_cast<Color>(std::const_pointer_cast<rt::Object>(self())); }
  /// A colour that paints the image tiled (pattern colour space).
  static Ref<Color> colorWithPatternImage(const Ref<Image>& image);
  /// The graphics colour form: components (alpha last) in `space`; null when the count does
  /// not match the space.
  static Ref<Color> create(const Ref<ColorSpace>& space, const std::vector<double>& components);

  static Ref<Color> clearColor();
  static Ref<Color> blackColor();
  static Ref<Color> whiteColor();
  static Ref<Color> darkGrayColor();
  static Ref<Color> lightGrayColor();
  static Ref<Color> grayColor();
  static Ref<Color> redColor();
  static Ref<Color> greenColor();
  static Ref<Color> blueColor();
  static Ref<Color> cyanColor();
  static Ref<Color> yellowColor();
  static Ref<Color> magentaColor();
  static Ref<Color> orangeColor();
  static Ref<Color> purpleColor();
  static Ref<Color> brownColor();

  const Ref<ColorSpace>& colorSpace() const { return space_; }
  /// Components including alpha.
  size_t numberOfComponents() const { return components_.size(); }
  const std::vector<double>& components() const { return components_; }
  double alpha() const { return components_.empty() ? 1.0 : components_.back(); }
  const Ref<Image>& patternImage() const { return pattern_; }

  Ref<Color> colorWithAlphaComponent(double alpha) const;
  /// False when the colour cannot be expressed that way (a pattern; grey for HSB is fine).
  bool getRed(double* r, double* g, double* b, double* a) const;
  bool getWhite(double* white, double* alpha) const;
  bool getHue(double* h, double* s, double* b, double* a) const;
  /// Premultiplied-free RGBA for drawing; patterns give transparent black.
  void rgba(double out[4]) const;

  /// "UIExtendedSRGBColorSpace 1 0 0 1" / "UIExtendedGrayColorSpace 0.5 1" forms.
  rt::String description() const override;
  using rt::Object::isEqual;
  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override;
  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  Ref<ColorSpace> space_;
  std::vector<double> components_;
  Ref<Image> pattern_;
};

/// Converts between RGB and HSB, all in 0...1.
void RGBToHSB(double r, double g, double b, double* h, double* s, double* v);
void HSBToRGB(double h, double s, double v, double* r, double* g, double* b);

}  // namespace gfx
