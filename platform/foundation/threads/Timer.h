#pragma once
// Timers fired by run loops. A timer with a target holds the target strongly until it is
// invalidated. A repeating timer keeps its phase: each next fire date is the previous one plus
// the interval, skipping the ones that were missed. Tolerance is kept but not used.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/Types.h"

namespace fd {

class RunLoop;

class Timer : public Object {
  RT_CLASS_NAMED(Timer, Object, "NSTimer")
 public:
  using Block = std::function<void(Timer& timer)>;

  void init() {}
  /// Fires first at `fireDate` (null: `interval` from now). `action` is called with the timer.
  void init(const Ref<Date>& fireDate, double interval, Id target, Block action, Id userInfo, bool repeats);

  // Block timers
  static Ref<Timer> timerWithTimeInterval(double interval, bool repeats, Block block);
  /// Made and added to the current run loop in the default mode.
  static Ref<Timer> scheduledTimerWithTimeInterval(double interval, bool repeats, Block block);

  // Target and action: `selector` is a registered method of the target taking the timer (or
  // nothing); a callable receives the timer and may reach the target through `target()`.
  static Ref<Timer> timerWithTimeInterval(double interval, Id target, rt::Selector selector, Id userInfo, bool repeats);
  static Ref<Timer> scheduledTimerWithTimeInterval(double interval, Id target, rt::Selector selector, Id userInfo,
                                                   bool repeats);
  static Ref<Timer> timerWithTimeInterval(double interval, Id target, Block action, Id userInfo, bool repeats);
  static Ref<Timer> scheduledTimerWithTimeInterval(double interval, Id target, Block action, Id userInfo, bool repeats);

  /// Runs the action now; a one-shot timer is then invalidated, a repeating one keeps its
  /// schedule. Does nothing on an invalid timer.
  void fire();
  /// Stops the timer for good and releases its target, action and user information.
  void invalidate();
  bool isValid() const;

  Ref<Date> fireDate() const;
  void setFireDate(const Ref<Date>& date);
  double timeInterval() const { return repeats_ ? interval_ : 0; }
  bool repeats() const { return repeats_; }
  double tolerance() const { return tolerance_; }
  void setTolerance(double t) { tolerance_ = t < 0 ? 0 : t; }
  Id userInfo() const;
  Id target() const;

  // For run loops.
  /// Next fire time on the process clock's uptime (+infinity when invalid).
  double fireUptime() const;
  uint64_t sequence() const { return seq_; }
  /// Fires when due at `now`: reschedules a repeating timer first, invalidates a one-shot one
  /// after its action. Answers whether it fired.
  bool fireIfDue(double now);
  /// Remembers a loop the timer was added to, to wake it when the fire date moves.
  void addedTo(const Ref<RunLoop>& loop);

 private:
  void callAction();

  mutable std::mutex mutex_;
  double fireUptime_ = 0;
  double interval_ = 0;
  double tolerance_ = 0;
  bool repeats_ = false;
  bool valid_ = true;
  Id target_;
  Block action_;
  Id userInfo_;
  uint64_t seq_ = 0;
  std::vector<Weak<RunLoop>> loops_;
};

}  // namespace fd
