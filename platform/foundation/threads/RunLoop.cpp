#include "platform/foundation/threads/RunLoop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/threads/RunLoopObserver.h"
#include "platform/foundation/threads/RunLoopSource.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/threads/Timer.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(RunLoop) {}

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// How long a loop sleeps at most while the virtual clock may move under it.
constexpr double kVirtualSlice = 0.002;
// How long an idle loop looks for new work before it sleeps: longer while work has been
// arriving within that time, since a wake-up from sleep costs more than the wait on this kind of
// machine; briefly otherwise, so that an idle loop wastes next to nothing.
constexpr double kShortSpin = 50e-6;
constexpr double kLongSpin = 250e-6;

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

template <class T> void eraseItem(std::vector<T>& v, const Object* item, const String& mode) {
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (it->item.get() != item) continue;
    auto m = std::find(it->modes.begin(), it->modes.end(), mode);
    if (m != it->modes.end()) it->modes.erase(m);
    if (it->modes.empty()) v.erase(it);
    return;
  }
}
}  // namespace

Ref<RunLoop> RunLoop::makeFor(const Ref<Thread>& thread, bool main) {
  auto loop = rt::make<RunLoop>();
  loop->main_ = main;
  loop->thread_ = thread;
  loop->commonModes_ = {NSDefaultRunLoopMode, UITrackingRunLoopMode};
  if (main) {
    RunLoop* raw = loop.get();  // the main loop lives as long as the main thread object: forever
    dispatch::setMainQueueWakeup([raw] { raw->wakeUp(); });
  }
  return loop;
}

RunLoop::~RunLoop() {
  for (auto& s : sources_) s.item->detach(this);
}

Ref<RunLoop> RunLoop::currentRunLoop() { return Thread::currentThread()->runLoop(); }
Ref<RunLoop> RunLoop::mainRunLoop() { return Thread::mainThread()->runLoop(); }

String RunLoop::currentMode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return modeStack_.empty() ? String() : modeStack_.back();
}

void RunLoop::pushMode(const String& mode) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pushedModes_.push_back(mode);
  }
  wakeUp();
}

void RunLoop::popMode() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pushedModes_.empty()) return;
    pushedModes_.pop_back();
  }
  wakeUp();
}

String RunLoop::runMode() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return pushedModes_.empty() ? String(NSDefaultRunLoopMode) : pushedModes_.back();
}

void RunLoop::addCommonMode(const String& mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (std::find(commonModes_.begin(), commonModes_.end(), mode) == commonModes_.end()) commonModes_.push_back(mode);
}

std::vector<String> RunLoop::commonModes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commonModes_;
}

bool RunLoop::inMode(const std::vector<String>& modes, const String& mode) const {
  for (auto& m : modes) {
    if (m == mode) return true;
    if (m == NSRunLoopCommonModes &&
        std::find(commonModes_.begin(), commonModes_.end(), mode) != commonModes_.end())
      return true;
  }
  return false;
}

namespace {
template <class E, class T> void addEntry(std::vector<E>& v, const Ref<T>& item, const String& mode) {
  for (auto& e : v) {
    if (e.item != item) continue;
    if (std::find(e.modes.begin(), e.modes.end(), mode) == e.modes.end()) e.modes.push_back(mode);
    return;
  }
  v.push_back(E{item, {mode}});
}
template <class E> bool hasEntry(const std::vector<E>& v, const Object* item, const String& mode) {
  for (auto& e : v)
    if (e.item.get() == item) return std::find(e.modes.begin(), e.modes.end(), mode) != e.modes.end();
  return false;
}
}  // namespace

void RunLoop::addTimer(const Ref<Timer>& timer, const String& mode) {
  if (!timer || !timer->isValid()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    addEntry(timers_, timer, mode);
  }
  timer->addedTo(std::static_pointer_cast<RunLoop>(shared_from_this()));
  wakeUp();
}

bool RunLoop::containsTimer(const Ref<Timer>& timer, const String& mode) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timer && timer->isValid() && hasEntry(timers_, timer.get(), mode);
}

