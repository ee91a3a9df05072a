#include "image/web/Image+GIF.h"

#include "platform/foundation/files/Bundle.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"
#include "platform/graphics/ImageSource.h"
#include "platform/graphics/ImageTypes.h"

namespace image {

float wi_frameDurationAtIndex(size_t index, const Ref<gfx::ImageSource>& source) {
  float duration = 0.1f;
  auto properties = source ? source->copyPropertiesAtIndex(index) : nullptr;
  if (!properties) return duration;
  if (auto gif = properties->objectForKeyAs<fd::Dictionary>(gfx::kCGImagePropertyGIFDictionary)) {
    if (auto unclamped = gif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFUnclampedDelayTime)) {
      duration = static_cast<float>(unclamped->doubleValue());
    } else if (auto delay = gif->objectForKeyAs<fd::Number>(gfx::kCGImagePropertyGIFDelayTime)) {
      duration = static_cast<float>(delay->doubleValue());
    }
  }
  // Browsers and the platform show delays this short as 0.1 s; so do we.
  if (duration < 0.011f) duration = 0.1f;
  return duration;
}

Ref<gfx::Image> wi_animatedGIFWithData(const Ref<fd::Data>& data) {
  if (!data) return nullptr;
  auto source = gfx::ImageSource::createWithData(data);
  if (!source) return nullptr;
  const size_t count = source->count();
  if (count <= 1) return gfx::Image::imageWithData(data);
  std::vector<Ref<gfx::Image>> frames;
  double duration = 0;
  const double scale = gfx::mainScreenScale();
  for (size_t i = 0; i < count; ++i) {
    auto bitmap = source->createImageAtIndex(i);
    if (!bitmap) continue;
    duration += wi_frameDurationAtIndex(i, source);
    frames.push_back(gfx::Image::imageWithCGImage(bitmap, scale, gfx::ImageOrientation::Up));
  }
  return gfx::Image::animatedImageWithImages(frames, duration);
}

Ref<gfx::Image> wi_animatedGIFNamed(const fd::String& name) {
  auto bundle = fd::Bundle::mainBundle();
  if (!bundle) return nullptr;
  if (gfx::mainScreenScale() > 1.0) {
    if (auto path = bundle->pathForResource(name + "@2x", "gif"))
      if (auto data = fd::dataWithContentsOfFile(*path)) return wi_animatedGIFWithData(data);
  }
  if (auto path = bundle->pathForResource(name, "gif"))
    if (auto data = fd::dataWithContentsOfFile(*path)) return wi_animatedGIFWithData(data);
  return gfx::Image::imageNamed(name);
}

Ref<gfx::Image> wi_animatedImageByScalingAndCroppingToSize(const Ref<gfx::Image>& receiver, gfx::Size size) {
  if (!receiver) return nullptr;
  if (receiver->images().empty()) return receiver;
  const gfx::Size own = receiver->size();
  if ((size.width == own.width && size.height == own.height) || (size.width == 0 && size.height == 0) ||
      own.width <= 0 || own.height <= 0)
    return receiver;
  const double widthFactor = size.width / own.width;
  const double heightFactor = size.height / own.height;
  const double factor = std::max(widthFactor, heightFactor);
  const gfx::Size scaled{own.width * factor, own.height * factor};
  gfx::Point origin{0, 0};
  if (widthFactor > heightFactor) origin.y = (size.height - scaled.height) * 0.5;
  else if (heightFactor > widthFactor) origin.x = (size.width - scaled.width) * 0.5;
  std::vector<Ref<gfx::Image>> frames;
  gfx::beginImageContextWithOptions(size, false, 0);
  // Cleared before each frame: a frame with transparency must not show the ones before it.
  for (const auto& frame : receiver->images()) {
    if (auto context = gfx::currentContext()) context->clearRect(gfx::Rect{{0, 0}, size});
    frame->drawInRect(gfx::Rect{origin, scaled});
    if (auto drawn = gfx::imageFromCurrentImageContext()) frames.push_back(drawn);
  }
  gfx::endImageContext();
  return gfx::Image::animatedImageWithImages(frames, receiver->duration());
}

}  // namespace image
