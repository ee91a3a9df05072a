#pragma once
// One thread that fires real-time deadlines (delayed blocks and timer sources off the main
// queue). What it runs should only hand work to a queue.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <queue>
#include <vector>

#include "platform/dispatch/Clock.h"
#include "platform/dispatch/Queue.h"

namespace dispatch {

class TimerThread {
 public:
  static TimerThread& shared();
  /// Runs `block` on the timer thread once realUptime() reaches `deadline`.
  void schedule(double deadline, Block block);

 private:
  struct Entry {
    double deadline;
    uint64_t order;
    Block block;
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      return a.deadline != b.deadline ? a.deadline > b.deadline : a.order > b.order;
    }
  };

  TimerThread();
  void run();

  std::mutex mutex_;
  std::condition_variable cv_;
  std::priority_queue<Entry, std::vector<Entry>, Later> entries_;
  uint64_t nextOrder_ = 0;
};

}  // namespace dispatch
