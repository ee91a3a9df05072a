#pragma once
// The keyboard's notification names and user-information keys the display follows, as the
// platform's keyboard posts them.
#include "platform/ui/input/KeyboardNotifications.h"

namespace widgets {

using ui::UIKeyboardAnimationDurationUserInfoKey;
using ui::UIKeyboardDidHideNotification;
using ui::UIKeyboardDidShowNotification;
using ui::UIKeyboardFrameBeginUserInfoKey;
using ui::UIKeyboardWillHideNotification;
using ui::UIKeyboardWillShowNotification;

}  // namespace widgets
