#include "platform/ui/layer/ShapeLayer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace ui {

RT_IMPLEMENT_PLATFORM(ShapeLayer) {
  c.property("path", &ShapeLayer::path, &ShapeLayer::setPath);
  c.property("fillColor", &ShapeLayer::fillColor, &ShapeLayer::setFillColor);
  c.property("strokeColor", &ShapeLayer::strokeColor, &ShapeLayer::setStrokeColor);
  c.property("lineWidth", &ShapeLayer::lineWidth, &ShapeLayer::setLineWidth);
  c.property("lineCap", &ShapeLayer::lineCap, &ShapeLayer::setLineCap);
  c.property("lineJoin", &ShapeLayer::lineJoin, &ShapeLayer::setLineJoin);
  c.property("miterLimit", &ShapeLayer::miterLimit, &ShapeLayer::setMiterLimit);
  c.property("strokeStart", &ShapeLayer::strokeStart, &ShapeLayer::setStrokeStart);
  c.property("strokeEnd", &ShapeLayer::strokeEnd, &ShapeLayer::setStrokeEnd);
  c.property("fillRule", &ShapeLayer::fillRule, &ShapeLayer::setFillRule);
}

const rt::String kCALineCapButt("butt"), kCALineCapRound("round"), kCALineCapSquare("square");
const rt::String kCALineJoinMiter("miter"), kCALineJoinRound("round"), kCALineJoinBevel("bevel");
const rt::String kCAFillRuleNonZero("non-zero"), kCAFillRuleEvenOdd("even-odd");

void ShapeLayer::init() { fillColor_ = gfx::Color::blackColor(); }

void ShapeLayer::setPath(Ref<gfx::Path> p) { change("path", path_, std::move(p)); }
void ShapeLayer::setFillColor(Ref<gfx::Color> c) { change("fillColor", fillColor_, std::move(c)); }
void ShapeLayer::setStrokeColor(Ref<gfx::Color> c) { change("strokeColor", strokeColor_, std::move(c)); }
void ShapeLayer::setLineWidth(double w) { change("lineWidth", lineWidth_, w); }
void ShapeLayer::setLineCap(rt::String c) { change("lineCap", lineCap_, std::move(c)); }
void ShapeLayer::setLineJoin(rt::String j) { change("lineJoin", lineJoin_, std::move(j)); }
void ShapeLayer::setMiterLimit(double m) { change("miterLimit", miterLimit_, m); }
void ShapeLayer::setStrokeStart(double s) { change("strokeStart", strokeStart_, s); }
void ShapeLayer::setStrokeEnd(double e) { change("strokeEnd", strokeEnd_, e); }
void ShapeLayer::setFillRule(rt::String r) { change("fillRule", fillRule_, std::move(r)); }

void ShapeLayer::copyStateFrom(const Layer& other) {
  Layer::copyStateFrom(other);
  if (auto* s = dynamic_cast<const ShapeLayer*>(&other)) {
    path_ = s->path_;
    fillColor_ = s->fillColor_;
    strokeColor_ = s->strokeColor_;
    lineWidth_ = s->lineWidth_;
    lineCap_ = s->lineCap_;
    lineJoin_ = s->lineJoin_;
    miterLimit_ = s->miterLimit_;
    strokeStart_ = s->strokeStart_;
    strokeEnd_ = s->strokeEnd_;
    fillRule_ = s->fillRule_;
  }
}

namespace {

void setSource(cairo_t* cr, const gfx::Color& c) {
  double v[4];
  c.rgba(v);
  cairo_set_source_rgba(cr, v[0], v[1], v[2], v[3]);
}

// Appends the part of the flattened path between lengths `from` and `to`.
void appendPartial(cairo_t* cr, const gfx::Path& path, double start, double end) {
  std::vector<std::vector<gfx::Point>> lines;
  std::vector<bool> closed;
  path.flatten(&lines, &closed, 32);
  double total = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    auto& l = lines[i];
    if (closed[i] && !l.empty()) l.push_back(l.front());
    for (size_t k = 1; k < l.size(); ++k) total += std::hypot(l[k].x - l[k - 1].x, l[k].y - l[k - 1].y);
  }
  double from = start * total, to = end * total, at = 0;
  for (auto& l : lines) {
    bool drawing = false;
    for (size_t k = 1; k < l.size(); ++k) {
      gfx::Point a = l[k - 1], b = l[k];
      double len = std::hypot(b.x - a.x, b.y - a.y);
      double s0 = std::max(from, at), s1 = std::min(to, at + len);
      if (len > 0 && s1 > s0) {
        auto lerp = [&](double s) {
          double f = (s - at) / len;
          return gfx::Point{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
        };
        gfx::Point p0 = lerp(s0), p1 = lerp(s1);
        if (!drawing) cairo_move_to(cr, p0.x, p0.y);
        cairo_line_to(cr, p1.x, p1.y);
        drawing = true;
      } else {
        drawing = false;
      }
      at += len;
    }
  }
}

}  // namespace

gfx::Rect ShapeLayer::ownDrawingExtent() const {
  if (!path_ || path_->isEmpty()) return gfx::RectNull;
  // Miter joins may reach out by the limit times half the line width.
  double reach = strokeColor_ ? lineWidth_ / 2 * std::max(1.0, lineJoin_ == "miter" ? miterLimit_ : 1.0) : 0;
  return gfx::RectInset(path_->boundingBox(), -reach - 1, -reach - 1);
}

void ShapeLayer::renderOwnContent(gfx::Context& context) const {
  cairo_t* cr = context.cairo();
  if (!cr || !path_ || path_->isEmpty()) return;
  cairo_save(cr);
  cairo_new_path(cr);
  if (fillColor_) {
    path_->appendToCairo(cr);
    cairo_set_fill_rule(cr, fillRule_ == kCAFillRuleEvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setSource(cr, *fillColor_);
    cairo_fill(cr);
  }
  double s = std::clamp(strokeStart_, 0.0, 1.0), e = std::clamp(strokeEnd_, 0.0, 1.0);
  if (strokeColor_ && lineWidth_ > 0 && e > s) {
    if (s <= 0 && e >= 1) path_->appendToCairo(cr);
    else appendPartial(cr, *path_, s, e);
    cairo_set_line_width(cr, lineWidth_);
    cairo_set_line_cap(cr, lineCap_ == kCALineCapRound    ? CAIRO_LINE_CAP_ROUND
                           : lineCap_ == kCALineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                          : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, lineJoin_ == kCALineJoinRound   ? CAIRO_LINE_JOIN_ROUND
                            : lineJoin_ == kCALineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                            : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, miterLimit_);
    setSource(cr, *strokeColor_);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
  cairo_restore(cr);
}

}  // namespace ui
