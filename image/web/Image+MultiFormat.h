#pragma once
// Decodes downloaded or cached bytes into an image: animated for GIF, upright by the EXIF
// orientation for the other formats. Stateless; callable from any thread.
#include <cstdint>

#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace image {

/// Null for null or undecodable bytes.
Ref<gfx::Image> wi_imageWithData(const Ref<fd::Data>& data);
/// The orientation written in the first image's properties; Up when there is none.
gfx::ImageOrientation wi_imageOrientationFromImageData(const Ref<fd::Data>& data);
/// EXIF 1-8 to the image orientation; anything else is Up.
gfx::ImageOrientation wi_exifOrientationToiOSOrientation(int32_t exifOrientation);

}  // namespace image
