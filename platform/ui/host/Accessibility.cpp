#include "platform/ui/host/Accessibility.h"

#include "platform/foundation/NotificationCenter.h"

namespace ui {

void accessibilityPostNotification(AccessibilityNotification notification, const rt::Id& argument) {
  const char* name = nullptr;
  switch (notification) {
    case AccessibilityScreenChangedNotification: name = UIAccessibilityScreenChangedNotificationName; break;
    case AccessibilityLayoutChangedNotification: name = UIAccessibilityLayoutChangedNotificationName; break;
    case AccessibilityAnnouncementNotification: name = UIAccessibilityAnnouncementNotificationName; break;
  }
  if (name) fd::NotificationCenter::defaultCenter()->post(name, argument);
}

}  // namespace ui
