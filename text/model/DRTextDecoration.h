#pragma once
// An underline or a strikethrough.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Color.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/DRTextShadow.h"

namespace text {

class DRTextDecoration : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextDecoration, rt::Object)
 public:
  static Ref<DRTextDecoration> decorationWithStyle(DRTextLineKind style);
  static Ref<DRTextDecoration> decorationWithStyle(DRTextLineKind style, Ref<fd::Number> width, Ref<gfx::Color> color);

  DRTextLineKind style() const { return style_; }
  void setStyle(DRTextLineKind v) { style_ = v; }
  /// Line width in points; null: the width the line's fonts give.
  const Ref<fd::Number>& width() const { return width_; }
  void setWidth(Ref<fd::Number> v) { width_ = std::move(v); }
  /// Null: the run's text colour, else black.
  const Ref<gfx::Color>& color() const { return color_; }
  void setColor(Ref<gfx::Color> v) { color_ = std::move(v); }
  const Ref<DRTextShadow>& shadow() const { return shadow_; }
  void setShadow(Ref<DRTextShadow> v) { shadow_ = std::move(v); }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  DRTextLineKind style_ = DRTextLineKindSingle;
  Ref<fd::Number> width_;
  Ref<gfx::Color> color_;
  Ref<DRTextShadow> shadow_;
};

}  // namespace text
