#pragma once
// Sliders: a thumb on a track between a minimum and a maximum value; dragging the thumb
// changes the value and reports it.
#include <map>

#include "platform/graphics/Image.h"
#include "platform/ui/controls/Control.h"

namespace ui {

class Slider : public Control {
  RT_CLASS_NAMED(Slider, Control, "UISlider")
 public:
  double value() const { return value_; }
  /// Clamped to the range.
  void setValue(double v, bool animated = false);
  double minimumValue() const { return min_; }
  void setMinimumValue(double v);
  double maximumValue() const { return max_; }
  void setMaximumValue(double v);
  bool isContinuous() const { return continuous_; }
  void setContinuous(bool on) { continuous_ = on; }
  Ref<gfx::Color> minimumTrackTintColor() const { return minTint_; }
  void setMinimumTrackTintColor(Ref<gfx::Color> c) { minTint_ = std::move(c); setNeedsDisplay(); }
  Ref<gfx::Color> maximumTrackTintColor() const { return maxTint_; }
  void setMaximumTrackTintColor(Ref<gfx::Color> c) { maxTint_ = std::move(c); setNeedsDisplay(); }
  Ref<gfx::Color> thumbTintColor() const { return thumbTint_; }
  void setThumbTintColor(Ref<gfx::Color> c) { thumbTint_ = std::move(c); setNeedsDisplay(); }
  void setThumbImage(const Ref<gfx::Image>& image, uint64_t state);
  Ref<gfx::Image> thumbImageForState(uint64_t state) const;
  void setMinimumTrackImage(const Ref<gfx::Image>& image, uint64_t state);
  Ref<gfx::Image> minimumTrackImageForState(uint64_t state) const;
  void setMaximumTrackImage(const Ref<gfx::Image>& image, uint64_t state);
  Ref<gfx::Image> maximumTrackImageForState(uint64_t state) const;

  gfx::Rect trackRectForBounds(gfx::Rect bounds) const;
  gfx::Rect thumbRectForBounds(gfx::Rect bounds, gfx::Rect track, double value) const;
  gfx::Size sizeThatFits(gfx::Size size) const override;
  void drawRect(gfx::Rect rect) override;

  bool beginTrackingWithTouch(Touch& touch, Event* event) override;
  bool continueTrackingWithTouch(Touch& touch, Event* event) override;
  void endTrackingWithTouch(Touch* touch, Event* event) override;

  static constexpr double kThumbSize = 28;
  static constexpr double kTrackHeight = 2;

 private:
  static Ref<gfx::Image> pick(const std::map<uint64_t, Ref<gfx::Image>>& t, uint64_t state);
  gfx::Size thumbSize() const;
  void moveThumbTo(Touch& touch);
  double value_ = 0, min_ = 0, max_ = 1;
  bool continuous_ = true;
  double grabOffset_ = 0;
  Ref<gfx::Color> minTint_, maxTint_, thumbTint_;
  std::map<uint64_t, Ref<gfx::Image>> thumbs_, minTracks_, maxTracks_;
};

}  // namespace ui
