#pragma once
// JPEG through libjpeg with a suspending memory source: a file cut short decodes the rows (or,
// progressive, the scans) it holds. Errors unwind through longjmp to a safe exit.
#include "platform/graphics/codecs/Codec.h"

namespace gfx::codecs {

std::unique_ptr<Decoder> makeJpegDecoder(const uint8_t* data, size_t size, bool complete);
std::unique_ptr<IncrementalDecoder> makeIncrementalJpegDecoder();
bool encodeJpeg(const std::vector<EncodeFrame>& frames, const EncodeOptions& options, std::vector<uint8_t>& out);

/// The EXIF orientation (1-8) in a TIFF-structured block ("II*\0..." / "MM\0*..."); 0 if none.
int exifOrientation(const uint8_t* tiff, size_t size);

}  // namespace gfx::codecs
