#include "image/codec/Image+DRImageCoder.h"

#include "image/codec/DRImage.h"
#include "image/codec/DRImageCoderHelpers.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageData.h"
#include "platform/system/photos/PhotoAlbumWriter.h"

namespace image {

namespace {
const char kDecodedKey = 0;
}

bool isDecodedForDisplay(const gfx::Image& image) {
  if (image.images().size() > 1) return true;
  auto mark = rt::as<fd::Number>(image.associatedObject(&kDecodedKey));
  return mark && mark->boolValue();
}

void setDecodedForDisplay(gfx::Image& image, bool decoded) {
  image.setAssociatedObject(&kDecodedKey, fd::Number::numberWithBool(decoded), rt::AssociationPolicy::RetainNonatomic);
}

Ref<gfx::Image> imageByDecoded(const Ref<gfx::Image>& image) {
  if (!image || isDecodedForDisplay(*image)) return image;
  if (!image->CGImage()) return image;
  auto decoded = DRCopyDecodedImage(image->CGImage(), true);
  if (!decoded) return image;
  Ref<gfx::Image> result = image->imageOfSameClassWithCGImage(decoded, image->scale(), image->imageOrientation());
  if (!result) result = image;
  setDecodedForDisplay(*result, true);
  return result;
}

Ref<fd::Data> dataRepresentation(const Ref<gfx::Image>& image, bool forSystem) {
  if (!image) return nullptr;
  if (auto animated = rt::as<DRImage>(image); animated && animated->animatedImageData()) {
    const auto type = animated->animatedImageType();
    if (!forSystem || type == DRImageFileTypeGIF || type == DRImageFileTypePNG) return animated->animatedImageData();
  }
  if (auto bitmap = image->CGImage()) {
    if (image->imageOrientation() != gfx::ImageOrientation::Up) {
      if (auto upright = DRCopyImageWithOrientation(bitmap, image->imageOrientation(), bitmap->bitmapInfo()))
        bitmap = upright;
    }
    const bool alpha = DRBitmapInfoHasAlpha(bitmap->bitmapInfo());
    auto data = DREncodeImageWithImageIO(bitmap, alpha ? DRImageFileTypePNG : DRImageFileTypeJPEG, alpha ? 1.0 : 0.9);
    if (data && data->length() > 0) return data;
  }
  // No bitmap of its own, or one that would not encode: the PNG of the image as it shows.
  return gfx::UIImagePNGRepresentation(image);
}

void saveToAlbumWithCompletionBlock(const Ref<gfx::Image>& image,
                                    std::function<void(Ref<fd::URL> assetURL, Ref<fd::Error> error)> completion) {
  dispatch::globalQueue()->async([image, completion = std::move(completion)] {
    auto data = dataRepresentation(image, true);
    // The writer answers on the main queue already.
    rt::make<sys::PhotoAlbumWriter>()->writeImageDataToSavedPhotosAlbum(
        data, [completion](Ref<fd::URL> url, Ref<fd::Error> error) {
          if (completion) completion(url, error);
        });
  });
}

}  // namespace image
