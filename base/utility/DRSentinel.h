#pragma once
// A counter that asynchronous work captures when it starts and compares when it finishes: a
// changed value means the work is stale and its result is dropped. Any thread.
#include <atomic>
#include <cstdint>

#include "platform/runtime/Class.h"

namespace base {

class DRSentinel : public rt::Object {
  RT_CLASS(DRSentinel, rt::Object)
 public:
  int32_t value() const { return value_.load(std::memory_order_acquire); }
  /// Adds one atomically (wrapping at 32 bits) and returns the new value.
  int32_t increase() {
    return static_cast<int32_t>(static_cast<uint32_t>(value_.fetch_add(1, std::memory_order_acq_rel)) + 1u);
  }

 private:
  std::atomic<int32_t> value_{0};
};

}  // namespace base
