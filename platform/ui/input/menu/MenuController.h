#pragma once
// The edit menu: one shared controller shows a dark rounded bubble with an arrow pointing at a
// target rectangle in a view, above it, or below when there is no room above. It offers the
// standard edit actions (cut, copy, paste, select, select all, delete) the first responder can
// perform, then the custom items whose actions some responder can perform. A tap sends the
// item's action along the responder chain and hides the menu. The bubble lives in a window
// above the keyboard; touches elsewhere fall through. Main thread only.
#include <vector>

#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/runtime/Selector.h"
#include "platform/ui/view/View.h"

namespace ui {

inline constexpr const char* UIMenuControllerWillShowMenuNotification = "UIMenuControllerWillShowMenuNotification";
inline constexpr const char* UIMenuControllerDidShowMenuNotification = "UIMenuControllerDidShowMenuNotification";
inline constexpr const char* UIMenuControllerWillHideMenuNotification = "UIMenuControllerWillHideMenuNotification";
inline constexpr const char* UIMenuControllerDidHideMenuNotification = "UIMenuControllerDidHideMenuNotification";

enum class MenuControllerArrowDirection : int64_t { Default = 0, Up = 1, Down = 2, Left = 3, Right = 4 };

class MenuItem : public rt::Object {
  RT_CLASS_NAMED(MenuItem, rt::Object, "UIMenuItem")
 public:
  void init(rt::String title, rt::Selector action) { title_ = std::move(title), action_ = action; }
  const rt::String& title() const { return title_; }
  rt::Selector action() const { return action_; }

 private:
  rt::String title_;
  rt::Selector action_;
};

class MenuWindow;

class MenuController : public rt::Object {
  RT_CLASS_NAMED(MenuController, rt::Object, "UIMenuController")
 public:
  void init() {}
  static Ref<MenuController> sharedMenuController();
  static constexpr double kAnimationDuration = 0.15;

  bool isMenuVisible() const { return visible_; }
  void setMenuVisible(bool visible) { setMenuVisible(visible, false); }
  /// Shows (when there is a target and an item to show) or hides, posting the will and did
  /// notifications; the did notification follows the animation.
  void setMenuVisible(bool visible, bool animated);
  /// Where the arrow points: a rectangle in `view`'s coordinates.
  void setTargetRect(gfx::Rect rect, const Ref<View>& view);
  MenuControllerArrowDirection arrowDirection() const { return arrow_; }
  void setArrowDirection(MenuControllerArrowDirection d) { arrow_ = d; }
  const std::vector<Ref<MenuItem>>& menuItems() const { return items_; }
  void setMenuItems(std::vector<Ref<MenuItem>> items) { items_ = std::move(items); }
  /// Asks the responders again which items to show, and redraws a visible menu.
  void update();
  /// The bubble's frame in screen coordinates (with its arrow); zero while hidden.
  gfx::Rect menuFrame() const;

  /// What the menu offers now: the standard actions the first responder can perform, then
  /// the custom items some responder can (title and action each).
  std::vector<Ref<MenuItem>> offeredItems() const;
  /// The window drawing the bubble while shown.
  const Ref<MenuWindow>& menuWindow() const { return window_; }
  /// Sends `action` along the responder chain from the first responder; hides the menu.
  void perform(rt::Selector action);

 private:
  void layOut();

  bool visible_ = false;
  uint64_t generation_ = 0;
  gfx::Rect target_;
  Weak<View> targetView_;
  MenuControllerArrowDirection arrow_ = MenuControllerArrowDirection::Default;
  std::vector<Ref<MenuItem>> items_;
  Ref<MenuWindow> window_;
};

}  // namespace ui
