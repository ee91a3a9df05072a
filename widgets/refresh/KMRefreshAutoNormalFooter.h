#pragma once
// The automatic footer the list screens use: a spinning activity indicator left of the title.
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "widgets/refresh/KMRefreshAutoStateFooter.h"

namespace widgets {

class KMRefreshAutoNormalFooter : public KMRefreshAutoStateFooter {
  RT_CLASS(KMRefreshAutoNormalFooter, KMRefreshAutoStateFooter)
 public:
  Ref<ui::ActivityIndicatorView> loadingView();
  ui::ActivityIndicatorViewStyle activityIndicatorViewStyle() const { return style_; }
  /// The next access to the indicator makes a new one; the old one stays among the subviews.
  void setActivityIndicatorViewStyle(ui::ActivityIndicatorViewStyle style);

  void setState(KMRefreshComponentState state) override;

 protected:
  void prepare() override;
  void placeSubviews() override;

 private:
  Weak<ui::ActivityIndicatorView> loadingView_;
  ui::ActivityIndicatorViewStyle style_ = ui::ActivityIndicatorViewStyle::Gray;
};

}  // namespace widgets
