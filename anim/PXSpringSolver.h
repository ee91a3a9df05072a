#pragma once
// A damped spring integrated with fourth-order Runge-Kutta in fixed one-millisecond steps, so
// that the motion does not depend on the frame rate. It works on the displacement from the
// target: position (target - value) and velocity (-value velocity).
#include "anim/PXVector.h"

namespace anim {

template <class V> class SpringSolver {
 public:
  /// One millisecond, as single precision holds it.
  static constexpr double kStep = 0.0010000000474974513;

  SpringSolver(double k, double b, double m) : k_(k), b_(b), m_(m) {}
  void setConstants(double k, double b, double m) { k_ = k, b_ = b, m_ = m; }
  void setThreshold(double t) {
    positionThreshold_ = 0.5 * t;
    velocityThreshold_ = 25 * t;
    accelerationThreshold_ = t * (t * 625);
  }
  double tension() const { return k_; }
  double friction() const { return b_; }
  double mass() const { return m_; }
  bool started() const { return started_; }
  double accumulatedTime() const { return accumulated_; }

  /// Advances (x, v) by `dt` seconds; time below one step is kept for the next call.
  void advance(V& x, V& v, double t, double dt) {
    (void)t;
    started_ = true;
    if (dt > 30) {
      state_ = {};
      lastAcceleration_ = V{};
      return;
    }
    accumulated_ += dt;
    State current{x, v}, previous = current;
    while (accumulated_ >= kStep) {
      previous = current;
      integrate(current, kStep);
      accumulated_ -= kStep;
    }
    double alpha = accumulated_ / kStep;
    x = current.x * alpha + previous.x * (1 - alpha);
    v = current.v * alpha + previous.v * (1 - alpha);
    state_ = {x, v};
  }

  bool hasConverged() const {
    if (!started_) return false;
    for (int i = 0; i < 4; ++i)
      if (!(std::fabs(state_.x[i]) < positionThreshold_)) return false;
    return state_.v.squaredNorm() < velocityThreshold_ && lastAcceleration_.squaredNorm() < accelerationThreshold_;
  }

  void reset() {
    accumulated_ = 0;
    state_ = {};
    lastAcceleration_ = V{};
    started_ = false;
  }

 private:
  struct State {
    V x{}, v{};
  };
  V acceleration(const V& x, const V& v) const { return x * (-k_ / m_) - v * (b_ / m_); }
  void integrate(State& s, double h) {
    V d1x = s.v, d1v = acceleration(s.x, s.v);
    V x2 = s.x + d1x * (h / 2), v2 = s.v + d1v * (h / 2);
    V d2x = v2, d2v = acceleration(x2, v2);
    V x3 = s.x + d2x * (h / 2), v3 = s.v + d2v * (h / 2);
    V d3x = v3, d3v = acceleration(x3, v3);
    V x4 = s.x + d3x * h, v4 = s.v + d3v * h;
    V d4x = v4, d4v = acceleration(x4, v4);
    V dx = (d1x + (d2x + d3x) * 2 + d4x) * 0.16666666666666666;
    V dv = (d1v + (d2v + d3v) * 2 + d4v) * 0.16666666666666666;
    s.x = s.x + dx * h;
    s.v = s.v + dv * h;
    lastAcceleration_ = dv;
  }

  double k_, b_, m_;
  double positionThreshold_ = 0.5, velocityThreshold_ = 25, accelerationThreshold_ = 625;
  double accumulated_ = 0;
  State state_;
  V lastAcceleration_{};
  bool started_ = false;
};

}  // namespace anim
