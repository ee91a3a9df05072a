#pragma once
// An image made from encoded data of any coder type, still or animated (GIF, APNG, WebP). It
// shows its first frame like any image and serves every frame through its decoder; frame
// queries may come from any thread.
#include <mutex>
#include <vector>

#include "image/codec/DRAnimatedImage.h"
#include "image/codec/DRImageCoderTypes.h"
#include "image/codec/DRImageDecoder.h"
#include "platform/graphics/Image.h"

namespace fd {
class Data;
}

namespace image {

class DRImage : public gfx::Image, public DRAnimatedImage {
  RT_CLASS(DRImage, gfx::Image)
 public:
  void init() {}
  /// False (no object) for null, empty or undecodable data; scale 0 or below: the screen's.
  bool init(const Ref<fd::Data>& data, double scale);
  static Ref<DRImage> imageWithData(const Ref<fd::Data>& data, double scale = 1);
  /// The scale is read from the name ("@2x").
  static Ref<DRImage> imageWithContentsOfFile(const rt::String& path);
  /// From the main bundle, no cache: the screen's preferred scales in turn, each with the
  /// name's own extension or else "", png, jpeg, jpg, gif and webp; the first file found wins.
  static Ref<DRImage> imageNamed(const rt::String& name);
  /// [1, 2, 3] on a 1x screen, [2, 3, 1] on 2x, [3, 2, 1] above; fixed on first use.
  static const std::vector<double>& preferredScales();

  DRImageFileType animatedImageType() const { return animatedImageType_; }
  /// Null for a still image.
  Ref<fd::Data> animatedImageData() const;
  uint64_t animatedImageMemorySize() const { return animatedImageMemorySize_; }
  bool preloadAllAnimatedImageFrames() const { return preloadAll_; }
  void setPreloadAllAnimatedImageFrames(bool preload);

  uint64_t animatedImageFrameCount() override;
  uint64_t animatedImageLoopCount() override;
  uint64_t animatedImageBytesPerFrame() override { return bytesPerFrame_; }
  Ref<gfx::Image> animatedImageFrameAtIndex(uint64_t index) override;
  double animatedImageDurationAtIndex(uint64_t index) override;

  /// "DRImageScale" and "DRImageData" when animated; a plain image archive otherwise.
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  Ref<DRImageDecoder> decoder_;
  std::mutex preloadedLock_;
  std::vector<Ref<gfx::Image>> preloadedFrames_;  // null entries: frames that gave nothing
  bool hasPreloaded_ = false;
  uint64_t bytesPerFrame_ = 0;
  uint64_t animatedImageMemorySize_ = 0;
  DRImageFileType animatedImageType_ = DRImageFileTypeUnknown;
  bool preloadAll_ = false;
};

}  // namespace image
