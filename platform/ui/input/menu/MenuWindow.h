#pragma once
// The edit menu's window and its bubble (internal to the menu controller, visible for tests).
#include "platform/ui/controls/Button.h"
#include "platform/ui/input/menu/MenuController.h"
#include "platform/ui/view/Window.h"

namespace ui {

/// Above the keyboard.
inline constexpr WindowLevel WindowLevelMenu = 20;

class MenuBubbleView : public View {
  RT_CLASS_NAMED(MenuBubbleView, View, "UICalloutBar")
 public:
  static constexpr double kHeight = 36, kArrow = 8, kPadding = 12, kRadius = 8;
  void init() { View::init(gfx::RectZero); setOpaque(false); }
  /// Lays out one button per item, leaving out those past `maxWidth`; answers the width.
  double setItems(const std::vector<Ref<MenuItem>>& items, const Weak<MenuController>& controller, double maxWidth);
  /// The arrow at `x` (bubble coordinates) on the bottom edge (pointing down) or the top.
  void setArrow(double x, bool pointsDown);
  bool pointsDown() const { return down_; }
  const std::vector<Ref<Button>>& buttons() const { return buttons_; }
  void drawRect(gfx::Rect rect) override;

 private:
  std::vector<Ref<Button>> buttons_;
  double arrowX_ = 0;
  bool down_ = true;
};

class MenuWindow : public Window {
  RT_CLASS_NAMED(MenuWindow, Window, "UIEditMenuWindow")
 public:
  void init(gfx::Rect screenBounds);
  const Ref<MenuBubbleView>& bubble() const { return bubble_; }
  /// Only the bubble takes touches.
  Ref<View> hitTest(gfx::Point point, Event* event) override;

 private:
  Ref<MenuBubbleView> bubble_;
};

}  // namespace ui
