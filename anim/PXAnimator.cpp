#include "anim/PXAnimator.h"

#include <algorithm>
#include <atomic>

#include "anim/PXAnimationTracer.h"
#include "anim/PXDecayAnimation.h"
#include "anim/PXPropertyAnimation.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/values/UUID.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/Transaction.h"

namespace anim {

RT_IMPLEMENT(PXAnimator) {}

namespace {

constexpr int64_t kPendingObserverOrder = 1999999;

bool sameOwner(const rt::Weak<rt::Object>& a, const rt::Weak<rt::Object>& b) {
  return !a.owner_before(b) && !b.owner_before(a);
}

PXPropertyAnimationState* propertyState(PXAnimationState& s) {
  return s.type == kPXCustom ? nullptr : static_cast<PXPropertyAnimationState*>(&s);
}

}  // namespace

void PXAnimator::init() {
  rt::Weak<PXAnimator> weak = std::static_pointer_cast<PXAnimator>(self());
  displayLink_ = ui::DisplayLink::displayLinkWithBlock([weak](ui::DisplayLink&) {
    if (auto a = weak.lock()) a->render();
  });
  displayLink_->setPaused(true);
  displayLink_->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSRunLoopCommonModes);
}

PXAnimator::~PXAnimator() {
  displayLink_->invalidate();
  if (pendingObserver_) {
    pendingObserver_->invalidate();
    fd::RunLoop::mainRunLoop()->removeObserver(pendingObserver_, fd::NSRunLoopCommonModes);
  }
}

Ref<PXAnimator> PXAnimator::sharedAnimator() {
  static const Ref<PXAnimator> shared = rt::make<PXAnimator>();
  return shared;
}

PXAnimator::Entry* PXAnimator::liveEntryLocked(const rt::Object* object) {
  auto it = dict_.find(object);
  if (it == dict_.end()) return nullptr;
  auto live = it->second.object.lock();
  if (live.get() != object) return nullptr;  // a dead object's table: not this one's
  return &it->second;
}

void PXAnimator::addAnimation(const Ref<PXAnimation>& animation, const rt::Id& object, String key) {
  if (!animation || !object) return;
  if (key.isEmpty()) key = fd::UUID::create()->UUIDString();
  std::unique_lock guard(lock_);
  Entry* entry = liveEntryLocked(object.get());
  if (!entry) {
    dict_[object.get()] = Entry{object, {}};
    entry = &dict_[object.get()];
  }
  auto taken = entry->animations.find(key);
  if (taken != entry->animations.end()) {
    if (taken->second == animation) return;  // already running undisturbed
    guard.unlock();
    removeAnimation(object, key, false);
    guard.lock();
    entry = liveEntryLocked(object.get());
    if (!entry) {
      dict_[object.get()] = Entry{object, {}};
      entry = &dict_[object.get()];
    }
  }
  entry->animations[key] = animation;
  // A pending observer without pending items is stale (its run loop was emptied); and the link
  // is scheduled again in case its run loop dropped it.
  if (pending_.empty() && pendingObserver_) {
    pendingObserver_->invalidate();
    pendingObserver_ = nullptr;
  }
  displayLink_->addToRunLoop(fd::RunLoop::mainRunLoop(), fd::NSRunLoopCommonModes);
  auto item = std::make_shared<Item>(Item{object, key, animation, object.get()});
  list_.push_back(item);
  pending_.push_back(item);
  animation->state().rewind(true);
  updateDisplayLinkLocked();
  guard.unlock();
  schedulePendingPass();
}

void PXAnimator::removeAnimation(const rt::Id& object, const String& key) { removeAnimation(object, key, true); }

void PXAnimator::removeAnimation(const rt::Id& object, const String& key, bool cleanup) {
  if (!object) return;
  Ref<PXAnimation> animation;
  {
    std::lock_guard guard(lock_);
    Entry* entry = liveEntryLocked(object.get());
    if (!entry) return;
    auto it = entry->animations.find(key);
    if (it == entry->animations.end()) return;
    animation = it->second;
    entry->animations.erase(it);
    if (cleanup && entry->animations.empty()) dict_.erase(object.get());
    auto holding = [&](const ItemRef& i) { return i->animation == animation; };
    if (auto i = std::find_if(list_.begin(), list_.end(), holding); i != list_.end()) list_.erase(i);
    if (auto i = std::find_if(pending_.begin(), pending_.end(), holding); i != pending_.end()) pending_.erase(i);
  }
  stopAnimation(animation->state(), true, false);
}

