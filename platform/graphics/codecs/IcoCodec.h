#pragma once
// Icons and cursors: each directory entry (PNG or DIB) is one frame at its own size.
// Encoding stores PNG entries.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeIcoDecoder(const uint8_t* data, size_t size, bool complete);
bool encodeIco(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
