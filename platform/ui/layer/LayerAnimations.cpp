// Attaching animations to layers, presentation copies and the runner that reports and
// removes finished animations.
#include <algorithm>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/AnimationRunner.h"
#include "platform/ui/layer/Transaction.h"

namespace ui {

double CACurrentMediaTime() { return dispatch::uptime(); }

namespace {

// Reports an early stop on the next run-loop turn, so that the delegate never runs inside
// the layer call that removed the animation.
void reportInterrupted(const Ref<Animation>& a) {
  if (a->stopReported) return;
  a->stopReported = true;
  a->transactionToken.reset();
  if (!a->delegate()) return;
  fd::RunLoop::mainRunLoop()->performBlock([a] {
    if (auto d = a->delegate()) d->animationDidStop(*a, false);
  });
}

}  // namespace

void Layer::addAnimation(const Ref<Animation>& animation, const rt::String& key) {
  if (!animation || presentation_) return;
  auto copy = std::static_pointer_cast<Animation>(animation->copy());
  if (copy->beginTime() == 0) copy->setBeginTime(CACurrentMediaTime());
  Transaction::ensureImplicit();
  copy->transactionToken = Transaction::retainCompletion();
  if (!key.isEmpty()) {
    auto it = std::find_if(animations_.begin(), animations_.end(), [&](const AnimationEntry& e) { return e.key == key; });
    if (it != animations_.end()) {
      reportInterrupted(it->animation);
      animations_.erase(it);
    }
  }
  animations_.push_back({key, copy});
  setNeedsComposite();
  AnimationRunner::shared().track(std::static_pointer_cast<Layer>(shared_from_this()));
}

Ref<Animation> Layer::animationForKey(const rt::String& key) const {
  if (key.isEmpty()) return nullptr;
  for (auto& e : animations_)
    if (e.key == key) return e.animation;
  return nullptr;
}

void Layer::removeAnimationForKey(const rt::String& key) {
  auto it = std::find_if(animations_.begin(), animations_.end(), [&](const AnimationEntry& e) { return e.key == key; });
  if (it == animations_.end() || key.isEmpty()) return;
  Ref<Animation> gone = it->animation;
  animations_.erase(it);
  reportInterrupted(gone);
  setNeedsComposite();
}

void Layer::removeAllAnimations() {
  auto gone = std::move(animations_);
  animations_.clear();
  for (auto& e : gone) reportInterrupted(e.animation);
  if (!gone.empty()) setNeedsComposite();
}

std::vector<rt::String> Layer::animationKeys() const {
  std::vector<rt::String> keys;
  for (auto& e : animations_)
    if (!e.key.isEmpty()) keys.push_back(e.key);
  return keys;
}

Ref<Layer> Layer::presentationLayer() const {
  auto self = std::static_pointer_cast<Layer>(std::const_pointer_cast<rt::Object>(shared_from_this()));
  if (presentation_) return self;
  Ref<Layer> copy;
  if (auto made = getClass()->createInstance()) copy = std::dynamic_pointer_cast<Layer>(made);
  if (!copy) copy = rt::make<Layer>();
  copy->presentation_ = true;
  copy->copyStateFrom(*this);
  copy->model_ = self;
  copy->superlayer_ = superlayer_;
  double now = CACurrentMediaTime();
  for (auto& e : animations_) e.animation->applyTo(*copy, *this, now);
  return copy;
}

Ref<Layer> Layer::modelLayer() const {
  if (presentation_) {
    if (auto m = model_.lock()) return std::const_pointer_cast<Layer>(m);
  }
  return std::static_pointer_cast<Layer>(std::const_pointer_cast<rt::Object>(shared_from_this()));
}

// ---- runner

AnimationRunner& AnimationRunner::shared() {
  static AnimationRunner* runner = new AnimationRunner();
  return *runner;
}

void AnimationRunner::track(const Ref<Layer>& layer) {
  bool known = std::any_of(layers_.begin(), layers_.end(), [&](const Weak<Layer>& w) { return w.lock() == layer; });
  if (!known) layers_.push_back(layer);
  auto loop = fd::RunLoop::mainRunLoop();
  if (!timer_ || !timer_->isValid() || !loop->containsTimer(timer_, fd::NSRunLoopCommonModes)) {
    timer_ = fd::Timer::timerWithTimeInterval(1.0 / 60, true, [this](fd::Timer&) { tick(CACurrentMediaTime()); });
    loop->addTimer(timer_, fd::NSRunLoopCommonModes);
  }
}

void AnimationRunner::tick(double now) {
  struct Report {
    Ref<Animation> animation;
    bool start;
  };
  std::vector<Report> reports;
  std::vector<Weak<Layer>> keep;
  for (auto& w : layers_) {
    auto layer = w.lock();
    if (!layer) continue;
    bool active = false;
    auto& list = layer->animations_;
    for (auto it = list.begin(); it != list.end();) {
      Ref<Animation> a = it->animation;
      if (!a->startReported && a->hasStartedAt(now)) {
        a->startReported = true;
        reports.push_back({a, true});
      }
      if (!a->stopReported && a->isFinishedAt(now)) {
        a->stopReported = true;
        a->transactionToken.reset();
        reports.push_back({a, false});
        if (a->isRemovedOnCompletion()) {
          it = list.erase(it);
          layer->setNeedsComposite();
          continue;
        }
      }
      if (!a->stopReported) active = true;
      ++it;
    }
    if (active) {
      layer->setNeedsComposite();
      keep.push_back(w);
    }
  }
  layers_ = std::move(keep);
  if (layers_.empty() && timer_) {
    timer_->invalidate();
    timer_ = nullptr;
  }
  for (auto& r : reports) {
    auto d = r.animation->delegate();
    if (!d) continue;
    if (r.start) d->animationDidStart(*r.animation);
    else d->animationDidStop(*r.animation, true);
  }
}

}  // namespace ui
