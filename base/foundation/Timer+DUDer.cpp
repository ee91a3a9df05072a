#include "base/foundation/Timer+DUDer.h"

namespace base {

Ref<fd::Timer> scheduledTimerWithTimeInterval(double seconds, DRTimerBlock block, bool repeats) {
  return fd::Timer::scheduledTimerWithTimeInterval(seconds, repeats, [block = std::move(block)](fd::Timer& t) {
    if (block) block(t);
  });
}

Ref<fd::Timer> timerWithTimeInterval(double seconds, DRTimerBlock block, bool repeats) {
  return fd::Timer::timerWithTimeInterval(seconds, repeats, [block = std::move(block)](fd::Timer& t) {
    if (block) block(t);
  });
}

}  // namespace base
