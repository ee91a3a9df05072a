#pragma once
// Run-loop input sources. A source keeps a run loop alive in the modes it is added to. A
// signalled source runs its handler on the loop's thread once after each `signal` (from any
// thread); a polled source (the window's event pump) is asked every turn and bounds how long
// the loop sleeps; a port never fires and only keeps a thread's loop running.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {

class RunLoop;

class RunLoopSource : public Object {
  RT_CLASS_NAMED(RunLoopSource, Object, "CFRunLoopSource")
 public:
  void init() {}
  void init(int64_t order, std::function<void()> handler);
  static Ref<RunLoopSource> create(int64_t order, std::function<void()> handler);
  /// `poll` runs every turn and answers whether it handled input; the loop never sleeps longer
  /// than `interval` seconds while the source is present.
  static Ref<RunLoopSource> createPolled(int64_t order, double interval, std::function<bool()> poll);

  int64_t order() const { return order_; }
  bool isValid() const { return valid_.load(); }
  void invalidate();
  /// Marks the source pending and wakes the run loops it is in. Thread-safe.
  void signal();
  bool isSignalled() const { return signalled_.load(); }
  bool isPolled() const { return static_cast<bool>(poll_); }
  double pollInterval() const { return pollInterval_; }

  /// Runs the handler when pending (or the poll); answers whether anything was handled.
  bool perform();

 private:
  friend class RunLoop;
  void attach(const Ref<RunLoop>& loop);
  void detach(const RunLoop* loop);

  int64_t order_ = 0;
  std::function<void()> handler_;
  std::function<bool()> poll_;
  double pollInterval_ = 0;
  std::atomic<bool> signalled_{false};
  std::atomic<bool> valid_{true};
  std::mutex mutex_;
  std::vector<Weak<RunLoop>> loops_;
};

/// A port: a source that never fires, used to keep a thread's run loop running.
class Port : public RunLoopSource {
  RT_CLASS_NAMED(Port, RunLoopSource, "NSPort")
 public:
  static Ref<Port> port() { return rt::make<Port>(); }
};

}  // namespace fd
