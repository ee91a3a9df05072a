#include "image/web/Image+MultiFormat.h"

#include "image/web/Data+ImageContentType.h"
#include "image/web/Image+GIF.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"

namespace image {

using gfx::ImageOrientation;

ImageOrientation wi_exifOrientationToiOSOrientation(int32_t exif) {
  switch (exif) {
    case 1: return ImageOrientation::Up;
    case 2: return ImageOrientation::UpMirrored;
    case 3: return ImageOrientation::Down;
    case 4: return ImageOrientation::DownMirrored;
    case 5: return ImageOrientation::LeftMirrored;
    case 6: return ImageOrientation::Right;
    case 7: return ImageOrientation::RightMirrored;
    case 8: return ImageOrientation::Left;
    default: return ImageOrientation::Up;
  }
}

ImageOrientation wi_imageOrientationFromImageData(const Ref<fd::Data>& data) {
  auto source = gfx::ImageSource::createWithData(data);
  if (!source) return ImageOrientation::Up;
  auto properties = source->copyPropertiesAtIndex(0);
  if (!properties) return ImageOrientation::Up;
  auto value = properties->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyOrientation);
  if (!value) return ImageOrientation::Up;
  return wi_exifOrientationToiOSOrientation(static_cast<int32_t>(value->integerValue()));
}

Ref<gfx::Image> wi_imageWithData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  if (wi_contentTypeForImageData(data) == fd::String("image/gif")) return wi_animatedGIFWithData(data);
  // The platform decode already turns the picture by its EXIF orientation (the same table),
  // so reading the orientation a second time would only repeat that work.
  return gfx::Image::imageWithData(data);
}

}  // namespace image
