#pragma once
// A navigation controller without a visible bar: pushed screens slide in over a shrunken,
// darkened snapshot of the window, and a pan from left to right of more than 50 points pops.
// Main thread only.
#include <vector>

#include "app/shell/BlackView.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/input/PanGestureRecognizer.h"

namespace app {

class QPNavigationController : public ui::NavigationController,
                               public ui::NavigationControllerDelegate,
                               public ui::GestureRecognizerDelegate {
  RT_CLASS(QPNavigationController, ui::NavigationController)
 public:
  void init();
  void init(const Ref<ui::ViewController>& rootViewController);

  void viewDidLoad() override;
  void pushViewController(const Ref<ui::ViewController>& controller, bool animated) override;
  Ref<ui::ViewController> popViewControllerAnimated(bool animated) override;
  /// The pop at the end of a pan: drops the last snapshot, then the base pop.
  Ref<ui::ViewController> gesturePopViewControllerAnimated(bool animated);

  void handlePanGesture(ui::PanGestureRecognizer& pan);
  /// Puts the view at x (clamped to [0, width]) and sets the snapshot's scale and the mask.
  void moveViewWithX(double x);
  /// The key window rendered at the screen's scale.
  Ref<gfx::Image> ViewRenderImage();
  void checkBackgroudViewExist();
  void addLastScreenShotView();
  void showTabBar();
  void hiddenTabBar();

  void willShowViewController(ui::NavigationController& nav, ui::ViewController& vc, bool animated) override;
  /// The pan begins only with a screen to go back to and a drag mainly to the right, so that
  /// it takes no drag away from what lies under the finger for nothing.
  std::optional<bool> gestureRecognizerShouldBegin(ui::GestureRecognizer& g) override;

  const std::vector<Ref<gfx::Image>>& screenShotsList() const { return screenShotsList_; }
  const Ref<BlackView>& backgroundView() const { return backgroundView_; }
  const Ref<ui::View>& blackMask() const { return blackMask_; }
  const Ref<ui::ImageView>& lastScreenShotView() const { return lastScreenShotView_; }
  bool isMoving() const { return isMoving_; }

 private:
  void setUp();

  Ref<ui::PanGestureRecognizer> pan_;
  gfx::Point startTouch_;
  bool isMoving_ = false;
  Ref<ui::View> blackMask_;
  Ref<ui::ImageView> lastScreenShotView_;
  Ref<BlackView> backgroundView_;
  std::vector<Ref<gfx::Image>> screenShotsList_;
};

}  // namespace app