void RunLoop::addObserver(const Ref<RunLoopObserver>& observer, const String& mode) {
  if (!observer || !observer->isValid()) return;
  std::lock_guard<std::mutex> lock(mutex_);
  addEntry(observers_, observer, mode);
}

void RunLoop::removeObserver(const Ref<RunLoopObserver>& observer, const String& mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  eraseItem(observers_, observer.get(), mode);
}

void RunLoop::addSource(const Ref<RunLoopSource>& source, const String& mode) {
  if (!source || !source->isValid()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    addEntry(sources_, source, mode);
  }
  source->attach(std::static_pointer_cast<RunLoop>(shared_from_this()));
  wakeUp();
}

void RunLoop::removeSource(const Ref<RunLoopSource>& source, const String& mode) {
  bool gone;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    eraseItem(sources_, source.get(), mode);
    gone = std::none_of(sources_.begin(), sources_.end(), [&](auto& e) { return e.item == source; });
  }
  if (gone && source) source->detach(this);
  wakeUp();
}

bool RunLoop::containsSource(const Ref<RunLoopSource>& source, const String& mode) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return source && hasEntry(sources_, source.get(), mode);
}

void RunLoop::performInModes(const std::vector<String>& modes, std::function<void()> block) {
  if (!block || modes.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    performs_.push_back(Perform{modes, std::move(block)});
  }
  wakeUp();
}

void RunLoop::performBlock(std::function<void()> block) { performInModes({NSRunLoopCommonModes}, std::move(block)); }

void RunLoop::wakeUp() {
  ++wakeSeq_;
  // A loop at work or spinning sees the new sequence by itself: only a sleeper needs the
  // signal, and taking the lock for nothing would contend with the loop serving its sources.
  if (sleepers_.load() == 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  cv_.notify_all();
}

void RunLoop::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopRequested_ = true;
  ++wakeSeq_;
  cv_.notify_all();
}

bool RunLoop::consumeStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  bool s = stopRequested_;
  stopRequested_ = false;
  return s;
}

bool RunLoop::isWaiting() const { return sleepers_.load() > 0; }

uint64_t RunLoop::wakeSequence() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return wakeSeq_;
}

void RunLoop::waitForWakeUp(uint64_t seen, double realSeconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  ++sleepers_;
  cv_.wait_for(lock, std::chrono::duration<double>(std::max(0.0, realSeconds)), [&] { return wakeSeq_ != seen; });
  --sleepers_;
}

bool RunLoop::hasInputs(const String& mode) const {
  if (main_) return true;  // the main queue is always an input of the main loop
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& s : sources_)
    if (s.item->isValid() && inMode(s.modes, mode)) return true;
  for (auto& t : timers_)
    if (t.item->isValid() && inMode(t.modes, mode)) return true;
  for (auto& p : performs_)
    if (inMode(p.modes, mode)) return true;
  return false;
}

void RunLoop::removeAll() {
  std::vector<Entry<Timer>> timers;
  std::vector<Entry<RunLoopSource>> sources;
  std::vector<Perform> performs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timers.swap(timers_);
    sources.swap(sources_);
    performs.swap(performs_);
    observers_.clear();
    pushedModes_.clear();
    stopRequested_ = false;
  }
  for (auto& s : sources) s.item->detach(this);
  // Dropped timers can never fire again: invalidating releases their targets now.
  for (auto& t : timers) t.item->invalidate();
}

void RunLoop::notifyObservers(const String& mode, uint32_t activity) {
  std::vector<Ref<RunLoopObserver>> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    observers_.erase(std::remove_if(observers_.begin(), observers_.end(), [](auto& e) { return !e.item->isValid(); }),
                     observers_.end());
    for (auto& e : observers_)
      if ((e.item->activities() & activity) && inMode(e.modes, mode)) due.push_back(e.item);
  }
  // Stable: equal orders keep the order in which they were added.
  std::stable_sort(due.begin(), due.end(), [](auto& a, auto& b) { return a->order() < b->order(); });
  for (auto& o : due) o->notify(activity);
}

