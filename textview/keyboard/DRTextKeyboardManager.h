#pragma once
// Follows the on-screen keyboard for the text views: where it is (in screen coordinates or in
// any view), whether it shows, and a transition record for every change, told to observers
// once per turn of the run loop however many announcements and frame changes the turn brought.
// The keyboard is the platform's own (its window and view), never guessed from class names.
// One shared manager per process, made shortly after start; none inside an extension. Main
// thread only.
#include <memory>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/view/Window.h"
#include "textview/keyboard/DRTextKeyboardTransitionRecord.h"

namespace textview {

class DRTextKeyboardManager : public rt::Object {
  RT_CLASS(DRTextKeyboardManager, rt::Object)
 public:
  struct PrivateToken {};
  /// Raises "DRTextKeyboardManager init error": use `defaultManager`.
  void init();
  void init(PrivateToken);
  ~DRTextKeyboardManager() override;

  /// The shared manager, made on first call; null inside an application extension.
  static Ref<DRTextKeyboardManager> defaultManager();

  /// Observers are held weakly and compared by identity; null is ignored.
  void addObserver(const std::shared_ptr<DRTextKeyboardObserver>& observer);
  void removeObserver(const std::shared_ptr<DRTextKeyboardObserver>& observer);

  /// The keyboard's window and view, while the platform keyboard has them; else null.
  Ref<ui::Window> keyboardWindow() const;
  Ref<ui::View> keyboardView() const;
  bool isKeyboardVisible() const;
  /// The keyboard view's frame in screen coordinates; RectNull without a keyboard view.
  gfx::Rect keyboardFrame() const;
  /// `rect`, in screen coordinates, in the coordinates of `view` (null: the main window's
  /// screen coordinates), passing through the windows involved.
  gfx::Rect convertRectToView(gfx::Rect rect, const ui::View* view) const;

  /// Calls from the keyboard view's frame observer and the run loop (registered methods).
  void keyboardFrameChanged(ui::View* view);
  void notifyAllObservers();

 private:
  void keyboardFrameWillChange(const Ref<fd::Notification>& notification);
  void attachFrameObserver();
  void scheduleNotification();
  static double systemVersion();

  rt::Id notificationToken_;
  std::vector<std::weak_ptr<DRTextKeyboardObserver>> observers_;
  gfx::Rect fromFrame_ = gfx::RectZero;
  bool fromVisible_ = false;
  int64_t fromOrientation_ = 0;
  gfx::Rect notificationFromFrame_ = gfx::RectZero;
  gfx::Rect notificationToFrame_ = gfx::RectZero;
  double notificationDuration_ = 0;
  int64_t notificationCurve_ = 0;
  bool hasNotification_ = false;
  gfx::Rect observedToFrame_ = gfx::RectZero;
  bool hasObservedChange_ = false;
  bool lastIsNotification_ = false;
};

}  // namespace textview
