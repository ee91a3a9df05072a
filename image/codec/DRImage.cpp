#include "image/codec/DRImage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/codec/DRImagePathScale.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"

namespace image {

RT_IMPLEMENT(DRImage) {}

namespace {

// Durations this short are an old browser convention for "as fast as you can": shown at 0.1 s.
constexpr float kMinimumDuration = 0.011f;
constexpr float kFloorDuration = 0.1f;

}  // namespace

bool DRImage::init(const Ref<fd::Data>& data, double scale) {
  if (!data || data->length() == 0) return false;
  if (scale <= 0) scale = gfx::mainScreenScale();
  auto decoder = DRImageDecoder::decoderWithData(data, scale);
  if (!decoder) return false;
  auto frame = decoder->frameAtIndex(0, true);
  if (!frame || !frame->image || !frame->image->CGImage()) return false;
  if (!gfx::Image::init(frame->image->CGImage(), decoder->scale(), frame->image->imageOrientation())) return false;
  animatedImageType_ = decoder->type();
  if (decoder->frameCount() > 1) {
    decoder_ = decoder;
    const auto& bitmap = frame->image->CGImage();
    bytesPerFrame_ = uint64_t(bitmap->bytesPerRow()) * bitmap->height();
    animatedImageMemorySize_ = bytesPerFrame_ * decoder->frameCount();
  }
  setDecodedForDisplay(*this, true);
  return true;
}

Ref<DRImage> DRImage::imageWithData(const Ref<fd::Data>& data, double scale) { return rt::make<DRImage>(data, scale); }

Ref<DRImage> DRImage::imageWithContentsOfFile(const rt::String& path) {
  if (path.isEmpty()) return nullptr;
  auto data = fd::dataWithContentsOfFile(path);
  if (!data || data->length() == 0) return nullptr;
  return imageWithData(data, DRImagePathScale(path));
}

const std::vector<double>& DRImage::preferredScales() {
  static const std::vector<double> scales = [] {
    const double screen = gfx::mainScreenScale();
    if (screen <= 1) return std::vector<double>{1, 2, 3};
    if (screen <= 2) return std::vector<double>{2, 3, 1};
    return std::vector<double>{3, 2, 1};
  }();
  return scales;
}

Ref<DRImage> DRImage::imageNamed(const rt::String& name) {
  if (name.isEmpty() || name.hasSuffix("/")) return nullptr;
  const rt::String extension = name.pathExtension();
  const rt::String base = name.stringByDeletingPathExtension();
  std::vector<rt::String> extensions;
  if (!extension.isEmpty()) extensions = {extension};
  else extensions = {"", "png", "jpeg", "jpg", "gif", "webp"};
  auto bundle = fd::Bundle::mainBundle();
  if (!bundle) return nullptr;
  for (double scale : preferredScales()) {
    rt::String resource = base;
    if (std::fabs(scale - 1) > 1.1920928955078125e-7) {
      char suffix[32];
      std::snprintf(suffix, sizeof suffix, "@%gx", scale);
      resource = rt::String((base.utf8() + suffix).c_str());
    }
    for (const rt::String& type : extensions) {
      auto path = bundle->pathForResource(resource, type);
      if (!path) continue;
      auto data = fd::dataWithContentsOfFile(*path);
      if (!data || data->length() == 0) return nullptr;
      return imageWithData(data, scale);
    }
  }
  return nullptr;
}

Ref<fd::Data> DRImage::animatedImageData() const { return decoder_ ? decoder_->data() : nullptr; }

uint64_t DRImage::animatedImageFrameCount() { return decoder_ ? decoder_->frameCount() : 0; }
uint64_t DRImage::animatedImageLoopCount() { return decoder_ ? decoder_->loopCount() : 0; }

Ref<gfx::Image> DRImage::animatedImageFrameAtIndex(uint64_t index) {
  if (index >= animatedImageFrameCount()) return nullptr;
  {
    std::lock_guard guard(preloadedLock_);
    if (hasPreloaded_) return index < preloadedFrames_.size() ? preloadedFrames_[index] : nullptr;
  }
  auto frame = decoder_->frameAtIndex(index, true);
  return frame ? frame->image : nullptr;
}

double DRImage::animatedImageDurationAtIndex(uint64_t index) {
  if (!decoder_) return 0;
  const double duration = decoder_->frameDurationAtIndex(index);
  return duration < double(kMinimumDuration) ? double(kFloorDuration) : duration;
}

void DRImage::setPreloadAllAnimatedImageFrames(bool preload) {
  if (preload == preloadAll_) return;
  std::vector<Ref<gfx::Image>> frames;
  const bool install = preload && animatedImageFrameCount() > 0;
  if (install) {
    const uint64_t count = animatedImageFrameCount();
    frames.reserve(count);
    for (uint64_t i = 0; i < count; ++i) frames.push_back(animatedImageFrameAtIndex(i));
  }
  {
    std::lock_guard guard(preloadedLock_);
    preloadedFrames_.swap(frames);
    hasPreloaded_ = install;
  }
  preloadAll_ = preload;
}

void DRImage::encodeWithCoder(fd::KeyedArchiver& coder) const {
  auto data = animatedImageData();
  if (!data) {
    gfx::Image::encodeWithCoder(coder);
    return;
  }
  coder.encodeObject(fd::Number::numberWithDouble(scale()), "DRImageScale");
  coder.encodeObject(data, "DRImageData");
}

bool DRImage::initWithCoder(fd::KeyedUnarchiver& coder) {
  auto data = rt::as<fd::Data>(coder.decodeObjectForKey("DRImageData"));
  if (data && data->length() > 0) {
    auto scale = rt::as<fd::Number>(coder.decodeObjectForKey("DRImageScale"));
    return init(data, scale ? scale->doubleValue() : 1);
  }
  return gfx::Image::initWithCoder(coder);
}

}  // namespace image
