#pragma once
// Locks: a plain lock, a recursive lock, a condition, a spin lock, a read-write lock, and the
// per-object monitor behind synchronized sections.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>

#include "platform/runtime/String.h"

namespace rt {
class Object;
}

namespace fd {

/// A non-recursive mutual-exclusion lock, optionally named for debugging.
class Lock {
 public:
  Lock() = default;
  explicit Lock(rt::String name) : name_(std::move(name)) {}
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool tryLock() { return mutex_.try_lock(); }

  const rt::String& name() const { return name_; }
  void setName(rt::String name) { name_ = std::move(name); }

 private:
  std::mutex mutex_;
  rt::String name_;
};

/// A lock the owning thread may take again; each lock needs its unlock.
class RecursiveLock {
 public:
  RecursiveLock() = default;
  explicit RecursiveLock(rt::String name) : name_(std::move(name)) {}
  RecursiveLock(const RecursiveLock&) = delete;
  RecursiveLock& operator=(const RecursiveLock&) = delete;

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  bool tryLock() { return mutex_.try_lock(); }

  const rt::String& name() const { return name_; }
  void setName(rt::String name) { name_ = std::move(name); }

 private:
  std::recursive_mutex mutex_;
  rt::String name_;
};

/// A lock with a condition: wait while holding it; the lock is released while waiting and
/// held again on return. Waits may wake spuriously, so wait in a loop over the predicate.
class Condition {
 public:
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  void lock() { mutex_.lock(); }
  void unlock() { mutex_.unlock(); }
  void wait();
  /// Waits until `date` (seconds since 1970 on the process clock, converted to a real-time
  /// span); false when the time ran out.
  bool waitUntil(double date);
  void signal() { cv_.notify_one(); }
  void broadcast() { cv_.notify_all(); }

  const rt::String& name() const { return name_; }
  void setName(rt::String name) { name_ = std::move(name); }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  rt::String name_;
};

/// A short non-recursive lock that spins, then yields.
class SpinLock {
 public:
  void lock();
  void unlock() { held_.store(false, std::memory_order_release); }
  bool tryLock() { return !held_.load(std::memory_order_relaxed) && !held_.exchange(true, std::memory_order_acquire); }

 private:
  std::atomic<bool> held_{false};
};

/// Many readers or one writer.
class ReadWriteLock {
 public:
  void lockRead() { mutex_.lock_shared(); }
  bool tryLockRead() { return mutex_.try_lock_shared(); }
  void unlockRead() { mutex_.unlock_shared(); }
  void lockWrite() { mutex_.lock(); }
  bool tryLockWrite() { return mutex_.try_lock(); }
  void unlockWrite() { mutex_.unlock(); }

 private:
  std::shared_mutex mutex_;
};

/// Enters / leaves the monitor of `object`: a recursive lock keyed by the object's identity,
/// re-entrant on the owning thread. A null object is a no-op. Leaving a monitor the calling
/// thread does not hold raises.
void synchronizedEnter(const rt::Object* object);
void synchronizedExit(const rt::Object* object);

/// Holds the monitor of an object for a scope: `fd::Synchronized guard(obj);`.
class Synchronized {
 public:
  explicit Synchronized(const rt::Object* object) : object_(object) { synchronizedEnter(object_); }
  ~Synchronized() { synchronizedExit(object_); }
  Synchronized(const Synchronized&) = delete;
  Synchronized& operator=(const Synchronized&) = delete;

 private:
  const rt::Object* object_;
};

}  // namespace fd
