#include "image/codec/DRImageCoderTypes.h"

#include <cstring>

#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageTypes.h"

namespace image {

DRImageFileType DRImageTypeFromData(const uint8_t* b, size_t length) {
  if (!b || length < 16) return DRImageFileTypeUnknown;
  auto is = [&](size_t at, const char* s, size_t n) { return std::memcmp(b + at, s, n) == 0; };
  if (is(0, "\x00\x00\x01\x00", 4) || is(0, "\x00\x00\x02\x00", 4)) return DRImageFileTypeICO;
  if (is(0, "II*\x00", 4) || is(0, "MM\x00*", 4)) return DRImageFileTypeTIFF;
  if (is(0, "GIF8", 4)) return DRImageFileTypeGIF;
  if (is(0, "RIFF", 4) && is(8, "WEBP", 4)) return DRImageFileTypeWebP;
  if (is(0, "\x89PNG\r\n\x1a\n", 8)) return DRImageFileTypePNG;
  if (is(0, "icns", 4)) return DRImageFileTypeICNS;
  for (const char* pair : {"BM", "BA", "CI", "CP", "IC", "PI"})
    if (is(0, pair, 2)) return DRImageFileTypeBMP;
  if (is(0, "\xFF\x4F", 2)) return DRImageFileTypeJPEG2000;
  if (is(0, "\xFF\xD8\xFF", 3)) return DRImageFileTypeJPEG;
  if (is(4, "\x6A\x50\x20\x20\x0D", 5)) return DRImageFileTypeJPEG2000;
  return DRImageFileTypeUnknown;
}

DRImageFileType DRImageTypeFromData(const fd::Data* data) {
  return data ? DRImageTypeFromData(data->bytes(), data->length()) : DRImageFileTypeUnknown;
}

rt::String DRUTTypeForImageType(DRImageFileType type) {
  switch (type) {
    case DRImageFileTypeJPEG: return gfx::kUTTypeJPEG;
    case DRImageFileTypeJPEG2000: return gfx::kUTTypeJPEG2000;
    case DRImageFileTypeTIFF: return gfx::kUTTypeTIFF;
    case DRImageFileTypeBMP: return gfx::kUTTypeBMP;
    case DRImageFileTypeICO: return gfx::kUTTypeICO;
    case DRImageFileTypeICNS: return gfx::kUTTypeAppleICNS;
    case DRImageFileTypeGIF: return gfx::kUTTypeGIF;
    case DRImageFileTypePNG: return gfx::kUTTypePNG;
    default: return rt::String();
  }
}

}  // namespace image
