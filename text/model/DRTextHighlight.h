#pragma once
// A tappable range and the attributes it shows while touched. Inside `attributes` the null
// object under a key removes that attribute while the range is highlighted.
#include <functional>

#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace typeset {
class AttributedString;
class Font;
}  // namespace typeset

namespace text {

class DRTextShadow;
class DRTextDecoration;
class DRTextBorder;
class DRTextAttachment;

/// Called with the view holding the text, the text, the highlighted range and its rectangle.
using DRTextHighlightActionBlock = std::function<void(const rt::Id& containerView,
                                                      const Ref<typeset::AttributedString>& text, rt::Range range,
                                                      gfx::Rect rect)>;

class DRTextHighlight : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextHighlight, rt::Object)
 public:
  static Ref<DRTextHighlight> highlightWithAttributes(const Ref<fd::Dictionary>& attributes);

  /// Always a private mutable dictionary (or null).
  const Ref<fd::MutableDictionary>& attributes() const { return attributes_; }
  /// Stores a mutable copy.
  void setAttributes(const Ref<fd::Dictionary>& attributes);
  const Ref<fd::Dictionary>& userInfo() const { return userInfo_; }
  void setUserInfo(const Ref<fd::Dictionary>& v);
  const DRTextHighlightActionBlock& tapAction() const { return tapAction_; }
  void setTapAction(DRTextHighlightActionBlock v) { tapAction_ = std::move(v); }
  const DRTextHighlightActionBlock& longPressAction() const { return longPressAction_; }
  void setLongPressAction(DRTextHighlightActionBlock v) { longPressAction_ = std::move(v); }

  // Convenience setters: a null argument stores the null object (removal while highlighted).
  void setFont(const Ref<typeset::Font>& font);
  void setColor(const Ref<gfx::Color>& color);
  void setStrokeWidth(const Ref<fd::Number>& width);
  void setStrokeColor(const Ref<gfx::Color>& color);
  void setTextAttribute(const rt::String& attribute, const rt::Id& value);
  void setShadow(const Ref<DRTextShadow>& shadow);
  void setInnerShadow(const Ref<DRTextShadow>& shadow);
  void setUnderline(const Ref<DRTextDecoration>& underline);
  void setStrikethrough(const Ref<DRTextDecoration>& strikethrough);
  void setBackgroundBorder(const Ref<DRTextBorder>& border);
  void setBorder(const Ref<DRTextBorder>& border);
  void setAttachment(const Ref<DRTextAttachment>& attachment);

  /// Carries the attributes and the user info; the actions stay with this highlight.
  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  void makeMutableAttributes();

  Ref<fd::MutableDictionary> attributes_;
  Ref<fd::Dictionary> userInfo_;
  DRTextHighlightActionBlock tapAction_;
  DRTextHighlightActionBlock longPressAction_;
};

}  // namespace text
