#include "anim/PXDecayAnimation.h"

#include <cmath>
#include <limits>

#include "anim/PXAnimationTracer.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/Number.h"

namespace anim {

RT_IMPLEMENT(PXDecayAnimation) {
  // Declared so that a tracer records the velocity with every value event.
  c.property("velocity", &PXDecayAnimation::velocity, &PXDecayAnimation::setVelocity);
}

using PX::Vector;

void PXDecayAnimation::init() { initWithState(std::make_unique<PXDecayAnimationState>(this)); }

Ref<PXDecayAnimation> PXDecayAnimation::animationWithPropertyNamed(const String& name) {
  auto a = animation();
  a->setProperty(PXAnimatableProperty::propertyWithName(name));
  return a;
}

void PXDecayAnimationState::decay(Vector& value, Vector& velocity, double dt) const {
  // Single precision where the arithmetic is single precision, so results match across ports.
  float d = std::pow(static_cast<float>(deceleration), static_cast<float>(dt * 1000));
  float k = static_cast<float>(static_cast<double>(1 - d) * deceleration / (1 - deceleration));
  size_t n = std::min(valueCount, std::min(value.count(), velocity.count()));
  for (size_t i = 0; i < n; ++i) {
    float u = static_cast<float>(velocity[i] / 1000);
    velocity[i] = static_cast<double>(d * u) * 1000;
    value[i] += static_cast<double>(k * u);
  }
}

bool PXDecayAnimationState::step(const rt::Id&, double, double elapsed) {
  if (!currentVector || !velocityVector) return false;
  decay(*currentVector, *velocityVector, elapsed);
  uint64_t saved = clampMode;
  clampMode |= 2;  // the end is always clamped
  clamp();
  clampMode = saved;
  return true;
}

bool PXDecayAnimationState::hasFinished() {
  if (valueCount == 0) return true;
  if (!velocityVector) return true;
  for (size_t i = 0; i < velocityVector->count(); ++i)
    if (!(std::fabs((*velocityVector)[i]) < 5 * dynamicsThreshold)) return false;
  return true;
}

void PXDecayAnimation::setDeceleration(double d) {
  if (decayState().deceleration == d) return;
  decayState().deceleration = d;
  invalidateComputedProperties();
}

void PXDecayAnimation::ensureComputedProperties() const {
  auto& s = decayState();
  if (s.toVector) return;
  const PX::VectorRef& start = s.currentVector ? s.currentVector : s.fromVector;
  if (s.duration == 0) {
    double e = s.dynamicsThreshold * 5 / 1000;
    double l = std::log(s.deceleration) * 1000;
    double longest = -std::numeric_limits<double>::infinity();
    PX::Vector4d v = s.originalVelocityVector ? s.originalVelocityVector->asVector4() : PX::Vector4d{};
    for (int i = 0; i < 4; ++i) {
      if (v[i] == 0) continue;
      longest = std::max(longest, std::log(std::fabs(e / (v[i] / 1000))) / l);
    }
    s.duration = longest < 0 ? 0 : longest;
  }
  if (!start) return;
  Vector value = *start;
  Vector velocity = s.originalVelocityVector ? *s.originalVelocityVector : Vector(s.valueCount);
  s.decay(value, velocity, s.duration);
  s.toVector = std::make_shared<Vector>(value);
}

void PXDecayAnimation::invalidateComputedProperties() {
  decayState().toVector = nullptr;
  decayState().duration = 0;
}

rt::Id PXDecayAnimation::toValue() const {
  ensureComputedProperties();
  return PXPropertyAnimation::toValue();
}

double PXDecayAnimation::duration() const {
  ensureComputedProperties();
  return decayState().duration;
}

void PXDecayAnimation::setToValue(const rt::Id&) {
  fd::NSLog("ignoring to value on decay animation %@", description());
}

void PXDecayAnimation::setFromValue(const rt::Id& value) {
  PXPropertyAnimation::setFromValue(value);
  invalidateComputedProperties();
}

rt::Id PXDecayAnimation::velocity() const {
  return PX::valueFromVector(decayState().velocityVector, decayState().valueType, false);
}

rt::Id PXDecayAnimation::originalVelocity() const {
  return PX::valueFromVector(decayState().originalVelocityVector, decayState().valueType, false);
}

rt::Id PXDecayAnimation::reversedVelocity() const {
  const auto& s = decayState();
  if (!s.originalVelocityVector) return nullptr;
  switch (s.valueType) {
    case PX::kValueInteger: case PX::kValueFloat: case PX::kValuePoint: case PX::kValueSize:
    case PX::kValueRect: case PX::kValueEdgeInsets: {
      Vector reversed = *s.originalVelocityVector;
      for (size_t i = 0; i < reversed.count(); ++i) reversed[i] = -reversed[i];
      return PX::valueFromVector(std::make_shared<Vector>(reversed), s.valueType, false);
    }
    default: return nullptr;
  }
}

void PXDecayAnimation::setVelocity(const rt::Id& value) {
  auto& s = decayState();
  static const PX::ValueType accepted[] = {PX::kValuePoint, PX::kValueInteger, PX::kValueFloat,
                                           PX::kValueRect, PX::kValueSize, PX::kValueEdgeInsets};
  if (PX::selectValueType(value, accepted, 6) == PX::kValueUnknown) {
    s.velocityVector = nullptr;
    fd::NSLog("Invalid velocity value for the decayAnimation: %@", value ? value->description() : String("(null)"));
    return;
  }
  PX::VectorRef v = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  PX::VectorRef original = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  if (PX::equalVectors(v, s.velocityVector)) return;
  s.velocityVector = v;
  s.originalVelocityVector = original;
  if (s.traceEnabled && s.tracer) s.tracer->updateVelocity(value);
  invalidateComputedProperties();
  if (s.active && s.paused) {
    s.fromVector = nullptr;
    s.paused = false;
    s.rewind(false);
  }
}

void PXDecayAnimation::appendDescription(String& s, bool debug) const {
  PXPropertyAnimation::appendDescription(s, debug);
  if (double d = duration(); d != 0) s.append(String::format("; duration = %f", d));
  if (deceleration() != 0) s.append(String::format("; deceleration = %f", deceleration()));
}

Ref<PXAnimation> PXDecayAnimation::makeCopy() const {
  auto c = animation();
  copyPropertyTo(*c);
  if (auto v = originalVelocity()) c->setVelocity(v);
  c->setDeceleration(deceleration());
  return c;
}

}  // namespace anim
