#pragma once
// The on-screen keyboard as views: a window of its own above the application's, holding a
// container the size of the screen and in it the keyboard view, whose frame is where the
// keyboard is (observable like any view's). The keyboard view is a plain keyboard (letters,
// a numbers page, space, return, delete) whose taps type into the first responder, so that a
// phone-sized window can be used with a mouse alone. Touches outside the keyboard view fall
// through to the windows below. Main thread only.
#include <string>
#include <vector>

#include "platform/ui/controls/Button.h"
#include "platform/ui/view/Window.h"

namespace ui {

/// Above the application's windows, below alerts.
inline constexpr WindowLevel WindowLevelKeyboard = 10;

class KeyboardView : public View {
  RT_CLASS_NAMED(KeyboardView, View, "UIInputSetHostView")
 public:
  void init(gfx::Rect frame);
  bool showsNumbers() const { return numbers_; }
  /// Switches between letters and numbers.
  void setShowsNumbers(bool numbers);
  /// The key whose title is `title` ("q", "space", "return", "delete", "123"), if shown.
  Ref<Button> keyTitled(const std::string& title) const;
  void layoutSubviews() override;

 private:
  void rebuild();
  void keyTapped(const std::string& title);

  std::vector<std::vector<Ref<Button>>> rows_;
  bool numbers_ = false;
};

class KeyboardContainerView : public View {
  RT_CLASS_NAMED(KeyboardContainerView, View, "UIInputSetContainerView")
 public:
  using View::init;
  /// Only the keyboard takes touches; the rest of the screen belongs to the windows below.
  Ref<View> hitTest(gfx::Point point, Event* event) override;
};

class KeyboardWindow : public Window {
  RT_CLASS_NAMED(KeyboardWindow, Window, "UIRemoteKeyboardWindow")
 public:
  void init(gfx::Rect screenBounds);
  const Ref<KeyboardView>& keyboardView() const { return keyboard_; }
  Ref<View> hitTest(gfx::Point point, Event* event) override;
  /// Moves the keyboard view from `from` to `to` over `seconds` (screen coordinates).
  void slide(gfx::Rect from, gfx::Rect to, double seconds);

 private:
  Ref<KeyboardContainerView> container_;
  Ref<KeyboardView> keyboard_;
};

}  // namespace ui
