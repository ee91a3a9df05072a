#pragma once
// The window that hosts popups when their caller names no host: above the status bar, hidden
// while no popup is shown on it.
#include "platform/ui/view/Window.h"

namespace widgets {

class QPPopupWindow : public ui::Window {
  RT_CLASS(QPPopupWindow, ui::Window)
 public:
  void init(gfx::Rect frame);
  /// Made on first use with the main screen's bounds.
  static const Ref<QPPopupWindow>& sharedWindow();

  /// Builds the window and its dim ahead of the first popup, then gives the key back.
  void cacheWindow();
  /// Hides every popup on the attach view, when enabled and no dim fade is running.
  void actionTap();
  /// The default host of every popup: the root controller's view.
  Ref<ui::View> attachView() const { return rootView(); }

  bool touchWildToHide = false;
};

/// Makes the application delegate's window key again, if there is one.
void qp_restoreApplicationKeyWindow();

}  // namespace widgets
