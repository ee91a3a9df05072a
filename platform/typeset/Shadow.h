#pragma once
// Text shadows: offset, blur radius and colour.
#include "platform/foundation/serialization/Coding.h"
#include "platform/graphics/Color.h"
#include "platform/typeset/Types.h"

namespace typeset {

class Shadow : public rt::Object, public fd::Coding {
  RT_CLASS_NAMED(Shadow, rt::Object, "NSShadow")
 public:
  static Ref<Shadow> create(gfx::Size offset = {}, double blurRadius = 0, Ref<gfx::Color> color = nullptr);

  gfx::Size shadowOffset() const { return offset_; }
  void setShadowOffset(gfx::Size v) { offset_ = v; }
  double shadowBlurRadius() const { return blur_; }
  void setShadowBlurRadius(double v) { blur_ = v < 0 ? 0 : v; }
  /// Null: black at a third opacity when drawn.
  const Ref<gfx::Color>& shadowColor() const { return color_; }
  void setShadowColor(Ref<gfx::Color> v) { color_ = std::move(v); }

  bool isEqual(const rt::Object* other) const override;
  size_t hash() const override { return static_cast<size_t>(blur_ * 16); }
  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  gfx::Size offset_;
  double blur_ = 0;
  Ref<gfx::Color> color_;
};

}  // namespace typeset
