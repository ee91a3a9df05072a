#pragma once
// Names the progress display posts on the default notification centre, and the key of its
// status dictionary.
namespace widgets {

inline constexpr const char* PHProgressHUDWillAppearNotification = "PHProgressHUDWillAppearNotification";
inline constexpr const char* PHProgressHUDDidAppearNotification = "PHProgressHUDDidAppearNotification";
inline constexpr const char* PHProgressHUDWillDisappearNotification = "PHProgressHUDWillDisappearNotification";
inline constexpr const char* PHProgressHUDDidDisappearNotification = "PHProgressHUDDidDisappearNotification";
/// Every touch-down on the overlay; the object is the touch event.
inline constexpr const char* PHProgressHUDDidReceiveTouchEventNotification =
    "PHProgressHUDDidReceiveTouchEventNotification";
/// A touch-down that lands inside the box; posted after the one above.
inline constexpr const char* PHProgressHUDDidTouchDownInsideNotification = "PHProgressHUDDidTouchDownInsideNotification";
/// The label's text in the appear and disappear notifications.
inline constexpr const char* PHProgressHUDStatusUserInfoKey = "PHProgressHUDStatusUserInfoKey";

}  // namespace widgets
