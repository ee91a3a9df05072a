#pragma once
// A timer driven by a timer source on the main queue (so the virtual clock drives it in tests),
// with a weak target and an action sent without argument. It stops itself after its one firing,
// at the first firing after its target is gone, on `invalidate` and when it is freed.
// `fire`, `invalidate` and the getters may be called from any thread, the timer's own action
// included: the action is sent without the timer's lock held.
#include <mutex>

#include "platform/dispatch/TimerSource.h"
#include "platform/runtime/Class.h"

namespace base {

class DRTimer : public rt::Object {
  RT_CLASS(DRTimer, rt::Object)
 public:
  /// Raises: the designated initializer must be used.
  void init();
  /// First firing `start` seconds from now, then every `interval` seconds when repeating.
  void init(double start, double interval, const rt::Id& target, rt::Selector selector, bool repeats);
  static Ref<DRTimer> timerWithTimeInterval(double interval, const rt::Id& target, rt::Selector selector, bool repeats);
  ~DRTimer() override;

  void fire();
  void invalidate();
  bool repeats() const;
  double timeInterval() const;
  bool isValid() const;

 private:
  mutable std::mutex lock_;
  bool valid_ = false;
  double timeInterval_ = 0;
  bool repeats_ = false;
  rt::Weak<rt::Object> target_;
  rt::Selector selector_;
  Ref<dispatch::TimerSource> source_;
};

}  // namespace base
