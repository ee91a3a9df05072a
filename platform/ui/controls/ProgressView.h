#pragma once
// Progress views: a bar filled to a fraction.
#include "platform/graphics/Image.h"
#include "platform/ui/view/View.h"

namespace ui {

enum class ProgressViewStyle : int64_t { Default = 0, Bar = 1 };

class ProgressView : public View {
  RT_CLASS_NAMED(ProgressView, View, "UIProgressView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  void init(ProgressViewStyle style);

  ProgressViewStyle progressViewStyle() const { return style_; }
  double progress() const { return progress_; }
  /// Clamped to 0...1; animated changes slide the bar in a quarter second.
  void setProgress(double p, bool animated = false);
  Ref<gfx::Color> progressTintColor() const { return progressTint_; }
  void setProgressTintColor(Ref<gfx::Color> c);
  Ref<gfx::Color> trackTintColor() const { return trackTint_; }
  void setTrackTintColor(Ref<gfx::Color> c);
  Ref<gfx::Image> progressImage() const { return progressImage_; }
  void setProgressImage(Ref<gfx::Image> i) { progressImage_ = std::move(i); layoutBar(); }
  Ref<gfx::Image> trackImage() const { return trackImage_; }
  void setTrackImage(Ref<gfx::Image> i) { trackImage_ = std::move(i); setNeedsDisplay(); }
  /// The filled part, a subview so that its width can animate.
  const Ref<View>& bar() const { return bar_; }

  gfx::Size sizeThatFits(gfx::Size size) const override { return {size.width, kHeight}; }
  void layoutSubviews() override { layoutBar(); }
  void tintColorDidChange() override { layoutBar(); }

  static constexpr double kHeight = 2;

 private:
  void layoutBar();
  ProgressViewStyle style_ = ProgressViewStyle::Default;
  double progress_ = 0;
  Ref<gfx::Color> progressTint_, trackTint_;
  Ref<gfx::Image> progressImage_, trackImage_;
  Ref<View> bar_;
};

}  // namespace ui
