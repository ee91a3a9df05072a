#include "image/views/DRAnimatedImageView.h"

#include <chrono>
#include <random>
#include <thread>

#include "base/system/Device+DUDer.h"
#include "image/codec/Image+DRImageCoder.h"
#include "image/codec/DRSpriteSheetImage.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/host/Device.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"

namespace image {

RT_IMPLEMENT(DRAnimatedImageView) {
  c.property("currentAnimatedImageIndex", &DRAnimatedImageView::currentAnimatedImageIndex);
}
RT_IMPLEMENT(DRAnimatedImageViewFetchOperation) {}

namespace {

constexpr const char* kIndexKey = "currentAnimatedImageIndex";
constexpr int64_t kMinimumBufferBytes = 10 * 1024 * 1024;
const gfx::Rect kUnitRect{{0, 0}, {1, 1}};

DRAnimatedImage* animatedOf(const Ref<gfx::Image>& image) { return dynamic_cast<DRAnimatedImage*>(image.get()); }

}  // namespace

void DRAnimatedImageView::init(gfx::Rect frame) {
  ui::ImageView::init(frame);
  runloopMode_ = fd::NSRunLoopCommonModes;
  autoPlayAnimatedImage_ = true;
}

void DRAnimatedImageView::init(const Ref<gfx::Image>& image, const Ref<gfx::Image>& highlighted) {
  init(gfx::RectZero);
  const auto& sizing = image ? image : highlighted;
  if (sizing) setFrame(gfx::Rect{{0, 0}, sizing->size()});
  if (image) setImage(image);
  if (highlighted) setHighlightedImage(highlighted);
}

DRAnimatedImageView::~DRAnimatedImageView() {
  if (requestQueue_) requestQueue_->cancelAllOperations();
  auto center = fd::NotificationCenter::defaultCenter();
  if (observerToken_) center->removeObserver(observerToken_);
  if (link_) link_->invalidate();
}

void DRAnimatedImageView::setupIfNeeded() {
  if (setUp_) return;
  setUp_ = true;
  requestQueue_ = fd::OperationQueue::create("com.kestrum.durar.animated-image-view");
  requestQueue_->setMaxConcurrentOperationCount(1);
  // The link holds the view weakly, so a playing view can still go away.
  Weak<DRAnimatedImageView> weak = std::static_pointer_cast<DRAnimatedImageView>(self());
  link_ = ui::DisplayLink::displayLinkWithBlock([weak](ui::DisplayLink& link) {
    if (auto view = weak.lock()) view->step(link);
  });
  if (!runloopMode_.isEmpty()) link_->addToRunLoop(fd::RunLoop::mainRunLoop(), runloopMode_);
  link_->setPaused(true);
  auto center = fd::NotificationCenter::defaultCenter();
  auto holder = rt::make<rt::Object>();
  center->addObserver(
      holder, [weak](const Ref<fd::Notification>&) { if (auto v = weak.lock()) v->didReceiveMemoryWarning(); },
      rt::String(ui::UIApplicationDidReceiveMemoryWarningNotification), nullptr);
  center->addObserver(
      holder, [weak](const Ref<fd::Notification>&) { if (auto v = weak.lock()) v->didEnterBackground(); },
      rt::String(ui::UIApplicationDidEnterBackgroundNotification), nullptr);
  observerToken_ = holder;
}

void DRAnimatedImageView::setImage(Ref<gfx::Image> image) {
  if (ui::ImageView::image() == image) return;
  setImageWithType(image, SlotImage);
}

void DRAnimatedImageView::setHighlightedImage(Ref<gfx::Image> image) {
  if (highlightedImage() == image) return;
  setImageWithType(image, SlotHighlightedImage);
}

void DRAnimatedImageView::setAnimationImages(std::vector<Ref<gfx::Image>> images) {
  if (animationImages() == images) return;
  ui::ImageView::setAnimationImages(std::move(images));
  setImageWithType(nullptr, SlotAnimationImages);
}

void DRAnimatedImageView::setHighlightedAnimationImages(std::vector<Ref<gfx::Image>> images) {
  if (highlightedAnimationImages() == images) return;
  ui::ImageView::setHighlightedAnimationImages(std::move(images));
  setImageWithType(nullptr, SlotHighlightedAnimationImages);
}

void DRAnimatedImageView::setImageWithType(rt::Id value, ImageSlot slot) {
  stopAnimating();
  if (link_) resetAnimated();
  curFrame_ = nullptr;
  if (slot == SlotImage) ui::ImageView::setImage(rt::as<gfx::Image>(value));
  else if (slot == SlotHighlightedImage) ui::ImageView::setHighlightedImage(rt::as<gfx::Image>(value));
  imageChanged();
}

void DRAnimatedImageView::setHighlighted(bool on) {
  ui::ImageView::setHighlighted(on);
  if (link_) resetAnimated();
  imageChanged();
}

DRAnimatedImageView::ImageSlot DRAnimatedImageView::currentImageType() const {
  if (isHighlighted()) {
    if (!highlightedAnimationImages().empty()) return SlotHighlightedAnimationImages;
    if (highlightedImage()) return SlotHighlightedImage;
  }
  if (!animationImages().empty()) return SlotAnimationImages;
  if (ui::ImageView::image()) return SlotImage;
  return SlotNone;
}

Ref<gfx::Image> DRAnimatedImageView::imageForType(ImageSlot slot) const {
  if (slot == SlotImage) return ui::ImageView::image();
  if (slot == SlotHighlightedImage) return highlightedImage();
  return nullptr;
}

void DRAnimatedImageView::setIndexNotifying(uint64_t index) {
  if (hasObservers()) {
    willChangeValueForKey(kIndexKey);
    curIndex_ = index;
    didChangeValueForKey(kIndexKey);
  } else {
    curIndex_ = index;
  }
}

void DRAnimatedImageView::resetAnimated() {
  setupIfNeeded();
  requestQueue_->cancelAllOperations();
  {
    std::lock_guard guard(lock_);
    if (!buffer_.empty()) {
      // Frames are released off the main thread.
      auto old = std::make_shared<std::map<uint64_t, Ref<gfx::Image>>>(std::move(buffer_));
      buffer_.clear();
      dispatch::globalQueue(dispatch::kPriorityLow)->async([old] { old->clear(); });
    }
  }
  link_->setPaused(true);
  time_ = 0;
  if (curIndex_ != 0) setIndexNotifying(0);
  curAnimatedImage_ = nullptr;
  curAnimated_ = nullptr;
  curFrame_ = nullptr;
  curLoop_ = 0;
  totalLoop_ = 0;
  totalFrameCount_ = 1;
  loopEnd_ = false;
  bufferMiss_ = false;
  incrBufferCount_ = 0;
}

void DRAnimatedImageView::imageChanged() {
  const ImageSlot slot = currentImageType();
  Ref<gfx::Image> newImage = imageForType(slot);
  DRAnimatedImage* animated = animatedOf(newImage);
  uint64_t frameCount = animated ? animated->animatedImageFrameCount() : 0;
  if (animated && frameCount > 1 && animated->animatedImageContentsRectAtIndex(0)) {
    curImageHasContentsRect_ = true;
    setContentsRect(*animated->animatedImageContentsRectAtIndex(0), newImage);
  } else if (curImageHasContentsRect_) {
    if (layer()->contentsRect() != kUnitRect) {
      ui::Transaction::begin();
      ui::Transaction::setDisableActions(true);
      layer()->setContentsRect(kUnitRect);
      ui::Transaction::commit();
    }
    curImageHasContentsRect_ = false;
  }
  if (animated && frameCount > 1) {
    resetAnimated();
    curAnimatedImage_ = newImage;
    curAnimated_ = animated;
    curFrame_ = newImage;
    totalLoop_ = animated->animatedImageLoopCount();
    totalFrameCount_ = frameCount;
    calcMaxBufferCount();
  }
  layer()->setNeedsDisplay();
  didMoved();
}

void DRAnimatedImageView::setContentsRect(gfx::Rect rect, const Ref<gfx::Image>& image) {
  gfx::Rect unit = image ? DRUnitContentsRect(rect, image->size()) : kUnitRect;
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  layer()->setContentsRect(unit);
  ui::Transaction::commit();
}

void DRAnimatedImageView::calcMaxBufferCount() {
  if (!curAnimated_) return;
  int64_t bytes = int64_t(curAnimated_->animatedImageBytesPerFrame());
  if (bytes == 0) bytes = 1;
  auto device = ui::Device::currentDevice();
  const int64_t total = base::memoryTotal(*device), free = base::memoryFree(*device);
  int64_t max = std::min(int64_t(double(total) * 0.2), int64_t(double(free) * 0.6));
  max = std::max(max, kMinimumBufferBytes);
  if (maxBufferSize_ != 0 && int64_t(maxBufferSize_) < max) max = int64_t(maxBufferSize_);
  double count = double(float(max) / float(bytes));
  maxBufferCount_ = count < 1 ? 1 : uint64_t(count);
}

void DRAnimatedImageView::didMoved() {
  if (!autoPlayAnimatedImage_) return;
  if (superview() && window()) startAnimating();
  else stopAnimating();
}

void DRAnimatedImageView::didMoveToWindow() {
  ui::ImageView::didMoveToWindow();
  didMoved();
}

void DRAnimatedImageView::didMoveToSuperview() {
  ui::ImageView::didMoveToSuperview();
  didMoved();
}

void DRAnimatedImageView::startAnimating() {
  const ImageSlot slot = currentImageType();
  if (slot == SlotAnimationImages || slot == SlotHighlightedAnimationImages) {
    const auto& images = slot == SlotAnimationImages ? animationImages() : highlightedAnimationImages();
    if (!images.empty()) {
      ui::ImageView::startAnimating();
      currentIsPlayingAnimation_ = true;
    }
    return;
  }
  if (curAnimatedImage_ && link_ && link_->isPaused()) {
    curLoop_ = 0;
    loopEnd_ = false;
    link_->setPaused(false);
    currentIsPlayingAnimation_ = true;
  }
}

void DRAnimatedImageView::stopAnimating() {
  ui::ImageView::stopAnimating();
  if (link_) link_->setPaused(true);
  currentIsPlayingAnimation_ = false;
}

void DRAnimatedImageView::setCurrentAnimatedImageIndex(uint64_t index) {
  if (!curAnimatedImage_ || index >= curAnimated_->animatedImageFrameCount() || index == curIndex_) return;
  Weak<DRAnimatedImageView> weak = std::static_pointer_cast<DRAnimatedImageView>(self());
  auto apply = [weak, index] {
    auto view = weak.lock();
    if (!view || !view->curAnimated_) return;
    view->requestQueue_->cancelAllOperations();
    std::lock_guard guard(view->lock_);
    view->buffer_.clear();
    view->setIndexNotifying(index);
    view->curFrame_ = view->curAnimated_->animatedImageFrameAtIndex(index);
    if (view->curImageHasContentsRect_) {
      if (auto rect = view->curAnimated_->animatedImageContentsRectAtIndex(index)) view->curContentsRect_ = *rect;
    }
    view->time_ = 0;
    view->loopEnd_ = false;
    view->bufferMiss_ = false;
    view->layer()->setNeedsDisplay();
  };
  if (dispatch::isMainThread()) apply();
  else dispatch::mainQueue()->async(apply);
}

void DRAnimatedImageView::setRunloopMode(const rt::String& mode) {
  if (mode == runloopMode_) return;
  if (link_) {
    if (!runloopMode_.isEmpty()) link_->removeFromRunLoop(fd::RunLoop::mainRunLoop(), runloopMode_);
    if (!mode.isEmpty()) link_->addToRunLoop(fd::RunLoop::mainRunLoop(), mode);
  }
  runloopMode_ = mode;
}

void DRAnimatedImageView::step(ui::DisplayLink& link) {
  DRAnimatedImage* image = curAnimated_;
  if (!image) return;
  if (loopEnd_) {
    stopAnimating();
    return;
  }
  uint64_t nextIndex = (curIndex_ + 1) % totalFrameCount_;
  if (!bufferMiss_) {
    time_ += link.duration();
    double delay = image->animatedImageDurationAtIndex(curIndex_);
    if (time_ < delay) return;
    time_ -= delay;
    if (nextIndex == 0) {
      ++curLoop_;
      if (totalLoop_ != 0 && curLoop_ >= totalLoop_) {
        loopEnd_ = true;
        stopAnimating();
        layer()->setNeedsDisplay();
        return;
      }
    }
    // A late link never skips frames: it only shortens the wait for the next one.
    delay = image->animatedImageDurationAtIndex(nextIndex);
    if (time_ > delay) time_ = delay;
  }

  bool bufferIsFull = false;
  {
    std::lock_guard guard(lock_);
    auto found = buffer_.find(nextIndex);
    if (found != buffer_.end()) {
      Ref<gfx::Image> frame = found->second;
      if (uint64_t(std::max<int64_t>(incrBufferCount_.load(), 0)) < totalFrameCount_) buffer_.erase(found);
      setIndexNotifying(nextIndex);
      curFrame_ = frame;
      if (curImageHasContentsRect_) {
        if (auto rect = image->animatedImageContentsRectAtIndex(curIndex_)) curContentsRect_ = *rect;
        setContentsRect(curContentsRect_, curFrame_);
      }
      bufferMiss_ = false;
      nextIndex = (curIndex_ + 1) % totalFrameCount_;
      bufferIsFull = buffer_.size() >= totalFrameCount_;
    } else {
      bufferMiss_ = true;
    }
  }
  if (!bufferMiss_) layer()->setNeedsDisplay();
  if (!bufferIsFull && requestQueue_->operationCount() == 0) {
    auto op = rt::make<DRAnimatedImageViewFetchOperation>();
    op->view = std::static_pointer_cast<DRAnimatedImageView>(self());
    op->nextIndex = nextIndex;
    op->curImage = curAnimatedImage_;
    requestQueue_->addOperation(op);
  }
}

void DRAnimatedImageViewFetchOperation::main() {
  auto v = view.lock();
  if (!v || isCancelled()) return;
  auto* animated = animatedOf(curImage);
  if (!animated) return;
  const int64_t incremented = ++v->incrBufferCount_;
  if (incremented == 0) v->calcMaxBufferCount();
  if (incremented > int64_t(v->maxBufferCount_.load())) v->incrBufferCount_ = int64_t(v->maxBufferCount_.load());
  const uint64_t total = animated->animatedImageFrameCount();
  if (total == 0) return;
  const uint64_t count = uint64_t(std::max<int64_t>(v->incrBufferCount_.load(), 1));
  uint64_t index = nextIndex;
  for (uint64_t i = 0; i < count; ++i, ++index) {
    if (isCancelled()) break;
    if (index >= total) index = 0;
    bool missing;
    {
      std::lock_guard guard(v->lock_);
      missing = v->buffer_.find(index) == v->buffer_.end();
    }
    if (!missing) continue;
    Ref<gfx::Image> frame = animated->animatedImageFrameAtIndex(index);
    if (frame) frame = imageByDecoded(frame);
    if (isCancelled()) break;
    std::lock_guard guard(v->lock_);
    v->buffer_[index] = frame;
  }
  // A view let go while this ran is released on the main thread, where views live.
  if (v.use_count() == 1) dispatch::mainQueue()->async([keep = std::move(v)] {});
}

void DRAnimatedImageView::keepOnlyNextFrame() {
  std::lock_guard guard(lock_);
  const uint64_t next = (curIndex_ + 1) % std::max<uint64_t>(totalFrameCount_, 1);
  for (auto it = buffer_.begin(); it != buffer_.end();) {
    if (it->first != next) it = buffer_.erase(it);
    else ++it;
  }
}

void DRAnimatedImageView::didReceiveMemoryWarning() {
  if (!requestQueue_) return;
  requestQueue_->cancelAllOperations();
  Weak<DRAnimatedImageView> weak = std::static_pointer_cast<DRAnimatedImageView>(self());
  requestQueue_->addOperationWithBlock([weak] {
    // Stay small for 60 to 179 further fetches before growing again.
    static thread_local std::mt19937 random{std::random_device{}()};
    if (auto v = weak.lock()) v->incrBufferCount_ = -60 - int64_t(random() % 120);
  });
  keepOnlyNextFrame();
}

void DRAnimatedImageView::didEnterBackground() {
  if (!requestQueue_) return;
  requestQueue_->cancelAllOperations();
  keepOnlyNextFrame();
}

size_t DRAnimatedImageView::bufferedFrameCount() {
  std::lock_guard guard(lock_);
  return buffer_.size();
}

void DRAnimatedImageView::waitForFetches() {
  if (!requestQueue_) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (requestQueue_->operationCount() > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

bool DRAnimatedImageView::displayLayer(ui::Layer& layer) {
  // Always answers true: the contents are the image view's own, never a drawn backing store.
  if (curFrame_) {
    layer.setContents(curFrame_);
    layer.setContentsScale(curFrame_->scale());
  }
  return true;
}

void DRAnimatedImageView::updateContents() {
  if (curAnimatedImage_) {
    layer()->setNeedsDisplay();
    return;
  }
  ui::ImageView::updateContents();
}

void DRAnimatedImageView::encodeWithCoder(fd::KeyedArchiver& coder) const {
  ui::ImageView::encodeWithCoder(coder);
  coder.encodeObject(fd::box(runloopMode_), rt::String("runloopMode"));
  coder.encodeBool(autoPlayAnimatedImage_, rt::String("autoPlayAnimatedImage"));
  if (animatedOf(ui::ImageView::image())) coder.encodeObject(ui::ImageView::image(), rt::String("DRAnimatedImage"));
  if (animatedOf(highlightedImage())) coder.encodeObject(highlightedImage(), rt::String("DRHighlightedAnimatedImage"));
}

bool DRAnimatedImageView::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (!ui::ImageView::initWithCoder(coder)) return false;
  auto mode = coder.decodeObjectOfClass<fd::StringObject>(rt::String("runloopMode"));
  runloopMode_ = mode && !mode->string().isEmpty() ? mode->string() : rt::String(fd::NSRunLoopCommonModes);
  autoPlayAnimatedImage_ = coder.containsValueForKey("autoPlayAnimatedImage") ? coder.decodeBool(rt::String("autoPlayAnimatedImage")) : true;
  auto image = coder.decodeObjectOfClass<gfx::Image>(rt::String("DRAnimatedImage"));
  auto highlighted = coder.decodeObjectOfClass<gfx::Image>(rt::String("DRHighlightedAnimatedImage"));
  if (image) setImage(image);
  if (highlighted) setImageWithType(highlighted, SlotHighlightedImage);
  return true;
}

}  // namespace image
