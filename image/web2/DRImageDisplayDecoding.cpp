#include "image/web2/DRImageDisplayDecoding.h"

#include "image/web/Data+ImageContentType.h"
#include "image/web/Image+ForceDecode.h"
#include "image/web/Image+MultiFormat.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageData.h"

namespace image {

namespace {
const char kDecodedMarkKey = 0;
}

DRImageFileType DRImageTypeFromData(const Ref<fd::Data>& data) {
  if (!data || data->length() < 16) return DRImageFileTypeUnknown;
  auto type = wi_contentTypeForImageData(data);
  if (!type) return DRImageFileTypeUnknown;
  if (*type == fd::String("image/jpeg")) return DRImageFileTypeJPEG;
  if (*type == fd::String("image/png")) return DRImageFileTypePNG;
  if (*type == fd::String("image/gif")) return DRImageFileTypeGIF;
  if (*type == fd::String("image/webp")) return DRImageFileTypeWebP;
  if (*type == fd::String("image/tiff")) return DRImageFileTypeTIFF;
  return DRImageFileTypeOther;
}

Ref<gfx::Image> DRImageFromData(const Ref<fd::Data>& data, double scale, bool animated) {
  if (!data || data->length() == 0) return nullptr;
  Ref<gfx::Image> decoded = wi_imageWithData(data);
  if (!decoded) return nullptr;
  if (!animated && !decoded->images().empty()) decoded = decoded->images().front();
  if (!decoded || (decoded->size().width <= 0 && decoded->size().height <= 0)) return nullptr;
  if (scale <= 0) scale = 1;
  if (decoded->scale() == scale || !decoded->images().empty()) return decoded;
  return gfx::Image::imageWithCGImage(decoded->CGImage(), scale, decoded->imageOrientation());
}

bool DRImageIsDecodedForDisplay(const Ref<gfx::Image>& image) {
  return image && image->associatedObject(&kDecodedMarkKey) != nullptr;
}

Ref<gfx::Image> DRImageByDecoded(const Ref<gfx::Image>& image) {
  if (!image || DRImageIsDecodedForDisplay(image)) return image;
  Ref<gfx::Image> decoded = decodedImageWithImage(image);
  // A fresh image when the redraw made one; the input is marked only when it came back as is.
  if (!decoded) return image;
  decoded->setAssociatedObject(&kDecodedMarkKey, fd::Number::numberWithBool(true), rt::AssociationPolicy::RetainNonatomic);
  return decoded;
}

Ref<fd::Data> DRImageDataRepresentation(const Ref<gfx::Image>& image) {
  if (!image) return nullptr;
  if (!image->images().empty()) return gfx::UIImagePNGRepresentation(image->images().front());
  return gfx::UIImagePNGRepresentation(image);
}

uint64_t DRImageCost(const Ref<gfx::Image>& image) {
  if (!image || !image->CGImage()) return 1;
  const double cost = double(image->CGImage()->height()) * double(image->CGImage()->bytesPerRow());
  return cost > 0 ? uint64_t(cost) : 1;
}

}  // namespace image
