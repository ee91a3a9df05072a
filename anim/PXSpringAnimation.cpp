#include "anim/PXSpringAnimation.h"

#include <cmath>

#include "anim/PXAnimationTracer.h"
#include "anim/PXCurve.h"

namespace anim {

RT_IMPLEMENT(PXSpringAnimation) {
  // Declared so that a tracer records the velocity with every value event.
  c.property("velocity", &PXSpringAnimation::velocity, &PXSpringAnimation::setVelocity);
}

using PX::Vector4d;

void PXSpringAnimation::init() {
  initWithState(std::make_unique<PXSpringAnimationState>(this));
  auto& s = springState();
  s.refreshThreshold();
  convertBounciness(s.springBounciness, s.springSpeed, &s.dynamicsTension, &s.dynamicsFriction, &s.dynamicsMass);
  s.copyDynamicsToSolver();
}

Ref<PXSpringAnimation> PXSpringAnimation::animationWithPropertyNamed(const String& name) {
  auto a = animation();
  a->setProperty(PXAnimatableProperty::propertyWithName(name));
  return a;
}

void PXSpringAnimation::convertBounciness(double bounciness, double speed, double* tension, double* friction,
                                          double* mass) {
  double b = (bounciness / 1.7) / 20 * 0.8;
  double s = 0.5 + (speed / 1.7) / 20 * 199.5;
  double k = (s - 30) / 50 * 181 + 194;
  double f0 = PXBouncy3NoBounce(s);
  double q = 2 * b - b * b;
  double f = q * 0.01 + (1 - q) * f0;
  if (tension) *tension = k;
  if (friction) *friction = (f - 8) * 0.5 * 6 + 25;
  if (mass) *mass = 1;
}

void PXSpringAnimation::convertTension(double tension, double friction, double* bounciness, double* speed) {
  double s = (tension - 194) / 181 * 50 + 30;
  double f = (friction - 25) / 6 * 2 + 8;
  double f0 = PXBouncy3NoBounce(s);
  double a = f0 - 0.01, b = 2 * (0.01 - f0), c = f0 - f;
  double root = std::sqrt(b * b - 4 * a * c);
  double r1 = (root - b) / (2 * a), r2 = (-b - root) / (2 * a);
  if (bounciness) *bounciness = (r2 < 0.8 ? r2 : r1) * 42.5;
  if (speed) *speed = (s - 0.5) * 0.17042606516290726;
}

void PXSpringAnimation::adoptSolver(std::unique_ptr<SpringSolver<PX::Vector4d>> solver) {
  springState().solver = std::move(solver);
}

rt::Id PXSpringAnimation::velocity() const {
  return PX::valueFromVector(springState().velocityVector, springState().valueType, false);
}

void PXSpringAnimation::setVelocity(const rt::Id& value) {
  auto& s = springState();
  PX::VectorRef v = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  PX::VectorRef original = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  if (PX::equalVectors(v, s.velocityVector)) return;
  s.velocityVector = v;
  s.originalVelocityVector = original;
  if (s.traceEnabled && s.tracer) s.tracer->updateVelocity(value);
}

void PXSpringAnimation::updatedDynamics(PXAnimationEventType event, double value) {
  auto& s = springState();
  s.dynamicsSetDirectly = true;
  if (s.traceEnabled && s.tracer) {
    if (event == kPXEventTension) s.tracer->updateTension(static_cast<float>(value));
    if (event == kPXEventFriction) s.tracer->updateFriction(static_cast<float>(value));
    if (event == kPXEventMass) s.tracer->updateMass(static_cast<float>(value));
  }
  s.copyDynamicsToSolver();
}

void PXSpringAnimation::setDynamicsTension(double v) {
  if (springState().dynamicsTension == v) return;
  springState().dynamicsTension = v;
  updatedDynamics(kPXEventTension, v);
}

void PXSpringAnimation::setDynamicsFriction(double v) {
  if (springState().dynamicsFriction == v) return;
  springState().dynamicsFriction = v;
  updatedDynamics(kPXEventFriction, v);
}

void PXSpringAnimation::setDynamicsMass(double v) {
  if (springState().dynamicsMass == v) return;
  springState().dynamicsMass = v;
  updatedDynamics(kPXEventMass, v);
}

void PXSpringAnimation::updatedSpring() {
  auto& s = springState();
  s.dynamicsSetDirectly = false;
  convertBounciness(s.springBounciness, s.springSpeed, &s.dynamicsTension, &s.dynamicsFriction, &s.dynamicsMass);
  s.copyDynamicsToSolver();
}

void PXSpringAnimation::setSpringSpeed(double v) {
  auto& s = springState();
  if (!s.dynamicsSetDirectly && s.springSpeed == v) return;
  s.springSpeed = v;
  updatedSpring();
  if (s.traceEnabled && s.tracer) s.tracer->updateSpeed(static_cast<float>(v));
}

void PXSpringAnimation::setSpringBounciness(double v) {
  auto& s = springState();
  if (!s.dynamicsSetDirectly && s.springBounciness == v) return;
  s.springBounciness = v;
  updatedSpring();
  if (s.traceEnabled && s.tracer) s.tracer->updateBounciness(static_cast<float>(v));
}

void PXSpringAnimation::appendDescription(String& s, bool debug) const {
  PXPropertyAnimation::appendDescription(s, debug);
  if (!debug) return;
  const auto& st = springState();
  if (st.dynamicsSetDirectly)
    s.append(String::format("; dynamics = (tension:%f, friction:%f, mass:%f)", st.dynamicsTension, st.dynamicsFriction,
                            st.dynamicsMass));
  else
    s.append(String::format("; bounciness = %f; speed = %f", st.springBounciness, st.springSpeed));
}

Ref<PXAnimation> PXSpringAnimation::makeCopy() const {
  auto c = animation();
  copyPropertyTo(*c);
  const auto& s = springState();
  if (s.originalVelocityVector) c->setVelocity(PX::valueFromVector(s.originalVelocityVector, s.valueType, false));
  c->setSpringBounciness(s.springBounciness);
  c->setSpringSpeed(s.springSpeed);
  c->setDynamicsTension(s.dynamicsTension);
  c->setDynamicsFriction(s.dynamicsFriction);
  c->setDynamicsMass(s.dynamicsMass);
  return c;
}

bool PXSpringAnimationState::step(const rt::Id&, double time, double elapsed) {
  if (!currentVector) return false;
  Vector4d c = currentVector->asVector4();
  Vector4d g = toVector ? toVector->asVector4() : Vector4d{};
  Vector4d w = velocityVector ? velocityVector->asVector4() : Vector4d{};
  Vector4d x = g - c, v = -w;
  solver->advance(x, v, time - startedAt, elapsed);
  Vector4d next = g - x;
  for (size_t i = 0; i < std::min<size_t>(currentVector->count(), 4); ++i) (*currentVector)[i] = next[i];
  if (velocityVector)
    for (size_t i = 0; i < std::min<size_t>(velocityVector->count(), 4); ++i) (*velocityVector)[i] = -v[i];
  clamp();
  return true;
}

bool PXSpringAnimationState::hasFinished() {
  if (valueCount == 0) return true;
  if (!solver->started()) return false;
  bool settled = false;
  if (appliedVector && appliedBeforeVector) {
    if (roundingFactor == 0) {
      settled = true;
      double t = dynamicsThreshold / 5;
      Vector4d target = toVector ? toVector->asVector4() : Vector4d{};
      Vector4d previous = appliedVector->asVector4(), before = appliedBeforeVector->asVector4();
      for (size_t i = 0; i < valueCount && i < 4; ++i)
        if (!(std::fabs(target[i] - previous[i]) < t && std::fabs(before[i] - previous[i]) < t)) settled = false;
    } else {
      settled = *appliedBeforeVector == *appliedVector && toVector && *appliedVector == *toVector;
    }
  }
  return settled || solver->hasConverged();
}

void PXSpringAnimationState::rewind(bool all) {
  PXPropertyAnimationState::rewind(all);
  solver->reset();
  copyDynamicsToSolver();
}

void PXSpringAnimationState::refreshThreshold() {
  PXPropertyAnimationState::refreshThreshold();
  solver->setThreshold(dynamicsThreshold);
}

}  // namespace anim
