#include "image/codec/DRImageCoderHelpers.h"

#include <webp/encode.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/ImageDestination.h"

namespace image {

using gfx::BitmapImage;

const Ref<gfx::ColorSpace>& DRDeviceRGBColorSpace() {
  static const Ref<gfx::ColorSpace> space = gfx::ColorSpace::createDeviceRGB();
  return space;
}

bool DRBitmapInfoHasAlpha(uint32_t bitmapInfo) {
  const uint32_t a = bitmapInfo & gfx::BitmapAlphaInfoMask;
  return a >= 1 && a <= 4;
}

Ref<BitmapImage> DRCopyDecodedImage(const Ref<BitmapImage>& image, bool decodeForDisplay) {
  if (!image || image->width() == 0 || image->height() == 0) return nullptr;
  if (decodeForDisplay) {
    const bool alpha = DRBitmapInfoHasAlpha(image->bitmapInfo());
    const uint32_t info = alpha ? gfx::BitmapInfoNativePremultiplied : gfx::BitmapInfoNativeOpaque;
    // Bitmaps are immutable: one already in the display format is its own decoded copy.
    if (image->format().isNative() && (alpha || image->bitmapInfo() == info)) return image;
    auto context = gfx::Context::createBitmap(nullptr, image->width(), image->height(), 8, 0, DRDeviceRGBColorSpace(), info);
    if (!context) return nullptr;
    context->drawImage(gfx::Rect{{0, 0}, {double(image->width()), double(image->height())}}, *image);
    return context->makeImage();
  }
  if (image->bytesPerRow() == 0 || !image->bytes()) return nullptr;
  return BitmapImage::create(image->format(), image->copyData(), false);
}

namespace {

// Native premultiplied words (0xAARRGGBB) into four logical bytes in the requested layout.
inline void storePixel(uint32_t word, uint8_t* out, uint32_t alphaInfo, uint32_t byteOrder) {
  uint32_t a = word >> 24, r = (word >> 16) & 0xff, g = (word >> 8) & 0xff, b = word & 0xff;
  const bool straight = alphaInfo == gfx::ImageAlphaLast || alphaInfo == gfx::ImageAlphaFirst;
  if (straight && a != 0 && a != 255) {
    r = std::min(255u, (r * 255 + a / 2) / a);
    g = std::min(255u, (g * 255 + a / 2) / a);
    b = std::min(255u, (b * 255 + a / 2) / a);
  }
  if (alphaInfo == gfx::ImageAlphaNoneSkipFirst || alphaInfo == gfx::ImageAlphaNoneSkipLast) a = 255;
  const bool first = alphaInfo == gfx::ImageAlphaPremultipliedFirst || alphaInfo == gfx::ImageAlphaFirst ||
                     alphaInfo == gfx::ImageAlphaNoneSkipFirst;
  uint8_t logical[4];
  if (first) {
    logical[0] = uint8_t(a), logical[1] = uint8_t(r), logical[2] = uint8_t(g), logical[3] = uint8_t(b);
  } else {
    logical[0] = uint8_t(r), logical[1] = uint8_t(g), logical[2] = uint8_t(b), logical[3] = uint8_t(a);
  }
  if (byteOrder == gfx::BitmapByteOrder32Little) {
    out[0] = logical[3], out[1] = logical[2], out[2] = logical[1], out[3] = logical[0];
  } else {
    std::memcpy(out, logical, 4);
  }
}

}  // namespace

bool DRConvertImageToBitmapBuffer(const Ref<BitmapImage>& image, DRBitmapBuffer* buffer, uint32_t bitmapInfo) {
  if (!buffer) return false;
  buffer->data = nullptr;
  if (!image || image->width() == 0 || image->height() == 0) return false;
  const uint32_t alphaInfo = bitmapInfo & gfx::BitmapAlphaInfoMask;
  const uint32_t byteOrder = bitmapInfo & gfx::BitmapByteOrderMask;
  if (alphaInfo < 1 || alphaInfo > 6) return false;
  if (byteOrder != gfx::BitmapByteOrderDefault && byteOrder != gfx::BitmapByteOrder32Big &&
      byteOrder != gfx::BitmapByteOrder32Little)
    return false;
  auto native = image->nativeCopy();
  if (!native || !native->bytes()) return false;
  const size_t w = image->width(), h = image->height();
  const size_t rowBytes = gfx::chosenBytesPerRow(w, 32);
  auto* out = static_cast<uint8_t*>(std::calloc(h, rowBytes));
  if (!out) return false;
  for (size_t y = 0; y < h; ++y) {
    const auto* src = reinterpret_cast<const uint32_t*>(native->bytes() + y * native->bytesPerRow());
    uint8_t* dst = out + y * rowBytes;
    for (size_t x = 0; x < w; ++x) storePixel(src[x], dst + x * 4, alphaInfo, byteOrder);
  }
  *buffer = DRBitmapBuffer{out, h, w, rowBytes};
  return true;
}

namespace {

Ref<BitmapImage> imageOverBuffer(const DRBitmapBuffer& buffer, uint32_t bitmapInfo) {
  gfx::PixelFormat format;
  format.width = buffer.width;
  format.height = buffer.height;
  format.bytesPerRow = buffer.rowBytes;
  format.bitmapInfo = bitmapInfo;
  format.colorSpace = DRDeviceRGBColorSpace();
  auto image = BitmapImage::createWithBytesNoCopy(format, buffer.data, [](const void* p) { std::free(const_cast<void*>(p)); });
  if (!image) std::free(buffer.data);
  return image;
}

}  // namespace

Ref<BitmapImage> DRCopyAffineTransformedImage(const Ref<BitmapImage>& image, const gfx::AffineTransform& transform,
                                              gfx::Size size, uint32_t bitmapInfo) {
  if (!image || image->width() == 0 || image->height() == 0) return nullptr;
  const double w = std::round(size.width), h = std::round(size.height);
  if (!(w >= 1) || !(h >= 1) || w > 1e5 || h > 1e5) return nullptr;
  // A y-up bitmap context draws exactly what the transform says, uncovered pixels transparent.
  auto context = gfx::Context::createBitmap(nullptr, size_t(w), size_t(h), 8, 0, DRDeviceRGBColorSpace(),
                                            gfx::BitmapInfoNativePremultiplied);
  if (!context) return nullptr;
  context->concatCTM(transform);
  context->drawImage(gfx::Rect{{0, 0}, {double(image->width()), double(image->height())}}, *image);
  auto drawn = context->makeImage();
  if (!drawn) return nullptr;
  if (bitmapInfo == gfx::BitmapInfoNativePremultiplied) return drawn;
  DRBitmapBuffer buffer;
  if (!DRConvertImageToBitmapBuffer(drawn, &buffer, bitmapInfo)) return nullptr;
  return imageOverBuffer(buffer, bitmapInfo);
}

Ref<BitmapImage> DRCopyImageWithOrientation(const Ref<BitmapImage>& image, gfx::ImageOrientation orientation,
                                            uint32_t bitmapInfo) {
  if (!image) return nullptr;
  const double w = double(image->width()), h = double(image->height());
  gfx::AffineTransform t = gfx::AffineTransformIdentity;
  bool swap = false;
  using O = gfx::ImageOrientation;
  switch (orientation) {
    case O::Down:
      t = gfx::AffineTransformTranslate(gfx::AffineTransformRotate(t, M_PI), -w, -h);
      break;
    case O::Left:
      t = gfx::AffineTransformTranslate(gfx::AffineTransformRotate(t, M_PI_2), 0, -h);
      swap = true;
      break;
    case O::Right:
      t = gfx::AffineTransformTranslate(gfx::AffineTransformRotate(t, -M_PI_2), -w, 0);
      swap = true;
      break;
    case O::UpMirrored:
      t = gfx::AffineTransformScale(gfx::AffineTransformTranslate(t, w, 0), -1, 1);
      break;
    case O::DownMirrored:
      t = gfx::AffineTransformScale(gfx::AffineTransformTranslate(t, 0, h), 1, -1);
      break;
    case O::LeftMirrored:
      t = gfx::AffineTransformTranslate(gfx::AffineTransformScale(gfx::AffineTransformRotate(t, -M_PI_2), 1, -1), -w, -h);
      swap = true;
      break;
    case O::RightMirrored:
      t = gfx::AffineTransformScale(gfx::AffineTransformRotate(t, M_PI_2), 1, -1);
      swap = true;
      break;
    default:
      break;
  }
  if (gfx::AffineTransformIsIdentity(t)) return image;
  return DRCopyAffineTransformedImage(image, t, swap ? gfx::Size{h, w} : gfx::Size{w, h}, bitmapInfo);
}

Ref<fd::Data> DREncodeImageWithImageIO(const Ref<BitmapImage>& image, DRImageFileType type, double quality) {
  if (!image) return nullptr;
  quality = quality < 0 ? 0 : (quality > 1 ? 1 : quality);
  if (type == DRImageFileTypeWebP) return DREncodeImageAsWebP(image, quality == 1.0, quality, 4, 0);
  const rt::String uti = DRUTTypeForImageType(type);
  if (uti.isEmpty()) return nullptr;
  auto data = fd::MutableData::create();
  auto destination = gfx::ImageDestination::createWithData(data, uti, 1);
  if (!destination) return nullptr;
  auto props = fd::MutableDictionary::create();
  props->setObjectForKey(fd::box(quality), rt::String(gfx::kCGImageDestinationLossyCompressionQuality));
  destination->addImage(image, props);
  if (!destination->finalize() || data->length() == 0) return nullptr;
  return data;
}

Ref<fd::Data> DREncodeImageAsWebP(const Ref<BitmapImage>& image, bool lossless, double quality, int compressLevel,
                                  int preset) {
  if (!image) return nullptr;
  if (image->width() < 1 || image->width() > 16383 || image->height() < 1 || image->height() > 16383) return nullptr;
  DRBitmapBuffer buffer;
  if (!DRConvertImageToBitmapBuffer(image, &buffer, gfx::ImageAlphaLast)) return nullptr;
  quality = quality < 0 ? 0 : (quality > 1 ? 1 : quality);
  compressLevel = compressLevel < 0 ? 0 : (compressLevel > 6 ? 6 : compressLevel);
  if (preset < 0 || preset > 5) preset = 0;

  Ref<fd::Data> result;
  WebPConfig config;
  WebPPicture picture;
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  bool pictureReady = false;
  do {
    if (!WebPConfigPreset(&config, WebPPreset(preset), float(quality))) break;
    config.quality = float(std::round(quality * 100));
    config.lossless = lossless ? 1 : 0;
    config.method = compressLevel;
    static const WebPImageHint hints[6] = {WEBP_HINT_DEFAULT, WEBP_HINT_PICTURE, WEBP_HINT_PHOTO,
                                           WEBP_HINT_GRAPH,   WEBP_HINT_GRAPH,   WEBP_HINT_GRAPH};
    config.image_hint = hints[preset];
    if (!WebPValidateConfig(&config)) break;
    if (!WebPPictureInit(&picture)) break;
    pictureReady = true;
    picture.width = int(buffer.width);
    picture.height = int(buffer.height);
    picture.use_argb = lossless ? 1 : 0;
    if (!WebPPictureImportRGBA(&picture, static_cast<const uint8_t*>(buffer.data), int(buffer.rowBytes))) break;
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (!WebPEncode(&config, &picture)) break;
    if (writer.size > 0) result = fd::Data::create(writer.mem, writer.size);
  } while (false);
  WebPMemoryWriterClear(&writer);
  if (pictureReady) WebPPictureFree(&picture);
  std::free(buffer.data);
  return result;
}

}  // namespace image
