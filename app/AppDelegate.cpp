#include "app/AppDelegate.h"

#include "app/screens/KDWelcomeViewController.h"
#include "app/shell/KDTabBarController.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(AppDelegate) {}

std::optional<bool> AppDelegate::didFinishLaunchingWithOptions(ui::Application& app, const Ref<fd::Dictionary>& options) {
  (void)app; (void)options;
  window_ = rt::make<ui::Window>(ui::Screen::mainScreen()->bounds());
  window_->makeKeyAndVisible();
  net::NKNetworkReachabilityManager::sharedManager()->startMonitoring();

  auto welcome = rt::make<KDWelcomeViewController>();
  auto tabs = rt::make<KDTabBarController>();
  Weak<ui::Window> window = window_;
  welcome->getCallbackblock([window, tabs](const std::optional<fd::String>& argument) {
    if (!argument) return;
    auto w = window.lock();
    // Later calls (scrolling on past the last page) find the tab bar in place already.
    if (w && w->rootViewController() != tabs) w->setRootViewController(tabs);
  });
  window_->setRootViewController(welcome);
  setPHProgressHUD();
  return true;
}

void AppDelegate::setPHProgressHUD() {
  widgets::PHProgressHUD::setBackgroundColor(gfx::Color::blackColor());
  widgets::PHProgressHUD::setForegroundColor(gfx::Color::whiteColor());
  widgets::PHProgressHUD::setDefaultMaskType(1);
  widgets::PHProgressHUD::setRingThickness(1.0);
}

}  // namespace app
