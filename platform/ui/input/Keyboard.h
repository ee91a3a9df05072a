#pragma once
// The on-screen keyboard: it slides up from the bottom of the main screen when a text field
// starts editing and down when editing ends, posting the keyboard notifications (will-change-
// frame and will-show or will-hide at once, did-show or did-hide and did-change-frame when its
// animation, timed on the main run loop's clock, is over). By style: simulated (notifications
// only; the desktop's keyboard types), on screen (a keyboard window whose keys type, see
// KeyboardWindow.h), or none (the same notifications with a frame of height 0). Main thread
// only.
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"

namespace ui {

class KeyboardWindow;

enum class KeyboardStyle { Simulated, OnScreen, None };

class Keyboard : public rt::Object {
  RT_CLASS(Keyboard, rt::Object)
 public:
  /// The process's keyboard, made on first use.
  static Ref<Keyboard> sharedKeyboard();
  static constexpr double kAnimationDuration = 0.25;
  static constexpr int64_t kAnimationCurve = 7;
  /// 216 points on a portrait phone screen (375x667 and its kin), 162 on a landscape one.
  static double standardHeight(gfx::Size screen);

  KeyboardStyle style() const { return style_; }
  void setStyle(KeyboardStyle style);
  /// The keyboard's window while the style is on screen and it has been shown; else null.
  const Ref<KeyboardWindow>& keyboardWindow() const { return window_; }

  bool isVisible() const { return visible_; }
  /// In screen coordinates: where the keyboard is or is going; the zero rectangle while it is
  /// hidden or hiding.
  gfx::Rect visibleFrame() const { return visible_ ? frame_ : gfx::RectZero; }
  void show();
  void hide();
  /// Editing began in a text field: show (and forget a hide still pending).
  void textInputBegan();
  /// Editing ended: hide on the next turn of the run loop, unless editing begins again in
  /// another field first (focus moving between fields keeps the keyboard up).
  void textInputEnded();

 private:
  void change(bool showing);

  gfx::Rect frame_;
  KeyboardStyle style_ = KeyboardStyle::Simulated;
  Ref<KeyboardWindow> window_;
  uint64_t generation_ = 0;
  uint64_t hideTickets_ = 0;
  uint64_t pendingHide_ = 0;  // the ticket of the hide waiting for the next turn, 0: none
  bool visible_ = false;
};

}  // namespace ui