double RunLoop::nextDeadline(const String& mode) const {
  double next = main_ ? dispatch::nextMainQueueDeadline() : kInfinity;
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& t : timers_)
    if (inMode(t.modes, mode)) next = std::min(next, t.item->fireUptime());
  return next;
}

size_t RunLoop::serviceOnce(const String& mode, bool* handledSource) {
  size_t ran = 0;
  // Blocks queued for this mode, in order; those queued while they run wait for the next turn.
  std::vector<std::function<void()>> blocks;
  std::vector<Ref<RunLoopSource>> sources;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = performs_.begin(); it != performs_.end();) {
      if (inMode(it->modes, mode)) {
        blocks.push_back(std::move(it->block));
        it = performs_.erase(it);
      } else {
        ++it;
      }
    }
    sources_.erase(std::remove_if(sources_.begin(), sources_.end(), [](auto& e) { return !e.item->isValid(); }),
                   sources_.end());
    for (auto& e : sources_)
      if (inMode(e.modes, mode) && (e.item->isSignalled() || e.item->isPolled())) sources.push_back(e.item);
  }
  for (auto& b : blocks) {
    b();
    ++ran;
  }
  std::stable_sort(sources.begin(), sources.end(), [](auto& a, auto& b) { return a->order() < b->order(); });
  bool handled = false;
  for (auto& s : sources) {
    if (s->perform()) {
      handled = true;
      ++ran;
    }
  }
  // Blocks from the main queue count as handled input, so that a caller waiting for one
  // result at a time returns as soon as it arrives rather than at its time-out.
  if (main_) {
    size_t drained = dispatch::drainMainQueue();
    ran += drained;
    handled = handled || drained > 0;
  }
  if (handledSource) *handledSource = handled;

  // Timers due now, earliest first; equal dates fire in the order the timers were made.
  std::vector<Ref<Timer>> due;
  double now = dispatch::uptime();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [](auto& e) { return !e.item->isValid(); }),
                  timers_.end());
    for (auto& e : timers_)
      if (inMode(e.modes, mode) && e.item->fireUptime() <= now) due.push_back(e.item);
  }
  std::sort(due.begin(), due.end(), [](auto& a, auto& b) {
    double fa = a->fireUptime(), fb = b->fireUptime();
    return fa != fb ? fa < fb : a->sequence() < b->sequence();
  });
  for (auto& t : due)
    if (t->fireIfDue(now)) ++ran;
  return ran;
}

void RunLoop::waitUntil(double deadline, uint64_t seen) {
  std::unique_lock<std::mutex> lock(mutex_);
  // A polled source (the window's event pump) needs asking regularly.
  for (auto& s : sources_)
    if (s.item->isPolled() && s.item->isValid()) deadline = std::min(deadline, dispatch::uptime() + s.item->pollInterval());
  if (wakeSeq_ != seen || stopRequested_) return;
  double now = dispatch::uptime();
  if (deadline <= now) return;
  bool virtualClock = dispatch::isVirtualClock();
  if (virtualClock && main_ && std::isfinite(deadline)) {
    // Nothing to wait for in real time: the main loop moves the virtual clock instead.
    lock.unlock();
    if (auto* vc = dynamic_cast<dispatch::VirtualClock*>(&dispatch::clock())) vc->advance(deadline - dispatch::uptime());
    return;
  }
  auto started = std::chrono::steady_clock::now();
  if (!virtualClock && deadline - now > spin_) {
    // Work often follows work within microseconds (a reply after a request, the next step of
    // a hand-off): look for it before paying a sleep and a wake-up.
    lock.unlock();
    auto until = started + std::chrono::duration<double>(spin_);
    for (;;) {
      for (int i = 0; i < 64; ++i) {
        if (wakeSeq_.load(std::memory_order_acquire) != seen) {
          spin_ = kLongSpin;
          return;
        }
        cpuRelax();
      }
      std::this_thread::yield();  // a thread with real work on this processor goes first
      if (std::chrono::steady_clock::now() >= until) break;
    }
    lock.lock();
    if (wakeSeq_ != seen || stopRequested_) return;
  }
  ++sleepers_;  // before the sequence is read again under the lock: wakeUp pairs with this
  auto woken = [&] { return wakeSeq_ != seen || stopRequested_; };
  if (!std::isfinite(deadline)) {
    cv_.wait(lock, woken);
  } else {
    double span = virtualClock ? kVirtualSlice : std::min(deadline - now, 3600.0);
    cv_.wait_for(lock, std::chrono::duration<double>(span), woken);
  }
  --sleepers_;
  if (!virtualClock)
    spin_ = std::chrono::steady_clock::now() - started < std::chrono::duration<double>(kLongSpin) ? kLongSpin : kShortSpin;
}

