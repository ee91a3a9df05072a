#pragma once
// A proxy that holds its target weakly and forwards messages to it. Timers and display links
// target one so that they never keep their owner alive. Once the target is gone, every
// message does nothing and answers the empty value, which unboxes to the zero of whatever
// type the caller expects (null, 0, false, a zero struct).
#include "platform/runtime/Object.h"

namespace rt {

class WeakProxy final : public Object {
 public:
  static constexpr const char* kRuntimeClassName = "NSProxy";
  using Superclass = Object;
  static Class* classObject();

  void init(const Id& target) { target_ = target; }
  static Ref<WeakProxy> proxyWithTarget(const Id& target) { return make<WeakProxy>(target); }
  Id target() const { return target_.lock(); }
  /// Always true: a proxy, whatever its target answers for its class.
  bool isProxy() const override { return true; }

  using Object::isEqual;
  using Object::respondsToSelector;

  // The class, kind, capability, equality, hash and description are the target's while it
  // lives; once it is gone they are what a message to nothing answers: no class, no kind,
  // hash 0, an empty description.
  const Class* getClass() const override;
  bool isKindOfClass(const Class* c) const override;
  bool respondsToSelector(Selector s) const override;
  bool conformsToProtocol(std::string_view protocol) const override;
  bool isEqual(const Object* other) const override;
  size_t hash() const override;
  String description() const override;
  String debugDescription() const override;
  Id valueForKey(const String& key) const override;
  void setValueForKey(const Id& value, const String& key) override;
  Value performSelector(Selector s, const std::vector<Value>& args = {}) override;

 private:
  Weak<Object> target_;
};

}  // namespace rt
