#pragma once
// Pans: fingers dragged past a small threshold; translation and velocity are reported in any
// view's coordinates.
#include "platform/ui/input/GestureRecognizer.h"

namespace ui {

class PanGestureRecognizer : public GestureRecognizer {
  RT_CLASS_NAMED(PanGestureRecognizer, GestureRecognizer, "UIPanGestureRecognizer")
 public:
  using GestureRecognizer::init;
  int64_t minimumNumberOfTouches() const { return minTouches_; }
  void setMinimumNumberOfTouches(int64_t n) { minTouches_ = n < 1 ? 1 : n; }
  int64_t maximumNumberOfTouches() const { return maxTouches_; }
  void setMaximumNumberOfTouches(int64_t n) { maxTouches_ = n; }

  /// Movement since the pan began, in `view`'s coordinate directions (null: the window's).
  gfx::Point translationInView(const View* view) const;
  void setTranslation(gfx::Point translation, const View* view);
  /// Points per second, from the latest movement.
  gfx::Point velocityInView(const View* view) const;

  void touchesBegan(const TouchSet& touches, Event* event) override;
  void touchesMoved(const TouchSet& touches, Event* event) override;
  void touchesEnded(const TouchSet& touches, Event* event) override;
  void reset() override;

  /// Movement needed before a pan begins.
  static constexpr double kHysteresis = 10;

 private:
  gfx::Point windowVectorInView(gfx::Point v, const View* view) const;
  gfx::Point viewVectorInWindow(gfx::Point v, const View* view) const;
  void sample();
  int64_t minTouches_ = 1;
  int64_t maxTouches_ = INT64_MAX;
  gfx::Point start_;          // centroid where the finger(s) went down (window coordinates)
  gfx::Point origin_;         // centroid that translation is measured from
  gfx::Point lastPoint_;
  double lastTime_ = 0;
  gfx::Point velocity_;       // window coordinates per second
  size_t lastCount_ = 0;
};

}  // namespace ui
