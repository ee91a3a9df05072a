#pragma once
// Switches: an on/off control; a tap flips it and reports the change.
#include "platform/ui/controls/Control.h"

namespace ui {

class Switch : public Control {
  RT_CLASS_NAMED(Switch, Control, "UISwitch")
 public:
  void init() { init(gfx::RectZero); }
  /// The size is always the switch's own.
  void init(gfx::Rect frame);
  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false);
  Ref<gfx::Color> onTintColor() const { return onTint_; }
  void setOnTintColor(Ref<gfx::Color> c) { onTint_ = std::move(c); setNeedsDisplay(); }
  Ref<gfx::Color> thumbTintColor() const { return thumbTint_; }
  void setThumbTintColor(Ref<gfx::Color> c) { thumbTint_ = std::move(c); setNeedsDisplay(); }

  void setFrame(gfx::Rect frame) override;
  gfx::Size sizeThatFits(gfx::Size size) const override { (void)size; return {kWidth, kHeight}; }
  void drawRect(gfx::Rect rect) override;
  void endTrackingWithTouch(Touch* touch, Event* event) override;

  static constexpr double kWidth = 51;
  static constexpr double kHeight = 31;

 private:
  bool on_ = false;
  Ref<gfx::Color> onTint_, thumbTint_;
};

}  // namespace ui
