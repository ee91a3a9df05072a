#pragma once
// The back footer that shows a sequence of pictures per state in place of an arrow and indicator;
// one picture stands still, several play. No pictures are set by default.
#include <optional>

#include "platform/ui/controls/ImageView.h"
#include "widgets/refresh/KMRefreshBackStateFooter.h"
#include "widgets/refresh/KMRefreshStateImages.h"

namespace widgets {

class KMRefreshBackGifFooter : public KMRefreshBackStateFooter {
  RT_CLASS(KMRefreshBackGifFooter, KMRefreshBackStateFooter)
 public:
  /// Made on first access (no picture) and added as a subview; the hierarchy owns it.
  Ref<ui::ImageView> gifView();
  /// A null array is ignored; pictures taller than the component make it their height.
  void setImages(const std::optional<KMRefreshStateImages::Images>& images, double duration,
                 KMRefreshComponentState state);
  /// A tenth of a second per picture.
  void setImages(const std::optional<KMRefreshStateImages::Images>& images, KMRefreshComponentState state);
  const KMRefreshStateImages& stateImages() const { return images_; }

  /// While idle with idle pictures, shows the one the pull has reached.
  void setPullingPercent(double percent) override;
  void setState(KMRefreshComponentState state) override;

 protected:
  void placeSubviews() override;

 private:
  Weak<ui::ImageView> gifView_;
  KMRefreshStateImages images_;
};

}  // namespace widgets
