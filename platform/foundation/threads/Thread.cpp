#include "platform/foundation/threads/Thread.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/time/Date.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/threads/RunLoop.h"

namespace fd {

RT_IMPLEMENT_PLATFORM(Thread) {
  c.property("name", &Thread::name, &Thread::setName);
  c.property("isMainThread", &Thread::isMain);
  c.property("isExecuting", &Thread::isExecuting);
  c.property("isFinished", &Thread::isFinished);
  c.property("isCancelled", &Thread::isCancelled);
}

namespace {
thread_local Ref<Thread> tlsCurrent;
}  // namespace

void Thread::init(std::function<void()> entry) { entry_ = std::move(entry); }

Ref<Thread> Thread::create(std::function<void()> entry) { return rt::make<Thread>(std::move(entry)); }

Ref<Thread> Thread::create(Id target, rt::Selector selector, Id argument) {
  return create([target = std::move(target), selector, argument = std::move(argument)] {
    if (!target) return;
    std::vector<rt::Value> args;
    if (selector.argumentCount() > 0) args.push_back(rt::Value::ofObject(argument));
    target->performSelector(selector, args);  // a proxy forwards to what it stands for
  });
}

void Thread::detachNewThread(std::function<void()> entry) { create(std::move(entry))->start(); }

Ref<Thread> Thread::mainThread() {
  // Never destroyed: other threads may ask for it during static teardown.
  static Ref<Thread>* main = [] {
    auto t = rt::make<Thread>();
    t->main_.store(true);
    t->started_.store(true);
    t->executing_.store(true);
    t->name_ = "main";
    return new Ref<Thread>(t);
  }();
  return *main;
}

Ref<Thread> Thread::currentThread() {
  if (dispatch::isMainThread()) return mainThread();
  if (!tlsCurrent) {
    tlsCurrent = rt::make<Thread>();
    tlsCurrent->started_.store(true);
    tlsCurrent->executing_.store(true);
  }
  return tlsCurrent;
}

bool Thread::isMainThread() { return dispatch::isMainThread(); }

void Thread::sleepForTimeInterval(double seconds) {
  if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void Thread::sleepUntilDate(const Ref<Date>& date) {
  if (date) sleepForTimeInterval(date->timeIntervalSinceNow());
}

void Thread::start() {
  if (started_.exchange(true)) rt::raise(rt::InvalidArgumentException, "-[NSThread start]: attempt to start the thread again");
  auto self = std::static_pointer_cast<Thread>(shared_from_this());
  executing_.store(true);
  std::thread([self] {
    tlsCurrent = self;
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->onOwnThread_ = true;
    }
    self->applyName();
    try {
      self->main();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "*** Terminating thread due to uncaught exception: %s\n", e.what());
    }
    self->executing_.store(false);
    self->finished_.store(true);
    // The run loop and its timers go with the thread.
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->onOwnThread_ = false;
    }
    tlsCurrent.reset();
  }).detach();
}

void Thread::main() {
  if (entry_) entry_();
}

String Thread::name() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return name_;
}

void Thread::setName(const String& name) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    name_ = name;
  }
  if (tlsCurrent.get() == this) applyName();
}

void Thread::applyName() {
  std::string n = name().utf8();
  if (n.empty()) return;
  if (n.size() > 15) n.resize(15);  // the kernel's limit
  pthread_setname_np(pthread_self(), n.c_str());
}

Ref<MutableDictionary> Thread::threadDictionary() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!dictionary_) dictionary_ = MutableDictionary::create();
  return dictionary_;
}

Ref<RunLoop> Thread::runLoop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!runLoop_) runLoop_ = RunLoop::makeFor(std::static_pointer_cast<Thread>(shared_from_this()), main_.load());
  return runLoop_;
}

}  // namespace fd