void PXAnimator::removeAllAnimations(const rt::Id& object) {
  if (!object) return;
  std::vector<Ref<PXAnimation>> animations;
  {
    std::lock_guard guard(lock_);
    Entry* entry = liveEntryLocked(object.get());
    if (!entry) return;
    for (auto& [key, a] : entry->animations) animations.push_back(a);
    dict_.erase(object.get());
    auto held = [&](const ItemRef& i) {
      return std::find(animations.begin(), animations.end(), i->animation) != animations.end();
    };
    std::erase_if(list_, held);
    std::erase_if(pending_, held);
  }
  for (auto& a : animations) stopAnimation(a->state(), true, false);
}

std::vector<String> PXAnimator::animationKeys(const rt::Id& object) const {
  std::lock_guard guard(lock_);
  std::vector<String> keys;
  if (Entry* e = const_cast<PXAnimator*>(this)->liveEntryLocked(object.get()))
    for (auto& [key, a] : e->animations) keys.push_back(key);
  return keys;
}

Ref<PXAnimation> PXAnimator::animation(const rt::Id& object, const String& key) const {
  std::lock_guard guard(lock_);
  Entry* e = const_cast<PXAnimator*>(this)->liveEntryLocked(object.get());
  if (!e) return nullptr;
  auto it = e->animations.find(key);
  return it == e->animations.end() ? nullptr : it->second;
}

void PXAnimator::addObserver(const rt::Id& observer) {
  if (!observer) return;
  std::lock_guard guard(lock_);
  observers_.push_back(observer);
  updateDisplayLinkLocked();
}

void PXAnimator::removeObserver(const rt::Id& observer) {
  if (!observer) return;
  std::lock_guard guard(lock_);
  std::erase(observers_, observer);
  updateDisplayLinkLocked();
}

std::vector<rt::Id> PXAnimator::observers() const {
  std::lock_guard guard(lock_);
  return observers_;
}

void PXAnimator::updateDisplayLinkLocked() {
  bool paused = (observers_.empty() && list_.empty()) || disableDisplayLink_;
  if (displayLink_->isPaused() != paused) displayLink_->setPaused(paused);
}

void PXAnimator::schedulePendingPass() {
  std::lock_guard guard(lock_);
  if (pendingObserver_) return;
  rt::Weak<PXAnimator> weak = std::static_pointer_cast<PXAnimator>(self());
  pendingObserver_ = fd::RunLoopObserver::create(fd::RunLoopBeforeWaiting | fd::RunLoopExit, false,
                                                 kPendingObserverOrder, [weak](fd::RunLoopObserver&, uint32_t) {
                                                   if (auto a = weak.lock()) a->processPending();
                                                 });
  fd::RunLoop::mainRunLoop()->addObserver(pendingObserver_, fd::NSRunLoopCommonModes);
}

void PXAnimator::processPending() {
  double time = beginTime_ != 0 ? beginTime_ : ui::CACurrentMediaTime();
  std::vector<ItemRef> items;
  {
    std::lock_guard guard(lock_);
    items = pending_;
  }
  renderItems(time, items);
  std::lock_guard guard(lock_);
  pending_.clear();
  if (pendingObserver_) {
    pendingObserver_->invalidate();
    fd::RunLoop::mainRunLoop()->removeObserver(pendingObserver_, fd::NSRunLoopCommonModes);
    pendingObserver_ = nullptr;
  }
}

void PXAnimator::render() { renderTime(ui::CACurrentMediaTime()); }

void PXAnimator::renderTime(double time) {
  std::vector<ItemRef> items;
  {
    std::lock_guard guard(lock_);
    items = list_;
  }
  renderItems(time, items);
}

namespace {

std::atomic<bool> backgroundThreadDisabled{false};

void sendIfAnswered(const rt::Id& receiver, const char* selector, const rt::Id& animator) {
  rt::Selector sel = rt::Selector::named(selector);
  if (receiver && receiver->respondsToSelector(sel)) receiver->performSelector(sel, {rt::Value::ofObject(animator)});
}

}  // namespace

Ref<rt::Object> PXAnimator::delegate() const {
  std::lock_guard guard(lock_);
  return delegate_.lock();
}

void PXAnimator::setDelegate(const rt::Id& delegate) {
  std::lock_guard guard(lock_);
  delegate_ = delegate;
}

bool PXAnimator::disableBackgroundThread() { return backgroundThreadDisabled.load(); }
void PXAnimator::setDisableBackgroundThread(bool on) { backgroundThreadDisabled.store(on); }

void PXAnimator::renderItems(double time, const std::vector<ItemRef>& items) {
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  sendIfAnswered(delegate(), "animatorWillAnimate:", self());
  for (const ItemRef& item : items) renderItem(time, item);
  for (const rt::Id& observer : observers()) sendIfAnswered(observer, "animatorDidAnimate:", self());
  {
    std::lock_guard guard(lock_);
    updateDisplayLinkLocked();
  }
  sendIfAnswered(delegate(), "animatorDidAnimate:", self());
  ui::Transaction::commit();
}

