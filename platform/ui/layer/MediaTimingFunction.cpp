#include "platform/ui/layer/MediaTimingFunction.h"

#include <algorithm>
#include <cmath>

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaTimingFunction) { c.protocol("NSSecureCoding"); }

const rt::String kCAMediaTimingFunctionLinear("linear"), kCAMediaTimingFunctionEaseIn("easeIn"),
    kCAMediaTimingFunctionEaseOut("easeOut"), kCAMediaTimingFunctionEaseInEaseOut("easeInEaseOut"),
    kCAMediaTimingFunctionDefault("default");

void MediaTimingFunction::init(float c1x, float c1y, float c2x, float c2y) { c_ = {c1x, c1y, c2x, c2y}; }

Ref<MediaTimingFunction> MediaTimingFunction::functionWithControlPoints(float c1x, float c1y, float c2x, float c2y) {
  return rt::make<MediaTimingFunction>(c1x, c1y, c2x, c2y);
}

Ref<MediaTimingFunction> MediaTimingFunction::functionWithName(const rt::String& name) {
  static const struct {
    const char* name;
    float p[4];
  } table[] = {
      {"linear", {0, 0, 1, 1}},
      {"easeIn", {0.42f, 0, 1, 1}},
      {"easeOut", {0, 0, 0.58f, 1}},
      {"easeInEaseOut", {0.42f, 0, 0.58f, 1}},
      {"default", {0.25f, 0.1f, 0.25f, 1}},
  };
  for (auto& e : table)
    if (name == rt::String(e.name)) return functionWithControlPoints(e.p[0], e.p[1], e.p[2], e.p[3]);
  return nullptr;
}

void MediaTimingFunction::getControlPointAtIndex(size_t index, float values[2]) const {
  switch (index) {
    case 0: values[0] = 0; values[1] = 0; break;
    case 1: values[0] = c_[0]; values[1] = c_[1]; break;
    case 2: values[0] = c_[2]; values[1] = c_[3]; break;
    case 3: values[0] = 1; values[1] = 1; break;
    default: break;
  }
}

namespace {
double bezier(double t, double p1, double p2) {
  double u = 1 - t;
  return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}
double bezierSlope(double t, double p1, double p2) {
  double u = 1 - t;
  return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}
}  // namespace

Ref<MediaTimingFunction> MediaTimingFunction::springFunction(double dampingRatio, double initialVelocity) {
  auto f = rt::make<MediaTimingFunction>();
  f->spring_ = true;
  // An undamped spring never settles; a little damping keeps the motion inside the duration.
  f->damping_ = std::clamp(dampingRatio, 0.05, 1.0);
  f->velocity_ = initialVelocity;
  return f;
}

double MediaTimingFunction::springValue(double t) const {
  if (t >= 1) return 1;
  // Distance left to the target, y(0) = 1, y'(0) = -velocity; the natural frequency makes the
  // envelope fall to a thousandth at t = 1, so the motion is settled when the time is up.
  constexpr double kSettle = 6.907755;  // ln(1000)
  double y;
  if (damping_ >= 1) {
    double w = kSettle + 2.33;  // e^-wt (1 + wt) reaches 1/1000 near wt = 9.23
    y = std::exp(-w * t) * (1 + (w - velocity_) * t);
  } else {
    double w = kSettle / damping_;
    double wd = w * std::sqrt(1 - damping_ * damping_);
    y = std::exp(-damping_ * w * t) * (std::cos(wd * t) + (damping_ * w - velocity_) / wd * std::sin(wd * t));
  }
  return 1 - y;
}

double MediaTimingFunction::evaluate(double x) const {
  x = std::clamp(x, 0.0, 1.0);
  if (spring_) return springValue(x);
  if (c_[0] == c_[1] && c_[2] == c_[3]) return x;
  // Solve bezierX(t) = x: Newton steps, then bisection if they stall.
  double t = x;
  for (int i = 0; i < 8; ++i) {
    double err = bezier(t, c_[0], c_[2]) - x;
    if (std::fabs(err) < 1e-7) return bezier(t, c_[1], c_[3]);
    double d = bezierSlope(t, c_[0], c_[2]);
    if (std::fabs(d) < 1e-6) break;
    t = std::clamp(t - err / d, 0.0, 1.0);
  }
  double lo = 0, hi = 1;
  t = x;
  for (int i = 0; i < 60; ++i) {
    double v = bezier(t, c_[0], c_[2]);
    if (std::fabs(v - x) < 1e-9) break;
    (v < x ? lo : hi) = t;
    t = (lo + hi) / 2;
  }
  return bezier(t, c_[1], c_[3]);
}

bool MediaTimingFunction::isEqual(const rt::Object* other) const {
  auto* o = dynamic_cast<const MediaTimingFunction*>(other);
  return o && o->c_ == c_ && o->spring_ == spring_ && o->damping_ == damping_ && o->velocity_ == velocity_;
}

rt::String MediaTimingFunction::description() const {
  return rt::String::format("<CAMediaTimingFunction: (%g %g) (%g %g)>", c_[0], c_[1], c_[2], c_[3]);
}

}  // namespace ui
