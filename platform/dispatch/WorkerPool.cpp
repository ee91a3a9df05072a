#include "platform/dispatch/WorkerPool.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/dispatch/Processors.h"

namespace dispatch {

namespace {

thread_local bool tWorker = false;
thread_local int tBlockDepth = 0;

constexpr auto kIdleExit = std::chrono::seconds(5);
// A worker out of work spins before sleeping, so that a steady stream of short blocks does not
// pay a sleep and a wake-up per block: longer while work keeps arriving within the longer spin,
// briefly otherwise. Only a few spin at once. Workers carry most hand-offs between the threads
// of a request chain, and a wake-up from a halted virtual processor can take a millisecond.
constexpr auto kShortSpin = std::chrono::microseconds(50);
constexpr auto kLongSpin = std::chrono::microseconds(1000);
thread_local std::chrono::microseconds tSpin = kShortSpin;
constexpr int kMaxSpinners = 2;

inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}
constexpr auto kStallCheck = std::chrono::milliseconds(50);

}  // namespace

WorkerPool& WorkerPool::shared() {
  static WorkerPool* pool = new WorkerPool;  // never destroyed: workers outlive static teardown
  return *pool;
}

WorkerPool::WorkerPool() : width_(activeProcessorCount()), cap_(std::max(64, activeProcessorCount() * 2)) {
  std::thread([this] { monitorMain(); }).detach();
}

int WorkerPool::threadCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return threads_;
}

bool WorkerPool::canGrow() const { return threads_ - blocked_ < width_ && threads_ < cap_; }

void WorkerPool::spawnWorker() {
  ++threads_;
  std::thread([this] { workerMain(); }).detach();
}

void WorkerPool::submit(Qos qos, Queue* queue, Block block) {
  bool wake = false;
  bool wakeMonitor = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    bands_[qosBand(qos)].push_back(Item{queue, std::move(block)});
    pendingHint_.store(++pending_, std::memory_order_release);
    bool workerAtHand = spinning_ > 0 || idle_ > 0;
    // A worker woken and not yet running takes this block too, or wakes another for it once it
    // runs: the submitter, often a thread with its own latency-bound loop, wakes at most one.
    if (spinning_ == 0 && wakeTokens_ == 0) wakeOneLocked(wake);
    // The monitor only matters when no worker can take the block now; waking it for every
    // burst of work would cost a thread switch each time.
    if (!workerAtHand) wakeMonitorLocked(wakeMonitor);
  }
  if (wake) workCv_.notify_one();
  if (wakeMonitor) monitorCv_.notify_one();
}

void WorkerPool::wakeMonitorLocked(bool& wake) {
  if (!monitorParked_) return;
  monitorParked_ = false;
  wake = true;
}

void WorkerPool::wakeOneLocked(bool& wake) {
  if (idle_ > 0) {
    --idle_;
    ++wakeTokens_;
    wake = true;
  } else if (canGrow()) {
    spawnWorker();
  }
}

bool WorkerPool::spinForWork() {
  auto until = std::chrono::steady_clock::now() + tSpin;
  for (;;) {
    for (int i = 0; i < 64; ++i) {
      if (pendingHint_.load(std::memory_order_acquire) > 0) return true;
      relax();
    }
    std::this_thread::yield();  // a thread with real work on this processor goes first
    if (std::chrono::steady_clock::now() >= until) return false;
  }
}

void WorkerPool::workerMain() {
  tWorker = true;
  pthread_setname_np(pthread_self(), "dispatch-worker");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (pending_ > 0) {
      Item item;
      for (int band = kBands - 1; band >= 0; --band) {
        if (!bands_[band].empty()) {
          item = std::move(bands_[band].front());
          bands_[band].pop_front();
          break;
        }
      }
      pendingHint_.store(--pending_, std::memory_order_release);
      // More work behind this one and nobody looking or on the way: bring in another worker.
      bool wake = false;
      bool wakeMonitor = false;
      if (pending_ > 0 && spinning_ == 0 && wakeTokens_ == 0) wakeOneLocked(wake);
      // No worker free for what is left (the pool is at its width): if this block then blocks
      // where the pool cannot see, only the monitor can add a worker, and a submit that found a
      // worker at hand left it parked.
      if (pending_ > 0 && !wake && spinning_ == 0 && idle_ == 0) wakeMonitorLocked(wakeMonitor);
      lock.unlock();
      if (wake) workCv_.notify_one();
      if (wakeMonitor) monitorCv_.notify_one();
      if (item.queue) {
        item.queue->runItem(item.block);
      } else {
        item.block();
      }
      item.block = nullptr;
      lock.lock();
      ++completed_;
      continue;
    }
    auto idleSince = std::chrono::steady_clock::now();
    if (spinning_ < kMaxSpinners) {
      ++spinning_;
      lock.unlock();
      bool found = spinForWork();
      lock.lock();
      --spinning_;
      if (pending_ > 0) {
        if (found) tSpin = kLongSpin;
        continue;
      }
    }
    ++idle_;
    bool woken = workCv_.wait_for(lock, kIdleExit, [this] { return wakeTokens_ > 0; });
    tSpin = woken && std::chrono::steady_clock::now() - idleSince < kLongSpin ? kLongSpin : kShortSpin;
    if (woken) {
      --wakeTokens_;  // the submitter already took us off the idle count
      continue;
    }
    --idle_;
    if (threads_ - blocked_ > width_) {
      --threads_;
      return;
    }
  }
}

void WorkerPool::monitorMain() {
  pthread_setname_np(pthread_self(), "dispatch-monitor");
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (pending_ == 0) {
      monitorParked_ = true;
      monitorCv_.wait(lock, [this] { return !monitorParked_; });
      continue;
    }
    uint64_t before = completed_;
    monitorCv_.wait_for(lock, kStallCheck);
    // Work is waiting, no worker is free and nothing finished: every worker is stuck in
    // something we cannot see (sleep, I/O, a foreign lock). Add one.
    if (pending_ > 0 && completed_ == before && idle_ == 0 && threads_ < cap_) spawnWorker();
  }
}

void WorkerPool::willBlock() {
  if (!tWorker || tBlockDepth++ > 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  ++blocked_;
  if (pending_ > 0 && idle_ == 0 && canGrow()) spawnWorker();
}

void WorkerPool::didUnblock() {
  if (!tWorker || --tBlockDepth > 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  --blocked_;
}

}  // namespace dispatch
