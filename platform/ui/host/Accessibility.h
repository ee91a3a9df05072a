#pragma once
// Accessibility notifications: what an app tells assistive technology (the screen changed, an
// announcement to speak). No assistive technology runs on this desktop, so the application
// hands them to the default notification centre under the names below, with the argument as
// the notification's object; tests and tools listen there. Main thread.
#include <cstdint>

#include "platform/runtime/Object.h"

namespace ui {

enum AccessibilityNotification : uint32_t {
  AccessibilityScreenChangedNotification = 1000,
  AccessibilityLayoutChangedNotification = 1001,
  AccessibilityAnnouncementNotification = 1008,
};

inline constexpr const char* UIAccessibilityScreenChangedNotificationName = "UIAccessibilityScreenChangedNotification";
inline constexpr const char* UIAccessibilityLayoutChangedNotificationName = "UIAccessibilityLayoutChangedNotification";
inline constexpr const char* UIAccessibilityAnnouncementNotificationName = "UIAccessibilityAnnouncementNotification";

/// `argument`: what to move to (screen and layout changes; null lets the system choose) or the
/// text to speak (announcements). Unknown kinds are dropped.
void accessibilityPostNotification(AccessibilityNotification notification, const rt::Id& argument);

}  // namespace ui
