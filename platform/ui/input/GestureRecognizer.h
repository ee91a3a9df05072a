#pragma once
// Gesture recognisers: state machines fed with the touches of the views they are attached to
// (and of those views' descendants). Recognisers that share a touch are exclusive: the first
// to recognise fails the others unless a delegate lets them run together. A recogniser that
// recognises can cancel the touches its view was getting; another one can be made to wait
// until it fails.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/ui/input/Event.h"
#include "platform/ui/input/Touch.h"

namespace ui {

class View;
class Window;
class GestureRecognizer;

enum class GestureRecognizerState : int64_t {
  Possible = 0, Began = 1, Changed = 2, Ended = 3, Cancelled = 4, Failed = 5, Recognized = Ended,
};

/// Optional operations; nullopt means "does not respond".
class GestureRecognizerDelegate {
 public:
  virtual ~GestureRecognizerDelegate() = default;
  virtual std::optional<bool> gestureRecognizerShouldBegin(GestureRecognizer& g) { (void)g; return std::nullopt; }
  virtual std::optional<bool> gestureRecognizerShouldReceiveTouch(GestureRecognizer& g, Touch& t) {
    (void)g; (void)t; return std::nullopt;
  }
  virtual std::optional<bool> shouldRecognizeSimultaneously(GestureRecognizer& g, GestureRecognizer& other) {
    (void)g; (void)other; return std::nullopt;
  }
  /// Asked while `g` would recognise and `other`, which shares a touch with it, is still
  /// possible: true makes `g` wait until `other` fails (and fail if it recognises).
  virtual std::optional<bool> shouldRequireFailureOf(GestureRecognizer& g, GestureRecognizer& other) {
    (void)g; (void)other; return std::nullopt;
  }
};

class GestureRecognizer : public rt::Object {
  RT_CLASS_NAMED(GestureRecognizer, rt::Object, "UIGestureRecognizer")
 public:
  using Action = std::function<void(GestureRecognizer& recognizer)>;

  void init() {}
  /// The target is held weakly; `action` takes zero arguments or the recogniser.
  void init(const rt::Id& target, rt::Selector action) { addTarget(target, action); }
  void init(const rt::Id& target, Action action) { addTarget(target, std::move(action)); }
  ~GestureRecognizer() override;

  void addTarget(const rt::Id& target, rt::Selector action);
  void addTarget(const rt::Id& target, Action action);
  /// A null target removes every target; a null action every action of `target`.
  void removeTarget(const rt::Id& target, rt::Selector action = {});

  GestureRecognizerState state() const { return state_; }
  /// Moves the state machine (subclasses and tests); impossible transitions are ignored.
  void setState(GestureRecognizerState s);

  Ref<View> view() const { return view_.lock(); }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on);
  bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
  void setCancelsTouchesInView(bool on) { cancelsTouchesInView_ = on; }
  bool delaysTouchesBegan() const { return delaysTouchesBegan_; }
  void setDelaysTouchesBegan(bool on) { delaysTouchesBegan_ = on; }
  bool delaysTouchesEnded() const { return delaysTouchesEnded_; }
  void setDelaysTouchesEnded(bool on) { delaysTouchesEnded_ = on; }
  Weak<GestureRecognizerDelegate> delegate() const { return delegate_; }
  void setDelegate(Weak<GestureRecognizerDelegate> d) { delegate_ = std::move(d); }

  /// The receiver recognises only once `other` has failed.
  void requireGestureRecognizerToFail(const Ref<GestureRecognizer>& other);

  /// Centroid of the tracked touches in `view` (null: the window); the last centroid once
  /// they have lifted.
  virtual gfx::Point locationInView(const View* view) const;
  size_t numberOfTouches() const { return touches_.size(); }
  gfx::Point locationOfTouch(size_t index, const View* view) const;

  // Fed by touch delivery; subclasses override.
  virtual void touchesBegan(const TouchSet& touches, Event* event);
  virtual void touchesMoved(const TouchSet& touches, Event* event);
  virtual void touchesEnded(const TouchSet& touches, Event* event);
  virtual void touchesCancelled(const TouchSet& touches, Event* event);
  /// Back to possible; subclasses clear their own tracking and call up.
  virtual void reset();
  virtual bool canPreventGestureRecognizer(const GestureRecognizer* other) const { (void)other; return true; }
  virtual bool canBePreventedByGestureRecognizer(const GestureRecognizer* other) const { (void)other; return true; }

  // ---- for touch delivery
  void setView(const Ref<View>& v);
  void trackTouch(const Ref<Touch>& t);
  void untrackTouch(const Touch* t);
  const std::vector<Ref<Touch>>& trackedTouches() const { return touches_; }
  /// Whether the recogniser may take `touch` (enabled, delegate agrees).
  bool shouldReceive(Touch& touch);
  bool isActive() const { return state_ == GestureRecognizerState::Began || state_ == GestureRecognizerState::Changed; }
  bool isFinished() const;
  /// Recognised (began, or ended as a discrete gesture) during the current delivery.
  bool hasRecognized() const { return recognized_; }
  bool allowsSimultaneous(GestureRecognizer& other);
  /// Called by a recogniser this one may wait for when it fails or recognises.
  void requiredRecognizerSettled(GestureRecognizer* other, bool failed);
  /// Subclasses that track touches all by themselves ask this once every touch has lifted.
  bool allTouchesLifted() const { return touches_.empty(); }
  /// Fails the receiver if it is still possible (used by exclusivity and by subclasses).
  void failIfPossible();

 protected:
  /// Location of the touches' centroid in window coordinates.
  gfx::Point centroid() const;
  void rememberLocation() { lastLocation_ = centroid(); }

 private:
  struct Target {
    Weak<rt::Object> target;
    rt::Selector selector;
    Action action;
  };
  void sendActions();
  void applyState(GestureRecognizerState s);
  void storeState(GestureRecognizerState s);
  bool waitingForFailures();
  bool waitsFor(GestureRecognizer& other);
  /// The other recognisers fed any of the receiver's touches.
  std::vector<Ref<GestureRecognizer>> rivals() const;
  bool prevents(GestureRecognizer& other);
  /// A rival that recognised first keeps the receiver from recognising.
  bool preventedByRival();
  void failRivals();
  void notifyDependents(bool failed);
  void notifyRouter();

  GestureRecognizerState state_ = GestureRecognizerState::Possible;
  std::optional<GestureRecognizerState> pending_;
  Weak<View> view_;
  std::vector<Target> targets_;
  std::vector<Ref<Touch>> touches_;
  std::vector<Weak<GestureRecognizer>> requiredToFail_;
  std::vector<Weak<GestureRecognizer>> dependents_;
  Weak<GestureRecognizerDelegate> delegate_;
  gfx::Point lastLocation_;
  Weak<Window> window_;
  bool involved_ = false;
  bool enabled_ = true;
  bool cancelsTouchesInView_ = true;
  bool delaysTouchesBegan_ = false;
  bool delaysTouchesEnded_ = true;
  bool recognized_ = false;
  friend class TouchRouter;
};

}  // namespace ui
