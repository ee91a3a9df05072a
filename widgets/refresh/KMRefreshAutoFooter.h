#pragma once
// The automatic footer: keeps itself right below the content inside the scroll view's bottom
// inset, and starts loading by itself when scrolled wholly into view, or when a drag ends at
// the end of the list. The callback follows 0.5 s after entering `refreshing`.
#include "widgets/refresh/KMRefreshFooter.h"

namespace widgets {

class KMRefreshAutoFooter : public KMRefreshFooter {
  RT_CLASS(KMRefreshAutoFooter, KMRefreshFooter)
 public:
  /// When false, scrolling alone no longer starts loading (letting go of a drag still does).
  bool isAutomaticallyRefresh() const { return automaticallyRefresh_; }
  void setAutomaticallyRefresh(bool on) { automaticallyRefresh_ = on; }
  /// The fraction of the footer's height that must be in view before loading starts.
  double triggerAutomaticallyRefreshPercent() const { return triggerPercent_; }
  void setTriggerAutomaticallyRefreshPercent(double p) { triggerPercent_ = p; }
  double appearencePercentTriggerAutoRefresh() const { return triggerPercent_; }
  void setAppearencePercentTriggerAutoRefresh(double p) { triggerPercent_ = p; }

  void willMoveToSuperview(ui::View* newSuperview) override;
  void setState(KMRefreshComponentState state) override;
  /// Hiding gives the footer's height back to the bottom inset and resets to `idle`; showing
  /// takes it again. Only while attached to its scroll view.
  void setHidden(bool hidden) override;

 protected:
  void prepare() override;
  void scrollViewContentSizeDidChange(const rt::KeyValueChange* change) override;
  void scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) override;
  void scrollViewPanStateDidChange(const rt::KeyValueChange* change) override;

 private:
  bool automaticallyRefresh_ = true;
  double triggerPercent_ = 1.0;
};

}  // namespace widgets
