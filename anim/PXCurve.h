#pragma once
// The engine's numeric helpers: the timing-curve solver, component interpolation and the scalar
// blends the spring's bounciness conversions use.
#include <cstddef>
#include <utility>

namespace anim {

/// The y of the cubic Bezier from (0,0) to (1,1) with control points (p1x,p1y), (p2x,p2y) at x.
double easeWithControlPoints(double p1x, double p1y, double p2x, double p2y, double x, double epsilon);
void lerpComponents(size_t count, double* out, const double* from, const double* to, double f);
double fractionBetween(double v, double start, double end);
double valueAtFraction(double f, double start, double end);
double quadOutBlend(double f, double start, double end);
std::pair<double, double> quadraticRoots(double a, double b, double c);
double PXBouncy3NoBounce(double x);

}  // namespace anim
