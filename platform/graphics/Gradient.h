#pragma once
// Colour gradients: colours at locations 0...1 in a colour space.
#include <vector>

#include "platform/graphics/Color.h"

namespace gfx {

enum GradientDrawingOptions : uint32_t {
  GradientDrawsBeforeStartLocation = 1,
  GradientDrawsAfterEndLocation = 2,
};

class Gradient : public rt::Object {
  RT_CLASS_NAMED(Gradient, rt::Object, "CGGradient")
 public:
  struct Stop {
    double location;
    double rgba[4];  // unpremultiplied device RGB
  };

  /// `components` holds (space components + alpha) per stop; `locations` may be empty for
  /// evenly spaced stops. Null when the counts do not match.
  static Ref<Gradient> createWithColorComponents(const Ref<ColorSpace>& space, const std::vector<double>& components,
                                                 const std::vector<double>& locations);
  static Ref<Gradient> createWithColors(const Ref<ColorSpace>& space, const std::vector<Ref<Color>>& colors,
                                        const std::vector<double>& locations);

  const Ref<ColorSpace>& colorSpace() const { return space_; }
  const std::vector<Stop>& stops() const { return stops_; }

 private:
  Ref<ColorSpace> space_;
  std::vector<Stop> stops_;
};

}  // namespace gfx
