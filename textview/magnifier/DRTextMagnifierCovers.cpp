#include "textview/magnifier/DRTextMagnifierCovers.h"

#include <cmath>
#include <functional>

#include "platform/graphics/ImageContext.h"
#include "textview/magnifier/DRTextMagnifier.h"

namespace textview {

namespace {

using Shape = std::function<void(gfx::Context&)>;

// On the middle of a device pixel, where a one-pixel line is sharp.
double halfPixel(double v, double scale) { return (std::floor(v * scale) + 0.5) / scale; }

// A soft dark edge just inside the shape.
void innerShadow(gfx::Context& ctx, const Shape& shape) {
  ctx.saveGState();
  ctx.beginPath();
  shape(ctx);
  ctx.clip();
  ctx.setAlpha(0.16);
  ctx.beginTransparencyLayer();
  ctx.setShadowWithColor({0, 15}, 25, gfx::Color::colorWithWhite(0, 1));
  ctx.setBlendMode(gfx::BlendMode::SourceOut);
  ctx.setGrayFillColor(0, 1);
  ctx.beginPath();
  shape(ctx);
  ctx.fillPath();
  ctx.endTransparencyLayer();
  ctx.restoreGState();
}

// The body in light grey with a short drop shadow, kept outside the shape so the content
// beneath it shows.
void outerShadow(gfx::Context& ctx, gfx::Size size, const Shape& shape) {
  ctx.saveGState();
  ctx.beginPath();
  ctx.addRect({{0, 0}, size});
  shape(ctx);
  ctx.eoClip();
  ctx.setShadowWithColor({0, 1.5}, 3, gfx::Color::colorWithWhite(0, 0.32));
  ctx.beginTransparencyLayer();
  ctx.setGrayFillColor(0.7, 1);
  ctx.beginPath();
  shape(ctx);
  ctx.fillPath();
  ctx.endTransparencyLayer();
  ctx.restoreGState();
}

Ref<gfx::Image> draw(gfx::Size size, double scale, const std::function<void(gfx::Context&)>& body) {
  gfx::beginImageContextWithOptions(size, false, scale);
  if (auto ctx = gfx::currentContext()) body(*ctx);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

}  // namespace

Ref<gfx::Image> drawCaretMagnifierCover(double scale) {
  gfx::Size size = DRTextMagnifierCaret::kSize;
  return draw(size, scale, [&](gfx::Context& ctx) {
    gfx::Rect ring = gfx::RectMake(7, 7, 113, 113);
    Shape ellipse = [ring](gfx::Context& c) { c.addEllipseInRect(ring); };
    innerShadow(ctx, ellipse);
    outerShadow(ctx, size, ellipse);
    double x0 = halfPixel(gfx::RectGetMinX(ring), scale), y0 = halfPixel(gfx::RectGetMinY(ring), scale);
    double x1 = halfPixel(gfx::RectGetMaxX(ring), scale), y1 = halfPixel(gfx::RectGetMaxY(ring), scale);
    ctx.setGrayStrokeColor(0.6, 1);
    ctx.setLineWidth(1 / scale);
    ctx.beginPath();
    ctx.addEllipseInRect({{x0, y0}, {x1 - x0, y1 - y0}});
    ctx.strokePath();
  });
}

Ref<gfx::Image> drawRangedMagnifierCover(double scale) {
  gfx::Size size = DRTextMagnifierRanged::kSize;
  double p = rangedMagnifierPadding(scale);
  double w = size.width - p;
  Shape outline = [p, w](gfx::Context& c) {
    c.moveToPoint(p + 6, p);
    c.addLineToPoint(w - 6, p);
    c.addQuadCurveToPoint(w, p, w, p + 6);
    c.addLineToPoint(w, 32);
    c.addCurveToPoint(w, p + 32, w - 6, p + 32, w - 6, p + 32);
    c.addLineToPoint(84.5, p + 32);
    c.addLineToPoint(70.5, p + 46);
    c.addLineToPoint(56.5, p + 32);
    c.addLineToPoint(p + 6, p + 32);
    c.addQuadCurveToPoint(p, p + 32, p, 32);
    c.addLineToPoint(p, p + 6);
    c.addQuadCurveToPoint(p, p, p + 6, p);
    c.closePath();
  };
  double pointerTop = std::floor(p * scale) / scale + 32;
  return draw(size, scale, [&](gfx::Context& ctx) {
    innerShadow(ctx, outline);
    outerShadow(ctx, size, outline);
    ctx.setGrayFillColor(1, 0.95);
    ctx.beginPath();
    ctx.moveToPoint(56.5, pointerTop);
    ctx.addLineToPoint(84.5, pointerTop);
    ctx.addLineToPoint(70.5, p + 46);
    ctx.closePath();
    ctx.fillPath();
    ctx.setGrayStrokeColor(0.6, 1);
    ctx.setLineWidth(1 / scale);
    ctx.beginPath();
    outline(ctx);
    ctx.strokePath();
  });
}

}  // namespace textview
