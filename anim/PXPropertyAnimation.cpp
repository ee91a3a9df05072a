#include "anim/PXPropertyAnimation.h"

#include <cmath>

#include "anim/PXAnimationTracer.h"
#include "platform/foundation/values/Number.h"

namespace anim {

RT_IMPLEMENT(PXPropertyAnimation) {}

using PX::Vector;
using PX::Vector4d;
using PX::VectorRef;

namespace {
Vector4d v4(const VectorRef& v) { return v ? v->asVector4() : Vector4d{}; }
}  // namespace

bool PXPropertyAnimationState::hasFinished() {
  if (type == kPXCustom) return customDone;
  return valueCount == 0;
}

VectorRef PXPropertyAnimationState::readObjectValue(const rt::Id& target) {
  if (!property || !property->readBlock()) return nullptr;
  double buffer[4] = {0, 0, 0, 0};
  if (valueCount != 0) property->readBlock()(target, buffer);
  Vector4d b{buffer[0], buffer[1], buffer[2], buffer[3]};
  VectorRef v = Vector::makeWithVector4(valueCount, b);
  if (traceEnabled && tracer) tracer->readPropertyValue(PX::valueFromVector(v, valueType, true));
  return v;
}

void PXPropertyAnimationState::prepareToRun(bool started, const rt::Id& target) {
  if (!fromVector) fromVector = readObjectValue(target);
  if (!toVector) {
    if (type == kPXDecay) static_cast<PXPropertyAnimation*>(owner)->toValue();
    else toVector = readObjectValue(target);
  }
  if (started) {
    if (!currentVector) {
      currentVector = std::make_shared<Vector>(valueCount);
      if (fromVector)
        for (size_t i = 0; i < std::min(valueCount, fromVector->count()); ++i) (*currentVector)[i] = (*fromVector)[i];
    }
    if (!velocityVector) velocityVector = std::make_shared<Vector>(valueCount);
    if (!originalVelocityVector) originalVelocityVector = std::make_shared<Vector>(valueCount);
  }
  if (!distanceVector && toVector) {
    const VectorRef& base = currentVector ? currentVector : fromVector;
    Vector4d d = toVector->asVector4() - v4(base);
    if (!d.isZero()) distanceVector = Vector::makeWithVector4(valueCount, d);
  }
}

void PXPropertyAnimationState::updateProgress() {
  if (valueCount == 0) return;
  Vector4d c = v4(currentVector), f = v4(fromVector), t = v4(toVector);
  double l = (t - f).squaredNorm();
  if (l == 0) {
    progress = 1;
    return;
  }
  double a = (c - f).squaredNorm(), b = (c - t).squaredNorm();
  progress = a > b ? std::sqrt(a / l) : 1 - std::sqrt(b / l);
}

void PXPropertyAnimationState::notifyProgress() {
  if (valueCount == 0) return;
  if (respondsToDidReachProgress && !markers.empty()) {
    auto keep = std::static_pointer_cast<PXAnimation>(owner->self());
    while (nextMarkerIndex < markers.size() && progress >= markers[nextMarkerIndex].progress) {
      Marker& m = markers[nextMarkerIndex];
      if (!m.reached) {
        sendDelegate(px_delegate::didReachProgress, {rt::Value::ofObject(keep), rt::Value::ofDouble(m.progress, "f")});
        m.reached = true;
      }
      ++nextMarkerIndex;
    }
  }
  if (reachedToValue) return;
  Vector4d d = v4(toVector) - v4(currentVector);
  bool reached = d.isZero();
  if (!reached && distanceVector) {
    reached = true;
    for (size_t i = 0; i < valueCount && i < 4; ++i)
      if (std::signbit(d[i]) == std::signbit((*distanceVector)[i])) reached = false;
  }
  if (!reached) return;
  reachedToValue = true;
  auto keep = std::static_pointer_cast<PXAnimation>(owner->self());
  if (respondsToDidReachToValue) sendDelegate(px_delegate::didReachToValue, {rt::Value::ofObject(keep)});
  if (auto b = didReachToValueBlock) withActionsEnabled([&] { b(*owner); });
  if (traceEnabled && tracer) tracer->didReachToValue(PX::valueFromVector(roundedCurrentVector(), valueType, true));
}

void PXPropertyAnimationState::rewind(bool all) {
  startedAt = lastStepAt = 0;
  if (all) currentVector = appliedVector = appliedBeforeVector = nullptr;
  progress = 0;
  for (auto& m : markers) m.reached = false;
  nextMarkerIndex = 0;
  reachedToValue = false;
  distanceVector = nullptr;
}

VectorRef PXPropertyAnimationState::roundedCurrentVector() const {
  VectorRef v = Vector::makeCopy(currentVector);
  if (v && roundingFactor != 0) v->roundToFraction(1 / roundingFactor);
  return v;
}

void PXPropertyAnimationState::clamp() {
  if (!clampMode || !fromVector || !toVector || !currentVector) return;
  for (size_t i = 0; i < valueCount && i < currentVector->count(); ++i) {
    double f = i < fromVector->count() ? (*fromVector)[i] : 0, t = i < toVector->count() ? (*toVector)[i] : 0;
    double& c = (*currentVector)[i];
    if (clampMode & 1) {
      if ((t > f && c < f) || (t <= f && c > f)) c = f;
    }
    if (clampMode & 2) {
      if ((t > f && c > t) || (t <= f && c < t)) c = t;
    }
  }
}

void PXPropertyAnimationState::applyToObject(const rt::Id& target, bool checkUnchanged) {
  if (!active || paused || valueCount == 0 || !property || !property->writeBlock()) return;
  VectorRef v = roundedCurrentVector();
  if (!v) return;
  double written[4] = {0, 0, 0, 0};
  if (additive) {
    if (!property->readBlock()) return;
    double read[4] = {0, 0, 0, 0};
    property->readBlock()(target, read);
    Vector4d delta = v->asVector4() - v4(appliedVector);
    if (checkUnchanged && delta.isZero()) return;
    for (int i = 0; i < 4; ++i) written[i] = read[i] + delta[i];
  } else {
    if (checkUnchanged && property->readBlock()) {
      double read[4] = {0, 0, 0, 0};
      property->readBlock()(target, read);
      if (Vector4d{read[0], read[1], read[2], read[3]} == v->asVector4()) return;
    }
    for (size_t i = 0; i < std::min<size_t>(v->count(), 4); ++i) written[i] = (*v)[i];
  }
  appliedBeforeVector = appliedVector;
  appliedVector = v;
  property->writeBlock()(target, written);
  if (traceEnabled && tracer) tracer->writePropertyValue(PX::valueFromVector(v, valueType, true));
}

void PXPropertyAnimationState::finishPass(const rt::Id& target) {
  progress = 1;
  currentVector = toVector ? Vector::makeCopy(toVector) : std::make_shared<Vector>(valueCount);
  clamp();
  notifyProgress();
  applyToObject(target, true);
}

void PXPropertyAnimation::setProperty(Ref<PXAnimatableProperty> property) {
  auto& s = propertyState();
  if (s.property == property) return;
  s.property = std::move(property);
  s.refreshThreshold();
}

void PXPropertyAnimation::setProgressMarkers(const Ref<fd::Array>& markers) {
  auto& s = propertyState();
  if (rt::equalObjects(s.progressMarkers.get(), markers.get())) return;
  s.progressMarkers = markers ? rt::as<fd::Array>(markers->copy()) : nullptr;
  s.markers.clear();
  if (markers)
    for (const rt::Id& m : *markers)
      if (auto n = rt::as<fd::Number>(m)) s.markers.push_back({static_cast<double>(n->floatValue()), false});
  s.nextMarkerIndex = 0;
}

rt::Id PXPropertyAnimation::fromValue() const {
  return PX::valueFromVector(propertyState().fromVector, propertyState().valueType, false);
}

void PXPropertyAnimation::setFromValue(const rt::Id& value) {
  auto& s = propertyState();
  VectorRef v = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  if (PX::equalVectors(v, s.fromVector)) return;
  s.fromVector = v;
  if (s.traceEnabled && s.tracer) s.tracer->updateFromValue(value);
}

rt::Id PXPropertyAnimation::toValue() const {
  return PX::valueFromVector(propertyState().toVector, propertyState().valueType, false);
}

void PXPropertyAnimation::setToValue(const rt::Id& value) {
  auto& s = propertyState();
  VectorRef v = PX::vectorFromValue(value, &s.valueType, &s.valueCount, true);
  if (PX::equalVectors(v, s.toVector)) return;
  s.toVector = v;
  s.reachedToValue = false;
  s.distanceVector = nullptr;
  if (s.traceEnabled && s.tracer) s.tracer->updateToValue(value);
  if (s.active && s.paused) {
    // A finished animation that was kept runs again toward the new value.
    s.paused = false;
    s.rewind(false);
  }
}

rt::Id PXPropertyAnimation::currentValue() const {
  return PX::valueFromVector(propertyState().roundedCurrentVector(), propertyState().valueType, false);
}

void PXPropertyAnimation::appendDescription(String& s, bool) const {
  // Replaces the base text: the values say more about a property animation than its name.
  const auto& st = propertyState();
  auto text = [](const VectorRef& v) { return v ? String(v->description()) : String("null"); };
  s.append(String::format("; from = %@; to = %@", text(st.fromVector), text(st.toVector)));
  if (st.active) s.append(String::format("; currentValue = %@", text(st.roundedCurrentVector())));
  if (st.velocityVector && st.velocityVector->length() != 0)
    s.append(String::format("; velocity = %@", text(st.velocityVector)));
  if (!st.removedOnCompletion) s.append("; removedOnCompletion = NO");
  if (st.progressMarkers && st.progressMarkers->count())
    s.append(String::format("; progressMarkers = [%@]", st.progressMarkers->componentsJoinedByString(", ")));
  if (st.active) s.append(String::format("; progress = %f", st.progress));
}

void PXPropertyAnimation::copyPropertyTo(PXPropertyAnimation& c) const {
  copyBaseTo(c);
  c.setProperty(property() ? rt::as<PXAnimatableProperty>(property()->copy()) : nullptr);
  c.setFromValue(fromValue());
  if (type() != kPXDecay) c.setToValue(toValue());  // a decay computes its own
  c.setRoundingFactor(roundingFactor());
  c.setClampMode(clampMode());
  c.setAdditive(isAdditive());
}

}  // namespace anim
