#include "platform/dispatch/Group.h"

#include "platform/dispatch/Blocking.h"
#include "platform/runtime/Exception.h"

namespace dispatch {

Ref<Group> Group::create() { return Ref<Group>(new Group); }

void Group::enter() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++count_;
}

void Group::leave() {
  std::vector<std::pair<Ref<Queue>, Block>> due;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == 0) rt::raise(rt::InternalInconsistencyException, "group left more often than entered");
    if (--count_ > 0) return;
    due.swap(notifications_);
    cv_.notify_all();
  }
  for (auto& [queue, block] : due) queue->async(std::move(block));
}

void Group::async(const Ref<Queue>& queue, Block block) {
  if (!queue || !block) rt::raise(rt::InvalidArgumentException, "group async needs a queue and a block");
  enter();
  queue->async([self = shared_from_this(), block = std::move(block)] {
    struct Leave {
      Group& g;
      ~Leave() { g.leave(); }
    } leave{*self};
    block();
  });
}

void Group::notify(const Ref<Queue>& queue, Block block) {
  if (!queue || !block) rt::raise(rt::InvalidArgumentException, "group notify needs a queue and a block");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ > 0) {
      notifications_.emplace_back(queue, std::move(block));
      return;
    }
  }
  queue->async(std::move(block));
}

bool Group::wait(double seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (count_ == 0) return true;
  lock.unlock();
  BlockingScope blocking;
  lock.lock();
  return waitFor(cv_, lock, seconds, [this] { return count_ == 0; });
}

}  // namespace dispatch
