#include "net/http/NKApplicationLookup.h"

#include "platform/runtime/Class.h"
#include "platform/runtime/Value.h"

namespace net {

namespace {

/// The answer of a class method taking no arguments, or null when the class is not loaded.
rt::Id sharedInstance(const char* className, const char* selector) {
  const rt::Class* cls = rt::Class::named(className);
  rt::Selector sel = rt::Selector::named(selector);
  if (!cls || !cls->respondsToClassSelector(sel)) return nullptr;
  return cls->metaclass()->invoke(const_cast<rt::Class*>(cls), sel).object();
}

bool responds(const rt::Id& object, rt::Selector sel) {
  return object && object->getClass()->instancesRespondToSelector(sel);
}

}  // namespace

rt::Id NKSharedApplication() { return sharedInstance("UIApplication", "sharedApplication"); }

uint64_t NKBeginBackgroundTask(const rt::Id& application, std::function<void()> expirationHandler) {
  rt::Selector sel = rt::Selector::named("beginBackgroundTaskWithExpirationHandler:");
  if (!responds(application, sel)) return 0;
  return application->getClass()->invoke(application.get(), sel, {rt::Value::of(expirationHandler)}).uintValue();
}

void NKEndBackgroundTask(const rt::Id& application, uint64_t identifier) {
  rt::Selector sel = rt::Selector::named("endBackgroundTask:");
  if (responds(application, sel)) application->getClass()->invoke(application.get(), sel, {rt::Value::of(identifier)});
}

void NKSetNetworkActivityIndicatorVisible(bool visible) {
  auto application = NKSharedApplication();
  rt::Selector sel = rt::Selector::named("setNetworkActivityIndicatorVisible:");
  if (responds(application, sel)) application->getClass()->invoke(application.get(), sel, {rt::Value::of(visible)});
}

std::optional<NKDeviceDescription> NKCurrentDevice() {
  auto device = sharedInstance("UIDevice", "currentDevice");
  rt::Selector model = rt::Selector::named("model"), version = rt::Selector::named("systemVersion");
  if (!responds(device, model) || !responds(device, version)) return std::nullopt;
  NKDeviceDescription d;
  if (!device->getClass()->invoke(device.get(), model).get(d.model) ||
      !device->getClass()->invoke(device.get(), version).get(d.systemVersion))
    return std::nullopt;
  return d;
}

}  // namespace net
