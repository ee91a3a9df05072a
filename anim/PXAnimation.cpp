#include "anim/PXAnimation.h"

#include "anim/PXAnimationTracer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Number.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Transaction.h"

namespace anim {

RT_IMPLEMENT(PXAnimation) {}

void PXAnimationState::withActionsEnabled(const std::function<void()>& call) {
  bool saved = ui::Transaction::disableActions();
  ui::Transaction::setDisableActions(false);
  call();
  ui::Transaction::setDisableActions(saved);
}

void PXAnimationState::sendDelegate(const char* selector, std::vector<rt::Value> args) {
  auto d = delegate.lock();
  if (!d) return;
  withActionsEnabled([&] { d->performSelector(rt::Selector::named(selector), args); });
}

void PXAnimationState::notifyStarted() {
  Ref<PXAnimation> keep = std::static_pointer_cast<PXAnimation>(owner->self());
  if (respondsToDidStart) sendDelegate(px_delegate::didStart, {rt::Value::ofObject(keep)});
  if (auto b = didStartBlock) withActionsEnabled([&] { b(*owner); });
  if (traceEnabled && tracer) tracer->didStart();
}

void PXAnimationState::notifyApplied() {
  Ref<PXAnimation> keep = std::static_pointer_cast<PXAnimation>(owner->self());
  if (respondsToDidApply) sendDelegate(px_delegate::didApply, {rt::Value::ofObject(keep)});
  if (auto b = didApplyBlock) withActionsEnabled([&] { b(*owner); });
}

void PXAnimationState::notifyStopped(bool finished) {
  Ref<PXAnimation> keep = std::static_pointer_cast<PXAnimation>(owner->self());
  if (respondsToDidStop) sendDelegate(px_delegate::didStop, {rt::Value::ofObject(keep), rt::Value::ofBool(finished)});
  if (auto b = completionBlock) withActionsEnabled([&] { b(*owner, finished); });
  if (traceEnabled && tracer) tracer->didStop(finished);
}

void PXAnimation::init() {
  rt::raise(className(), "Attempting to instantiate an abstract class. Use a concrete subclass instead.");
}

PXAnimation::~PXAnimation() = default;

void PXAnimation::setDelegate(const rt::Id& delegate) {
  auto& s = *state_;
  if (s.delegate.lock() == delegate) return;
  s.delegate = delegate;
  auto answers = [&](const char* sel) { return delegate && delegate->respondsToSelector(sel); };
  s.respondsToDidStart = answers(px_delegate::didStart);
  s.respondsToDidStop = answers(px_delegate::didStop);
  s.respondsToDidReachProgress = answers(px_delegate::didReachProgress);
  s.respondsToDidApply = answers(px_delegate::didApply);
  s.respondsToDidReachToValue = answers(px_delegate::didReachToValue);
}

void PXAnimation::setPaused(bool paused) {
  if (state_->paused == paused) return;
  state_->paused = paused;
  if (!paused) state_->rewind(false);
}

void PXAnimation::setRepeatCount(int64_t count) {
  if (count <= 0) return;
  if (count >= (int64_t{1} << 62)) count = (int64_t{1} << 62) - 1;
  state_->repeatCount = state_->autoreverses ? count * 2 : count;
}

void PXAnimation::setAutoreverses(bool on) {
  state_->autoreverses = on;
  if (on && state_->repeatCount == 0) setRepeatCount(1);
}

void PXAnimation::setSolver(SpringSolver<PX::Vector4d>* solver) {
  if (!solver || solver == this->solver()) return;
  adoptSolver(std::unique_ptr<SpringSolver<PX::Vector4d>>(solver));
}

Ref<PXAnimationTracer> PXAnimation::tracer() {
  if (!state_->tracer) state_->tracer = rt::make<PXAnimationTracer>(*this);
  return state_->tracer;
}

rt::Id PXAnimation::valueForUndefinedKey(const String& key) const {
  return state_->userValues ? state_->userValues->objectForKey(key) : nullptr;
}

void PXAnimation::setValueForUndefinedKey(const rt::Id& value, const String& key) {
  if (!value) {
    if (state_->userValues) state_->userValues->removeObjectForKey(key);
    return;
  }
  if (!state_->userValues) state_->userValues = fd::MutableDictionary::create();
  state_->userValues->setObjectForKey(value, key);
}

bool PXAnimation::advance(const rt::Id&, double, double) { return true; }

void PXAnimation::appendDescription(String& s, bool debug) const {
  const auto& st = *state_;
  if (!st.name.isEmpty()) s.append(String::format("; name = %@", st.name));
  if (!st.removedOnCompletion) s.append("; removedOnCompletion = NO");
  if (debug) {
    if (st.active) s.append("; active = YES");
    if (st.paused) s.append("; paused = YES");
  }
  if (st.beginTime != 0) s.append(String::format("; beginTime = %f", st.beginTime));
  if (st.userValues)
    for (size_t i = 0; i < st.userValues->count(); ++i)
      s.append(String::format("; %@ = %@", st.userValues->keys()[i]->description(),
                              st.userValues->values()[i]->description()));
}

String PXAnimation::describe(bool debug) const {
  String s = String::format("<%@:%p", className(), static_cast<const void*>(this));
  appendDescription(s, debug);
  s.append(">");
  return s;
}

void PXAnimation::copyBaseTo(PXAnimation& c) const {
  const auto& s = *state_;
  c.setName(s.name);
  c.setBeginTime(s.beginTime);
  c.setDelegate(s.delegate.lock());
  c.setAnimationDidStartBlock(s.didStartBlock);
  c.setAnimationDidReachToValueBlock(s.didReachToValueBlock);
  c.setCompletionBlock(s.completionBlock);
  c.setAnimationDidApplyBlock(s.didApplyBlock);
  c.setRemovedOnCompletion(s.removedOnCompletion);
  c.setAutoreverses(s.autoreverses);
  c.setRepeatCount(repeatCount());
  c.setRepeatForever(s.repeatForever);
}

rt::Id PXAnimation::copy() const { return makeCopy(); }

// --- tracer ---------------------------------------------------------------------------------

RT_IMPLEMENT(PXAnimationEvent) {}
RT_IMPLEMENT(PXAnimationValueEvent) {}
RT_IMPLEMENT(PXAnimationTracer) {}

const char* PXAnimationEventTypeName(PXAnimationEventType type) {
  static const char* const names[] = {"read", "write", "toValue", "fromValue", "velocity", "bounciness", "speed",
                                      "friction", "mass", "tension", "didStart", "didStop", "didReachToValue",
                                      "autoreversed"};
  return type <= kPXEventAutoreversed ? names[type] : "";
}

String PXAnimationEvent::description() const {
  String s = String::format("<PXAnimationEvent:%f; type = %s", time_, PXAnimationEventTypeName(type_));
  appendDescription(s);
  s.append(">");
  return s;
}

void PXAnimationEvent::appendDescription(String& s) const {
  if (!animationDescription_.isEmpty()) s.append(String::format("; animation = %@", animationDescription_));
}

void PXAnimationValueEvent::appendDescription(String& s) const {
  PXAnimationEvent::appendDescription(s);
  if (value_) s.append(String::format("; value = %@", value_->description()));
  if (velocity_) s.append(String::format("; velocity = %@", velocity_->description()));
}

void PXAnimationTracer::init(PXAnimation& animation) {
  animation_ = std::static_pointer_cast<PXAnimation>(animation.self());
  events_.reserve(50);
  animationHasVelocity_ = animation.respondsToSelector("velocity");
}

void PXAnimationTracer::start() {
  if (auto a = animation_.lock()) a->state().traceEnabled = true;
}

void PXAnimationTracer::stop() {
  if (auto a = animation_.lock()) a->state().traceEnabled = false;
}

std::vector<Ref<PXAnimationEvent>> PXAnimationTracer::eventsWithType(PXAnimationEventType type) const {
  std::vector<Ref<PXAnimationEvent>> out;
  for (const auto& e : events_)
    if (e->type() == type) out.push_back(e);
  return out;
}

void PXAnimationTracer::updateBounciness(float v) { record(kPXEventBounciness, fd::Number::numberWithFloat(v), false); }
void PXAnimationTracer::updateSpeed(float v) { record(kPXEventSpeed, fd::Number::numberWithFloat(v), false); }
void PXAnimationTracer::updateFriction(float v) { record(kPXEventFriction, fd::Number::numberWithFloat(v), false); }
void PXAnimationTracer::updateMass(float v) { record(kPXEventMass, fd::Number::numberWithFloat(v), false); }
void PXAnimationTracer::updateTension(float v) { record(kPXEventTension, fd::Number::numberWithFloat(v), false); }

void PXAnimationTracer::didStop(bool finished) {
  record(kPXEventDidStop, fd::Number::numberWithBool(finished), true);
  if (!shouldLogAndReset_) return;
  String list;
  for (const auto& e : events_) list.append(e->description() + "\n");
  fd::NSLog("events:%@", list);
  reset();
}

void PXAnimationTracer::record(PXAnimationEventType type, const rt::Id& value, bool withDescription) {
  auto animation = animation_.lock();
  if (!animation) return;
  const auto& s = animation->state();
  double time = s.startedAt != 0 ? s.lastStepAt - s.startedAt : s.lastStepAt;
  Ref<PXAnimationEvent> event;
  if (value) {
    auto v = rt::make<PXAnimationValueEvent>(type, time, value);
    if (animationHasVelocity_) v->setVelocity(animation->performSelector(rt::Selector::named("velocity")).object());
    event = v;
  } else {
    event = rt::make<PXAnimationEvent>(type, time);
  }
  if (withDescription) event->setAnimationDescription(animation->description());
  events_.push_back(event);
}

}  // namespace anim
