#pragma once
// Progress of work counted in units: a total and a completed count, the fraction they make,
// and cancelling and pausing that the work hears of through handlers. Counts and flags are
// observable; everything may be used from any thread.
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/foundation/Types.h"

namespace fd {

class Progress : public Object {
  RT_CLASS_NAMED(Progress, Object, "NSProgress")
 public:
  using Handler = std::function<void()>;

  void init() {}
  void init(int64_t totalUnitCount) { total_ = totalUnitCount; }
  static Ref<Progress> progressWithTotalUnitCount(int64_t totalUnitCount);

  int64_t totalUnitCount() const;
  void setTotalUnitCount(int64_t count);
  int64_t completedUnitCount() const;
  void setCompletedUnitCount(int64_t count);
  /// completed / total, clamped to 0...1; 0 while the total is not positive.
  double fractionCompleted() const;
  /// A negative count means the amount of work is not known.
  bool isIndeterminate() const;

  /// Whether the work offers cancelling / pausing (advisory: cancel() and pause() act anyway).
  bool isCancellable() const;
  void setCancellable(bool cancellable);
  bool isPausable() const;
  void setPausable(bool pausable);
  bool isCancelled() const;
  bool isPaused() const;

  /// Handlers run on the thread that cancels, pauses or resumes. A cancellation handler set
  /// after cancelling runs at once.
  void setCancellationHandler(Handler handler);
  void setPausingHandler(Handler handler);
  void setResumingHandler(Handler handler);

  /// Marks the progress cancelled for good and runs the cancellation handler once.
  void cancel();
  /// Pausing and resuming toggle `paused` and run their handler on each change; nothing
  /// happens once cancelled.
  void pause();
  void resume();

  String description() const override;

 private:
  template <class T> void change(const char* key, T& slot, T value);

  mutable std::mutex mutex_;
  int64_t total_ = 0;
  int64_t completed_ = 0;
  bool cancellable_ = true;
  bool pausable_ = false;
  bool cancelled_ = false;
  bool paused_ = false;
  Handler cancellationHandler_;
  Handler pausingHandler_;
  Handler resumingHandler_;
};

}  // namespace fd
