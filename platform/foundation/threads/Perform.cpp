#include "platform/foundation/threads/Perform.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/threads/Timer.h"

namespace fd {

void PerformAction::operator()(const Id& target, const Id& argument) const {
  if (callable_) {
    callable_(argument);
    return;
  }
  if (!target || !selector_) return;
  std::vector<rt::Value> args;
  if (selector_.argumentCount() > 0) args.push_back(rt::Value::ofObject(argument));
  target->performSelector(selector_, args);  // a proxy forwards to what it stands for
}

std::vector<String> defaultPerformModes() { return {NSDefaultRunLoopMode}; }
std::vector<String> commonPerformModes() { return {NSRunLoopCommonModes}; }

namespace {

// Delayed requests are timers; this registry finds them again for cancelling.
struct Delayed {
  Weak<RunLoop> loop;
  Ref<Timer> timer;
  Id target;
  rt::Selector selector;
  Id argument;
};

struct Registry {
  std::mutex mutex;
  std::vector<Delayed> entries;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: timers may fire during teardown
  return *r;
}

void forget(const Timer* timer) {
  auto& r = registry();
  Delayed gone;
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = std::find_if(r.entries.begin(), r.entries.end(), [&](auto& d) { return d.timer.get() == timer; });
  if (it != r.entries.end()) {
    gone = std::move(*it);
    r.entries.erase(it);
  }
}

}  // namespace

void performAfterDelay(const Id& target, const PerformAction& action, const Id& argument, double delay,
                       const std::vector<String>& modes) {
  auto loop = RunLoop::currentRunLoop();
  auto timer = Timer::timerWithTimeInterval(delay, target, [action, argument](Timer& t) {
    Id held = t.target();
    forget(&t);
    action(held, argument);
  }, nullptr, false);
  std::vector<Delayed> stale;  // released after the lock: targets' destructors may perform
  {
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    // Requests whose timer was invalidated elsewhere (a loop cleared) are forgotten here.
    for (auto it = r.entries.begin(); it != r.entries.end();) {
      if (it->timer->isValid()) {
        ++it;
      } else {
        stale.push_back(std::move(*it));
        it = r.entries.erase(it);
      }
    }
    r.entries.push_back(Delayed{loop, timer, target, action.selector(), argument});
  }
  for (auto& m : modes) loop->addTimer(timer, m);
}

void performOnThread(const Id& target, const PerformAction& action, const Id& argument, const Ref<Thread>& thread,
                     bool wait, const std::vector<String>& modes) {
  if (!thread) return;
  if (wait && thread.get() == Thread::currentThread().get()) {
    action(target, argument);
    return;
  }
  if (!wait) {
    thread->runLoop()->performInModes(modes, [target, action, argument] { action(target, argument); });
    return;
  }
  struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::exception_ptr error;
  };
  auto done = std::make_shared<Done>();
  thread->runLoop()->performInModes(modes, [target, action, argument, done] {
    try {
      action(target, argument);
    } catch (...) {
      done->error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(done->mutex);
    done->done = true;
    done->cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(done->mutex);
  done->cv.wait(lock, [&] { return done->done; });
  if (done->error) std::rethrow_exception(done->error);
}

void performOnMainThread(const Id& target, const PerformAction& action, const Id& argument, bool wait,
                         const std::vector<String>& modes) {
  performOnThread(target, action, argument, Thread::mainThread(), wait, modes);
}

void performInBackground(const Id& target, const PerformAction& action, const Id& argument) {
  Thread::detachNewThread([target, action, argument] { action(target, argument); });
}

namespace {
void cancelMatching(const std::function<bool(const Delayed&)>& matches) {
  auto loop = RunLoop::currentRunLoop();
  std::vector<Delayed> cancelled;
  {
    auto& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (auto it = r.entries.begin(); it != r.entries.end();) {
      if (it->loop.lock() == loop && matches(*it)) {
        cancelled.push_back(std::move(*it));
        it = r.entries.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& d : cancelled) d.timer->invalidate();
}
}  // namespace

void cancelPreviousPerformRequestsWithTarget(const Id& target) {
  cancelMatching([&](const Delayed& d) { return d.target.get() == target.get(); });
}

void cancelPreviousPerformRequestsWithTarget(const Id& target, rt::Selector selector, const Id& argument) {
  cancelMatching([&](const Delayed& d) {
    return d.target.get() == target.get() && d.selector == selector && rt::equalObjects(d.argument.get(), argument.get());
  });
}

}  // namespace fd
