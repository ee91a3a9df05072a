#include "platform/dispatch/TimerThread.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <thread>


namespace dispatch {

TimerThread& TimerThread::shared() {
  static TimerThread* timers = new TimerThread;  // never destroyed: its thread runs to exit
  return *timers;
}

TimerThread::TimerThread() {
  std::thread([this] { run(); }).detach();
}

void TimerThread::schedule(double deadline, Block block) {
  bool earliest;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    earliest = entries_.empty() || deadline < entries_.top().deadline;
    entries_.push(Entry{deadline, nextOrder_++, std::move(block)});
  }
  if (earliest) cv_.notify_one();
}

void TimerThread::run() {
  pthread_setname_np(pthread_self(), "dispatch-timers");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (entries_.empty()) {
      cv_.wait(lock);
      continue;
    }
    double wait = entries_.top().deadline - realUptime();
    if (wait > 0) {
      // Capped so that a far deadline never overflows the conversion; the loop re-checks.
      auto span = std::chrono::duration<double>(std::min(wait, 3600.0));
      cv_.wait_for(lock, std::chrono::duration_cast<std::chrono::steady_clock::duration>(span));
      continue;
    }
    // priority_queue::top is const; the entry is popped right after, so moving from it is safe.
    Block block = std::move(const_cast<Entry&>(entries_.top()).block);
    entries_.pop();
    lock.unlock();
    block();
    block = nullptr;
    lock.lock();
  }
}

}  // namespace dispatch
