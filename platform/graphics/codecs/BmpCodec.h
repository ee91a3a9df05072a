#pragma once
// BMP (and the OS/2 variants' shared layout) read and written here: 1/4/8-bit palettes,
// 16-bit 5-5-5 or bit fields, 24 and 32-bit, bottom-up or top-down rows, RLE4/RLE8.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeBmpDecoder(const uint8_t* data, size_t size, bool complete);
bool encodeBmp(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

/// Reads a device-independent bitmap (header, palette, pixels) as icons hold it: the stored
/// height counts the colour rows and then a 1-bit transparency mask.
bool decodeIconDib(const uint8_t* dib, size_t size, Raster& out);

}  // namespace gfx::codecs
