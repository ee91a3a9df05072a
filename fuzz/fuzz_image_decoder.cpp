// The coder's decoder on hostile bytes: whole, then growing in two steps, asking for every
// frame (composed and unextended) of whatever it finds.
#include <cstddef>
#include <cstdint>

#include "image/codec/DRImageDecoder.h"
#include "platform/foundation/values/Data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  auto bytes = fd::Data::create(data, size);
  if (auto decoder = image::DRImageDecoder::decoderWithData(bytes, 1)) {
    for (uint64_t i = 0; i < decoder->frameCount() && i < 16; ++i) {
      auto frame = decoder->frameAtIndex(i, true);
      if (frame && frame->image && frame->image->CGImage() &&
          frame->image->CGImage()->byteLength() < frame->image->CGImage()->width() * 4)
        __builtin_trap();
      decoder->frameAtIndex(decoder->frameCount() - 1 - i, false);
      decoder->frameDurationAtIndex(i);
    }
  }
  auto growing = image::DRImageDecoder::create(1);
  const size_t cut = size > 0 ? data[0] * size / 256 : 0;
  growing->updateData(fd::Data::create(data, cut), false);
  growing->frameAtIndex(0, true);
  growing->updateData(bytes, true);
  if (growing->frameCount() > 0) growing->frameAtIndex(growing->frameCount() - 1, true);
  return 0;
}
