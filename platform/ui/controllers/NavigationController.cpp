#include "platform/ui/controllers/NavigationController.h"

#include <algorithm>

#include "platform/runtime/Exception.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/controllers/TabBar.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(NavigationController) {
  c.property("navigationBarHidden", &NavigationController::isNavigationBarHidden).getterName("isNavigationBarHidden");
}

namespace {
// How far the screen underneath sits to the left while another slides over it.
constexpr double kParallax = 0.3;
// A released pan pops when past half the width or flung right faster than this (points/s).
constexpr double kFlingVelocity = 500;

void setX(View& v, double x) {
  gfx::Rect f = v.frame();
  f.origin.x = x;
  v.setFrame(f);
}
}  // namespace

class NavigationController::EdgePanDelegate : public GestureRecognizerDelegate {
 public:
  explicit EdgePanDelegate(Weak<rt::Object> nav) : nav_(std::move(nav)) {}
  std::optional<bool> gestureRecognizerShouldBegin(GestureRecognizer& g) override {
    auto nav = rt::as<NavigationController>(nav_.lock());
    auto* pan = dynamic_cast<PanGestureRecognizer*>(&g);
    if (!nav || !pan || nav->stack_.size() < 2 || nav->barHidden_ || nav->pendingFinish_) return false;
    auto view = nav->view();
    gfx::Point start = pan->locationInView(view.get());
    start.x -= pan->translationInView(view.get()).x;
    return start.x <= kEdgeWidth && pan->translationInView(view.get()).x > 0;
  }

 private:
  Weak<rt::Object> nav_;
};

void NavigationController::init(const Ref<ViewController>& rootViewController) {
  if (rootViewController) setViewControllers({rootViewController}, false);
}

NavigationController::~NavigationController() = default;

// ---- views

const Ref<NavigationBar>& NavigationController::navigationBar() {
  if (!bar_) {
    bar_ = rt::make<NavigationBar>();
    bar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    Weak<rt::Object> weak = self();
    bar_->setBackHandler([weak] {
      if (auto nav = rt::as<NavigationController>(weak.lock())) nav->popViewControllerAnimated(true);
    });
    std::vector<Ref<NavigationItem>> items;
    for (auto& vc : stack_) items.push_back(vc->navigationItem());
    bar_->setItems(items);
    bar_->setHidden(barHidden_);
  }
  return bar_;
}

void NavigationController::loadView() {
  auto v = rt::make<View>(Screen::mainScreen()->bounds());
  setView(v);
  v->addSubview(navigationBar());
  layoutBar();
  (void)interactivePopGestureRecognizer();
  if (auto top = topViewController()) {
    auto tv = top->view();
    tv->setFrame(childFrame(*top));
    tv->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    v->insertSubviewBelow(tv, bar_.get());
  }
}

void NavigationController::layoutBar() {
  if (!isViewLoaded()) return;
  double top = Application::sharedApplication()->statusBarFrame().size.height;
  bar_->setFrame({{0, top}, {view()->bounds().size.width, NavigationBar::kHeight}});
}

gfx::Rect NavigationController::childFrame(ViewController& vc) {
  gfx::Rect f = view()->bounds();
  if (!(vc.edgesForExtendedLayout() & RectEdgeTop) && !barHidden_) {
    double barBottom = bar_->frame().origin.y + bar_->frame().size.height;
    f.origin.y += barBottom;
    f.size.height -= barBottom;
  }
  if (!(vc.edgesForExtendedLayout() & RectEdgeBottom)) {
    if (auto tab = tabBarController(); tab && !tab->tabBar()->isHidden()) f.size.height -= TabBar::kHeight;
  }
  f.size.height = std::max(0.0, f.size.height);
  return f;
}

