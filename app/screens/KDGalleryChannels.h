#pragma once
// The three photo galleries, by the section of the gallery screen's row: the title, the
// channel of the aggregated list and the channel of the album grid and viewer.
#include <cstdint>

namespace app {

struct KDGalleryChannel {
  const char* title;
  const char* aggregateId;
  const char* trsId;
};

inline constexpr KDGalleryChannel kGalleryChannels[] = {
    {"风貌", "78", "11619"},
    {"风情", "79", "11620"},
    {"风采", "80", "11621"},
};

/// Null for a section that names no gallery.
inline const KDGalleryChannel* galleryChannel(int64_t section) {
  return section >= 0 && section < 3 ? &kGalleryChannels[section] : nullptr;
}

}  // namespace app
