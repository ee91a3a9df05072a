#pragma once
// Drives the application's network activity indicator from a count of running requests, fed
// by the start and finish notifications of request operations and session tasks. The
// indicator shows while the count is above zero and hides only after a short delay, so that
// back-to-back requests do not make it flicker.
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/foundation/Types.h"

namespace fd {
class Notification;
class Timer;
}  // namespace fd

namespace net {

/// How long the indicator stays on after the count reaches zero.
inline constexpr double kNKNetworkActivityIndicatorInvisibilityDelay = 0.17;

class NKNetworkActivityIndicatorManager : public rt::Object {
  RT_CLASS(NKNetworkActivityIndicatorManager, rt::Object)
 public:
  /// Listens to the start and finish notifications from any sender.
  void init();
  ~NKNetworkActivityIndicatorManager() override;

  static Ref<NKNetworkActivityIndicatorManager> sharedManager();

  /// The indicator is only touched while enabled; the count moves regardless.
  bool isEnabled() const;
  void setEnabled(bool enabled);

  int64_t activityCount() const;
  /// Stores the count as given (no change announcement) and updates the indicator.
  void setActivityCount(int64_t count);
  /// Callable from any thread.
  void incrementActivityCount();
  /// Never takes the count below zero.
  void decrementActivityCount();
  bool isNetworkActivityIndicatorVisible() const { return activityCount() > 0; }
  /// The pending hide, if any.
  Ref<fd::Timer> activityIndicatorVisibilityTimer() const;

  void networkRequestDidStart(const Ref<fd::Notification>& notification);
  void networkRequestDidFinish(const Ref<fd::Notification>& notification);

 private:
  void updateNetworkActivityIndicatorVisibilityDelayed();
  void updateNetworkActivityIndicatorVisibility();

  mutable std::mutex mutex_;
  bool enabled_ = false;
  int64_t activityCount_ = 0;
  Ref<fd::Timer> timer_;  // main thread only
  std::vector<rt::Id> observerTokens_;
};

}  // namespace net
