#pragma once
// Groups: a count of outstanding work, with blocks to run and waiters to wake when it drops to
// zero.
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/Timeout.h"

namespace dispatch {

class Group : public std::enable_shared_from_this<Group> {
 public:
  static Ref<Group> create();

  void enter();
  /// Raises when it does not match an enter.
  void leave();
  /// Runs `block` on `queue` as part of the group.
  void async(const Ref<Queue>& queue, Block block);
  /// Runs `block` on `queue` once the group is empty (at once if it is empty now).
  void notify(const Ref<Queue>& queue, Block block);
  /// Waits up to `seconds` of real time for the group to empty; true when it did.
  bool wait(double seconds = kForever);

 private:
  Group() = default;

  std::mutex mutex_;
  std::condition_variable cv_;
  long count_ = 0;
  std::vector<std::pair<Ref<Queue>, Block>> notifications_;
};

}  // namespace dispatch