const Ref<PanGestureRecognizer>& NavigationController::interactivePopGestureRecognizer() {
  if (!edgePan_) {
    Weak<rt::Object> weak = self();
    edgePan_ = rt::make<PanGestureRecognizer>(nullptr, [weak](GestureRecognizer& g) {
      if (auto nav = rt::as<NavigationController>(weak.lock())) nav->handlePan(static_cast<PanGestureRecognizer&>(g));
    });
    edgePan_->setMaximumNumberOfTouches(1);
    edgePanDelegate_ = std::make_shared<EdgePanDelegate>(weak);
    edgePan_->setDelegate(edgePanDelegate_);
  }
  if (isViewLoaded() && !edgePan_->view()) view()->addGestureRecognizer(edgePan_);
  return edgePan_;
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
  (void)animated;
  barHidden_ = hidden;
  if (bar_) bar_->setHidden(hidden);
  if (auto top = topViewController(); top && isViewLoaded() && top->isViewLoaded() &&
                                       top->view()->superview() == view())
    top->view()->setFrame(childFrame(*top));
}

// ---- the stack

Ref<ViewController> NavigationController::visibleViewController() const {
  auto top = topViewController();
  if (!top) return nullptr;
  auto shown = top;
  while (auto p = shown->presentedViewController()) {
    if (p == shown) break;
    shown = p;
  }
  return shown;
}

bool NavigationController::isVisible() const {
  return appearanceState() == AppearanceState::Appeared || appearanceState() == AppearanceState::Appearing;
}

std::vector<Ref<ViewController>> NavigationController::childrenForAppearance() {
  // Only the top screen follows the container; one half-way in a transition is driven by it.
  std::vector<Ref<ViewController>> shown;
  if (auto top = topViewController(); top && !pendingFinish_ && !interactive_) shown.push_back(top);
  return shown;
}

void NavigationController::pushViewController(const Ref<ViewController>& controller, bool animated) {
  if (!controller) rt::raise("NSInvalidArgumentException", "Cannot push a nil view controller.");
  if (rt::as<NavigationController>(controller))
    rt::raise("NSInvalidArgumentException", "Pushing a navigation controller is not supported");
  finishPendingTransition();
  if (std::find(stack_.begin(), stack_.end(), controller) != stack_.end())
    rt::raise("NSInvalidArgumentException",
              rt::String::format("Pushing the same view controller instance more than once is not supported (%@)",
                                 controller));
  auto from = topViewController();
  stack_.push_back(controller);
  addChildViewController(controller);
  navigationBar()->pushNavigationItem(controller->navigationItem(), animated);
  transition(from, true, {}, animated);
}

Ref<ViewController> NavigationController::popViewControllerAnimated(bool animated) {
  finishPendingTransition();
  if (stack_.size() < 2) return nullptr;
  auto popped = popToViewController(stack_[stack_.size() - 2], animated);
  return popped.empty() ? nullptr : popped.back();
}

std::vector<Ref<ViewController>> NavigationController::popToRootViewControllerAnimated(bool animated) {
  finishPendingTransition();
  if (stack_.size() < 2) return {};
  return popToViewController(stack_.front(), animated);
}

std::vector<Ref<ViewController>> NavigationController::popToViewController(const Ref<ViewController>& controller,
                                                                           bool animated) {
  finishPendingTransition();
  auto it = std::find(stack_.begin(), stack_.end(), controller);
  if (!controller || it == stack_.end())
    rt::raise("NSInvalidArgumentException", "Tried to pop to a view controller that doesn't exist.");
  std::vector<Ref<ViewController>> popped(it + 1, stack_.end());
  if (popped.empty()) return popped;
  auto from = topViewController();
  stack_.erase(it + 1, stack_.end());
  std::vector<Ref<NavigationItem>> items;
  for (auto& vc : stack_) items.push_back(vc->navigationItem());
  navigationBar()->setItems(items, animated);
  transition(from, false, popped, animated);
  return popped;
}

