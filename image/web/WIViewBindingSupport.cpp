#include "image/web/WIViewBindingSupport.h"

#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/foundation/values/Dictionary.h"

namespace image {

Ref<fd::Error> WINilURLError() {
  auto info = fd::MutableDictionary::create();
  info->setObjectForKey(fd::StringObject::create("Trying to load a nil url"), fd::String(fd::NSLocalizedDescriptionKey));
  return fd::Error::create(fd::String(WIWebImageErrorDomain), -1, info);
}

WIViewCompletedBlock WIWrapLegacyCompletedBlock(WILegacyCompletedBlock block) {
  return [block = std::move(block)](Ref<gfx::Image> image, Ref<fd::Error> error, WICacheType type, rt::Id) {
    if (block) block(image, error, type);
  };
}

void WIRunOnMainSoon(std::function<void()> block) {
  if (fd::Thread::isMainThread()) block();
  else dispatch::mainQueue()->async(std::move(block));
}

bool WIIsMainThread() { return fd::Thread::isMainThread(); }

void WIRunOnMainNow(const std::function<void()>& block) {
  if (fd::Thread::isMainThread()) block();
  else dispatch::mainQueue()->sync(block);
}

}  // namespace image
