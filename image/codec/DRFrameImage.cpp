#include "image/codec/DRFrameImage.h"

#include "image/codec/DRImagePathScale.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/foundation/files/FileManager.h"
#include "platform/foundation/values/Data.h"
#include "platform/graphics/ImageContext.h"

namespace image {

RT_IMPLEMENT(DRFrameImage) {}

bool DRFrameImage::initWithFirst(const Ref<gfx::Image>& first, double scale, const std::vector<double>& durations,
                                 uint64_t loopCount) {
  auto decoded = imageByDecoded(first);
  if (!decoded || !decoded->CGImage()) return false;
  if (!gfx::Image::init(decoded->CGImage(), scale, gfx::ImageOrientation::Up)) return false;
  oneFrameBytes_ = uint64_t(decoded->CGImage()->bytesPerRow()) * decoded->CGImage()->height();
  frameDurations_ = durations;
  loopCount_ = loopCount;
  return true;
}

bool DRFrameImage::init(const std::vector<rt::String>& paths, const std::vector<double>& durations, uint64_t loopCount) {
  if (paths.empty() || durations.size() != paths.size()) return false;
  auto data = fd::dataWithContentsOfFile(paths[0]);
  if (!data || data->length() == 0) return false;
  const double scale = DRImagePathScale(paths[0]);
  if (!initWithFirst(gfx::Image::imageWithData(data, scale), scale, durations, loopCount)) return false;
  imagePaths_ = paths;
  return true;
}

bool DRFrameImage::init(const std::vector<Ref<fd::Data>>& datas, const std::vector<double>& durations, uint64_t loopCount) {
  if (datas.empty() || durations.size() != datas.size() || !datas[0]) return false;
  const double scale = gfx::mainScreenScale();
  if (!initWithFirst(gfx::Image::imageWithData(datas[0], scale), scale, durations, loopCount)) return false;
  imageDatas_ = datas;
  return true;
}

Ref<DRFrameImage> DRFrameImage::withPaths(const std::vector<rt::String>& paths, double oneFrameDuration, uint64_t loopCount) {
  return rt::make<DRFrameImage>(paths, std::vector<double>(paths.size(), oneFrameDuration), loopCount);
}

Ref<DRFrameImage> DRFrameImage::withDatas(const std::vector<Ref<fd::Data>>& datas, double oneFrameDuration,
                                          uint64_t loopCount) {
  return rt::make<DRFrameImage>(datas, std::vector<double>(datas.size(), oneFrameDuration), loopCount);
}

uint64_t DRFrameImage::animatedImageFrameCount() {
  if (!imagePaths_.empty()) return imagePaths_.size();
  if (!imageDatas_.empty()) return imageDatas_.size();
  return 1;
}

Ref<gfx::Image> DRFrameImage::animatedImageFrameAtIndex(uint64_t index) {
  if (!imagePaths_.empty()) {
    if (index >= imagePaths_.size()) return nullptr;
    auto data = fd::dataWithContentsOfFile(imagePaths_[index]);
    if (!data) return nullptr;
    return imageByDecoded(gfx::Image::imageWithData(data, DRImagePathScale(imagePaths_[index])));
  }
  if (!imageDatas_.empty()) {
    if (index >= imageDatas_.size() || !imageDatas_[index]) return nullptr;
    return imageByDecoded(gfx::Image::imageWithData(imageDatas_[index], gfx::mainScreenScale()));
  }
  return index == 0 ? std::static_pointer_cast<gfx::Image>(shared_from_this()) : nullptr;
}

double DRFrameImage::animatedImageDurationAtIndex(uint64_t index) {
  return index < frameDurations_.size() ? frameDurations_[index] : 0;
}

}  // namespace image
