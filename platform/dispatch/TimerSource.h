#pragma once
// Timer sources: a handler run on a queue after a start delay and then at an interval. Sources
// on the main queue follow the process clock (so a virtual clock drives them); others run in
// real time. A fire that falls behind is coalesced into one; leeway is accepted and ignored.
// A source starts suspended; `resume` arms it. An armed source stays alive until cancelled.
#include <cstdint>
#include <mutex>

#include "platform/dispatch/Queue.h"

namespace dispatch {

class TimerSource : public std::enable_shared_from_this<TimerSource> {
 public:
  static Ref<TimerSource> create(const Ref<Queue>& queue);

  /// First fire `start` seconds from now, then every `interval` seconds (zero, negative or
  /// infinite: once).
  void setTimer(double start, double interval, double leeway = 0);
  void setHandler(Block handler);
  void resume();
  void suspend();
  /// Stops all future fires and releases the handler.
  void cancel();
  bool isCancelled() const;

 private:
  explicit TimerSource(Ref<Queue> queue) : queue_(std::move(queue)) {}
  double clockNow() const;
  void schedule(uint64_t generation, double deadline);
  void fire(uint64_t generation);

  mutable std::mutex mutex_;
  const Ref<Queue> queue_;
  Block handler_;
  double deadline_ = 0;
  double interval_ = 0;
  bool hasTimer_ = false;
  bool armed_ = false;  // a fire for the current generation is on its way
  bool cancelled_ = false;
  int suspendCount_ = 1;
  uint64_t generation_ = 0;
};

}  // namespace dispatch
