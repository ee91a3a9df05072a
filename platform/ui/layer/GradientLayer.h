#pragma once
// A layer that paints a colour gradient over its bounds, axial or radial.
#include <vector>

#include "platform/graphics/Color.h"
#include "platform/ui/layer/Layer.h"

namespace ui {

extern const rt::String kCAGradientLayerAxial, kCAGradientLayerRadial;

class GradientLayer : public Layer {
  RT_CLASS_NAMED(GradientLayer, Layer, "CAGradientLayer")
 public:
  void init() {}
  static Ref<GradientLayer> layer() { return rt::make<GradientLayer>(); }

  const std::vector<Ref<gfx::Color>>& colors() const { return colors_; }
  void setColors(std::vector<Ref<gfx::Color>> colors);
  /// Stop positions in 0...1, one per colour; otherwise (empty, or another count) the colours
  /// are spread evenly.
  const std::vector<double>& locations() const { return locations_; }
  void setLocations(std::vector<double> locations);
  /// In the unit square of the bounds: where the gradient starts and ends. For a radial
  /// gradient the start is the centre and the end lies on the outer ellipse.
  gfx::Point startPoint() const { return startPoint_; }
  void setStartPoint(gfx::Point p);
  gfx::Point endPoint() const { return endPoint_; }
  void setEndPoint(gfx::Point p);
  rt::String type() const { return type_; }
  void setType(rt::String type);

  void renderOwnContent(gfx::Context& context) const override;
  void copyStateFrom(const Layer& other) override;

 private:
  std::vector<Ref<gfx::Color>> colors_;
  std::vector<double> locations_;
  gfx::Point startPoint_{0.5, 0};
  gfx::Point endPoint_{0.5, 1};
  rt::String type_{"axial"};
};

}  // namespace ui
