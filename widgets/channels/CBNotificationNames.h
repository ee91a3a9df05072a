#pragma once
// What the channel editor announces and the title bar follows. Posted on the main thread with
// the editor as the object, so that a bar follows only the editor it opened; the title travels
// in the user info under `CBNotificationTitleKey`.
namespace widgets {

/// Title: the deleted title, or none after a reorder.
inline constexpr const char* CBScrollNavBarUpdateNotification = "scrollNavBarUpdate";
/// Title: the title of the channel shown.
inline constexpr const char* CBMoveToSelectedItemNotification = "moveToSelectedItem";
/// Title: the deleted title, when it was the channel shown.
inline constexpr const char* CBMoveToTopNotification = "moveToTop";

/// The user-info key of the title a notification carries.
inline constexpr const char* CBNotificationTitleKey = "title";

}  // namespace widgets
