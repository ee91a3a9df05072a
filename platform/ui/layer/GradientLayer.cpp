#include "platform/ui/layer/GradientLayer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/layer/Transaction.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(GradientLayer) {
  c.property("startPoint", &GradientLayer::startPoint, &GradientLayer::setStartPoint);
  c.property("endPoint", &GradientLayer::endPoint, &GradientLayer::setEndPoint);
  c.property("type", &GradientLayer::type, &GradientLayer::setType);
}

const rt::String kCAGradientLayerAxial("axial"), kCAGradientLayerRadial("radial");

// Colour and stop lists are not animated: a change just recomposites.
void GradientLayer::setColors(std::vector<Ref<gfx::Color>> colors) {
  if (colors == colors_) return;
  colors_ = std::move(colors);
  setNeedsComposite();
  Transaction::ensureImplicit();
}

void GradientLayer::setLocations(std::vector<double> locations) {
  if (locations == locations_) return;
  locations_ = std::move(locations);
  setNeedsComposite();
  Transaction::ensureImplicit();
}

void GradientLayer::setStartPoint(gfx::Point p) { change("startPoint", startPoint_, p); }
void GradientLayer::setEndPoint(gfx::Point p) { change("endPoint", endPoint_, p); }
void GradientLayer::setType(rt::String type) { change("type", type_, std::move(type)); }

void GradientLayer::copyStateFrom(const Layer& other) {
  Layer::copyStateFrom(other);
  if (auto* g = dynamic_cast<const GradientLayer*>(&other)) {
    colors_ = g->colors_;
    locations_ = g->locations_;
    startPoint_ = g->startPoint_;
    endPoint_ = g->endPoint_;
    type_ = g->type_;
  }
}

void GradientLayer::renderOwnContent(gfx::Context& context) const {
  cairo_t* cr = context.cairo();
  gfx::Rect b = bounds();
  if (!cr || colors_.empty() || b.size.width <= 0 || b.size.height <= 0) return;
  double w = b.size.width, h = b.size.height;
  cairo_pattern_t* pattern = nullptr;
  if (type_ == kCAGradientLayerRadial) {
    // A circle of radius 1 around the start, stretched to the ellipse through the end point.
    double rx = std::abs(endPoint_.x - startPoint_.x) * w, ry = std::abs(endPoint_.y - startPoint_.y) * h;
    if (rx <= 0) rx = ry;
    if (ry <= 0) ry = rx;
    if (rx <= 0) return;
    pattern = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, b.origin.x + startPoint_.x * w, b.origin.y + startPoint_.y * h);
    cairo_matrix_scale(&m, rx, ry);
    cairo_matrix_invert(&m);
    cairo_pattern_set_matrix(pattern, &m);
  } else {
    pattern = cairo_pattern_create_linear(b.origin.x + startPoint_.x * w, b.origin.y + startPoint_.y * h,
                                          b.origin.x + endPoint_.x * w, b.origin.y + endPoint_.y * h);
  }
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  size_t n = colors_.size();
  bool useLocations = locations_.size() == n;
  for (size_t i = 0; i < n; ++i) {
    if (!colors_[i]) continue;
    double at = useLocations ? locations_[i] : (n == 1 ? 0 : static_cast<double>(i) / static_cast<double>(n - 1));
    double v[4];
    colors_[i]->rgba(v);
    cairo_pattern_add_color_stop_rgba(pattern, std::clamp(at, 0.0, 1.0), v[0], v[1], v[2], v[3]);
  }
  cairo_save(cr);
  cairo_rectangle(cr, b.origin.x, b.origin.y, w, h);
  cairo_set_source(cr, pattern);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_pattern_destroy(pattern);
}

}  // namespace ui
