#pragma once
// Windows: the top of a view tree, placed on the screen by its frame. A window routes the
// touches that land in it to the hit view and the gesture recognisers along the way.
#include <concepts>
#include <cstdint>
#include <memory>

#include "platform/ui/input/TouchRouter.h"
#include "platform/ui/view/View.h"

namespace ui {

class Screen;
class ViewController;

using WindowLevel = double;
inline constexpr WindowLevel WindowLevelNormal = 0;
inline constexpr WindowLevel WindowLevelAlert = 2000;
inline constexpr WindowLevel WindowLevelStatusBar = 1000;

inline constexpr const char* UIWindowDidBecomeKeyNotification = "UIWindowDidBecomeKeyNotification";
inline constexpr const char* UIWindowDidResignKeyNotification = "UIWindowDidResignKeyNotification";
inline constexpr const char* UIWindowDidBecomeVisibleNotification = "UIWindowDidBecomeVisibleNotification";
inline constexpr const char* UIWindowDidBecomeHiddenNotification = "UIWindowDidBecomeHiddenNotification";

class Window : public View {
  RT_CLASS_NAMED(Window, View, "UIWindow")
 public:
  /// A window starts hidden, as on the platform; a zero frame stays zero.
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~Window() override;

  WindowLevel windowLevel() const { return level_; }
  void setWindowLevel(WindowLevel level);
  bool isKeyWindow() const;
  void makeKeyWindow();
  void makeKeyAndVisible();
  virtual void becomeKeyWindow() {}
  virtual void resignKeyWindow() {}
  void setHidden(bool hidden) override;

  /// The root view controller slot. Its view (given by `rootView`) fills the window; the
  /// previous root is released on replacement.
  const rt::Id& rootViewController() const { return root_; }
  void setRootViewController(const rt::Id& controller, const Ref<View>& rootView = nullptr);
  Ref<View> rootView() const { return rootView_; }
  /// A real controller as the root: its view fills the window, and it appears and disappears
  /// with the window.
  template <class T>
    requires std::derived_from<T, ViewController>
  void setRootViewController(const Ref<T>& controller) {
    setRootController(controller);
  }
  void setRootController(const Ref<ViewController>& controller);
  /// The root when it is a view controller, else null.
  Ref<ViewController> rootController() const;

  /// The screen the window shows on (the main one; there is no other here).
  Ref<Screen> screen() const;

  /// Delivers an event that arrived for this window: the touches of a touch event whose
  /// phases changed go to their views and recognisers; motions go to the first responder.
  virtual void sendEvent(Event* event);
  /// Delivers touches whose phases were just set; a began touch without a view is hit-tested.
  void sendTouches(const std::vector<Ref<Touch>>& changed);
  TouchRouter& touchRouter() { return *router_; }

  Ref<Responder> nextResponder() const override;

  // Window coordinates <-> coordinates of another window (null: the screen).
  gfx::Point convertPointToWindow(gfx::Point p, const Window* window) const;
  gfx::Point convertPointFromWindow(gfx::Point p, const Window* window) const;
  gfx::Rect convertRectToWindow(gfx::Rect r, const Window* window) const;
  gfx::Rect convertRectFromWindow(gfx::Rect r, const Window* window) const;

 private:
  std::unique_ptr<TouchRouter> router_ = std::make_unique<TouchRouter>(*this);
  double lastTapTime_ = -1;
  gfx::Point lastTapPoint_;
  int64_t lastTapCount_ = 0;
  WindowLevel level_ = WindowLevelNormal;
  rt::Id root_;
  Ref<View> rootView_;
};

}  // namespace ui
