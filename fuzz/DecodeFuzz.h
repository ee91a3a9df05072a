#pragma once
// The body every decoder fuzz target shares: read the facts, decode a few frames whole, then
// feed the same bytes to a growing source cut at a point the input picks.
#include <cstddef>
#include <cstdint>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/codecs/Codec.h"

namespace kd_fuzz {

inline int decodeAll(const uint8_t* data, size_t size, gfx::ImageFormat format) {
  const gfx::codecs::Codec* codec = gfx::codecs::codecFor(format);
  if (!codec || size > (1u << 20)) return 0;
  auto decoder = codec->decoder(data, size, true);
  gfx::codecs::ImageInfo info;
  if (decoder->readInfo(info)) {
    for (size_t i = 0; i < info.frames.size() && i < 4; ++i) {
      gfx::codecs::Raster r;
      if (decoder->decode(i, r) && r.pixels.size() != size_t(r.width) * r.height) __builtin_trap();
    }
  }
  if (size > 0) {
    size_t cut = data[size - 1] * size / 256;
    auto source = gfx::ImageSource::createIncremental();
    source->updateData(fd::Data::create(data, cut), false);
    source->createImageAtIndex(0);
    source->copyPropertiesAtIndex(0);
  }
  return 0;
}

}  // namespace kd_fuzz
