#pragma once
// The pictures an animated-image header or footer shows per state, with their durations, and
// how they are put on its image view. Shared by the three animated-image variants.
#include <map>
#include <optional>
#include <vector>

#include "platform/graphics/Image.h"
#include "platform/ui/controls/ImageView.h"
#include "widgets/refresh/KMRefreshConst.h"

namespace widgets {

class KMRefreshStateImages {
 public:
  using Images = std::vector<Ref<gfx::Image>>;

  /// Stores the pictures and duration (seconds) for `state`; answers the height the component
  /// needs for them (the first picture's height), 0 when none.
  double set(const Images& images, double duration, KMRefreshComponentState state);
  const Images* imagesFor(KMRefreshComponentState state) const;
  std::optional<double> durationFor(KMRefreshComponentState state) const;
  /// Nothing without pictures; one picture is shown still, several animate for the duration.
  void play(KMRefreshComponentState state, ui::ImageView& view) const;
  /// Steps through the idle pictures by `percent` of the pull (the last one from 1.0 on).
  void showPulled(double percent, ui::ImageView& view) const;

  const std::map<KMRefreshComponentState, Images>& images() const { return images_; }
  const std::map<KMRefreshComponentState, double>& durations() const { return durations_; }

 private:
  std::map<KMRefreshComponentState, Images> images_;
  std::map<KMRefreshComponentState, double> durations_;
};

/// The picture's frame in a titled component: right-aligned, ending 90 points left of the centre;
/// centred in the whole bounds when no title shows.
void KMRefreshPlaceGifView(ui::ImageView& view, gfx::Rect bounds, bool showsTitle);

}  // namespace widgets
