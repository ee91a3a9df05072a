#pragma once
// Labels: read-only text, plain or attributed, wrapped to a number of lines and truncated,
// centred vertically in the bounds; text taller than the bounds draws past them unless the
// label clips.
#include <optional>
#include <utility>

#include "platform/typeset/AttributedString.h"
#include "platform/typeset/Font.h"
#include "platform/typeset/ParagraphStyle.h"
#include "platform/ui/view/View.h"

namespace ui {

enum class BaselineAdjustment : int64_t { AlignBaselines = 0, AlignCenters = 1, None = 2 };

class Label : public View {
  RT_CLASS_NAMED(Label, View, "UILabel")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  rt::String text() const;
  void setText(const rt::String& text);
  /// Set: the label shows it as given; plain text and attributes then mirror its first run.
  Ref<typeset::AttributedString> attributedText() const;
  void setAttributedText(const Ref<typeset::AttributedString>& text);
  Ref<typeset::Font> font() const { return font_; }
  void setFont(Ref<typeset::Font> font);
  Ref<gfx::Color> textColor() const { return textColor_; }
  void setTextColor(Ref<gfx::Color> color);
  Ref<gfx::Color> highlightedTextColor() const { return highlightedTextColor_; }
  void setHighlightedTextColor(Ref<gfx::Color> color) { highlightedTextColor_ = std::move(color); setNeedsDisplay(); }
  typeset::TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(typeset::TextAlignment a);
  typeset::LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(typeset::LineBreakMode m);
  /// 0 means as many as needed.
  int64_t numberOfLines() const { return numberOfLines_; }
  void setNumberOfLines(int64_t n);
  bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
  void setAdjustsFontSizeToFitWidth(bool on) { adjustsFontSize_ = on; setNeedsDisplay(); }
  double minimumScaleFactor() const { return minimumScaleFactor_; }
  void setMinimumScaleFactor(double f) { minimumScaleFactor_ = f; setNeedsDisplay(); }
  BaselineAdjustment baselineAdjustment() const { return baselineAdjustment_; }
  void setBaselineAdjustment(BaselineAdjustment b) { baselineAdjustment_ = b; }
  Ref<gfx::Color> shadowColor() const { return shadowColor_; }
  void setShadowColor(Ref<gfx::Color> c) { shadowColor_ = std::move(c); setNeedsDisplay(); }
  gfx::Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(gfx::Size s) { shadowOffset_ = s; setNeedsDisplay(); }
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool on);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on) { enabled_ = on; setNeedsDisplay(); }
  double preferredMaxLayoutWidth() const { return preferredMaxLayoutWidth_; }
  void setPreferredMaxLayoutWidth(double w) { preferredMaxLayoutWidth_ = w; }

  gfx::Size sizeThatFits(gfx::Size size) const override;
  gfx::Size intrinsicContentSize() const override;
  /// Where the text goes for `bounds` and a line limit: its used size, centred vertically.
  virtual gfx::Rect textRectForBounds(gfx::Rect bounds, int64_t numberOfLines) const;
  virtual void drawTextInRect(gfx::Rect rect);
  void drawRect(gfx::Rect rect) override;
  /// The text's box where it overflows the bounds.
  gfx::Rect drawingBoundsForLayer(Layer& layer) override;

 private:
  /// The text with the label's attributes filled in where the text has none.
  Ref<typeset::MutableAttributedString> styledText(double fontScale = 1) const;
  gfx::Size measure(double width, int64_t lines, double height = 1e7) const;
  double heightForLines(double height) const;
  void changed();

  rt::String text_;
  Ref<typeset::AttributedString> attributed_;
  Ref<typeset::Font> font_;
  Ref<gfx::Color> textColor_;
  Ref<gfx::Color> highlightedTextColor_;
  Ref<gfx::Color> shadowColor_;
  gfx::Size shadowOffset_{0, -1};
  typeset::TextAlignment alignment_ = typeset::TextAlignment::Natural;
  typeset::LineBreakMode lineBreakMode_ = typeset::LineBreakMode::ByTruncatingTail;
  int64_t numberOfLines_ = 1;
  bool adjustsFontSize_ = false;
  double minimumScaleFactor_ = 0;
  BaselineAdjustment baselineAdjustment_ = BaselineAdjustment::AlignBaselines;
  bool highlighted_ = false;
  bool enabled_ = true;
  double preferredMaxLayoutWidth_ = 0;
  std::optional<std::pair<gfx::Rect, gfx::Rect>> displayTextRect_;  // bounds and text rect of the display under way
};

}  // namespace ui
