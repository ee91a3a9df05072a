#include "platform/runtime/WeakProxy.h"

#include "platform/runtime/Class.h"

namespace rt {

RT_IMPLEMENT_PLATFORM(WeakProxy) {}

const Class* WeakProxy::getClass() const {
  auto t = target_.lock();
  return t ? t->getClass() : nullptr;
}

bool WeakProxy::isKindOfClass(const Class* c) const {
  auto t = target_.lock();
  return t && t->isKindOfClass(c);
}

bool WeakProxy::respondsToSelector(Selector s) const {
  auto t = target_.lock();
  return t && t->respondsToSelector(s);
}

bool WeakProxy::conformsToProtocol(std::string_view protocol) const {
  auto t = target_.lock();
  return t && t->conformsToProtocol(protocol);
}

bool WeakProxy::isEqual(const Object* other) const {
  auto t = target_.lock();
  if (!t) return other == this;
  if (auto* p = dynamic_cast<const WeakProxy*>(other)) return t == p->target_.lock();
  return t->isEqual(other);
}

size_t WeakProxy::hash() const {
  auto t = target_.lock();
  return t ? t->hash() : 0;
}

String WeakProxy::description() const {
  auto t = target_.lock();
  return t ? t->description() : String();
}

String WeakProxy::debugDescription() const {
  auto t = target_.lock();
  return t ? t->debugDescription() : String();
}

Id WeakProxy::valueForKey(const String& key) const {
  auto t = target_.lock();
  return t ? t->valueForKey(key) : nullptr;
}

void WeakProxy::setValueForKey(const Id& value, const String& key) {
  if (auto t = target_.lock()) t->setValueForKey(value, key);
}

Value WeakProxy::performSelector(Selector s, const std::vector<Value>& args) {
  auto t = target_.lock();
  if (t) return t->performSelector(s, args);
  // Gone: answer the zero value of whatever the message would have returned.
  return Value();
}

}  // namespace rt
