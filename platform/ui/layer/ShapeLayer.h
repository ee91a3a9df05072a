#pragma once
// A layer that paints a path: fill, stroke and the stroked fraction.
#include "platform/graphics/Path.h"
#include "platform/ui/layer/Layer.h"

namespace ui {

extern const rt::String kCALineCapButt, kCALineCapRound, kCALineCapSquare;
extern const rt::String kCALineJoinMiter, kCALineJoinRound, kCALineJoinBevel;
extern const rt::String kCAFillRuleNonZero, kCAFillRuleEvenOdd;

class ShapeLayer : public Layer {
  RT_CLASS_NAMED(ShapeLayer, Layer, "CAShapeLayer")
 public:
  void init();
  static Ref<ShapeLayer> layer() { return rt::make<ShapeLayer>(); }

  const Ref<gfx::Path>& path() const { return path_; }
  void setPath(Ref<gfx::Path> p);
  /// Opaque black unless set; null fills nothing.
  const Ref<gfx::Color>& fillColor() const { return fillColor_; }
  void setFillColor(Ref<gfx::Color> c);
  const Ref<gfx::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(Ref<gfx::Color> c);
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double w);
  rt::String lineCap() const { return lineCap_; }
  void setLineCap(rt::String c);
  rt::String lineJoin() const { return lineJoin_; }
  void setLineJoin(rt::String j);
  double miterLimit() const { return miterLimit_; }
  void setMiterLimit(double m);
  /// The stroked part of the path as fractions of its length.
  double strokeStart() const { return strokeStart_; }
  void setStrokeStart(double s);
  double strokeEnd() const { return strokeEnd_; }
  void setStrokeEnd(double e);
  rt::String fillRule() const { return fillRule_; }
  void setFillRule(rt::String r);

  void renderOwnContent(gfx::Context& context) const override;
  gfx::Rect ownDrawingExtent() const override;
  void copyStateFrom(const Layer& other) override;

 private:
  Ref<gfx::Path> path_;
  Ref<gfx::Color> fillColor_;
  Ref<gfx::Color> strokeColor_;
  double lineWidth_ = 1;
  rt::String lineCap_{"butt"};
  rt::String lineJoin_{"miter"};
  double miterLimit_ = 10;
  double strokeStart_ = 0;
  double strokeEnd_ = 1;
  rt::String fillRule_{"non-zero"};
};

}  // namespace ui
