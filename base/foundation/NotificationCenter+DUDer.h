#pragma once
// Posting on the main thread from any thread: at once on the main thread, otherwise performed
// on the main run loop (waiting for it when asked). The receiving center posts either way.
#include "platform/foundation/NotificationCenter.h"

namespace base {

using rt::String;

void postNotificationOnMainThread(fd::NotificationCenter& center, const Ref<fd::Notification>& notification,
                                  bool waitUntilDone = false);
void postNotificationOnMainThreadWithName(fd::NotificationCenter& center, const String& name, const rt::Id& object,
                                          const Ref<fd::Dictionary>& userInfo = nullptr, bool waitUntilDone = false);

}  // namespace base
