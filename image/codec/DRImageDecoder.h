#pragma once
// Turns encoded image data, whole or growing during a download, into frames: the platform's
// image sources for most types, the own APNG reading over them for animated PNG, and libwebp's
// demuxer for WebP. Frames come out either as their own pixels or composed on the animation
// canvas. Every operation but the duration query is serialized on one recursive lock, so one
// decoder may be used from several threads.
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "image/codec/DRImageCoderTypes.h"
#include "image/codec/DRImageFrame.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Class.h"

struct WebPDemuxer;

namespace fd {
class Data;
class Dictionary;
}  // namespace fd
namespace gfx {
class Context;
class ImageSource;
}  // namespace gfx

namespace image {

struct DRPNGInfo;

class DRImageDecoder : public rt::Object {
  RT_CLASS(DRImageDecoder, rt::Object)
 public:
  /// Scale 0 or below becomes 1.
  void init(double scale);
  void init();
  ~DRImageDecoder() override;

  /// Null for null data or data that gives no frames.
  static Ref<DRImageDecoder> decoderWithData(const Ref<fd::Data>& data, double scale);
  static Ref<DRImageDecoder> create(double scale);

  /// Every call passes the whole data so far. False after a final update, for shorter data,
  /// or for data whose type differs from the one already detected.
  bool updateData(const Ref<fd::Data>& data, bool final);
  /// With its image, or null.
  Ref<DRImageFrame> frameAtIndex(uint64_t index, bool decodeForDisplay);
  /// 0 for an index out of range. Takes only the frame-list lock.
  double frameDurationAtIndex(uint64_t index);
  /// Null once no platform image source is live (animated PNG, WebP) or for a bad index.
  Ref<fd::Dictionary> framePropertiesAtIndex(uint64_t index);
  Ref<fd::Dictionary> imageProperties();

  Ref<fd::Data> data();
  DRImageFileType type() const { return type_; }
  double scale() const { return scale_; }
  uint64_t frameCount() const { return frameCount_; }
  uint64_t loopCount() const { return loopCount_; }
  uint64_t width() const { return width_; }
  uint64_t height() const { return height_; }
  bool isFinalized() const { return finalized_; }

 private:
  // The decoder's own record of a frame; never holds an image.
  struct FrameRecord {
    uint64_t index = 0, width = 0, height = 0, offsetX = 0, offsetY = 0;
    double duration = 0;
    DRImageDisposeMethod dispose = DRImageDisposeNone;
    DRImageBlendOperation blend = DRImageBlendNone;
    bool hasAlpha = false;
    bool isFullSize = false;
    uint64_t blendFromIndex = 0;
  };
  static constexpr uint64_t kNotFound = std::numeric_limits<uint64_t>::max();

  bool updateDataLocked(const Ref<fd::Data>& data, bool final);
  void updateSource();
  void updateSourceImageIO();
  void updateSourceAPNG();
  void updateSourceWebP();
  void swapFrames(std::vector<FrameRecord> frames);
  Ref<DRImageFrame> frameAtIndexLocked(uint64_t index, bool decodeForDisplay);
  Ref<gfx::BitmapImage> newUnblendedImage(uint64_t index, bool extendToCanvas, bool* decoded);
  bool createBlendContextIfNeeded();
  void clearCanvasRect(const FrameRecord& f);
  void drawOnCanvas(const FrameRecord& f, const gfx::BitmapImage& image);
  void blendImageWithFrame(const FrameRecord& f);
  Ref<gfx::BitmapImage> newBlendedImageWithFrame(const FrameRecord& f);
  Ref<DRImageFrame> frameFromRecord(const FrameRecord& f) const;

  std::recursive_mutex lock_;
  bool sourceTypeDetected_ = false;
  Ref<gfx::ImageSource> source_;
  DRPNGInfo* apngSource_ = nullptr;
  WebPDemuxer* webpSource_ = nullptr;
  gfx::ImageOrientation orientation_ = gfx::ImageOrientation::Up;
  std::mutex framesLock_;
  std::vector<FrameRecord> frames_;
  bool needBlend_ = false;
  uint64_t blendFrameIndex_ = kNotFound;
  Ref<gfx::Context> blendCanvas_;

  Ref<fd::Data> data_;
  DRImageFileType type_ = DRImageFileTypeUnknown;
  double scale_ = 1;
  uint64_t frameCount_ = 0;
  uint64_t loopCount_ = 0;
  uint64_t width_ = 0;
  uint64_t height_ = 0;
  bool finalized_ = false;
};

}  // namespace image
