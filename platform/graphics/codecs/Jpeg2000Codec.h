#pragma once
// JPEG 2000 (JP2 files and raw codestreams) through OpenJPEG; encoding writes JP2, lossless
// unless a quality is given.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeJpeg2000Decoder(const uint8_t* data, size_t size, bool complete);
bool encodeJpeg2000(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
