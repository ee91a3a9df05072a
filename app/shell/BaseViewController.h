#pragma once
// The base controllers of the content screens: white background, and for the screens that hide
// the bottom bar a light status bar that slides.
#include "platform/ui/controllers/NavigationController.h"

namespace app {

class BaseViewController : public ui::ViewController {
  RT_CLASS(BaseViewController, ui::ViewController)
 public:
  void viewDidLoad() override;
};

class BaseHidesBottomViewController : public ui::ViewController {
  RT_CLASS(BaseHidesBottomViewController, ui::ViewController)
 public:
  void viewDidLoad() override;
  ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::LightContent; }
  ui::StatusBarAnimation preferredStatusBarUpdateAnimation() const override { return ui::StatusBarAnimation::Slide; }
};

class BaseNavigationController : public ui::NavigationController {
  RT_CLASS(BaseNavigationController, ui::NavigationController)
 public:
  using ui::NavigationController::init;
  void viewDidLoad() override;
  /// Always animated, whatever the caller says.
  void viewWillAppear(bool animated) override;
  ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::LightContent; }
  ui::StatusBarAnimation preferredStatusBarUpdateAnimation() const override { return ui::StatusBarAnimation::Slide; }
};

}  // namespace app
