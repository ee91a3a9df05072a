#pragma once
// An image view that plays any animated image frame by frame from a display link, decoding
// frames ahead on a queue of its own into a buffer sized by the device's memory. Plain images
// and image sequences behave as in the platform's image view. Main thread only; the buffer is
// shared with the fetch operation under a lock.
#include <atomic>
#include <map>
#include <mutex>

#include "image/codec/DRAnimatedImage.h"
#include "platform/foundation/threads/Operation.h"
#include "platform/foundation/threads/OperationQueue.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/layer/DisplayLink.h"

namespace image {

class DRAnimatedImageView : public ui::ImageView {
  RT_CLASS(DRAnimatedImageView, ui::ImageView)
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  void init(const Ref<gfx::Image>& image, const Ref<gfx::Image>& highlighted = nullptr);
  ~DRAnimatedImageView() override;

  enum ImageSlot { SlotNone = 0, SlotImage = 1, SlotHighlightedImage = 2, SlotAnimationImages = 3, SlotHighlightedAnimationImages = 4 };

  void setImage(Ref<gfx::Image> image) override;
  void setHighlightedImage(Ref<gfx::Image> image) override;
  void setAnimationImages(std::vector<Ref<gfx::Image>> images);
  void setHighlightedAnimationImages(std::vector<Ref<gfx::Image>> images);
  void setHighlighted(bool on) override;

  void startAnimating() override;
  void stopAnimating() override;
  bool isAnimating() const override { return currentIsPlayingAnimation_; }
  void didMoveToWindow() override;
  void didMoveToSuperview() override;

  bool autoPlayAnimatedImage() const { return autoPlayAnimatedImage_; }
  void setAutoPlayAnimatedImage(bool on) { autoPlayAnimatedImage_ = on; }
  bool currentIsPlayingAnimation() const { return currentIsPlayingAnimation_; }
  /// Observable under "currentAnimatedImageIndex".
  uint64_t currentAnimatedImageIndex() const { return curIndex_; }
  /// Ignored without an animated image, for an index past its frames or the current one.
  void setCurrentAnimatedImageIndex(uint64_t index);
  const rt::String& runloopMode() const { return runloopMode_; }
  void setRunloopMode(const rt::String& mode);
  /// Bytes; 0 sizes the buffer from the device's memory.
  uint64_t maxBufferSize() const { return maxBufferSize_; }
  void setMaxBufferSize(uint64_t bytes) { maxBufferSize_ = bytes; }

  /// The display link (null before the first animated image); tests and hosts drive it.
  const Ref<ui::DisplayLink>& displayLink() const { return link_; }
  /// Frames buffered now.
  size_t bufferedFrameCount();
  /// Waits (real time, bounded) until no fetch is queued or running.
  void waitForFetches();

  bool displayLayer(ui::Layer& layer) override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

  void didReceiveMemoryWarning();
  void didEnterBackground();

 protected:
  void updateContents() override;

 private:
  friend class DRAnimatedImageViewFetchOperation;
  void setupIfNeeded();
  void setImageWithType(rt::Id value, ImageSlot slot);
  ImageSlot currentImageType() const;
  Ref<gfx::Image> imageForType(ImageSlot slot) const;
  void resetAnimated();
  void imageChanged();
  void didMoved();
  void calcMaxBufferCount();
  void step(ui::DisplayLink& link);
  void setContentsRect(gfx::Rect rect, const Ref<gfx::Image>& image);
  void setIndexNotifying(uint64_t index);
  void keepOnlyNextFrame();

  bool autoPlayAnimatedImage_ = true;
  bool currentIsPlayingAnimation_ = false;
  rt::String runloopMode_;
  uint64_t maxBufferSize_ = 0;

  Ref<gfx::Image> curAnimatedImage_;
  DRAnimatedImage* curAnimated_ = nullptr;  // the same object, seen through its protocol
  std::mutex lock_;
  Ref<fd::OperationQueue> requestQueue_;
  Ref<ui::DisplayLink> link_;
  double time_ = 0;
  Ref<gfx::Image> curFrame_;
  uint64_t curIndex_ = 0;
  uint64_t totalFrameCount_ = 1;
  bool loopEnd_ = false;
  uint64_t curLoop_ = 0;
  uint64_t totalLoop_ = 0;
  std::map<uint64_t, Ref<gfx::Image>> buffer_;  // null entries: frames that gave no image
  bool bufferMiss_ = false;
  std::atomic<uint64_t> maxBufferCount_{1};
  std::atomic<int64_t> incrBufferCount_{0};
  gfx::Rect curContentsRect_{{0, 0}, {1, 1}};
  bool curImageHasContentsRect_ = false;
  bool setUp_ = false;
  Ref<rt::Object> observerToken_;
};

/// Fills the view's buffer from `nextIndex` on, a growing number of frames per run.
class DRAnimatedImageViewFetchOperation : public fd::Operation {
  RT_CLASS(DRAnimatedImageViewFetchOperation, fd::Operation)
 public:
  void init() { fd::Operation::init(); }
  void main() override;
  Weak<DRAnimatedImageView> view;
  uint64_t nextIndex = 0;
  Ref<gfx::Image> curImage;
};

}  // namespace image
