#include "widgets/blur/BVBlurView.h"

#include <algorithm>
#include <cmath>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/foundation/values/Null.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/layer/Animation.h"
#include "widgets/blur/Image+BVBlurView.h"

namespace widgets {

RT_IMPLEMENT(BVBlurView) {}
RT_IMPLEMENT(BVBlurScheduler) {}

namespace {
constexpr double kFrame = 0.016666666666666666;
}

// --- the view ---------------------------------------------------------------------------------

void BVBlurView::init(gfx::Rect frame) {
  ui::View::init(frame);
  blurLayer().setBlurRadius(40);
  layer()->setMagnificationFilter(ui::kCAFilterLinear);
  tint_ = ui::View::tintColor();
  setClipsToBounds(true);
}

BVBlurView::~BVBlurView() {
  if (radiusLink_) radiusLink_->invalidate();
}

void BVBlurView::setAllBlurEnabled(bool enabled) { BVBlurScheduler::sharedInstance()->setBlurEnabled(enabled); }
void BVBlurView::setUpdatesEnabled() { BVBlurScheduler::sharedInstance()->setUpdatesEnabled(); }
void BVBlurView::setUpdatesDisabled() { BVBlurScheduler::sharedInstance()->setUpdatesDisabled(); }

void BVBlurView::setBlurEnabled(bool on) {
  if (blurEnabled_ == on) return;
  blurEnabled_ = on;
  schedule();
  if (on) setNeedsDisplay();
}

void BVBlurView::setDynamic(bool on) {
  if (dynamic_ == on) return;
  dynamic_ = on;
  schedule();
  if (!on) setNeedsDisplay();
}

void BVBlurView::setIterations(unsigned n) {
  iterations_ = n;
  setNeedsDisplay();
}

void BVBlurView::setUpdateInterval(double seconds) { updateInterval_ = seconds <= 0 ? kFrame : seconds; }

double BVBlurView::blurRadius() const { return blurLayer().blurRadius(); }

void BVBlurView::setBlurRadius(double radius) {
  blurLayer().setBlurRadius(radius);
  // Inside a view animation the change became an animation of the layer: the animated value
  // lives on the presentation layer, which asks for no display of its own.
  if (layer()->animationForKey(BVBlurLayer::kBlurRadiusKey)) followRadiusAnimation();
}

void BVBlurView::followRadiusAnimation() {
  if (isFollowingRadiusAnimation()) return;
  if (radiusLink_) radiusLink_->invalidate();
  rt::Weak<BVBlurView> weak = std::static_pointer_cast<BVBlurView>(self());
  radiusLink_ = ui::DisplayLink::displayLinkWithBlock([weak](ui::DisplayLink& link) {
    auto view = weak.lock();
    if (!view) {
      link.setPaused(true);
      return;
    }
    view->layer()->setNeedsDisplay();
    if (view->layer()->animationForKey(BVBlurLayer::kBlurRadiusKey)) return;
    // Over: this last display draws the final radius. The link holds this block, so it is
    // let go after the call, not inside it.
    link.setPaused(true);
    dispatch::mainQueue()->async([weak] {
      auto view = weak.lock();
      if (!view || !view->radiusLink_ || !view->radiusLink_->isPaused()) return;
      view->radiusLink_->invalidate();
      view->radiusLink_.reset();
    });
  });
  radiusLink_->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSRunLoopCommonModes);
}

bool BVBlurView::viewOrSubviewNeedsDrawViewHierarchy(const ui::View* view) {
  if (!view) return false;
  static const rt::Class* const spriteView = rt::Class::named("SKView");
  static const rt::Class* const glLayer = rt::Class::named("CAEAGLLayer");
  static const rt::Class* const playerLayer = rt::Class::named("AVPlayerLayer");
  const auto& layer = view->layer();
  if (spriteView && view->isKindOfClass(spriteView)) return true;
  if (layer && ((glLayer && layer->isKindOfClass(glLayer)) || (playerLayer && layer->isKindOfClass(playerLayer))))
    return true;
  if (layer && std::fabs(layer->transform().m34) > 0) return true;
  for (const auto& sub : view->subviews())
    if (viewOrSubviewNeedsDrawViewHierarchy(sub.get())) return true;
  return false;
}

void BVBlurView::setTintColor(Ref<gfx::Color> color) {
  tint_ = std::move(color);
  setNeedsDisplay();
}

Ref<ui::View> BVBlurView::underlyingView() const {
  if (auto v = underlying_.lock()) return v;
  return superview();
}

void BVBlurView::setUnderlyingView(const Ref<ui::View>& view) {
  underlying_ = view;
  needsDrawViewHierarchy_ = viewOrSubviewNeedsDrawViewHierarchy(underlyingView().get());
  setNeedsDisplay();
}

void BVBlurView::clearImage() {
  layer()->setContents(nullptr);
  setNeedsDisplay();
}

void BVBlurView::didMoveToSuperview() {
  ui::View::didMoveToSuperview();
  layer()->setNeedsDisplay();
}

