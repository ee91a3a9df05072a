#include "platform/ui/input/PinchGestureRecognizer.h"

#include <cmath>

#include "platform/dispatch/Clock.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(PinchGestureRecognizer) {
  c.property("scale", &PinchGestureRecognizer::scale, &PinchGestureRecognizer::setScale);
  c.property("velocity", &PinchGestureRecognizer::velocity);
}

using S = GestureRecognizerState;

double PinchGestureRecognizer::distance() const {
  const auto& t = trackedTouches();
  if (t.size() < 2) return 0;
  gfx::Point a = t[0]->windowLocation(), b = t[1]->windowLocation();
  return std::hypot(a.x - b.x, a.y - b.y);
}

void PinchGestureRecognizer::touchesBegan(const TouchSet&, Event*) {
  if (numberOfTouches() > 2) return failIfPossible();
  if (numberOfTouches() == 2) {
    startDistance_ = distance();
    base_ = startDistance_ / scale_;
    lastTime_ = dispatch::uptime();
  }
}

void PinchGestureRecognizer::touchesMoved(const TouchSet&, Event*) {
  if (numberOfTouches() != 2 || base_ <= 0) return;
  double d = distance();
  if (state() == S::Possible) {
    if (std::fabs(d - startDistance_) < kHysteresis) return;
    double now = dispatch::uptime();
    double s = d / base_;
    velocity_ = now > lastTime_ ? (s - scale_) / (now - lastTime_) : 0;
    scale_ = s;
    lastTime_ = now;
    return setState(S::Began);
  }
  double now = dispatch::uptime();
  double s = d / base_;
  if (now > lastTime_) velocity_ = (s - scale_) / (now - lastTime_);
  scale_ = s;
  lastTime_ = now;
  if (isActive()) setState(S::Changed);
}

void PinchGestureRecognizer::touchesEnded(const TouchSet&, Event*) {
  if (isActive()) setState(S::Ended);
  else failIfPossible();
}

void PinchGestureRecognizer::reset() {
  scale_ = 1;
  base_ = startDistance_ = velocity_ = 0;
  GestureRecognizer::reset();
}

}  // namespace ui