void NavigationController::setViewControllers(const std::vector<Ref<ViewController>>& controllers, bool animated) {
  finishPendingTransition();
  for (size_t i = 0; i < controllers.size(); ++i) {
    if (!controllers[i] || rt::as<NavigationController>(controllers[i]) ||
        std::find(controllers.begin(), controllers.begin() + static_cast<long>(i), controllers[i]) !=
            controllers.begin() + static_cast<long>(i))
      rt::raise("NSInvalidArgumentException", "The view controllers of a navigation controller must be distinct, "
                                              "non-nil and not navigation controllers.");
  }
  auto from = topViewController();
  std::vector<Ref<ViewController>> leaving;
  for (auto& vc : stack_)
    if (std::find(controllers.begin(), controllers.end(), vc) == controllers.end()) leaving.push_back(vc);
  bool wasInStack = !controllers.empty() && std::find(stack_.begin(), stack_.end(), controllers.back()) != stack_.end();
  stack_ = controllers;
  for (auto& vc : stack_) addChildViewController(vc);
  std::vector<Ref<NavigationItem>> items;
  for (auto& vc : stack_) items.push_back(vc->navigationItem());
  if (bar_) bar_->setItems(items, animated);
  transition(from, !wasInStack, leaving, animated);
}

// ---- transitions

void NavigationController::finishPendingTransition() {
  if (auto finish = std::move(pendingFinish_)) {
    pendingFinish_ = nullptr;
    finish();
  }
}

void NavigationController::transition(const Ref<ViewController>& from, bool push,
                                      std::vector<Ref<ViewController>> leaving, bool animated) {
  auto to = topViewController();
  updateBottomBar();
  for (auto& vc : leaving) vc->willMoveToParentViewController(nullptr);
  auto self = std::static_pointer_cast<NavigationController>(this->self());
  bool changed = to != from;
  bool visible = isVisible() && changed;

  auto finish = [self, from, to, leaving, push, visible, changed, animated] {
    if (changed && from && from->isViewLoaded()) {
      bool fromStays = std::find(self->stack_.begin(), self->stack_.end(), from) != self->stack_.end();
      if (from->view()->superview() == self->view() || !fromStays) from->view()->removeFromSuperview();
      if (from->isViewLoaded()) from->view()->setFrame(self->childFrame(*from));
    }
    if (to && self->isViewLoaded()) to->view()->setFrame(self->childFrame(*to));
    if (visible) {
      if (from) from->endAppearanceTransition();
      if (to) to->endAppearanceTransition();
    }
    for (auto& vc : leaving) vc->removeFromParentViewController();
    if (push && to) to->didMoveToParentViewController(self.get());
    if (changed && to && self->isViewLoaded()) {
      if (auto d = self->delegate_.lock()) d->didShowViewController(*self, *to, animated);
      if (visible) self->setNeedsStatusBarAppearanceUpdate();
    }
  };

  if (!isViewLoaded() || !changed || !to) {
    if (changed && from && from->isViewLoaded() && isViewLoaded() && visible) from->beginAppearanceTransition(false, animated);
    finish();
    return;
  }
  auto container = view();
  auto toView = to->view();
  toView->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  gfx::Rect toFrame = childFrame(*to);
  ViewAnimation::performWithoutAnimation([&] { toView->setFrame(toFrame); });
  Ref<View> fromView = from && from->isViewLoaded() && from->view()->superview() == container ? from->view() : nullptr;
  if (fromView && push) container->insertSubviewAbove(toView, fromView.get());
  else if (fromView) container->insertSubviewBelow(toView, fromView.get());
  else container->insertSubviewBelow(toView, bar_.get());
  if (visible) {
    if (from) from->beginAppearanceTransition(false, animated);
    to->beginAppearanceTransition(true, animated);
  }
  if (auto d = delegate_.lock()) d->willShowViewController(*this, *to, animated);
  if (!animated || !visible || !fromView) {
    finish();
    return;
  }
  double w = container->bounds().size.width;
  ViewAnimation::performWithoutAnimation([&] { setX(*toView, push ? w : -w * kParallax); });
  uint64_t token = ++transitionToken_;
  pendingFinish_ = finish;
  Weak<rt::Object> weak = self;
  ViewAnimation::animate(kTransitionDuration, 0, ViewAnimationOptionCurveEaseInOut, [&] {
    setX(*toView, 0);
    setX(*fromView, push ? -w * kParallax : w);
  }, [weak, token](bool) {
    auto nav = rt::as<NavigationController>(weak.lock());
    if (nav && nav->transitionToken_ == token) nav->finishPendingTransition();
  });
}

