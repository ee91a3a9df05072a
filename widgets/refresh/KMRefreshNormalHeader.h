#pragma once
// The header the list screens use: an arrow that turns over when the pull passes the threshold
// and a spinning activity indicator while refreshing, left of the centred title.
#include "platform/ui/controls/ActivityIndicatorView.h"
#include "platform/ui/controls/ImageView.h"
#include "widgets/refresh/KMRefreshStateHeader.h"

namespace widgets {

class KMRefreshNormalHeader : public KMRefreshStateHeader {
  RT_CLASS(KMRefreshNormalHeader, KMRefreshStateHeader)
 public:
  /// Made on first access with the family's arrow picture; the hierarchy owns it.
  Ref<ui::ImageView> arrowView();
  /// Made on first access in `activityIndicatorViewStyle`, hiding when stopped.
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
