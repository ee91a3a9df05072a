#pragma once
// A border and/or fill around a range.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"
#include "platform/graphics/Path.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextShadow.h"

namespace text {

class DRTextBorder : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextBorder, rt::Object)
 public:
  void init() { setLineStyle(DRTextLineKindSingle); }

  static Ref<DRTextBorder> borderWithLineStyle(DRTextLineKind lineStyle, double lineWidth, Ref<gfx::Color> strokeColor);
  /// A fill that reaches two points above and right of each rectangle.
  static Ref<DRTextBorder> borderWithFillColor(Ref<gfx::Color> fillColor, double cornerRadius);

  DRTextLineKind lineStyle() const { return lineStyle_; }
  void setLineStyle(DRTextLineKind v) { lineStyle_ = v; }
  double strokeWidth() const { return strokeWidth_; }
  void setStrokeWidth(double v) { strokeWidth_ = v; }
  const Ref<gfx::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(Ref<gfx::Color> v) { strokeColor_ = std::move(v); }
  gfx::LineJoin lineJoin() const { return lineJoin_; }
  void setLineJoin(gfx::LineJoin v) { lineJoin_ = v; }
  /// Applied to each rectangle of the range before drawing; negative values grow it.
  const gfx::EdgeInsets& insets() const { return insets_; }
  void setInsets(gfx::EdgeInsets v) { insets_ = v; }
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double v) { cornerRadius_ = v; }
  /// One shadow for the whole border; its sub-shadow is not drawn.
  const Ref<DRTextShadow>& shadow() const { return shadow_; }
  void setShadow(Ref<DRTextShadow> v) { shadow_ = std::move(v); }
  const Ref<gfx::Color>& fillColor() const { return fillColor_; }
  void setFillColor(Ref<gfx::Color> v) { fillColor_ = std::move(v); }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  DRTextLineKind lineStyle_ = DRTextLineKindNone;
  double strokeWidth_ = 0;
  Ref<gfx::Color> strokeColor_;
  gfx::LineJoin lineJoin_ = gfx::LineJoin::Miter;
  gfx::EdgeInsets insets_;
  double cornerRadius_ = 0;
  Ref<DRTextShadow> shadow_;
  Ref<gfx::Color> fillColor_;
};

}  // namespace text
