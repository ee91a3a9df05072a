#pragma once
// Timers that call a block with themselves, so that the block can invalidate its own timer.
// The block lives until the timer is invalidated.
#include <functional>

#include "platform/foundation/threads/Timer.h"

namespace base {

using DRTimerBlock = std::function<void(fd::Timer& timer)>;

/// Scheduled on the current run loop in the default mode.
Ref<fd::Timer> scheduledTimerWithTimeInterval(double seconds, DRTimerBlock block, bool repeats);
/// Not scheduled.
Ref<fd::Timer> timerWithTimeInterval(double seconds, DRTimerBlock block, bool repeats);

}  // namespace base
