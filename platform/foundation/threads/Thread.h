#pragma once
// Threads: named threads with an entry function, a per-thread dictionary and a run loop made
// on demand. Threads not started here (the main thread, dispatch workers) get a thread object
// the first time they ask for it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/foundation/Types.h"

namespace fd {

class Date;
class MutableDictionary;
class RunLoop;

/// Quality-of-service classes, with the platform's values.
enum class QualityOfService : int64_t {
  UserInteractive = 0x21,
  UserInitiated = 0x19,
  Utility = 0x11,
  Background = 0x09,
  Default = -1,
};

class Thread : public Object {
  RT_CLASS_NAMED(Thread, Object, "NSThread")
 public:
  void init() {}
  void init(std::function<void()> entry);
  static Ref<Thread> create(std::function<void()> entry);
  /// Calls the target's registered method `selector` with `argument` (or without one).
  static Ref<Thread> create(Id target, rt::Selector selector, Id argument);
  /// Starts a thread running `entry` at once.
  static void detachNewThread(std::function<void()> entry);

  static Ref<Thread> currentThread();
  static Ref<Thread> mainThread();
  static bool isMainThread();
  bool isMain() const { return main_; }

  /// Real sleeps, whatever the process clock.
  static void sleepForTimeInterval(double seconds);
  static void sleepUntilDate(const Ref<Date>& date);

  /// Starts the thread; raises when started twice.
  void start();
  /// The thread's body: runs the entry function. Subclasses may override.
  virtual void main();
  void cancel() { cancelled_.store(true); }
  bool isCancelled() const { return cancelled_.load(); }
  bool isExecuting() const { return executing_.load(); }
  bool isFinished() const { return finished_.load(); }

  String name() const;
  void setName(const String& name);
  QualityOfService qualityOfService() const { return qos_.load(); }
  void setQualityOfService(QualityOfService qos) { qos_.store(qos); }
  Ref<MutableDictionary> threadDictionary();
  /// This thread's run loop, made on first use.
  Ref<RunLoop> runLoop();

 private:
  void applyName();

  std::function<void()> entry_;
  std::atomic<bool> main_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> executing_{false};
  std::atomic<bool> finished_{false};
  std::atomic<QualityOfService> qos_{QualityOfService::Default};
  mutable std::mutex mutex_;
  String name_;
  Ref<MutableDictionary> dictionary_;
  Ref<RunLoop> runLoop_;
  bool onOwnThread_ = false;  // name_ applies to the running thread once set there
};

}  // namespace fd
