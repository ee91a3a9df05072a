#pragma once
// Shared by the run-loop, timer, thread and perform tests: a fixture on a virtual clock and a
// target class whose methods are called by selector.
#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoopDriver.h"
#include "platform/foundation/Types.h"

namespace fd::testing {

class VirtualLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = RunLoopDriver::useVirtualClock();
    start_ = dispatch::uptime();
  }
  void TearDown() override { RunLoopDriver::reset(); }
  /// Seconds of virtual time since the test began.
  double elapsed() const { return dispatch::uptime() - start_; }

  std::shared_ptr<dispatch::VirtualClock> clock_;
  double start_ = 0;
};

/// Records calls made through the runtime by selector.
class LoopTestTarget : public Object {
  RT_CLASS(LoopTestTarget, Object)
 public:
  void tick(Id sender) { record("tick", sender); }
  void ping() { record("ping", nullptr); }
  void take(Id argument) { record("take", argument); }

  std::vector<std::string> calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<Id> arguments() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return arguments_;
  }

 private:
  void record(const char* what, Id argument) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(what);
    arguments_.push_back(std::move(argument));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<Id> arguments_;
};

}  // namespace fd::testing
