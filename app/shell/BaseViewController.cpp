#include "app/shell/BaseViewController.h"

namespace app {

RT_IMPLEMENT(BaseViewController) {}
RT_IMPLEMENT(BaseHidesBottomViewController) {}
RT_IMPLEMENT(BaseNavigationController) {}

void BaseViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::whiteColor());
}

void BaseHidesBottomViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::whiteColor());
}

void BaseNavigationController::viewDidLoad() {
  ui::NavigationController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::clearColor());
}

void BaseNavigationController::viewWillAppear(bool animated) {
  (void)animated;
  ui::NavigationController::viewWillAppear(true);
}

}  // namespace app
