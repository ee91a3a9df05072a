#pragma once
// A debugging aid: once started, records what happens to one animation (values read and
// written, end values, velocity and spring changes, start, stop, reaching the end, reversal).
// Recorded on the thread that drives the animation; no lock.
#include <vector>

#include "platform/foundation/values/Array.h"
#include "platform/runtime/Class.h"

namespace anim {

using rt::String;
class PXAnimation;
struct PXAnimationState;

enum PXAnimationEventType : uint64_t {
  kPXEventRead = 0, kPXEventWrite, kPXEventToValue, kPXEventFromValue, kPXEventVelocity, kPXEventBounciness,
  kPXEventSpeed, kPXEventFriction, kPXEventMass, kPXEventTension, kPXEventDidStart, kPXEventDidStop,
  kPXEventDidReachToValue, kPXEventAutoreversed,
};
const char* PXAnimationEventTypeName(PXAnimationEventType type);

class PXAnimationEvent : public rt::Object {
  RT_CLASS(PXAnimationEvent, rt::Object)
 public:
  void init() {}
  void init(PXAnimationEventType type, double time) { type_ = type, time_ = time; }
  PXAnimationEventType type() const { return type_; }
  double time() const { return time_; }
  const String& animationDescription() const { return animationDescription_; }
  void setAnimationDescription(String d) { animationDescription_ = std::move(d); }
  String description() const override;

 protected:
  virtual void appendDescription(String& s) const;

 private:
  PXAnimationEventType type_ = kPXEventRead;
  double time_ = 0;
  String animationDescription_;
};

class PXAnimationValueEvent : public PXAnimationEvent {
  RT_CLASS(PXAnimationValueEvent, PXAnimationEvent)
 public:
  void init(PXAnimationEventType type, double time, rt::Id value) {
    PXAnimationEvent::init(type, time);
    value_ = std::move(value);
  }
  const rt::Id& value() const { return value_; }
  const rt::Id& velocity() const { return velocity_; }
  void setVelocity(rt::Id v) { velocity_ = std::move(v); }

 protected:
  void appendDescription(String& s) const override;

 private:
  rt::Id value_;
  rt::Id velocity_;
};

class PXAnimationTracer : public rt::Object {
  RT_CLASS(PXAnimationTracer, rt::Object)
 public:
  void init() {}
  void init(PXAnimation& animation);

  /// Events are recorded only between start and stop.
  void start();
  void stop();
  void reset() { events_.clear(); }
  std::vector<Ref<PXAnimationEvent>> allEvents() const { return events_; }
  std::vector<Ref<PXAnimationEvent>> eventsWithType(PXAnimationEventType type) const;
  std::vector<Ref<PXAnimationEvent>> writeEvents() const { return eventsWithType(kPXEventWrite); }
  bool shouldLogAndResetOnCompletion() const { return shouldLogAndReset_; }
  void setShouldLogAndResetOnCompletion(bool on) { shouldLogAndReset_ = on; }

  void readPropertyValue(const rt::Id& v) { record(kPXEventRead, v, false); }
  void writePropertyValue(const rt::Id& v) { record(kPXEventWrite, v, false); }
  void updateToValue(const rt::Id& v) { record(kPXEventToValue, v, false); }
  void updateFromValue(const rt::Id& v) { record(kPXEventFromValue, v, false); }
  void updateVelocity(const rt::Id& v) { record(kPXEventVelocity, v, false); }
  void updateBounciness(float v);
  void updateSpeed(float v);
  void updateFriction(float v);
  void updateMass(float v);
  void updateTension(float v);
  void didStart() { record(kPXEventDidStart, nullptr, true); }
  void didStop(bool finished);
  void didReachToValue(const rt::Id& v) { record(kPXEventDidReachToValue, v, false); }
  void autoreversed() { record(kPXEventAutoreversed, nullptr, false); }

 private:
  void record(PXAnimationEventType type, const rt::Id& value, bool withDescription);
  rt::Weak<PXAnimation> animation_;
  std::vector<Ref<PXAnimationEvent>> events_;
  bool animationHasVelocity_ = false;
  bool shouldLogAndReset_ = false;
};

}  // namespace anim