void BVBlurView::didMoveToWindow() {
  ui::View::didMoveToWindow();
  schedule();
}

void BVBlurView::willMoveToSuperview(ui::View* newSuperview) {
  ui::View::willMoveToSuperview(newSuperview);
  if (!underlying_.lock()) needsDrawViewHierarchy_ = viewOrSubviewNeedsDrawViewHierarchy(newSuperview);
}

void BVBlurView::schedule() {
  auto scheduler = BVBlurScheduler::sharedInstance();
  if (window() && dynamic_ && blurEnabled_) scheduler->addView(std::static_pointer_cast<BVBlurView>(self()));
  else scheduler->removeView(this);
}

Ref<ui::Layer> BVBlurView::blurPresentationLayer() const {
  auto p = layer()->presentationLayer();
  return p ? p : layer();
}

bool BVBlurView::shouldUpdate() const {
  auto under = underlyingView();
  if (!under || under->layer()->isHidden() || !blurEnabled_ || !BVBlurScheduler::sharedInstance()->blurEnabled())
    return false;
  return !gfx::RectIsEmpty(blurPresentationLayer()->bounds()) && !gfx::RectIsEmpty(under->layer()->bounds());
}

double BVBlurView::snapshotScale() const {
  if (iterations_ == 0) return 0.5;
  double block = 12.0 / iterations_;
  double radius = static_cast<BVBlurLayer&>(*blurPresentationLayer()).blurRadius();
  double scale = block / std::max(2 * block, radius);
  return 1 / std::floor(1 / scale);
}

std::vector<Ref<ui::Layer>> BVBlurView::prepareUnderlyingViewForSnapshot() {
  std::vector<Ref<ui::Layer>> hidden;
  auto under = underlyingView();
  if (!under) return hidden;
  const Ref<ui::Layer>& underLayer = under->layer();
  // Our branch and everything drawn above it in the underlying layer.
  Ref<ui::Layer> branch = layer();
  while (branch->superlayer() && branch->superlayer() != underLayer) branch = branch->superlayer();
  if (branch->superlayer() == underLayer) {
    const auto& siblings = underLayer->sublayers();
    auto it = std::find(siblings.begin(), siblings.end(), branch);
    for (; it != siblings.end(); ++it)
      if (!(*it)->isHidden()) {
        (*it)->setHidden(true);
        hidden.push_back(*it);
      }
  }
  // Empty layers draw nothing but cost a pass each.
  std::function<void(const Ref<ui::Layer>&)> hideEmpty = [&](const Ref<ui::Layer>& l) {
    if (gfx::RectIsEmpty(l->bounds()) && !l->isHidden()) {
      l->setHidden(true);
      hidden.push_back(l);
    }
    for (const auto& s : l->sublayers()) hideEmpty(s);
  };
  hideEmpty(underLayer);
  return hidden;
}

