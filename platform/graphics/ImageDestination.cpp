#include "platform/graphics/ImageDestination.h"

#include <cstring>
#include <fstream>

#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/net/URL.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/codecs/Codec.h"

namespace gfx {

RT_IMPLEMENT_PLATFORM(ImageDestination) {}

namespace {

const codecs::Codec* encoderFor(const rt::String& type) {
  const codecs::Codec* c = codecs::codecFor(formatForTypeIdentifier(type));
  return c && c->encoder ? c : nullptr;
}

double number(const Ref<fd::Dictionary>& d, const char* key, double fallback) {
  if (!d) return fallback;
  auto n = d->objectForKeyAs<fd::Number>(key);
  return n ? n->doubleValue() : fallback;
}

// A key inside "{GIF}" (or "{WebP}"), whichever the caller used.
double animationNumber(const Ref<fd::Dictionary>& d, const char* key, double fallback) {
  if (!d) return fallback;
  for (const char* group : {kCGImagePropertyGIFDictionary, kCGImagePropertyWebPDictionary}) {
    auto g = d->objectForKeyAs<fd::Dictionary>(group);
    auto n = g ? g->objectForKeyAs<fd::Number>(key) : nullptr;
    if (n) return n->doubleValue();
  }
  return fallback;
}

codecs::Raster rasterOf(const BitmapImage& image) {
  Ref<BitmapImage> native = image.nativeCopy();
  codecs::Raster r;
  if (!native) return r;
  r.reset(uint32_t(native->width()), uint32_t(native->height()));
  r.rows = r.height;
  const bool opaque = native->alphaInfo() == ImageAlphaNoneSkipFirst || native->alphaInfo() == ImageAlphaNone;
  for (uint32_t y = 0; y < r.height; ++y) {
    std::memcpy(r.row(y), native->bytes() + y * native->bytesPerRow(), size_t(r.width) * 4);
    if (opaque)
      for (uint32_t x = 0; x < r.width; ++x) r.row(y)[x] |= 0xff000000u;
  }
  return r;
}

}  // namespace

Ref<ImageDestination> ImageDestination::createWithData(const Ref<fd::MutableData>& data, const rt::String& type,
                                                       size_t count, const Ref<fd::Dictionary>& options) {
  const codecs::Codec* c = encoderFor(type);
  if (!data || !c || count == 0) return nullptr;
  auto d = rt::make<ImageDestination>();
  d->format_ = c->format;
  d->capacity_ = c->encodesAnimation ? count : 1;
  d->data_ = data;
  d->setProperties(options);
  return d;
}

Ref<ImageDestination> ImageDestination::createWithURL(const Ref<fd::URL>& url, const rt::String& type, size_t count,
                                                      const Ref<fd::Dictionary>& options) {
  if (!url || !url->isFileURL()) return nullptr;
  auto d = createWithData(fd::MutableData::create(), type, count, options);
  if (d) d->path_ = url->path();
  return d;
}

std::vector<rt::String> ImageDestination::copyTypeIdentifiers() {
  std::vector<rt::String> out;
  for (ImageFormat f : {ImageFormat::PNG, ImageFormat::JPEG, ImageFormat::GIF, ImageFormat::WebP, ImageFormat::BMP,
                        ImageFormat::ICO, ImageFormat::TIFF, ImageFormat::JPEG2000, ImageFormat::ICNS}) {
    const codecs::Codec* c = codecs::codecFor(f);
    if (c && c->encoder) out.push_back(typeIdentifierForFormat(f));
  }
  return out;
}

void ImageDestination::setProperties(const Ref<fd::Dictionary>& properties) {
  defaultQuality_ = number(properties, kCGImageDestinationLossyCompressionQuality, defaultQuality_);
  loopCount_ = int(animationNumber(properties, kCGImagePropertyGIFLoopCount, loopCount_));
}

void ImageDestination::addImage(const Ref<BitmapImage>& image, const Ref<fd::Dictionary>& properties) {
  if (!image || finalized_ || images_.size() >= capacity_) return;
  Pending p;
  p.image = image;
  p.quality = number(properties, kCGImageDestinationLossyCompressionQuality, defaultQuality_);
  p.delay = animationNumber(properties, kCGImagePropertyGIFDelayTime, -1);
  images_.push_back(std::move(p));
}

void ImageDestination::addImageFromSource(const Ref<ImageSource>& source, size_t index,
                                          const Ref<fd::Dictionary>& properties) {
  if (!source) return;
  Ref<BitmapImage> image = source->createImageAtIndex(index);
  if (!image) return;
  size_t before = images_.size();
  addImage(image, properties);
  if (images_.size() > before && images_.back().delay < 0)
    images_.back().delay = animationNumber(source->copyPropertiesAtIndex(index), kCGImagePropertyGIFUnclampedDelayTime, -1);
}

bool ImageDestination::finalize() {
  if (finalized_ || images_.empty()) return false;
  finalized_ = true;
  const codecs::Codec* c = codecs::codecFor(format_);
  std::vector<codecs::Raster> rasters;
  rasters.reserve(images_.size());
  std::vector<codecs::EncodeFrame> frames;
  for (const auto& p : images_) {
    rasters.push_back(rasterOf(*p.image));
    if (rasters.back().width == 0) return false;
    codecs::EncodeFrame f;
    f.raster = &rasters.back();
    f.quality = p.quality;
    f.delay = p.delay < 0 ? 0.1 : p.delay;
    frames.push_back(f);
  }
  codecs::EncodeOptions options;
  options.loopCount = loopCount_;
  std::vector<uint8_t> bytes;
  if (!c->encoder(frames, options, bytes)) return false;
  if (!path_.isEmpty()) {
    std::ofstream out(path_.cString(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) return false;
  }
  data_->appendBytes(bytes.data(), bytes.size());
  return true;
}

}  // namespace gfx
