#pragma once
// An animation made of separate image files or data, one duration each. Frames are read and
// decoded on every request, keeping nothing: time traded for memory.
#include <vector>

#include "image/codec/DRAnimatedImage.h"
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace image {

class DRFrameImage : public gfx::Image, public DRAnimatedImage {
  RT_CLASS(DRFrameImage, gfx::Image)
 public:
  void init() {}
  /// False (no object) without paths, for lists of different counts or an unreadable first file.
  bool init(const std::vector<rt::String>& paths, const std::vector<double>& durations, uint64_t loopCount);
  bool init(const std::vector<Ref<fd::Data>>& datas, const std::vector<double>& durations, uint64_t loopCount);
  static Ref<DRFrameImage> withPaths(const std::vector<rt::String>& paths, double oneFrameDuration, uint64_t loopCount);
  static Ref<DRFrameImage> withDatas(const std::vector<Ref<fd::Data>>& datas, double oneFrameDuration, uint64_t loopCount);

  uint64_t animatedImageFrameCount() override;
  uint64_t animatedImageLoopCount() override { return loopCount_; }
  uint64_t animatedImageBytesPerFrame() override { return oneFrameBytes_; }
  Ref<gfx::Image> animatedImageFrameAtIndex(uint64_t index) override;
  double animatedImageDurationAtIndex(uint64_t index) override;

 private:
  bool initWithFirst(const Ref<gfx::Image>& first, double scale, const std::vector<double>& durations, uint64_t loopCount);
  std::vector<rt::String> imagePaths_;
  std::vector<Ref<fd::Data>> imageDatas_;
  std::vector<double> frameDurations_;
  uint64_t loopCount_ = 0;
  uint64_t oneFrameBytes_ = 0;
};

}  // namespace image
