#pragma once
// Pinches: two fingers moving apart or together; the scale is the ratio of their distances.
#include "platform/ui/input/GestureRecognizer.h"

namespace ui {

class PinchGestureRecognizer : public GestureRecognizer {
  RT_CLASS_NAMED(PinchGestureRecognizer, GestureRecognizer, "UIPinchGestureRecognizer")
 public:
  using GestureRecognizer::init;
  double scale() const { return scale_; }
  void setScale(double s) { scale_ = s; base_ = distance() / (s == 0 ? 1 : s); }
  /// Scale per second, from the latest movement.
  double velocity() const { return velocity_; }

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void reset() override;

  /// Change in finger distance before a pinch begins.
  static constexpr double kHysteresis = 8;

 private:
  double distance() const;
  double scale_ = 1;
  double base_ = 0;
  double startDistance_ = 0;
  double velocity_ = 0;
  double lastTime_ = 0;
};

}  // namespace ui
