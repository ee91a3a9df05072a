#pragma once
// The pull-down header: sits right above the content; pulled down past its height and let go,
// it starts refreshing and stays revealed (the top inset grows by its height) until the list
// ends the refresh, which records the time under its user-defaults key.
#include "platform/foundation/time/Date.h"
#include "widgets/refresh/KMRefreshComponent.h"

namespace widgets {

class KMRefreshHeader : public KMRefreshComponent {
  RT_CLASS(KMRefreshHeader, KMRefreshComponent)
 public:
  /// A new header of class T (`KMRefreshNormalHeader`...) calling `block` to refresh.
  template <class T = KMRefreshHeader> static Ref<T> headerWithRefreshingBlock(RefreshingBlock block) {
    auto header = rt::make<T>();
    header->setRefreshingBlock(std::move(block));
    return header;
  }
  /// A new header of class T sending `action` to `target` (held weakly) to refresh.
  template <class T = KMRefreshHeader>
  static Ref<T> headerWithRefreshingTarget(const Ref<rt::Object>& target, rt::Selector action) {
    auto header = rt::make<T>();
    header->setRefreshingTarget(target, action);
    return header;
  }

  const rt::String& lastUpdatedTimeKey() const { return lastUpdatedTimeKey_; }
  virtual void setLastUpdatedTimeKey(const rt::String& key) { lastUpdatedTimeKey_ = key; }
  /// The date stored under `lastUpdatedTimeKey` in the standard user defaults; null when none.
  Ref<fd::Date> lastUpdatedTime() const;

  double ignoredScrollViewContentInsetTop() const { return ignoredScrollViewContentInsetTop_; }
  void setIgnoredScrollViewContentInsetTop(double v) { ignoredScrollViewContentInsetTop_ = v; }
  /// Recorded top inset minus the one in use while refreshing (zero or negative).
  double insetTDelta() const { return insetTDelta_; }

  void setState(KMRefreshComponentState state) override;
  /// On a collection view the end takes effect 0.1 s later.
  void endRefreshing() override;

 protected:
  void prepare() override;
  void placeSubviews() override;
  void scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) override;

 private:
  rt::String lastUpdatedTimeKey_;
  double ignoredScrollViewContentInsetTop_ = 0;
  double insetTDelta_ = 0;
};

}  // namespace widgets
