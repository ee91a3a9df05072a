#include "platform/foundation/threads/Lock.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <unordered_map>

#include "platform/dispatch/Blocking.h"
#include "platform/dispatch/Clock.h"
#include "platform/runtime/Exception.h"

namespace fd {

void Condition::wait() {
  dispatch::BlockingScope blocking;
  std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
  cv_.wait(held);
  held.release();
}

bool Condition::waitUntil(double date) {
  double seconds = date - dispatch::now();
  if (seconds <= 0) return false;
  dispatch::BlockingScope blocking;
  std::unique_lock<std::mutex> held(mutex_, std::adopt_lock);
  // Capped so the conversion stays finite; a wake after the cap reads as a spurious one.
  auto span = std::chrono::duration<double>(std::min(seconds, 1e9));
  bool timedOut = cv_.wait_for(held, std::chrono::duration_cast<std::chrono::steady_clock::duration>(span)) ==
                  std::cv_status::timeout;
  held.release();
  return !timedOut;
}

void SpinLock::lock() {
  for (int spins = 0; !tryLock(); ++spins) {
    if (spins >= 64) std::this_thread::yield();
  }
}

namespace {

// One monitor per object in use; it lives while some thread holds or waits for it.
struct Monitor {
  std::mutex mutex;
  std::condition_variable cv;
  std::thread::id owner;
  size_t depth = 0;
  size_t users = 0;  // guarded by the shard's mutex
};

struct MonitorShard {
  std::mutex mutex;
  std::unordered_map<const void*, Monitor*> monitors;
};

constexpr size_t kShards = 16;

MonitorShard& shardFor(const void* key) {
  static MonitorShard* shards = new MonitorShard[kShards];  // never destroyed: used until exit
  return shards[(reinterpret_cast<uintptr_t>(key) >> 4) % kShards];
}

}  // namespace

void synchronizedEnter(const rt::Object* object) {
  if (!object) return;
  MonitorShard& shard = shardFor(object);
  Monitor* monitor;
  {
    std::lock_guard<std::mutex> lock(shard.mutex);
    Monitor*& slot = shard.monitors[object];
    if (!slot) slot = new Monitor;
    monitor = slot;
    ++monitor->users;
  }
  auto me = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(monitor->mutex);
  if (monitor->owner != me && monitor->depth > 0) {
    lock.unlock();
    dispatch::BlockingScope blocking;
    lock.lock();
    monitor->cv.wait(lock, [&] { return monitor->depth == 0; });
  }
  monitor->owner = me;
  ++monitor->depth;
}

void synchronizedExit(const rt::Object* object) {
  if (!object) return;
  MonitorShard& shard = shardFor(object);
  std::lock_guard<std::mutex> shardLock(shard.mutex);
  auto it = shard.monitors.find(object);
  Monitor* monitor = it == shard.monitors.end() ? nullptr : it->second;
  {
    std::unique_lock<std::mutex> lock;
    if (monitor) lock = std::unique_lock<std::mutex>(monitor->mutex);
    if (!monitor || monitor->depth == 0 || monitor->owner != std::this_thread::get_id()) {
      if (lock.owns_lock()) lock.unlock();
      rt::raise(rt::InternalInconsistencyException, "leaving a synchronized section the thread does not hold");
    }
    if (--monitor->depth == 0) {
      monitor->owner = std::thread::id();
      monitor->cv.notify_one();
    }
  }
  if (--monitor->users == 0) {
    shard.monitors.erase(it);
    delete monitor;
  }
}

}  // namespace fd
