#pragma once
// The back footer with an arrow (turned over at rest, upright while pulling: the opposite of
// the header's) and an activity indicator while loading.
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/ImageView.h"
#include "widgets/refresh/KMRefreshBackStateFooter.h"

namespace widgets {

class KMRefreshBackNormalFooter : public KMRefreshBackStateFooter {
  RT_CLASS(KMRefreshBackNormalFooter, KMRefreshBackStateFooter)
 public:
  Ref<ui::ImageView> arrowView();
  Ref<ui::ActivityIndicatorView> loadingView();
  ui::ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
  /// The next access to the indicator makes a new one; the old one stays among the subviews.
  void setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle style);

  void setState(KMRefreshComponentState state) override;

 protected:
  void prepare() override;
  void placeSubviews() override;

 private:
  Weak<ui::ImageView> arrowView_;
  Weak<ui::ActivityIndicatorView> loadingView_;
  ui::ActivityIndicatorViewStyle style_ = ui::ActivityIndicatorViewStyle::Gray;
};

}  // namespace widgets
