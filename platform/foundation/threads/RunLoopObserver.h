#pragma once
// Run-loop observers: callbacks at chosen points of a run loop's turn (entry, before timers,
// before sources, before waiting, after waiting, exit), ordered by `order` (lower first).
#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/foundation/Types.h"

namespace fd {

enum RunLoopActivity : uint32_t {
  RunLoopEntry = 1,
  RunLoopBeforeTimers = 2,
  RunLoopBeforeSources = 4,
  RunLoopBeforeWaiting = 32,
  RunLoopAfterWaiting = 64,
  RunLoopExit = 128,
  RunLoopAllActivities = 0x0FFFFFFF,
};

class RunLoopObserver : public Object {
  RT_CLASS_NAMED(RunLoopObserver, Object, "CFRunLoopObserver")
 public:
  using Callback = std::function<void(RunLoopObserver& observer, uint32_t activity)>;

  void init() {}
  void init(uint32_t activities, bool repeats, int64_t order, Callback callback);
  static Ref<RunLoopObserver> create(uint32_t activities, bool repeats, int64_t order, Callback callback);

  uint32_t activities() const { return activities_; }
  bool repeats() const { return repeats_; }
  int64_t order() const { return order_; }
  bool isValid() const { return valid_.load(); }
  /// Stops all further callbacks; the run loops drop the observer on their next turn.
  void invalidate() { valid_.store(false); }

  /// Calls the callback for `activity` when valid and interested; a one-shot observer is
  /// invalidated after its first call.
  void notify(uint32_t activity);

 private:
  uint32_t activities_ = 0;
  bool repeats_ = true;
  int64_t order_ = 0;
  Callback callback_;
  std::atomic<bool> valid_{true};
};

}  // namespace fd
