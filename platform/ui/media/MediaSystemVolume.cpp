#include "platform/ui/media/MediaSystemVolume.h"

#include <algorithm>

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaSystemVolume) { c.property("volume", &MediaSystemVolume::volume, &MediaSystemVolume::setVolume); }

Ref<MediaSystemVolume> MediaSystemVolume::shared() {
  // Never destroyed: players and volume views stop observing it from their destructors, and
  // those still in the window at exit go with the application, after statics made later.
  static auto* instance = new Ref<MediaSystemVolume>(rt::make<MediaSystemVolume>());
  return *instance;
}

void MediaSystemVolume::setVolume(double volume) { setAndNotify("volume", volume_, std::clamp(volume, 0.0, 1.0)); }

}  // namespace ui
