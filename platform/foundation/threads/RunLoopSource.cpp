#include "platform/foundation/threads/RunLoopSource.h"

#include <algorithm>

#include "platform/foundation/threads/RunLoop.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(RunLoopSource) {}
RT_IMPLEMENT_PLATFORM(Port) {}

void RunLoopSource::init(int64_t order, std::function<void()> handler) {
  order_ = order;
  handler_ = std::move(handler);
}

Ref<RunLoopSource> RunLoopSource::create(int64_t order, std::function<void()> handler) {
  return rt::make<RunLoopSource>(order, std::move(handler));
}

Ref<RunLoopSource> RunLoopSource::createPolled(int64_t order, double interval, std::function<bool()> poll) {
  auto s = rt::make<RunLoopSource>();
  s->order_ = order;
  s->poll_ = std::move(poll);
  s->pollInterval_ = interval > 0 ? interval : 0.001;
  return s;
}

void RunLoopSource::invalidate() {
  valid_.store(false);
  std::vector<Weak<RunLoop>> loops;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    loops.swap(loops_);
  }
  for (auto& w : loops)
    if (auto l = w.lock()) l->wakeUp();
}

void RunLoopSource::signal() {
  signalled_.store(true);
  std::vector<Weak<RunLoop>> loops;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    loops = loops_;
  }
  for (auto& w : loops)
    if (auto l = w.lock()) l->wakeUp();
}

bool RunLoopSource::perform() {
  if (!valid_.load()) return false;
  if (poll_) return poll_();
  if (!signalled_.exchange(false)) return false;
  if (handler_) handler_();
  return true;
}

void RunLoopSource::attach(const Ref<RunLoop>& loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& w : loops_)
    if (w.lock() == loop) return;
  loops_.push_back(loop);
}

void RunLoopSource::detach(const RunLoop* loop) {
  std::lock_guard<std::mutex> lock(mutex_);
  loops_.erase(std::remove_if(loops_.begin(), loops_.end(),
                              [&](auto& w) {
                                auto l = w.lock();
                                return !l || l.get() == loop;
                              }),
               loops_.end());
}

}  // namespace fd
