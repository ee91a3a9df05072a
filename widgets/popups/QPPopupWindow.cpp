#include "widgets/popups/QPPopupWindow.h"

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/view/Screen.h"
#include "widgets/popups/QPPopupView.h"
#include "widgets/popups/View+QPPopupDim.h"

namespace widgets {

RT_IMPLEMENT(QPPopupWindow) {}

void QPPopupWindow::init(gfx::Rect frame) {
  ui::Window::init(frame);
  setWindowLevel(ui::WindowLevelStatusBar + 1);
  Weak<QPPopupWindow> weak = std::static_pointer_cast<QPPopupWindow>(self());
  addGestureRecognizer(rt::make<ui::TapGestureRecognizer>(nullptr, [weak](ui::GestureRecognizer&) {
    if (auto w = weak.lock()) w->actionTap();
  }));
}

const Ref<QPPopupWindow>& QPPopupWindow::sharedWindow() {
  static const Ref<QPPopupWindow> shared = [] {
    auto w = rt::make<QPPopupWindow>(ui::Screen::mainScreen()->bounds());
    w->setRootViewController(rt::make<ui::ViewController>());
    return w;
  }();
  return shared;
}

void QPPopupWindow::cacheWindow() {
  makeKeyAndVisible();
  qp_restoreApplicationKeyWindow();
  if (auto host = attachView()) qp_dimBackgroundView(*host)->setHidden(true);
  setHidden(true);
}

void QPPopupWindow::actionTap() {
  auto host = attachView();
  if (!touchWildToHide || !host || qp_dimBackgroundAnimating(*host)) return;
  auto popups = qp_dimBackgroundView(*host)->subviews();  // hiding changes the list
  for (auto& v : popups)
    if (auto popup = rt::as<QPPopupView>(v)) popup->hide();
}

void qp_restoreApplicationKeyWindow() {
  auto app = ui::Application::sharedApplication();
  auto delegate = app ? app->delegate() : nullptr;
  if (auto window = delegate ? delegate->window() : nullptr) window->makeKeyAndVisible();
}

}  // namespace widgets
