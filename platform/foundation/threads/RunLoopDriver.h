#pragma once
// Test-side controls for the main run loop on a virtual clock: move time forward firing
// everything that falls due on the way, run single turns, run until idle, or pump the loop
// until a condition holds while real threads deliver work through the main queue. Call on the
// main thread only. Given no mode they run in the main loop's RunLoop::runMode(), looked up
// afresh every turn.
#include <cstddef>
#include <functional>
#include <memory>

#include "platform/foundation/Types.h"

namespace dispatch {
class VirtualClock;
}

namespace fd {

class RunLoopDriver {
 public:
  /// Installs a fresh virtual clock as the process clock and answers it.
  static std::shared_ptr<dispatch::VirtualClock> useVirtualClock();
  /// Restores the system clock and clears the main loop's timers, observers, sources and
  /// queued blocks (tests share the main loop).
  static void reset();

  /// One turn of the main loop in `mode`: entry, before-timers, before-sources, queued blocks,
  /// sources, the main queue, due timers, before-waiting, after-waiting, exit. Never sleeps.
  /// Answers how many things ran.
  static size_t runOneTurn(const String& mode = String());
  /// Turns until one runs nothing (at most `maxTurns`); answers the number of turns.
  static size_t runUntilIdle(const String& mode = String(), size_t maxTurns = 10000);
  /// Moves the virtual clock forward by `seconds`, stopping at each timer and delayed main-queue
  /// block due on the way (in order) and running the loop there. Raises without a virtual clock.
  static void advance(double seconds, const String& mode = String());
  /// Pumps the main loop until `done` answers true or `timeoutSeconds` of real time pass;
  /// the virtual clock does not move. Answers `done()`.
  static bool runUntil(const std::function<bool()>& done, double timeoutSeconds, const String& mode = String());
};

}  // namespace fd
