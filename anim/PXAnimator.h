#pragma once
// The one object that runs every animation of the process: per animated object a table of
// key -> animation, and on every display frame each running animation stepped inside one
// transaction with implicit actions disabled. A newly added animation is rendered before the
// main run loop next sleeps, without waiting for the frame. Animations are keyed by the object's
// identity while it lives: a new object at a dead one's address starts with no animations.
// Public methods may be called from any thread; rendering and callbacks run on the main thread.
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "anim/PXAnimation.h"
#include "platform/foundation/threads/RunLoopObserver.h"
#include "platform/ui/layer/DisplayLink.h"

namespace anim {

class PXAnimator : public rt::Object {
  RT_CLASS(PXAnimator, rt::Object)
 public:
  void init();
  ~PXAnimator() override;
  static Ref<PXAnimator> sharedAnimator();

  /// Replaces (stopping, finished false) another animation under the key; a null key gets a
  /// fresh unique one.
  void addAnimation(const Ref<PXAnimation>& animation, const rt::Id& object, String key = String());
  void removeAnimation(const rt::Id& object, const String& key);
  void removeAllAnimations(const rt::Id& object);
  std::vector<String> animationKeys(const rt::Id& object) const;
  Ref<PXAnimation> animation(const rt::Id& object, const String& key) const;

  /// Observers receive `animatorDidAnimate:` after every frame.
  void addObserver(const rt::Id& observer);
  void removeObserver(const rt::Id& observer);
  std::vector<rt::Id> observers() const;

  /// Renders every animation at the current media time (what the display link calls).
  void render();
  void renderTime(double time);

  /// When not 0, the time pending animations are rendered at.
  double beginTime() const { return beginTime_; }
  void setBeginTime(double t) { beginTime_ = t; }
  bool disableDisplayLink() const { return disableDisplayLink_; }
  /// Takes effect at the next render or add.
  void setDisableDisplayLink(bool on) { disableDisplayLink_ = on; }
  bool isDisplayLinkPaused() const { return displayLink_->isPaused(); }
  /// Held weakly; sent `animatorWillAnimate:` before and `animatorDidAnimate:` after every
  /// render pass, each when it answers it.
  Ref<rt::Object> delegate() const;
  void setDelegate(const rt::Id& delegate);
  /// A process-wide setting kept for callers; rendering always runs on the main thread.
  static bool disableBackgroundThread();
  static void setDisableBackgroundThread(bool on);

 private:
  struct Item {
    rt::Weak<rt::Object> object;
    String key;
    Ref<PXAnimation> animation;
    const rt::Object* unretainedObject;
  };
  using ItemRef = std::shared_ptr<Item>;
  struct Entry {
    rt::Weak<rt::Object> object;
    std::unordered_map<String, Ref<PXAnimation>> animations;
  };

  Entry* liveEntryLocked(const rt::Object* object);
  void removeAnimation(const rt::Id& object, const String& key, bool cleanup);
  void updateDisplayLinkLocked();
  void schedulePendingPass();
  void processPending();
  void renderItems(double time, const std::vector<ItemRef>& items);
  void renderItem(double time, const ItemRef& item);
  void stopAndCleanUp(const ItemRef& item, bool remove, bool finished);
  static void stopAnimation(PXAnimationState& state, bool remove, bool finished);
  static void startIfDue(PXAnimationState& state, const rt::Id& object, double time);
  static bool stepAnimation(PXAnimationState& state, const rt::Id& object, double time);

  mutable std::mutex lock_;
  Ref<ui::DisplayLink> displayLink_;
  std::vector<ItemRef> list_;
  std::vector<ItemRef> pending_;
  std::unordered_map<const rt::Object*, Entry> dict_;
  Ref<fd::RunLoopObserver> pendingObserver_;
  std::vector<rt::Id> observers_;
  rt::Weak<rt::Object> delegate_;
  double beginTime_ = 0;
  bool disableDisplayLink_ = false;
};

// Any object receives keyed animations through these.
void px_addAnimation(const rt::Id& object, const Ref<PXAnimation>& animation, const String& key);
void px_removeAllAnimations(const rt::Id& object);
void px_removeAnimationForKey(const rt::Id& object, const String& key);
std::vector<String> px_animationKeys(const rt::Id& object);
Ref<PXAnimation> px_animationForKey(const rt::Id& object, const String& key);

}  // namespace anim
