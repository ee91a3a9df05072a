#pragma once
// The coder's vocabulary: image file types detected from leading bytes, their type
// identifiers, and the disposal and blend values of animation frames.
#include <cstddef>
#include <cstdint>

#include "platform/runtime/String.h"

namespace fd {
class Data;
}

namespace image {

enum DRImageFileType : uint64_t {
  DRImageFileTypeUnknown = 0,
  DRImageFileTypeJPEG = 1,
  DRImageFileTypeJPEG2000 = 2,
  DRImageFileTypeTIFF = 3,
  DRImageFileTypeBMP = 4,
  DRImageFileTypeICO = 5,
  DRImageFileTypeICNS = 6,
  DRImageFileTypeGIF = 7,
  DRImageFileTypePNG = 8,
  DRImageFileTypeWebP = 9,
  DRImageFileTypeOther = 10,
};

enum DRImageDisposeMethod : uint8_t {
  DRImageDisposeNone = 0,
  DRImageDisposeBackground = 1,
  DRImageDisposePrevious = 2,
};

enum DRImageBlendOperation : uint8_t {
  DRImageBlendNone = 0,
  DRImageBlendOver = 1,
};

/// Unknown for missing data or fewer than 16 bytes.
DRImageFileType DRImageTypeFromData(const uint8_t* bytes, size_t length);
DRImageFileType DRImageTypeFromData(const fd::Data* data);
/// Empty for unknown, WebP (never written through the platform's destinations) and other.
rt::String DRUTTypeForImageType(DRImageFileType type);

}  // namespace image
