#pragma once
// One transparent window above the application's that takes no touches and shows what a text
// view must not have clipped by its own bounds: the loupe, filled with a picture of the
// windows beneath, turned with the host view and kept clear of the screen edges and the
// keyboard; and the mirrors of selection knobs that the text view clips. Each time it shows
// something it raises itself above the topmost window. None inside an extension. Main thread
// only.
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/view/Window.h"
#include "textview/magnifier/DRTextMagnifier.h"
#include "textview/selection/DRTextSelectionView.h"

namespace textview {

class DRTextEffectWindow : public ui::Window {
  RT_CLASS(DRTextEffectWindow, ui::Window)
 public:
  static constexpr double kCaretShowDuration = 0.06;
  static constexpr double kRangedShowDuration = 0.1;
  static constexpr double kCaretHideDuration = 0.2;
  static constexpr double kRangedHideDuration = 0.15;
  static constexpr double kShowStartScale = 0.3;
  static constexpr double kHideEndScale = 0.01;

  void init(gfx::Rect frame);

  /// The shared window, made on first call, the size of the main screen; null inside an
  /// extension.
  static Ref<DRTextEffectWindow> sharedWindow();

  /// The root controller of the first visible application window other than this one; else
  /// this window's own, made when missing.
  Ref<ui::ViewController> hostRootViewController();

  /// Grows the loupe in at its host's popover point, captured and turned like the host.
  void showMagnifier(const Ref<DRTextMagnifier>& magnifier);
  /// Captures again and moves the loupe at once.
  void moveMagnifier(const Ref<DRTextMagnifier>& magnifier);
  /// Shrinks the loupe away and takes it out of the window.
  void hideMagnifier(const Ref<DRTextMagnifier>& magnifier);

  /// Puts the selection's knob mirrors in the window (below all else) and shows those whose
  /// knobs the host clips.
  void showSelectionDot(const Ref<DRTextSelectionView>& selection);
  void hideSelectionDot(const Ref<DRTextSelectionView>& selection);

  /// One level above the topmost window of the application, unless this is the topmost.
  void updateWindowLevel();
  /// Fills the loupe with a capture of the windows beneath (or a placeholder when capture is
  /// off) and answers the host's turn angle; 0 when there is nothing to capture.
  double updateMagnifier(DRTextMagnifier& magnifier);
  /// The keyboard's frame in this window's coordinates; null when there is none.
  gfx::Rect keyboardFrameInWindow() const;
  /// A proposed centre for `magnifier` kept inside this window and off the keyboard.
  gfx::Point correctedCenter(gfx::Point center, const DRTextMagnifier& magnifier, double angle) const;

 private:
  gfx::Point popoverPoint(const DRTextMagnifier& magnifier, double angle) const;
  void updateSelectionGrabberDot(DRSelectionGrabberDot& dot, DRTextSelectionView& selection);
};

/// The placeholder a loupe shows while capture is off: white at 0.8, one picture per size.
Ref<gfx::Image> magnifierPlaceholder(gfx::Size size);

}  // namespace textview
