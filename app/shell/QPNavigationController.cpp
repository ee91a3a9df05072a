#include "app/shell/QPNavigationController.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/ImageContext.h"
#include "platform/ui/controllers/TabBar.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

namespace app {

RT_IMPLEMENT(QPNavigationController) {}

namespace {

constexpr double kSlideSeconds = 0.3;
constexpr double kPopThreshold = 50;

Ref<ui::Window> keyWindow() { return ui::Application::sharedApplication()->keyWindow(); }

}  // namespace

void QPNavigationController::init() {
  ui::NavigationController::init();
  setUp();
}

void QPNavigationController::init(const Ref<ui::ViewController>& rootViewController) {
  ui::NavigationController::init(rootViewController);
  setUp();
}

void QPNavigationController::setUp() {
  screenShotsList_.clear();
  auto me = std::static_pointer_cast<QPNavigationController>(self());
  setDelegate(std::weak_ptr<ui::NavigationControllerDelegate>(me));
}

void QPNavigationController::viewDidLoad() {
  ui::NavigationController::viewDidLoad();
  Weak<QPNavigationController> weak = std::static_pointer_cast<QPNavigationController>(self());
  pan_ = rt::make<ui::PanGestureRecognizer>(nullptr, [weak](ui::GestureRecognizer& g) {
    if (auto me = weak.lock()) me->handlePanGesture(static_cast<ui::PanGestureRecognizer&>(g));
  });
  pan_->setDelegate(Weak<ui::GestureRecognizerDelegate>(std::static_pointer_cast<QPNavigationController>(self())));
  view()->addGestureRecognizer(pan_);
  setNavigationBarHidden(true);
  isMoving_ = false;
}

Ref<gfx::Image> QPNavigationController::ViewRenderImage() {
  auto bounds = view()->bounds();
  gfx::beginImageContextWithOptions(bounds.size, view()->isOpaque(), ui::Screen::mainScreen()->scale());
  if (auto window = keyWindow())
    if (auto context = gfx::currentContext()) window->layer()->renderInContext(*context);
  auto image = gfx::imageFromCurrentImageContext();
  gfx::endImageContext();
  return image;
}

void QPNavigationController::checkBackgroudViewExist() {
  auto window = keyWindow();
  if (!window) return;
  for (const auto& v : window->subviews()) {
    if (std::dynamic_pointer_cast<BlackView>(v)) {
      v->removeFromSuperview();
      break;
    }
  }
  backgroundView_ = rt::make<BlackView>(view()->frame());
  backgroundView_->setBackgroundColor(gfx::Color::blackColor());
  if (window->subviews().empty()) window->addSubview(backgroundView_);
  else window->insertSubviewBelow(backgroundView_, window->subviews().front().get());
  blackMask_ = rt::make<ui::View>(view()->frame());
  blackMask_->setBackgroundColor(gfx::Color::blackColor());
  backgroundView_->addSubview(blackMask_);
  backgroundView_->setHidden(false);
}

void QPNavigationController::addLastScreenShotView() {
  if (lastScreenShotView_) lastScreenShotView_->removeFromSuperview();
  lastScreenShotView_ = rt::make<ui::ImageView>(screenShotsList_.empty() ? nullptr : screenShotsList_.back());
  if (backgroundView_) backgroundView_->insertSubviewBelow(lastScreenShotView_, blackMask_.get());
}

void QPNavigationController::moveViewWithX(double x) {
  x = std::max(0.0, std::min(x, view()->bounds().size.width));
  auto frame = view()->frame();
  frame.origin.x = x;
  view()->setFrame(frame);
  double scale = (x / ui::Screen::mainScreen()->bounds().size.width) * 0.05 + 0.95;
  if (lastScreenShotView_) lastScreenShotView_->setTransform(gfx::AffineTransformMakeScale(scale, scale));
  if (blackMask_) blackMask_->setAlpha(0.4 - x / 800);
}

void QPNavigationController::pushViewController(const Ref<ui::ViewController>& controller, bool animated) {
  if (!animated) {
    ui::NavigationController::pushViewController(controller, false);
    return;
  }
  screenShotsList_.push_back(ViewRenderImage());
  if (viewControllers().empty()) {
    ui::NavigationController::pushViewController(controller, false);
    return;
  }
  hiddenTabBar();
  checkBackgroudViewExist();
  addLastScreenShotView();
  blackMask_->setAlpha(0);
  view()->addSubview(controller->view());
  auto frame = view()->frame();
  frame.origin.x = view()->bounds().size.width;
  view()->setFrame(frame);
  Weak<QPNavigationController> weak = std::static_pointer_cast<QPNavigationController>(self());
  ui::ViewAnimation::animate(
      kSlideSeconds, [weak] { if (auto me = weak.lock()) me->moveViewWithX(0); },
      [weak, controller](bool) {
        if (auto me = weak.lock()) me->ui::NavigationController::pushViewController(controller, false);
      });
}

Ref<ui::ViewController> QPNavigationController::popViewControllerAnimated(bool animated) {
  if (!animated) return ui::NavigationController::popViewControllerAnimated(false);
  auto top = topViewController();
  checkBackgroudViewExist();
  addLastScreenShotView();
  lastScreenShotView_->setTransform(gfx::AffineTransformMakeScale(0.95, 0.95));
  Weak<QPNavigationController> weak = std::static_pointer_cast<QPNavigationController>(self());
  ui::ViewAnimation::animate(
      kSlideSeconds, [weak] { if (auto me = weak.lock()) me->moveViewWithX(me->view()->bounds().size.width); },
      [weak](bool) {
        auto me = weak.lock();
        if (!me) return;
        me->ui::NavigationController::popViewControllerAnimated(false);
        auto frame = me->view()->frame();
        frame.origin.x = 0;
        me->view()->setFrame(frame);
        if (me->backgroundView_) me->backgroundView_->setHidden(true);
        if (!me->screenShotsList_.empty()) me->screenShotsList_.pop_back();
        if (me->viewControllers().size() == 1) me->showTabBar();
        else me->hiddenTabBar();
      });
  return top;
}

Ref<ui::ViewController> QPNavigationController::gesturePopViewControllerAnimated(bool animated) {
  if (!screenShotsList_.empty()) screenShotsList_.pop_back();
  return ui::NavigationController::popViewControllerAnimated(animated);
}

void QPNavigationController::handlePanGesture(ui::PanGestureRecognizer& pan) {
  if (viewControllers().size() <= 1) return;
  auto window = keyWindow();
  gfx::Point location = pan.locationInView(window.get());
  Weak<QPNavigationController> weak = std::static_pointer_cast<QPNavigationController>(self());
  switch (pan.state()) {
    case ui::GestureRecognizerState::Began:
      startTouch_ = location;
      isMoving_ = true;
      checkBackgroudViewExist();
      addLastScreenShotView();
      break;
    case ui::GestureRecognizerState::Ended:
      isMoving_ = false;
      if (backgroundView_) backgroundView_->setHidden(false);
      if (location.x - startTouch_.x > kPopThreshold) {
        ui::ViewAnimation::animate(
            kSlideSeconds, [weak] { if (auto me = weak.lock()) me->moveViewWithX(me->view()->bounds().size.width); },
            [weak](bool) {
              auto me = weak.lock();
              if (!me) return;
              me->gesturePopViewControllerAnimated(false);
              auto frame = me->view()->frame();
              frame.origin.x = 0;
              me->view()->setFrame(frame);
              if (me->viewControllers().size() < 2) me->showTabBar();
              else me->hiddenTabBar();
            });
      } else {
        ui::ViewAnimation::animate(
            kSlideSeconds, [weak] { if (auto me = weak.lock()) me->moveViewWithX(0); },
            [weak](bool) {
              if (auto me = weak.lock())
                if (me->backgroundView_) me->backgroundView_->setHidden(true);
            });
      }
      return;
    case ui::GestureRecognizerState::Cancelled:
    case ui::GestureRecognizerState::Failed:
      // Ends like a short pan: the screen springs back.
      if (!isMoving_) return;
      isMoving_ = false;
      ui::ViewAnimation::animate(
          kSlideSeconds, [weak] { if (auto me = weak.lock()) me->moveViewWithX(0); },
          [weak](bool) {
            if (auto me = weak.lock())
              if (me->backgroundView_) me->backgroundView_->setHidden(true);
          });
      return;
    default:
      break;
  }
  if (isMoving_) moveViewWithX(location.x - startTouch_.x);
}

std::optional<bool> QPNavigationController::gestureRecognizerShouldBegin(ui::GestureRecognizer& g) {
  if (&g != pan_.get()) return std::nullopt;
  gfx::Point t = pan_->translationInView(view().get());
  return viewControllers().size() > 1 && t.x > std::fabs(t.y);
}

void QPNavigationController::willShowViewController(ui::NavigationController& nav, ui::ViewController& vc,
                                                    bool animated) {
  (void)nav; (void)vc; (void)animated;
  if (viewControllers().size() > 1) hiddenTabBar();
}

void QPNavigationController::showTabBar() {
  if (auto tabs = tabBarController()) tabs->tabBar()->setHidden(false);
}

void QPNavigationController::hiddenTabBar() {
  if (auto tabs = tabBarController()) tabs->tabBar()->setHidden(true);
}

}  // namespace app
