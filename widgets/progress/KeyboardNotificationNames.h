#pragma once
// The keyboard's notification names and user-information keys, as the system's keyboard posts
// them. The display follows them so that it stays above a keyboard; nothing in this platform
// posts them yet, so they are spelled out here.
namespace widgets {

inline constexpr const char* UIKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
inline constexpr const char* UIKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
inline constexpr const char* UIKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
inline constexpr const char* UIKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
/// The keyboard's frame before the change, a boxed rectangle in screen coordinates.
inline constexpr const char* UIKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
/// Seconds, a number.
inline constexpr const char* UIKeyboardAnimationDurationUserInfoKey = "UIKeyboardAnimationDurationUserInfoKey";

}  // namespace widgets
