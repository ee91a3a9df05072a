#include "anim/PXCurve.h"

#include <cmath>

namespace anim {

double easeWithControlPoints(double p1x, double p1y, double p2x, double p2y, double x, double epsilon) {
  double cx = 3 * p1x, bx = 3 * (p2x - p1x) - cx, ax = 1 - cx - bx;
  double cy = 3 * p1y, by = 3 * (p2y - p1y) - cy, ay = 1 - cy - by;
  auto curveX = [&](double t) { return ((ax * t + bx) * t + cx) * t; };
  auto curveY = [&](double t) { return ((ay * t + by) * t + cy) * t; };
  auto solve = [&]() {
    double s = x;
    for (int i = 0; i < 8; ++i) {
      double e = curveX(s) - x;
      if (std::fabs(e) < epsilon) return s;
      double d = (3 * ax * s + 2 * bx) * s + cx;
      if (std::fabs(d) < 0.000001) break;
      s -= e / d;
    }
    if (x < 0) return 0.0;
    if (x > 1) return 1.0;
    double lo = 0, hi = 1;
    s = x;
    while (lo < hi) {
      double v = curveX(s);
      if (std::fabs(v - x) < epsilon) return s;
      if (v < x) lo = s;
      else hi = s;
      double next = lo + (hi - lo) * 0.5;
      if (next == s) break;  // no representable point left between the bounds
      s = next;
    }
    return s;
  };
  return curveY(solve());
}

void lerpComponents(size_t count, double* out, const double* from, const double* to, double f) {
  for (size_t i = 0; i < count; ++i) out[i] = from[i] + (to[i] - from[i]) * f;
}

double fractionBetween(double v, double start, double end) { return (v - start) / (end - start); }
double valueAtFraction(double f, double start, double end) { return start + (end - start) * f; }

double quadOutBlend(double f, double start, double end) {
  double g = 2 * f - f * f;
  return g * end + (1 - g) * start;
}

std::pair<double, double> quadraticRoots(double a, double b, double c) {
  double root = std::sqrt(b * b - 4 * a * c);
  return {(-b + root) / (2 * a), (-b - root) / (2 * a)};
}

double PXBouncy3NoBounce(double x) {
  if (x <= 18) return 0.0007 * x * x * x - 0.031 * x * x + 0.64 * x + 1.28;
  if (x <= 44) return 0.000044 * x * x * x - 0.006 * x * x + 0.36 * x + 2;
  return 0.00000045 * x * x * x - 0.000332 * x * x + 0.1078 * x + 5.84;
}

}  // namespace anim
