#include "platform/ui/media/MediaSystemVolume.h"

#include <algorithm>

namespace ui {

RT_IMPLEMENT_PLATFORM(MediaSystemVolume) { c.property("volume", &MediaSystemVolume::volume, &MediaSystemVolume::setVolume); }

Ref<MediaSystemVolume> MediaSystemVolume::shared() {
  static Ref<MediaSystemVolume> instance = rt::make<MediaSystemVolume>();
  return instance;
}

void MediaSystemVolume::setVolume(double volume) { setAndNotify("volume", volume_, std::clamp(volume, 0.0, 1.0)); }

}  // namespace ui
