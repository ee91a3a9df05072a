#pragma once
// Run loops: one per thread, made on demand. A loop runs in one mode at a time and serves the
// timers, sources, observers and queued blocks added for that mode (or for the common modes,
// a set that holds the default and tracking modes and can be extended). The main run loop also
// drains the main dispatch queue every turn.
//
// Time is the process clock's uptime (dispatch::uptime()). Under a virtual clock the main loop
// never sleeps for a finite time: it moves the clock to the next deadline instead (see
// RunLoopDriver for the test-side controls). Secondary loops wait in short real-time slices
// so that they notice the virtual clock moving.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foundation/time/Date.h"
#include "platform/foundation/Types.h"

namespace fd {

class Timer;
class RunLoopObserver;
class RunLoopSource;
class Thread;

inline constexpr const char* NSDefaultRunLoopMode = "kCFRunLoopDefaultMode";
inline constexpr const char* kCFRunLoopDefaultMode = NSDefaultRunLoopMode;
inline constexpr const char* NSRunLoopCommonModes = "kCFRunLoopCommonModes";
inline constexpr const char* kCFRunLoopCommonModes = NSRunLoopCommonModes;
inline constexpr const char* UITrackingRunLoopMode = "UITrackingRunLoopMode";

enum class RunLoopRunResult : int { Finished = 1, Stopped = 2, TimedOut = 3, HandledSource = 4 };

class RunLoop : public Object {
  RT_CLASS_NAMED(RunLoop, Object, "NSRunLoop")
 public:
  void init() {}

  /// The calling thread's run loop, made on first use.
  static Ref<RunLoop> currentRunLoop();
  static Ref<RunLoop> mainRunLoop();
  bool isMain() const { return main_; }
  /// The thread this loop belongs to (null once that thread has gone).
  Ref<Thread> thread() const { return thread_.lock(); }

  // Modes
  /// The mode of the innermost active run, or "" when the loop is not running.
  String currentMode() const;
  /// Adds `mode` to the common modes: everything added for the common modes serves it too.
  void addCommonMode(const String& mode);
  std::vector<String> commonModes() const;
  /// Switches the runs that take no explicit mode (`run`, `runUntilDate`, RunLoopDriver given
  /// no mode) into `mode` until the matching `popMode`; a run already under way re-enters in
  /// the new mode at its next turn. Pushes nest; a pop with nothing pushed is ignored.
  void pushMode(const String& mode);
  void popMode();
  /// The last pushed mode, or the default mode.
  String runMode() const;

  // Timers, observers, sources
  void addTimer(const Ref<Timer>& timer, const String& mode);
  bool containsTimer(const Ref<Timer>& timer, const String& mode) const;
  void addObserver(const Ref<RunLoopObserver>& observer, const String& mode);
  void removeObserver(const Ref<RunLoopObserver>& observer, const String& mode);
  void addSource(const Ref<RunLoopSource>& source, const String& mode);
  void removeSource(const Ref<RunLoopSource>& source, const String& mode);
  bool containsSource(const Ref<RunLoopSource>& source, const String& mode) const;
  /// A port is a source that never fires: it keeps the loop running in `mode`.
  template <class P> void addPort(const Ref<P>& port, const String& mode) { addSource(port, mode); }

  // Blocks
  /// Runs `block` on this loop's thread during a turn in one of `modes` (in queueing order).
  void performInModes(const std::vector<String>& modes, std::function<void()> block);
  /// The same in the common modes.
  void performBlock(std::function<void()> block);

  // Running (on this loop's thread)
  /// Runs in the default mode until stopped or until nothing is left to serve.
  void run();
  void runUntilDate(const Ref<Date>& limit);
  /// One run in `mode` that returns after the first source handled or at `limit`; false when
  /// the mode had nothing to serve.
  bool runModeBeforeDate(const String& mode, const Ref<Date>& limit);
  /// The core: runs in `mode` for at most `seconds` (infinity for no limit).
  RunLoopRunResult runInMode(const String& mode, double seconds, bool returnAfterSourceHandled);
  /// Makes the innermost run return; from another thread it wakes the loop first. A stop sent
  /// while the loop is not running makes its next run return at once.
  void stop();
  void wakeUp();
  /// Whether a thread sleeps until this loop is woken.
  bool isWaiting() const;
  /// A counter that moves on every wake-up; with `waitForWakeUp` a caller sleeps until the loop
  /// is woken after it read the counter, for at most `realSeconds` of real time.
  uint64_t wakeSequence() const;
  void waitForWakeUp(uint64_t seen, double realSeconds);

  // Pieces of a turn, for RunLoopDriver.
  /// Runs everything due in `mode` without waiting: queued blocks, sources, the main queue
  /// (on the main loop) and timers. Answers how many things ran.
  size_t serviceOnce(const String& mode, bool* handledSource = nullptr);
  /// Uptime of the earliest timer in `mode` (and delayed main-queue block on the main loop),
  /// or +infinity.
  double nextDeadline(const String& mode) const;
  /// Sends `activity` to the observers of `mode`.
  void notifyObservers(const String& mode, uint32_t activity);
  /// True when `mode` has sources or timers (always on the main loop).
  bool hasInputs(const String& mode) const;
  /// Drops every timer, observer, source and queued block (tests reuse the main loop).
  void removeAll();

  ~RunLoop() override;

 private:
  friend class Thread;
  template <class T> struct Entry {
    Ref<T> item;
    std::vector<String> modes;
  };
  struct Perform {
    std::vector<String> modes;
    std::function<void()> block;
  };

  static Ref<RunLoop> makeFor(const Ref<Thread>& thread, bool main);
  bool inMode(const std::vector<String>& modes, const String& mode) const;  // mutex_ held
  void waitUntil(double deadline, uint64_t seen);
  bool consumeStop();
  RunLoopRunResult runFollowingMode(double seconds);
  RunLoopRunResult runIn(const String& mode, double seconds, bool returnAfterSourceHandled, bool followsMode);

  bool main_ = false;
  Weak<Thread> thread_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::atomic<uint64_t> wakeSeq_{0};  // read without mutex_ while spinning
  std::atomic<int> sleepers_{0};      // threads in a wait on cv_, counted under mutex_
  double spin_ = 50e-6;  // seconds an idle turn looks for work first; used by the loop's thread
  bool stopRequested_ = false;
  std::vector<String> commonModes_;
  std::vector<String> modeStack_;
  std::vector<String> pushedModes_;
  std::vector<Entry<Timer>> timers_;
  std::vector<Entry<RunLoopObserver>> observers_;
  std::vector<Entry<RunLoopSource>> sources_;
  std::vector<Perform> performs_;
};

}  // namespace fd
