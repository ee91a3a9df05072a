#pragma once
// The pull-up footer: waits below the content (or at the bottom edge of the visible area when
// the content is short), is revealed only by pulling the list up past its end, and starts
// loading when let go beyond its height; while loading the bottom inset holds it in view.
#include "widgets/refresh/KMRefreshFooter.h"

namespace widgets {

class KMRefreshBackFooter : public KMRefreshFooter {
  RT_CLASS(KMRefreshBackFooter, KMRefreshFooter)
 public:
  void willMoveToSuperview(ui::View* newSuperview) override;
  void setState(KMRefreshComponentState state) override;
  /// On a collection view these take effect 0.1 s later.
  void endRefreshing() override;
  void noticeNoMoreData() override;

  /// By how much the content is taller than the area that shows it (negative when shorter).
  double heightForContentBreakView() const;
  /// The vertical offset at which the footer starts to show.
  double happenOffsetY() const;

  int64_t lastRefreshCount() const { return lastRefreshCount_; }
  /// What entering `refreshing` added to the bottom inset.
  double lastBottomDelta() const { return lastBottomDelta_; }

 protected:
  void scrollViewContentSizeDidChange(const rt::KeyValueChange* change) override;
  void scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) override;

 private:
  int64_t lastRefreshCount_ = 0;
  double lastBottomDelta_ = 0;
};

}  // namespace widgets
