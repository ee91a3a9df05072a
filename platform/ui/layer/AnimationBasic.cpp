// Basic animations: between two values of one key path.
#include "platform/ui/layer/Animation.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(BasicAnimation) {
  c.property("fromValue", &BasicAnimation::fromValue, &BasicAnimation::setFromValue);
  c.property("toValue", &BasicAnimation::toValue, &BasicAnimation::setToValue);
  c.property("byValue", &BasicAnimation::byValue, &BasicAnimation::setByValue);
}

Ref<BasicAnimation> BasicAnimation::animationWithKeyPath(const rt::String& keyPath) {
  auto a = rt::make<BasicAnimation>();
  a->setKeyPath(keyPath);
  return a;
}

void BasicAnimation::copyInto(Animation& to) const {
  PropertyAnimation::copyInto(to);
  if (auto* b = dynamic_cast<BasicAnimation*>(&to)) {
    b->from_ = from_;
    b->to_ = to_;
    b->by_ = by_;
  }
}

void BasicAnimation::runActionForKey(const rt::String& key, Layer& layer) {
  if (keyPath().isEmpty()) {
    auto copy = std::static_pointer_cast<BasicAnimation>(this->copy());
    copy->setKeyPath(key);
    layer.addAnimation(copy, key);
    return;
  }
  Animation::runActionForKey(key, layer);
}

void BasicAnimation::applyTo(Layer& presentation, const Layer& model, double t) const {
  if (keyPath().isEmpty()) return;
  auto p = progressAt(t);
  if (!p) return;
  rt::Id current = presentation.valueForKeyPath(keyPath());
  rt::Id from = from_, to = to_;
  if (!from) {
    if (to && by_) from = subtractValues(to, by_);
    else from = current;
  }
  if (!to) {
    if (by_) to = addValues(from, by_);
    else to = model.valueForKeyPath(keyPath());
  }
  rt::Id value = interpolateValues(from, to, *p);
  if (isAdditive()) value = addValues(current, value);
  presentation.setValueForKeyPath(value, keyPath());
}

}  // namespace ui
