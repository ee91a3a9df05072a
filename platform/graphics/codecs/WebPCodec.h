#pragma once
// WebP through libwebp: stills (lossy, lossless, alpha) decode straight into premultiplied
// BGRA, which is native ARGB32; animations are demuxed and composed on the canvas with each
// frame's blend and disposal. Encoding builds animations with the muxer.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeWebPDecoder(const uint8_t* data, size_t size, bool complete);
std::unique_ptr<IncrementalDecoder> makeIncrementalWebPDecoder();
bool encodeWebP(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