Ref<gfx::Image> BVBlurView::snapshotOfUnderlyingView() {
  auto under = underlyingView();
  if (!under) return nullptr;
  gfx::Rect capture = blurPresentationLayer()->convertRectToLayer(blurPresentationLayer()->bounds(), under->layer().get());
  lastUpdate_ = fd::Date::date();
  double scale = snapshotScale();
  gfx::Size size = capture.size;
  auto mode = contentMode();
  if (mode == ui::ViewContentMode::ScaleToFill || mode == ui::ViewContentMode::ScaleAspectFit ||
      mode == ui::ViewContentMode::ScaleAspectFill || mode == ui::ViewContentMode::Redraw) {
    size.width = std::floor(size.width * scale) / scale;
    size.height = std::floor(size.height * scale) / scale;
  }
  if (size.width <= 0 || size.height <= 0) return nullptr;
  gfx::beginImageContextWithOptions(size, false, scale);
  auto context = gfx::currentContext();
  if (!context) {
    gfx::endImageContext();
    return nullptr;
  }
  context->translateCTM(-capture.origin.x, -capture.origin.y);
  auto hidden = prepareUnderlyingViewForSnapshot();
  if (needsDrawViewHierarchy_) under->drawViewHierarchyInRect(under->bounds(), true);
  else under->layer()->renderInContext(*context);
  for (auto& l : hidden) l->setHidden(false);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

void BVBlurView::setLayerContents(const Ref<gfx::Image>& image) {
  if (!image) return;
  layer()->setContents(image->CGImage());
  layer()->setContentsScale(image->scale());
}

void BVBlurView::updateAsynchronously(bool async, std::function<void()> completion) {
  if (!shouldUpdate()) {
    if (completion) completion();
    return;
  }
  auto snapshot = snapshotOfUnderlyingView();
  if (async) {
    rt::Weak<BVBlurView> weak = std::static_pointer_cast<BVBlurView>(self());
    double radius = blurRadius();
    unsigned iterations = iterations_;
    auto tint = tint_;
    dispatch::globalQueue()->async([weak, snapshot, radius, iterations, tint, completion] {
      auto blurred = blurredImageWithRadius(snapshot, radius, iterations, tint);
      dispatch::mainQueue()->async([weak, blurred, completion] {
        if (auto view = weak.lock()) view->setLayerContents(blurred);
        if (completion) completion();
      });
    });
    return;
  }
  double radius = static_cast<BVBlurLayer&>(*blurPresentationLayer()).blurRadius();
  setLayerContents(blurredImageWithRadius(snapshot, radius, iterations_, tint_));
  if (completion) completion();
}

bool BVBlurView::displayLayer(ui::Layer&) {
  updateAsynchronously(false, nullptr);
  return true;
}

std::optional<rt::Id> BVBlurView::actionForLayer(ui::Layer& layer, const rt::String& key) {
  if (key != BVBlurLayer::kBlurRadiusKey) return ui::View::actionForLayer(layer, key);
  // Inside a view animation the background colour has an action: the radius follows its timing.
  auto probe = ui::View::actionForLayer(layer, "backgroundColor");
  auto model = probe ? rt::as<ui::Animation>(*probe) : nullptr;
  if (!model) return ui::View::actionForLayer(layer, key);
  auto animation = ui::BasicAnimation::animationWithKeyPath(key);
  animation->setFromValue(fd::Number::numberWithDouble(static_cast<BVBlurLayer&>(*blurPresentationLayer()).blurRadius()));
  animation->setBeginTime(model->beginTime());
  animation->setDuration(model->duration());
  animation->setSpeed(model->speed());
  animation->setTimeOffset(model->timeOffset());
  animation->setRepeatCount(model->repeatCount());
  animation->setRepeatDuration(model->repeatDuration());
  animation->setAutoreverses(model->autoreverses());
  animation->setFillMode(model->fillMode());
  animation->setTimingFunction(model->timingFunction());
  animation->setDelegate(model->delegate());
  return rt::Id(animation);
}

// --- the scheduler ---------------------------------------------------------------------------

Ref<BVBlurScheduler> BVBlurScheduler::sharedInstance() {
  static const Ref<BVBlurScheduler> shared = rt::make<BVBlurScheduler>();
  return shared;
}

void BVBlurScheduler::setBlurEnabled(bool on) {
  blurEnabled_ = on;
  if (!on) return;
  for (auto& v : views_) v->setNeedsDisplay();
  updateAsynchronously();
}

void BVBlurScheduler::setUpdatesEnabled() {
  ++updatesEnabled_;
  updateAsynchronously();
}

void BVBlurScheduler::setUpdatesDisabled() {
  if (updatesEnabled_ > 0) --updatesEnabled_;
}

void BVBlurScheduler::addView(const Ref<BVBlurView>& view) {
  if (std::find(views_.begin(), views_.end(), view) != views_.end()) return;
  views_.push_back(view);
  updateAsynchronously();
}

void BVBlurScheduler::removeView(BVBlurView* view) {
  auto it = std::find_if(views_.begin(), views_.end(), [&](const Ref<BVBlurView>& v) { return v.get() == view; });
  if (it == views_.end()) return;
  size_t index = static_cast<size_t>(it - views_.begin());
  if (viewIndex_ >= index) --viewIndex_;  // wraps from 0; the next pass takes it modulo the count
  views_.erase(it);
}

void BVBlurScheduler::schedulePass(double delay) {
  // One waiting pass is enough: the old code queued a new one on every empty pass and the
  // chains piled up.
  if (pendingPass_) return;
  pendingPass_ = true;
  auto self = std::static_pointer_cast<BVBlurScheduler>(this->self());
  auto timer = fd::Timer::timerWithTimeInterval(delay, false, [self](fd::Timer&) {
    self->pendingPass_ = false;
    self->updateAsynchronously();
  });
  // Passes go on while a scroll view tracks a touch.
  auto loop = fd::RunLoop::mainRunLoop();
  loop->addTimer(timer, fd::NSDefaultRunLoopMode);
  loop->addTimer(timer, fd::UITrackingRunLoopMode);
}

void BVBlurScheduler::updateAsynchronously() {
  if (!blurEnabled_ || updating_ || updatesEnabled_ == 0 || views_.empty()) return;
  viewIndex_ %= views_.size();
  double wait = kFrame;
  for (size_t i = viewIndex_; i < views_.size(); ++i) {
    Ref<BVBlurView> view = views_[i];
    if (!view->isDynamic() || view->isHidden() || !view->window() || !view->shouldUpdate()) continue;
    double remaining = view->lastUpdate() ? view->lastUpdate()->timeIntervalSinceNow() + view->updateInterval() : 0;
    if (remaining <= 0) {
      updating_ = true;
      auto self = std::static_pointer_cast<BVBlurScheduler>(this->self());
      view->updateAsynchronously(true, [self, view] {
        self->updating_ = false;
        auto it = std::find(self->views_.begin(), self->views_.end(), view);
        self->viewIndex_ = it == self->views_.end() ? 0 : static_cast<size_t>(it - self->views_.begin()) + 1;
        self->updateAsynchronously();
      });
      return;
    }
    wait = std::min(wait, remaining);
  }
  viewIndex_ = 0;
  schedulePass(wait);
}

}  // namespace widgets
