#include "platform/ui/lists/ScrollPhysics.h"

#include <algorithm>
#include <cmath>

namespace ui::scrollphysics {

namespace {
constexpr double kRubberBandCoefficient = 0.55;
}

double rubberBand(double overshoot, double dimension) {
  if (dimension <= 0) return 0;
  double x = std::fabs(overshoot);
  double r = (1.0 - 1.0 / (x * kRubberBandCoefficient / dimension + 1.0)) * dimension;
  return overshoot < 0 ? -r : r;
}

double rubberBandInverse(double shown, double dimension) {
  if (dimension <= 0) return 0;
  double r = std::min(std::fabs(shown), dimension * 0.999);
  double x = dimension / kRubberBandCoefficient * (1.0 / (1.0 - r / dimension) - 1.0);
  return shown < 0 ? -x : x;
}

double rubberBandOffset(double offset, double lo, double hi, double dimension) {
  hi = std::max(lo, hi);
  if (offset < lo) return lo + rubberBand(offset - lo, dimension);
  if (offset > hi) return hi + rubberBand(offset - hi, dimension);
  return offset;
}

double decelerationVelocity(double velocity, double rate, double ms) { return velocity * std::pow(rate, ms); }

double decelerationDistance(double velocity, double rate, double ms) {
  if (rate <= 0 || rate >= 1) return rate >= 1 ? velocity * ms / 1000.0 : 0;
  // The integral of v * rate^t over t in milliseconds.
  return velocity / 1000.0 * (std::pow(rate, ms) - 1.0) / std::log(rate);
}

double decelerationProjection(double velocity, double rate) {
  if (rate <= 0) return 0;
  if (rate >= 1) return velocity > 0 ? HUGE_VAL : (velocity < 0 ? -HUGE_VAL : 0);
  return -velocity / 1000.0 / std::log(rate);
}

double decelerationDuration(double velocity, double rate, double epsilon) {
  double total = std::fabs(decelerationProjection(velocity, rate));
  if (total <= epsilon || rate <= 0) return 0;
  if (rate >= 1) return HUGE_VAL;
  // remaining(t) = total * rate^t
  return std::log(epsilon / total) / std::log(rate);
}

SpringState bounceSpring(double x0, double v0, double t) {
  const double w = kBounceFrequency;
  double e = std::exp(-w * t);
  double b = v0 + w * x0;
  return {(x0 + b * t) * e, (b - w * (x0 + b * t)) * e};
}

double bounceDuration(double x0, double v0, double epsilon) {
  // Step forward until the displacement and the motion over the next instant stay small; the
  // envelope only shrinks once past its peak.
  const double step = 1.0 / 240.0;
  double t = 0;
  for (int i = 0; i < 240 * 10; ++i, t += step) {
    SpringState s = bounceSpring(x0, v0, t);
    if (std::fabs(s.displacement) < epsilon && std::fabs(s.velocity) < epsilon * kBounceFrequency) return t;
  }
  return t;
}

double pageTarget(double offset, double velocity, double startOffset, double pageSize, double lo, double hi) {
  hi = std::max(lo, hi);
  if (pageSize <= 0) return std::clamp(offset, lo, hi);
  double current = offset / pageSize;
  double page;
  if (velocity > kPageFlickVelocity) page = std::floor(current) + 1;
  else if (velocity < -kPageFlickVelocity) page = std::ceil(current) - 1;
  else page = std::round(current);
  double startPage = std::round(startOffset / pageSize);
  page = std::clamp(page, startPage - 1, startPage + 1);
  return std::clamp(page * pageSize, lo, hi);
}

double easeInOut(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t < 0.5 ? 4 * t * t * t : 1 - std::pow(-2 * t + 2, 3) / 2;
}

double easeOut(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return 1 - std::pow(1 - t, 3);
}

}  // namespace ui::scrollphysics
