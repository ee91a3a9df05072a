#pragma once
// TIFF through libtiff: every directory is a frame, read through the library's RGBA interface
// (which already premultiplies unassociated alpha). Encoding writes one RGBA directory per
// image with associated alpha.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeTiffDecoder(const uint8_t* data, size_t size, bool complete);
bool encodeTiff(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
