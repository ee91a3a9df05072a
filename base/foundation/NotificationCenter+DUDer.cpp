#include "base/foundation/NotificationCenter+DUDer.h"

#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/threads/Thread.h"

namespace base {

void postNotificationOnMainThread(fd::NotificationCenter& center, const Ref<fd::Notification>& notification,
                                  bool waitUntilDone) {
  if (!notification) return;
  if (fd::Thread::isMainThread()) {
    center.post(notification);
    return;
  }
  // The center itself travels along, so that a notification reaches the center it was given to.
  auto target = std::static_pointer_cast<fd::NotificationCenter>(center.self());
  fd::performOnMainThread(
      target, [target](const rt::Id& n) { target->post(rt::as<fd::Notification>(n)); }, notification, waitUntilDone);
}

void postNotificationOnMainThreadWithName(fd::NotificationCenter& center, const String& name, const rt::Id& object,
                                          const Ref<fd::Dictionary>& userInfo, bool waitUntilDone) {
  postNotificationOnMainThread(center, fd::Notification::create(name, object, userInfo), waitUntilDone);
}

}  // namespace base
