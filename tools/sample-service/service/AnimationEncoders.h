#pragma once
// Writes a list of indexed frames sharing one palette as an animation that loops forever:
// GIF, animated PNG or animated WebP, every frame shown for the same time.
#include <cstdint>
#include <vector>

#include "tools/sample-service/service/PictureEncoders.h"

namespace sample {

/// Each returns the encoded file, or an empty vector for no frames or when a library fails.
std::vector<uint8_t> encodeAnimatedGIF(const std::vector<IndexedPicture>& frames, int frameMilliseconds);
std::vector<uint8_t> encodeAnimatedPNG(const std::vector<IndexedPicture>& frames, int frameMilliseconds);
std::vector<uint8_t> encodeAnimatedWebP(const std::vector<IndexedPicture>& frames, int frameMilliseconds);

}  // namespace sample
