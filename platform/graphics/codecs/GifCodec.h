#pragma once
// GIF through giflib: frames are composed on the logical screen with each frame's disposal and
// transparency, so frame N is what a viewer shows at that moment. Encoding quantises each frame
// to a 256-colour palette (with one transparent entry when needed) with libimagequant.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeGifDecoder(const uint8_t* data, size_t size, bool complete);
bool encodeGif(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

}  // namespace gfx::codecs
