#pragma once
// One text shadow; shadows chain through subShadow and are drawn head first.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Geometry.h"

namespace typeset {
class Shadow;
}

namespace text {

class DRTextShadow : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextShadow, rt::Object)
 public:
  static Ref<DRTextShadow> shadowWithColor(Ref<gfx::Color> color, gfx::Size offset, double radius);
  /// Null for a null shadow.
  static Ref<DRTextShadow> shadowWithNSShadow(const Ref<typeset::Shadow>& shadow);
  Ref<typeset::Shadow> nsShadow() const;

  /// No colour: this link of the chain is skipped.
  const Ref<gfx::Color>& color() const { return color_; }
  void setColor(Ref<gfx::Color> v) { color_ = std::move(v); }
  gfx::Size offset() const { return offset_; }
  void setOffset(gfx::Size v) { offset_ = v; }
  double radius() const { return radius_; }
  void setRadius(double v) { radius_ = v; }
  gfx::BlendMode blendMode() const { return blendMode_; }
  void setBlendMode(gfx::BlendMode v) { blendMode_ = v; }
  const Ref<DRTextShadow>& subShadow() const { return subShadow_; }
  void setSubShadow(Ref<DRTextShadow> v) { subShadow_ = std::move(v); }

  /// Copies the whole chain.
  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  Ref<gfx::Color> color_;
  gfx::Size offset_;
  double radius_ = 0;
  gfx::BlendMode blendMode_ = gfx::BlendMode::Normal;
  Ref<DRTextShadow> subShadow_;
};

}  // namespace text