void PXAnimator::startIfDue(PXAnimationState& s, const rt::Id& object, double time) {
  bool startedNow = false;
  if (s.startedAt == 0 && time >= s.beginTime) {
    s.active = true;
    if (s.paused) {
      s.paused = false;
      s.rewind(false);
    }
    s.startedAt = s.lastStepAt = time;
    startedNow = true;
  }
  if (s.active && !s.paused) s.prepareToRun(startedNow, object);
  if (startedNow) s.notifyStarted();
}

bool PXAnimator::stepAnimation(PXAnimationState& s, const rt::Id& object, double time) {
  double elapsed = time - s.lastStepAt;
  switch (s.type) {
    case kPXSpring:
    case kPXDecay:
      if (!s.step(object, time, elapsed)) return false;
      s.updateProgress();
      break;
    case kPXBasic:
      if (!s.step(object, time, elapsed)) return false;
      break;
    case kPXCustom:
      s.customDone = !s.owner->advance(object, time, elapsed);
      s.updateProgress();
      break;
    default: return false;
  }
  s.notifyProgress();
  s.lastStepAt = time;
  return true;
}

void PXAnimator::stopAnimation(PXAnimationState& s, bool remove, bool finished) {
  if (s.active) {
    if (finished) s.notifyProgress();
    if (remove) s.active = false;
    s.notifyStopped(finished);
  } else if (s.startedAt == 0) {
    s.notifyStarted();
    s.notifyStopped(false);
  }
  s.paused = true;
}

void PXAnimator::stopAndCleanUp(const ItemRef& item, bool remove, bool finished) {
  if (remove) {
    std::lock_guard guard(lock_);
    auto it = dict_.find(item->unretainedObject);
    // Only the table of the object this item animated, not of a newer object at its address.
    if (it != dict_.end() && sameOwner(it->second.object, item->object)) {
      auto& animations = it->second.animations;
      auto a = animations.find(item->key);
      if (a != animations.end() && a->second == item->animation) animations.erase(a);
      if (animations.empty()) dict_.erase(it);
    }
  }
  stopAnimation(item->animation->state(), remove, finished);
  if (remove) {
    std::lock_guard guard(lock_);
    std::erase(list_, item);
  }
}

void PXAnimator::renderItem(double time, const ItemRef& item) {
  rt::Id object = item->object.lock();
  if (!object) return stopAndCleanUp(item, true, false);
  PXAnimationState& s = item->animation->state();
  startIfDue(s, object, time);
  if (!s.active || s.paused) return;
  PXPropertyAnimationState* ps = propertyState(s);
  if (stepAnimation(s, object, time)) {
    if (ps) ps->applyToObject(object, false);
    s.notifyApplied();
  }
  if (!s.hasFinished()) return;
  if (ps) ps->finishPass(object);
  s.notifyApplied();
  s.repeatCount -= 1;
  if (s.repeatCount <= 0 && !s.repeatForever) return stopAndCleanUp(item, s.removedOnCompletion, true);
  // Another pass: the old to-value becomes the start.
  if (ps) {
    PX::VectorRef oldFrom = ps->fromVector, oldTo = ps->toVector;
    ps->fromVector = oldTo;
    auto* decay = s.type == kPXDecay ? static_cast<PXDecayAnimation*>(s.owner) : nullptr;
    if (s.autoreverses) {
      if (s.traceEnabled && s.tracer) s.tracer->autoreversed();
      if (decay) decay->setVelocity(decay->reversedVelocity());
      else ps->toVector = oldFrom;
    } else {
      if (decay) decay->setVelocity(decay->originalVelocity());
      else ps->fromVector = oldFrom;
    }
  }
  stopAnimation(s, false, false);
  s.rewind(true);
  startIfDue(s, object, time);
}

void px_addAnimation(const rt::Id& object, const Ref<PXAnimation>& animation, const String& key) {
  PXAnimator::sharedAnimator()->addAnimation(animation, object, key);
}
void px_removeAllAnimations(const rt::Id& object) { PXAnimator::sharedAnimator()->removeAllAnimations(object); }
void px_removeAnimationForKey(const rt::Id& object, const String& key) {
  PXAnimator::sharedAnimator()->removeAnimation(object, key);
}
std::vector<String> px_animationKeys(const rt::Id& object) { return PXAnimator::sharedAnimator()->animationKeys(object); }
Ref<PXAnimation> px_animationForKey(const rt::Id& object, const String& key) {
  return PXAnimator::sharedAnimator()->animation(object, key);
}

}  // namespace anim