// The tab bar hides while a pushed controller that asks for it is in the stack, and comes
// back when none is; a bar hidden by someone else is left alone.
void NavigationController::updateBottomBar() {
  auto tab = tabBarController();
  if (!tab) return;
  bool hide = std::any_of(stack_.begin() + (stack_.empty() ? 0 : 1), stack_.end(),
                          [](const Ref<ViewController>& vc) { return vc->hidesBottomBarWhenPushed(); });
  auto bar = tab->tabBar();
  if (hide && !bar->isHidden()) {
    bar->setHidden(true);
    hidBottomBar_ = true;
  } else if (!hide && hidBottomBar_) {
    hidBottomBar_ = false;
    bar->setHidden(false);
  }
}

// ---- interactive pop

void NavigationController::handlePan(PanGestureRecognizer& pan) {
  auto container = view();
  double w = container->bounds().size.width;
  double tx = std::clamp(pan.translationInView(container.get()).x, 0.0, w);
  switch (pan.state()) {
    case GestureRecognizerState::Began: {
      if (stack_.size() < 2 || interactive_) return;
      interactive_ = std::make_unique<Interactive>(Interactive{stack_.back(), stack_[stack_.size() - 2]});
      auto& [from, to] = *interactive_;
      auto toView = to->view();
      toView->setFrame(childFrame(*to));
      setX(*toView, -w * kParallax);
      container->insertSubviewBelow(toView, from->view().get());
      if (isVisible()) {
        from->beginAppearanceTransition(false, true);
        to->beginAppearanceTransition(true, true);
      }
      if (auto d = delegate_.lock()) d->willShowViewController(*this, *to, true);
      break;
    }
    case GestureRecognizerState::Changed:
      if (!interactive_) return;
      setX(*interactive_->from->view(), tx);
      setX(*interactive_->to->view(), -w * kParallax * (1 - tx / w));
      break;
    case GestureRecognizerState::Ended:
    case GestureRecognizerState::Cancelled:
    case GestureRecognizerState::Failed: {
      if (!interactive_) return;
      bool complete = pan.state() == GestureRecognizerState::Ended &&
                      (tx > w / 2 || pan.velocityInView(container.get()).x > kFlingVelocity);
      auto from = interactive_->from, to = interactive_->to;
      auto self = std::static_pointer_cast<NavigationController>(this->self());
      double remaining = complete ? (w - tx) / w : tx / w;
      auto done = [self, from, to, complete] {
        self->interactive_.reset();
        bool visible = self->isVisible();
        if (complete) {
          from->view()->removeFromSuperview();
          self->stack_.pop_back();
          self->updateBottomBar();
          to->view()->setFrame(self->childFrame(*to));
          self->navigationBar()->popNavigationItemAnimated(true);
          if (visible) {
            from->endAppearanceTransition();
            to->endAppearanceTransition();
          }
          from->willMoveToParentViewController(nullptr);
          from->removeFromParentViewController();
          if (auto d = self->delegate_.lock()) d->didShowViewController(*self, *to, true);
          if (visible) self->setNeedsStatusBarAppearanceUpdate();
        } else {
          to->view()->removeFromSuperview();
          from->view()->setFrame(self->childFrame(*from));
          if (visible) {
            // The platform reports a cancelled pop as the screen going away again and the
            // top one coming back.
            to->beginAppearanceTransition(false, true);
            from->beginAppearanceTransition(true, true);
            to->endAppearanceTransition();
            from->endAppearanceTransition();
          }
        }
      };
      if (remaining <= 0) {
        done();
        break;
      }
      ViewAnimation::animate(kTransitionDuration * remaining, 0, ViewAnimationOptionCurveEaseOut, [&] {
        setX(*from->view(), complete ? w : 0);
        setX(*to->view(), complete ? 0 : -w * kParallax);
      }, [done](bool) { done(); });
      break;
    }
    default:
      break;
  }
}

StatusBarStyle NavigationController::preferredStatusBarStyle() const {
  auto top = topViewController();
  return top ? top->preferredStatusBarStyle() : ViewController::preferredStatusBarStyle();
}

}  // namespace ui
