#pragma once
// PNG through libpng's progressive reader, so that partial files decode the rows they hold.
// Only the default image is read: animation chunks are ancillary and skipped.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makePngDecoder(const uint8_t* data, size_t size, bool complete);
std::unique_ptr<IncrementalDecoder> makeIncrementalPngDecoder();
bool encodePng(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
