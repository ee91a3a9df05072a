#pragma once
// Icon families: each 32-bit icon in the file is a frame at its own size. Classic RLE icons
// with their 8-bit masks go through libicns; PNG and JPEG 2000 payloads through those codecs.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeIcnsDecoder(const uint8_t* data, size_t size, bool complete);
bool encodeIcns(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
