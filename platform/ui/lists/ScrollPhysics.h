#pragma once
// The motion of a scroll view as pure functions of time: resistance past the edges, the
// exponential slow-down after a flick, the spring that pulls an overscrolled offset back and
// the page a paging scroll settles on. One axis at a time; offsets and velocities in points
// and points per second.

namespace ui::scrollphysics {

/// How far content follows a finger that pulled it `overshoot` past an edge, for a view
/// `dimension` points long: less and less, never more than `dimension`.
double rubberBand(double overshoot, double dimension);
/// The overshoot that `rubberBand` turns into `shown` (which must stay below `dimension`).
double rubberBandInverse(double shown, double dimension);
/// `offset` with the part beyond [lo, hi] rubber-banded.
double rubberBandOffset(double offset, double lo, double hi, double dimension);

/// Velocity `ms` milliseconds into a deceleration at `rate` (kept per millisecond).
double decelerationVelocity(double velocity, double rate, double ms);
/// Distance covered `ms` milliseconds into a deceleration.
double decelerationDistance(double velocity, double rate, double ms);
/// Distance covered by the time the motion dies out.
double decelerationProjection(double velocity, double rate);
/// Milliseconds until less than `epsilon` points of the motion remain.
double decelerationDuration(double velocity, double rate, double epsilon = 0.5);

/// Critically damped return towards 0 from `displacement` with `velocity`, `t` seconds on.
struct SpringState {
  double displacement;
  double velocity;
};
SpringState bounceSpring(double displacement, double velocity, double t);
/// Seconds until the spring stays within `epsilon` points of rest.
double bounceDuration(double displacement, double velocity, double epsilon = 0.5);
/// Stiffness of the spring (its natural frequency, per second).
inline constexpr double kBounceFrequency = 14;

/// Flicks faster than this (points per second) turn the page even when less than half moved.
inline constexpr double kPageFlickVelocity = 250;
/// The offset a paging scroll settles on: the nearest page, or the next one in the direction
/// of a flick, never more than one page from `startOffset` (where the drag began), kept
/// within [lo, hi].
double pageTarget(double offset, double velocity, double startOffset, double pageSize, double lo, double hi);

/// Ease in and out over [0, 1].
double easeInOut(double t);
/// Ease out over [0, 1].
double easeOut(double t);

}  // namespace ui::scrollphysics