RunLoopRunResult RunLoop::runInMode(const String& mode, double seconds, bool returnAfterSourceHandled) {
  return runIn(mode, seconds, returnAfterSourceHandled, false);
}

RunLoopRunResult RunLoop::runIn(const String& mode, double seconds, bool returnAfterSourceHandled, bool followsMode) {
  if (!hasInputs(mode)) return RunLoopRunResult::Finished;
  double limit = seconds > 0 ? dispatch::uptime() + seconds : dispatch::uptime();
  if (std::isnan(limit)) limit = kInfinity;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    modeStack_.push_back(mode);
  }
  notifyObservers(mode, RunLoopEntry);
  RunLoopRunResult result;
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen = wakeSeq_;
    }
    notifyObservers(mode, RunLoopBeforeTimers);
    notifyObservers(mode, RunLoopBeforeSources);
    bool handled = false;
    serviceOnce(mode, &handled);
    if (consumeStop()) {
      result = RunLoopRunResult::Stopped;
      break;
    }
    if (handled && returnAfterSourceHandled) {
      result = RunLoopRunResult::HandledSource;
      break;
    }
    if (followsMode && !(runMode() == mode)) {
      // The caller re-enters in the mode now asked for.
      result = RunLoopRunResult::HandledSource;
      break;
    }
    if (dispatch::uptime() >= limit) {
      result = RunLoopRunResult::TimedOut;
      break;
    }
    if (!hasInputs(mode)) {
      result = RunLoopRunResult::Finished;
      break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (wakeSeq_ != seen) continue;  // more work arrived while serving: no sleep
    }
    notifyObservers(mode, RunLoopBeforeWaiting);
    waitUntil(std::min(limit, nextDeadline(mode)), seen);
    notifyObservers(mode, RunLoopAfterWaiting);
  }
  notifyObservers(mode, RunLoopExit);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    modeStack_.pop_back();
  }
  return result;
}

RunLoopRunResult RunLoop::runFollowingMode(double seconds) {
  return runIn(runMode(), seconds, false, true);
}

void RunLoop::run() {
  for (;;) {
    auto r = runFollowingMode(kInfinity);
    if (r == RunLoopRunResult::Stopped || r == RunLoopRunResult::Finished) return;
  }
}

namespace {
double secondsUntil(const Ref<Date>& limit) {
  if (!limit) return 0;
  double s = limit->timeIntervalSinceNow();
  // Far-off dates (the distant future) mean "no limit".
  return s > 1e9 ? kInfinity : s;
}
}  // namespace

void RunLoop::runUntilDate(const Ref<Date>& limit) {
  for (;;) {
    double s = secondsUntil(limit);
    if (s <= 0) return;
    auto r = runFollowingMode(s);
    if (r == RunLoopRunResult::Stopped || r == RunLoopRunResult::Finished || r == RunLoopRunResult::TimedOut) return;
  }
}

bool RunLoop::runModeBeforeDate(const String& mode, const Ref<Date>& limit) {
  if (!hasInputs(mode)) return false;
  runInMode(mode, std::max(0.0, secondsUntil(limit)), true);
  return true;
}

}  // namespace fd
