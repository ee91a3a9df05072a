#include "platform/foundation/threads/RunLoopDriver.h"

#include <algorithm>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/TimerThread.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/RunLoopObserver.h"

namespace fd {

namespace {
Ref<RunLoop> mainLoop() {
  if (!dispatch::isMainThread()) rt::raise(rt::InternalInconsistencyException, "the run-loop driver runs on the main thread only");
  return RunLoop::mainRunLoop();
}

// No mode given: whatever the main loop is switched to at this moment (tracking during a drag).
String modeOr(const String& mode) { return mode.isEmpty() ? mainLoop()->runMode() : mode; }

dispatch::VirtualClock& virtualClock() {
  auto* vc = dynamic_cast<dispatch::VirtualClock*>(&dispatch::clock());
  if (!vc) rt::raise(rt::InternalInconsistencyException, "advancing time needs a virtual clock");
  return *vc;
}
}  // namespace

std::shared_ptr<dispatch::VirtualClock> RunLoopDriver::useVirtualClock() {
  auto c = std::make_shared<dispatch::VirtualClock>();
  dispatch::setClock(c);
  return c;
}

void RunLoopDriver::reset() {
  mainLoop()->removeAll();
  dispatch::setClock(nullptr);
}

size_t RunLoopDriver::runOneTurn(const String& mode) {
  auto loop = mainLoop();
  String m = modeOr(mode);
  loop->notifyObservers(m, RunLoopEntry);
  loop->notifyObservers(m, RunLoopBeforeTimers);
  loop->notifyObservers(m, RunLoopBeforeSources);
  size_t ran = loop->serviceOnce(m);
  loop->notifyObservers(m, RunLoopBeforeWaiting);
  loop->notifyObservers(m, RunLoopAfterWaiting);
  loop->notifyObservers(m, RunLoopExit);
  return ran;
}

size_t RunLoopDriver::runUntilIdle(const String& mode, size_t maxTurns) {
  size_t turns = 0;
  while (turns < maxTurns) {
    ++turns;
    if (runOneTurn(mode) == 0) break;
  }
  return turns;
}

void RunLoopDriver::advance(double seconds, const String& mode) {
  auto loop = mainLoop();
  auto& vc = virtualClock();
  double target = dispatch::uptime() + std::max(0.0, seconds);
  runUntilIdle(mode);
  for (;;) {
    double next = loop->nextDeadline(modeOr(mode));
    if (next > target) break;
    double now = dispatch::uptime();
    if (next > now) vc.advance(next - now);
    runUntilIdle(mode);
  }
  double now = dispatch::uptime();
  if (target > now) vc.advance(target - now);
  runUntilIdle(mode);
}

bool RunLoopDriver::runUntil(const std::function<bool()>& done, double timeoutSeconds, const String& mode) {
  auto loop = mainLoop();
  double end = dispatch::realUptime() + timeoutSeconds;
  for (;;) {
    uint64_t seen = loop->wakeSequence();
    if (done()) return true;
    double left = end - dispatch::realUptime();
    if (left <= 0) return done();
    if (runOneTurn(mode) > 0) continue;
    // Idle: sleep until something is queued for the main thread; short slices also catch
    // conditions that workers satisfy without waking the loop.
    loop->waitForWakeUp(seen, std::min(left, 0.005));
  }
}

}  // namespace fd
