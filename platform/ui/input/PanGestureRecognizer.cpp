#include "platform/ui/input/PanGestureRecognizer.h"

#include <cmath>

#include "platform/dispatch/Clock.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(PanGestureRecognizer) {
  c.property("minimumNumberOfTouches", &PanGestureRecognizer::minimumNumberOfTouches,
             &PanGestureRecognizer::setMinimumNumberOfTouches);
  c.property("maximumNumberOfTouches", &PanGestureRecognizer::maximumNumberOfTouches,
             &PanGestureRecognizer::setMaximumNumberOfTouches);
}

using S = GestureRecognizerState;

// Vectors convert without translation: the difference of two converted points.
gfx::Point PanGestureRecognizer::windowVectorInView(gfx::Point v, const View* view) const {
  if (!view) return v;
  auto w = view->window();
  gfx::Point a = view->convertPointFromView({0, 0}, w.get());
  gfx::Point b = view->convertPointFromView(v, w.get());
  return {b.x - a.x, b.y - a.y};
}

gfx::Point PanGestureRecognizer::viewVectorInWindow(gfx::Point v, const View* view) const {
  if (!view) return v;
  auto w = view->window();
  gfx::Point a = view->convertPointToView({0, 0}, w.get());
  gfx::Point b = view->convertPointToView(v, w.get());
  return {b.x - a.x, b.y - a.y};
}

gfx::Point PanGestureRecognizer::translationInView(const View* view) const {
  gfx::Point c = centroid();
  return windowVectorInView({c.x - origin_.x, c.y - origin_.y}, view);
}

void PanGestureRecognizer::setTranslation(gfx::Point translation, const View* view) {
  gfx::Point t = viewVectorInWindow(translation, view);
  gfx::Point c = centroid();
  origin_ = {c.x - t.x, c.y - t.y};
}

gfx::Point PanGestureRecognizer::velocityInView(const View* view) const { return windowVectorInView(velocity_, view); }

void PanGestureRecognizer::sample() {
  double now = dispatch::uptime();
  gfx::Point p = centroid();
  double dt = now - lastTime_;
  if (dt > 0 && numberOfTouches() == lastCount_) velocity_ = {(p.x - lastPoint_.x) / dt, (p.y - lastPoint_.y) / dt};
  lastPoint_ = p;
  lastTime_ = now;
  lastCount_ = numberOfTouches();
}

void PanGestureRecognizer::touchesBegan(const TouchSet&, Event*) {
  if (numberOfTouches() > size_t(maxTouches_)) {
    if (isActive()) setState(S::Ended);
    else failIfPossible();
    return;
  }
  // A finger joining keeps the translation continuous.
  gfx::Point t = {lastPoint_.x - origin_.x, lastPoint_.y - origin_.y};
  gfx::Point c = centroid();
  if (state() == S::Possible && lastCount_ == 0) {
    start_ = origin_ = c;
  } else {
    origin_ = {c.x - t.x, c.y - t.y};
  }
  lastPoint_ = c;
  lastTime_ = dispatch::uptime();
  lastCount_ = numberOfTouches();
}

void PanGestureRecognizer::touchesMoved(const TouchSet&, Event*) {
  sample();
  if (state() == S::Possible) {
    if (numberOfTouches() < size_t(minTouches_)) return;
    gfx::Point c = centroid();
    if (std::hypot(c.x - start_.x, c.y - start_.y) < kHysteresis) return;
    origin_ = start_;
    setState(S::Began);
  } else if (isActive()) {
    setState(S::Changed);
  }
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches, Event*) {
  if (numberOfTouches() > touches.count()) {
    // Some fingers remain: keep the translation continuous for the remaining centroid.
    return;
  }
  // A finger that rests before lifting has no speed left.
  if (dispatch::uptime() - lastTime_ > 0.1) velocity_ = {};
  if (isActive()) setState(S::Ended);
  else failIfPossible();
}

void PanGestureRecognizer::reset() {
  velocity_ = {};
  lastCount_ = 0;
  origin_ = start_ = lastPoint_ = {};
  GestureRecognizer::reset();
}

}  // namespace ui
