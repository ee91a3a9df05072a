#pragma once
// The process clock: wall time and monotonic uptime, real or virtual. Everything that asks
// "what time is it" or "how long until" goes through here, so that tests can install a
// virtual clock and move time forward instantly.
#include <atomic>
#include <memory>

namespace dispatch {

class Clock {
 public:
  virtual ~Clock();
  /// Wall time, in seconds since 1970-01-01 00:00 UTC.
  virtual double now() const = 0;
  /// Monotonic seconds since an arbitrary origin; never goes backwards.
  virtual double uptime() const = 0;
};

/// The machine's clocks (realtime and monotonic).
class SystemClock : public Clock {
 public:
  double now() const override;
  double uptime() const override;
};

/// A clock that only moves when told to. Wall time and uptime advance together.
class VirtualClock : public Clock {
 public:
  /// Starts at the real wall time of construction and an uptime of 1000 s.
  VirtualClock();
  VirtualClock(double wallStart, double uptimeStart);
  double now() const override;
  double uptime() const override;
  /// Moves both readings forward by `seconds` (negative values are ignored).
  void advance(double seconds);
  /// Sets the wall time; uptime advances by the same amount when moving forward.
  void setNow(double wall);

 private:
  std::atomic<double> wall_;
  std::atomic<double> uptime_;
};

/// A deadline within this many seconds of the clock counts as reached, so that rounding in sums
/// of steps (0.1 + 0.1 + 0.1 against 0.3) never holds back what is due.
inline constexpr double kDeadlineSlack = 1e-7;

/// The process-wide clock (a SystemClock until another is installed).
Clock& clock();
/// Installs `c` as the process clock; null restores the system clock. Clocks once installed
/// stay alive until exit, so a reference from `clock()` never dangles across a swap.
void setClock(std::shared_ptr<Clock> c);
double now();
double uptime();
bool isVirtualClock();
/// Monotonic real seconds, whatever the process clock is: for waits on real threads.
double realUptime();

}  // namespace dispatch
