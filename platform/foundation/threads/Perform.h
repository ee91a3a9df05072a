#pragma once
// Performing a method of an object later or elsewhere: after a delay on the current run loop,
// on a given thread's run loop, on the main thread, or on a new background thread; and
// cancelling the delayed requests still pending for a target.
//
// The action is a registered method of the target (a selector taking the argument, or no
// argument), or a callable that receives the argument. Target and argument are held until the
// request runs or is cancelled.
#include <functional>
#include <vector>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/Types.h"

namespace fd {

class Thread;

class PerformAction {
 public:
  using Callable = std::function<void(const Id& argument)>;
  PerformAction(rt::Selector selector) : selector_(selector) {}  // NOLINT: either form converts
  PerformAction(const char* selector) : selector_(rt::Selector::named(selector)) {}  // NOLINT
  template <class F>
    requires std::is_invocable_v<F, const Id&>
  PerformAction(F f) : callable_(std::move(f)) {}  // NOLINT
  void operator()(const Id& target, const Id& argument) const;
  rt::Selector selector() const { return selector_; }

 private:
  rt::Selector selector_;
  Callable callable_;
};

/// The modes performs use when none are given.
std::vector<String> defaultPerformModes();  // the default mode
std::vector<String> commonPerformModes();   // the common modes

/// Runs the action on the current thread's run loop after `delay` seconds, in `modes`.
void performAfterDelay(const Id& target, const PerformAction& action, const Id& argument, double delay,
                       const std::vector<String>& modes = defaultPerformModes());
/// Queues the action on `thread`'s run loop in `modes`; with `wait` the caller blocks until it
/// has run (at once when `thread` is the calling thread).
void performOnThread(const Id& target, const PerformAction& action, const Id& argument, const Ref<Thread>& thread,
                     bool wait, const std::vector<String>& modes = commonPerformModes());
void performOnMainThread(const Id& target, const PerformAction& action, const Id& argument, bool wait,
                         const std::vector<String>& modes = commonPerformModes());
/// Runs the action on a new thread.
void performInBackground(const Id& target, const PerformAction& action, const Id& argument);

/// Cancels the delayed performs for `target` pending on the current thread's run loop.
void cancelPreviousPerformRequestsWithTarget(const Id& target);
/// Only those with this selector and an equal argument (null matches null).
void cancelPreviousPerformRequestsWithTarget(const Id& target, rt::Selector selector, const Id& argument);

}  // namespace fd
