#include "textview/display/DRAsyncLayer.h"

#include "base/graphics/Geometry+DUDer.h"
#include "base/utility/DRDispatchQueuePool.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"

namespace textview {

RT_IMPLEMENT(DRAsyncLayer) {}
RT_IMPLEMENT(DRAsyncLayerDisplayTask) {}

namespace {

double screenScaleOnce() {
  static const double scale = base::DRMainScreenScale();
  return scale;
}

Ref<DRAsyncLayerDisplayTask> taskFromDelegate(ui::Layer& layer) {
  auto delegate = std::dynamic_pointer_cast<DRAsyncLayerDelegate>(layer.delegate().lock());
  return delegate ? delegate->newAsyncDisplayTask() : nullptr;
}

// Draws into a fresh image context and answers its image (null when the context could not be
// made, as for a size below one pixel).
Ref<gfx::Image> drawImage(const DRAsyncLayerDisplayTask& task, gfx::Size size, bool opaque, double scale,
                          const std::function<bool()>& isCancelled, bool& cancelledAfterDrawing) {
  gfx::beginImageContextWithOptions(size, opaque, scale);
  task.display(gfx::currentContext(), size, isCancelled);
  cancelledAfterDrawing = isCancelled();
  Ref<gfx::Image> image = cancelledAfterDrawing ? nullptr : gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

rt::Id contentsOf(const Ref<gfx::Image>& image) {
  return image ? rt::Id(image->CGImage()) : nullptr;
}

}  // namespace

void DRAsyncLayer::init() {
  ui::Layer::init();
  setContentsScale(screenScaleOnce());
}

DRAsyncLayer::~DRAsyncLayer() { sentinel_->increase(); }

rt::Id DRAsyncLayer::defaultValueForKey(const rt::String& key) const {
  if (key == kDisplaysAsynchronouslyKey) return fd::Number::numberWithBool(true);
  return ui::Layer::defaultValueForKey(key);
}

void DRAsyncLayer::setNeedsDisplay() {
  cancelAsyncDisplay();
  ui::Layer::setNeedsDisplay();
}

void DRAsyncLayer::display() {
  // Contents are re-set through the base setter so that observers of the change see it, as a
  // plain display would.
  ui::Layer::setContents(contents());
  displayAsync(displaysAsynchronously());
}

void DRAsyncLayer::displayAsync(bool async) {
  Ref<DRAsyncLayerDisplayTask> task = taskFromDelegate(*this);
  if (!task || !task->display) {
    if (task && task->willDisplay) task->willDisplay(*this);
    setContents(nullptr);
    if (task && task->didDisplay) task->didDisplay(*this, true);
    return;
  }

  if (!async) {
    sentinel_->increase();
    if (task->willDisplay) task->willDisplay(*this);
    gfx::Size size = bounds().size;
    bool unused = false;
    Ref<gfx::Image> image = drawImage(*task, size, isOpaque(), contentsScale(), [] { return false; }, unused);
    setContents(contentsOf(image));
    if (task->didDisplay) task->didDisplay(*this, true);
    return;
  }

  if (task->willDisplay) task->willDisplay(*this);
  Ref<base::DRSentinel> sentinel = sentinel_;
  int32_t value = sentinel->value();
  std::function<bool()> isCancelled = [sentinel, value] { return sentinel->value() != value; };
  gfx::Size size = bounds().size;
  bool opaque = isOpaque();
  double scale = contentsScale();

  if (size.width < 1 || size.height < 1) {
    rt::Id old = contents();
    setContents(nullptr);
    if (old) {
      // Large bitmaps are freed off the main thread.
      base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceDefault)->async([old = std::move(old)]() mutable {
        old.reset();
      });
    }
    if (task->didDisplay) task->didDisplay(*this, true);
    return;
  }

  // The queued blocks hold the layer weakly: a layer that goes away cancels its drawing (the
  // destructor moves the sentinel) and is never freed on a background queue.
  Weak<DRAsyncLayer> weakSelf = std::static_pointer_cast<DRAsyncLayer>(self());
  auto didDisplay = [weakSelf, task](bool finished) {
    dispatch::MainQueue::shared().async([weakSelf, task, finished] {
      if (auto layer = weakSelf.lock(); layer && task->didDisplay) task->didDisplay(*layer, finished);
    });
  };
  base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUserInitiated)->async(
      [weakSelf, task, isCancelled, size, opaque, scale, didDisplay] {
        if (isCancelled()) return;
        bool cancelledAfterDrawing = false;
        Ref<gfx::Image> image = drawImage(*task, size, opaque, scale, isCancelled, cancelledAfterDrawing);
        if (cancelledAfterDrawing || isCancelled()) {
          didDisplay(false);
          return;
        }
        dispatch::MainQueue::shared().async([weakSelf, task, isCancelled, image] {
          auto layer = weakSelf.lock();
          if (!layer) return;
          if (isCancelled()) {
            if (task->didDisplay) task->didDisplay(*layer, false);
            return;
          }
          layer->setContents(contentsOf(image));
          if (task->didDisplay) task->didDisplay(*layer, true);
        });
      });
}

}  // namespace textview
