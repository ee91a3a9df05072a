#pragma once
// The abstract base of every animation (basic, spring, decay, custom) and the state record the
// animator drives frame by frame. Delegates are sent the selectors below when they answer
// them; blocks and delegate messages run with implicit layer actions enabled. Main thread.
#include <functional>
#include <memory>

#include "anim/PXSpringSolver.h"
#include "platform/foundation/values/Array.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/runtime/Class.h"

namespace anim {

using rt::String;
class PXAnimation;
class PXAnimationTracer;

namespace px_delegate {
inline constexpr const char* didStart = "px_animationDidStart:";
inline constexpr const char* didStop = "px_animationDidStop:finished:";
inline constexpr const char* didReachProgress = "px_animation:didReachProgress:";
inline constexpr const char* didApply = "px_animationDidApply:";
inline constexpr const char* didReachToValue = "px_animationDidReachToValue:";
}  // namespace px_delegate

enum PXAnimationType : int32_t { kPXSpring = 0, kPXDecay = 1, kPXBasic = 2, kPXCustom = 3 };

/// The state record behind an animation: timing, callbacks, flags, and the operations each
/// kind of animation plugs in.
struct PXAnimationState {
  using Block = std::function<void(PXAnimation& animation)>;
  using CompletionBlock = std::function<void(PXAnimation& animation, bool finished)>;

  PXAnimationState(PXAnimation* owner, int32_t type) : owner(owner), type(type) {}
  virtual ~PXAnimationState() = default;

  PXAnimation* owner;  // not retained: the animation owns its state
  int32_t type;
  String name;
  double beginTime = 0, startedAt = 0, lastStepAt = 0;
  rt::Weak<rt::Object> delegate;
  Block didStartBlock, didReachToValueBlock, didApplyBlock;
  CompletionBlock completionBlock;
  Ref<fd::MutableDictionary> userValues;
  Ref<PXAnimationTracer> tracer;
  double progress = 0;
  int64_t repeatCount = 0;
  bool active = false, paused = true, removedOnCompletion = true;
  bool respondsToDidStart = false, respondsToDidStop = false, respondsToDidReachProgress = false,
       respondsToDidApply = false, respondsToDidReachToValue = false;
  bool additive = false, reachedToValue = false, traceEnabled = false, dynamicsSetDirectly = false,
       autoreverses = false, repeatForever = false, customDone = false;

  void notifyStarted();
  void notifyApplied();
  void notifyStopped(bool finished);
  /// Sends a delegate message with implicit actions enabled for the call.
  void sendDelegate(const char* selector, std::vector<rt::Value> args);
  static void withActionsEnabled(const std::function<void()>& call);

  virtual bool hasFinished() { return type == kPXCustom && customDone; }
  virtual void prepareToRun(bool started, const rt::Id& target) { (void)started, (void)target; }
  virtual bool step(const rt::Id& target, double time, double elapsed) { (void)target, (void)time, (void)elapsed; return false; }
  virtual void updateProgress() {}
  virtual void notifyProgress() {}
  virtual void rewind(bool all) {
    (void)all;
    startedAt = lastStepAt = 0;
  }
};

class PXAnimation : public rt::Object {
  RT_CLASS(PXAnimation, rt::Object)
 public:
  /// Raises: the class is abstract.
  void init();
  ~PXAnimation() override;

  const String& name() const { return state_->name; }
  void setName(String name) { state_->name = std::move(name); }
  double beginTime() const { return state_->beginTime; }
  void setBeginTime(double t) { state_->beginTime = t; }
  Ref<rt::Object> delegate() const { return state_->delegate.lock(); }
  /// Asks once which of the delegate messages the delegate answers.
  void setDelegate(const rt::Id& delegate);
  bool isPaused() const { return state_->paused; }
  /// Un-pausing restarts the timing at the next frame.
  void setPaused(bool paused);
  /// Passes (forward and back count as one with autoreverses).
  int64_t repeatCount() const { return state_->autoreverses ? state_->repeatCount / 2 : state_->repeatCount; }
  void setRepeatCount(int64_t count);
  bool autoreverses() const { return state_->autoreverses; }
  void setAutoreverses(bool on);
  bool removedOnCompletion() const { return state_->removedOnCompletion; }
  void setRemovedOnCompletion(bool on) { state_->removedOnCompletion = on; }
  bool repeatForever() const { return state_->repeatForever; }
  void setRepeatForever(bool on) { state_->repeatForever = on; }
  const PXAnimationState::Block& animationDidStartBlock() const { return state_->didStartBlock; }
  void setAnimationDidStartBlock(PXAnimationState::Block b) { state_->didStartBlock = std::move(b); }
  const PXAnimationState::Block& animationDidReachToValueBlock() const { return state_->didReachToValueBlock; }
  void setAnimationDidReachToValueBlock(PXAnimationState::Block b) { state_->didReachToValueBlock = std::move(b); }
  const PXAnimationState::Block& animationDidApplyBlock() const { return state_->didApplyBlock; }
  void setAnimationDidApplyBlock(PXAnimationState::Block b) { state_->didApplyBlock = std::move(b); }
  void setCompletionBlock(PXAnimationState::CompletionBlock b) { state_->completionBlock = std::move(b); }
  const PXAnimationState::CompletionBlock& completionBlock() const { return state_->completionBlock; }
  int32_t type() const { return state_->type; }
  /// Made on first use.
  Ref<PXAnimationTracer> tracer();
  virtual rt::Id currentValue() const { return nullptr; }
  /// Unused by the base; the spring animation steps its own.
  virtual SpringSolver<PX::Vector4d>* solver() const { return solver_.get(); }
  /// Every kind owns the solver it is given (allocated with new) and deletes the one it
  /// replaces. Null and the current solver change nothing: a spring cannot step without one.
  void setSolver(SpringSolver<PX::Vector4d>* solver);
  /// Kept as a copy; the property animation keeps them in its state and reports them.
  virtual Ref<fd::Array> progressMarkers() const { return progressMarkers_; }
  virtual void setProgressMarkers(const Ref<fd::Array>& markers) {
    progressMarkers_ = markers ? rt::as<fd::Array>(markers->copy()) : nullptr;
  }

  /// Undeclared keys become per-animation user values.
  rt::Id valueForUndefinedKey(const String& key) const override;
  void setValueForUndefinedKey(const rt::Id& value, const String& key) override;

  /// Called each frame for custom animations: false ends the pass.
  virtual bool advance(const rt::Id& target, double currentTime, double elapsedTime);

  String description() const override { return describe(false); }
  String debugDescription() const override { return describe(true); }
  rt::Id copy() const override;

  PXAnimationState& state() const { return *state_; }

 protected:
  /// Concrete kinds call this in place of `init`, with their state.
  void initWithState(std::unique_ptr<PXAnimationState> state) { state_ = std::move(state); }
  virtual void appendDescription(String& s, bool debug) const;
  /// A fresh instance of the same kind with the base settings copied; kinds add theirs.
  virtual Ref<PXAnimation> makeCopy() const { return nullptr; }
  /// Where a kind keeps the solver `setSolver` hands over.
  virtual void adoptSolver(std::unique_ptr<SpringSolver<PX::Vector4d>> solver) { solver_ = std::move(solver); }
  void copyBaseTo(PXAnimation& copy) const;

 private:
  String describe(bool debug) const;
  std::unique_ptr<PXAnimationState> state_;
  std::unique_ptr<SpringSolver<PX::Vector4d>> solver_;
  Ref<fd::Array> progressMarkers_;
};

}  // namespace anim
