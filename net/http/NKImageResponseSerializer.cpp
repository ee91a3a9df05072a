#include "net/http/NKImageResponseSerializer.h"

#include <mutex>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/Set.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URLResponse.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageSource.h"

namespace net {

namespace {

constexpr size_t kMaxInflatedPixels = 1024 * 1024;

/// The first frame of `data` decoded by the platform's codecs.
Ref<gfx::BitmapImage> decodeBitmap(const Ref<fd::Data>& data) {
  auto source = gfx::ImageSource::createWithData(data);
  return source && source->count() > 0 ? source->createImageAtIndex(0) : nullptr;
}

}  // namespace

RT_IMPLEMENT(NKImageResponseSerializer) {
  using S = NKImageResponseSerializer;
  c.property("imageScale", &S::imageScale, &S::setImageScale);
  c.property("automaticallyInflatesResponseImage", &S::automaticallyInflatesResponseImage,
             &S::setAutomaticallyInflatesResponseImage);
  c.protocol("NSSecureCoding");
}

void NKImageResponseSerializer::init() {
  NKHTTPResponseSerializer::init();
  std::vector<rt::Id> types;
  for (const char* t : {"image/tiff", "image/jpeg", "image/gif", "image/png", "image/ico", "image/x-icon", "image/bmp",
                        "image/x-bmp", "image/x-xbitmap", "image/x-win-bitmap"}) {
    types.push_back(fd::StringObject::create(fd::String(t)));
  }
  setAcceptableContentTypes(fd::Set::create(std::move(types)));
  imageScale_ = gfx::mainScreenScale();
  inflates_ = true;
}

Ref<NKImageResponseSerializer> NKImageResponseSerializer::serializer() { return rt::make<NKImageResponseSerializer>(); }

rt::Id NKImageResponseSerializer::responseObjectForResponse(const Ref<fd::URLResponse>& response,
                                                            const Ref<fd::Data>& data, Ref<fd::Error>* error) {
  if (!shouldDecode(response, data, error)) return nullptr;
  return inflates_ ? NKInflatedImageFromResponse(response, data, imageScale_) : NKImageFromDataAtScale(data, imageScale_);
}

void NKImageResponseSerializer::encodeWithCoder(fd::KeyedArchiver& coder) const {
  NKHTTPResponseSerializer::encodeWithCoder(coder);
  coder.encodeObject(fd::Number::numberWithDouble(imageScale_), "imageScale");
  coder.encodeBool(inflates_, "automaticallyInflatesResponseImage");
}

bool NKImageResponseSerializer::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!NKHTTPResponseSerializer::initWithCoder(coder)) return false;
  if (auto n = rt::as<fd::Number>(coder.decodeObjectOfClass(fd::Number::classObject(), "imageScale"))) {
    imageScale_ = n->doubleValue();
  }
  // An absent key keeps init's default (on) rather than reading as off.
  if (coder.containsValueForKey("automaticallyInflatesResponseImage")) {
    inflates_ = coder.decodeBool("automaticallyInflatesResponseImage");
  }
  return true;
}

rt::Id NKImageResponseSerializer::copy() const {
  auto copy = rt::make<NKImageResponseSerializer>();
  copy->imageScale_ = imageScale_;
  copy->inflates_ = inflates_;
  return copy;
}

Ref<gfx::Image> nk_safeImageWithData(const Ref<fd::Data>& data) {
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  return gfx::Image::imageWithData(data);
}

Ref<gfx::Image> NKImageFromDataAtScale(const Ref<fd::Data>& data, double scale) {
  if (!data) return nullptr;
  auto image = nk_safeImageWithData(data);
  if (!image || !image->images().empty()) return image;
  if (!image->CGImage()) return nullptr;
  return gfx::Image::imageWithCGImage(image->CGImage(), scale, image->imageOrientation());
}

Ref<gfx::Image> NKInflatedImageFromResponse(const Ref<fd::URLResponse>& response, const Ref<fd::Data>& data,
                                            double scale) {
  if (!data || data->length() == 0) return nullptr;
  Ref<gfx::BitmapImage> bitmap;
  const auto& mime = response ? response->MIMEType() : std::nullopt;
  if (mime && *mime == fd::String("image/png")) {
    bitmap = decodeBitmap(data);
  } else if (mime && *mime == fd::String("image/jpeg")) {
    bitmap = decodeBitmap(data);
    // CMYK bitmaps are redrawn from the decoded picture instead.
    if (bitmap && bitmap->colorSpace() && bitmap->colorSpace()->model() == gfx::ColorSpaceModel::CMYK) bitmap = nullptr;
  }

  auto image = NKImageFromDataAtScale(data, scale);
  if (!bitmap) {
    if (!image || !image->images().empty() || !image->CGImage()) return image;
    const auto& decoded = image->CGImage();
    bitmap = gfx::BitmapImage::createCopying(decoded->format(), decoded->bytes());
    if (!bitmap) return nullptr;
  }

  size_t width = bitmap->width(), height = bitmap->height();
  if (width * height > kMaxInflatedPixels || bitmap->bitsPerComponent() > 8) return image;

  auto space = gfx::ColorSpace::createDeviceRGB();
  uint32_t info = bitmap->bitmapInfo();
  uint32_t alpha = info & gfx::BitmapAlphaInfoMask;
  if (alpha == gfx::ImageAlphaNone) {
    info = (info & ~gfx::BitmapAlphaInfoMask) | gfx::ImageAlphaNoneSkipFirst;
  } else if (alpha != gfx::ImageAlphaNoneSkipFirst && alpha != gfx::ImageAlphaNoneSkipLast) {
    info = (info & ~gfx::BitmapAlphaInfoMask) | gfx::ImageAlphaPremultipliedFirst;
  }
  auto context = gfx::Context::createBitmap(nullptr, width, height, bitmap->bitsPerComponent(), 0, space, info);
  if (!context) return image;
  context->drawImage(gfx::Rect{{0, 0}, {static_cast<double>(width), static_cast<double>(height)}}, *bitmap);
  auto inflated = context->makeImage();
  if (!inflated) return image;
  return gfx::Image::imageWithCGImage(inflated, scale,
                                      image ? image->imageOrientation() : gfx::ImageOrientation::Up);
}

}  // namespace net
