// The APNG chunk scan and frame rebuild on hostile bytes (given the PNG signature so that
// the fuzzer spends its time on chunks). Every rebuilt frame must itself scan as a PNG.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/codec/DRPNGChunkTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<uint8_t> bytes = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  bytes.insert(bytes.end(), data, data + size);
  image::DRPNGInfo* info = image::DRPNGChunkTable(bytes.data(), bytes.size());
  if (!info) return 0;
  for (const auto& chunk : info->chunks)
    if (uint64_t(chunk.offset) + chunk.length + 12 > bytes.size()) __builtin_trap();
  for (uint32_t i = 0; i < info->apng_frame_num(); ++i) {
    const auto& fc = info->apng_frames[i].frame_control;
    if (uint64_t(fc.x_offset) + fc.width > info->width || uint64_t(fc.y_offset) + fc.height > info->height) __builtin_trap();
    auto frame = image::DRPNGFrameRebuild(*info, bytes.data(), bytes.size(), i);
    if (frame) {
      image::DRPNGInfo* again = image::DRPNGChunkTable(frame->data(), frame->size());
      image::DRPNGInfoRelease(again);
    }
  }
  uint16_t num, den;
  image::DRPNGDelayToFraction(double(size) / 7.0, &num, &den);
  image::DRPNGInfoRelease(info);
  return 0;
}
