#include "platform/ui/controllers/ViewController.h"

#include <cmath>

#include "platform/runtime/Exception.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/controllers/TabBarController.h"
#include "platform/ui/lists/ScrollView.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(ViewController) {
  c.property("title", &ViewController::title, &ViewController::setTitle);
  c.property("edgesForExtendedLayout", &ViewController::edgesForExtendedLayout,
             &ViewController::setEdgesForExtendedLayout);
}

ViewController::~ViewController() {
  if (view_) view_->setViewController(nullptr);
}

// ---- the view

Ref<View> ViewController::view() {
  if (!view_ && !inViewLoad_) {
    inViewLoad_ = true;
    loadView();
    if (!view_) ViewController::loadView();
    inViewLoad_ = false;
    viewDidLoad();
  }
  return view_;
}

void ViewController::setView(const Ref<View>& view) {
  if (view_ == view) return;
  if (view_) view_->setViewController(nullptr);
  view_ = view;
  if (view_) view_->setViewController(std::static_pointer_cast<Responder>(self()));
}

void ViewController::loadView() { setView(rt::make<View>(Screen::mainScreen()->bounds())); }

// ---- appearance

std::vector<Ref<ViewController>> ViewController::childrenForAppearance() {
  std::vector<Ref<ViewController>> shown;
  if (!view_) return shown;
  for (auto& child : children_)
    if (child->isViewLoaded() && child->view_->isDescendantOfView(view_.get())) shown.push_back(child);
  return shown;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
  if (appearing && (appearance_ == AppearanceState::Appearing || appearance_ == AppearanceState::Appeared)) return;
  if (!appearing && (appearance_ == AppearanceState::Disappearing || appearance_ == AppearanceState::Disappeared))
    return;
  // A view about to appear is loaded first, so that viewDidLoad always comes before.
  if (appearing) loadViewIfNeeded();
  appearance_ = appearing ? AppearanceState::Appearing : AppearanceState::Disappearing;
  transitionAnimated_ = animated;
  if (appearing) viewWillAppear(animated);
  else viewWillDisappear(animated);
  for (auto& child : childrenForAppearance()) child->beginAppearanceTransition(appearing, animated);
}

void ViewController::endAppearanceTransition() {
  if (appearance_ == AppearanceState::Appearing) {
    appearance_ = AppearanceState::Appeared;
    viewDidAppear(transitionAnimated_);
  } else if (appearance_ == AppearanceState::Disappearing) {
    appearance_ = AppearanceState::Disappeared;
    viewDidDisappear(transitionAnimated_);
  } else {
    return;
  }
  auto children = children_;
  for (auto& child : children) child->endAppearanceTransition();
}

// ---- titles and items

void ViewController::setTitle(const rt::String& title) {
  setAndNotify("title", title_, title);
  navigationItem()->setTitle(title);
  if (tabBarItem_) tabBarItem_->setTitle(title);
}

Ref<NavigationItem> ViewController::navigationItem() {
  if (!navigationItem_) navigationItem_ = rt::make<NavigationItem>(title_);
  return navigationItem_;
}

Ref<TabBarItem> ViewController::tabBarItem() {
  if (!tabBarItem_) {
    tabBarItem_ = rt::make<TabBarItem>();
    tabBarItem_->setTitle(title_);
  }
  return tabBarItem_;
}

// ---- containment

void ViewController::addChildViewController(const Ref<ViewController>& child) {
  if (!child || child.get() == this) return;
  if (child->parentViewController().get() == this) return;
  if (child->parentViewController()) child->removeFromParentViewController();
  child->willMoveToParentViewController(this);
  children_.push_back(child);
  child->parent_ = std::static_pointer_cast<ViewController>(self());
}

void ViewController::removeFromParentViewController() {
  auto parent = parentViewController();
  if (!parent) return;
  auto keep = std::static_pointer_cast<ViewController>(self());
  std::erase(parent->children_, keep);
  parent_.reset();
  didMoveToParentViewController(nullptr);
}

Ref<NavigationController> ViewController::navigationController() const {
  for (auto p = parentViewController(); p; p = p->parentViewController())
    if (auto nav = rt::as<NavigationController>(p)) return nav;
  return nullptr;
}

Ref<TabBarController> ViewController::tabBarController() const {
  for (auto p = parentViewController(); p; p = p->parentViewController())
    if (auto tab = rt::as<TabBarController>(p)) return tab;
  return nullptr;
}

Ref<ViewController> ViewController::rootAncestor() {
  auto c = std::static_pointer_cast<ViewController>(self());
  while (auto p = c->parentViewController()) c = p;
  return c;
}

// ---- presentation

namespace {
// Places a presented view to fill `window`, rotated when the controller shows in landscape
// only; answers the orientation it shows in.
InterfaceOrientation placeForPresentation(ViewController& vc, View& view, const Window& window) {
  gfx::Rect b = window.bounds();
  uint64_t mask = vc.supportedInterfaceOrientations();
  InterfaceOrientation o = InterfaceOrientation::Portrait;
  if (!(mask & InterfaceOrientationMaskPortrait) && (mask & InterfaceOrientationMaskLandscape)) {
    o = vc.preferredInterfaceOrientationForPresentation();
    bool allowed = (o == InterfaceOrientation::LandscapeRight && (mask & InterfaceOrientationMaskLandscapeRight)) ||
                   (o == InterfaceOrientation::LandscapeLeft && (mask & InterfaceOrientationMaskLandscapeLeft));
    if (!allowed)
      o = (mask & InterfaceOrientationMaskLandscapeRight) ? InterfaceOrientation::LandscapeRight
                                                           : InterfaceOrientation::LandscapeLeft;
  }
  view.setTransform(gfx::AffineTransformIdentity);
  if (o == InterfaceOrientation::Portrait) {
    view.setFrame(b);
  } else {
    view.setBounds({{0, 0}, {b.size.height, b.size.width}});
    view.setCenter({b.size.width / 2, b.size.height / 2});
    // A quarter turn written out: the sine and cosine of pi/2 would leave the frame and
    // converted points off by rounding dust.
    double s = o == InterfaceOrientation::LandscapeRight ? 1 : -1;
    view.setTransform(gfx::AffineTransform{0, s, -s, 0, 0, 0});
  }
  return o;
}
}  // namespace

void ViewController::presentViewController(const Ref<ViewController>& controller, bool animated, Completion completion) {
  if (!controller)
    rt::raise("NSInvalidArgumentException",
              rt::String::format("Application tried to present a nil modal view controller on target %@.", self()));
  if (controller->parentViewController() || controller->presentingViewController() || controller.get() == this)
    rt::raise("NSInvalidArgumentException",
              rt::String::format("Application tried to present modally an active controller %@.", controller));
  auto presenter = rootAncestor();
  // One presentation at a time per presenter, and only from a screen that is shown; the
  // platform ignores the others too.
  if (presenter->presented_ || presenter->beingPresented_ || presenter->beingDismissed_) return;
  auto window = presenter->isViewLoaded() ? presenter->view_->window() : nullptr;
  if (!window) return;

  presenter->presented_ = controller;
  controller->presenting_ = presenter;
  controller->beingPresented_ = true;
  auto view = controller->view();
  InterfaceOrientation o = placeForPresentation(*controller, *view, *window);
  window->addSubview(view);
  if (o != InterfaceOrientation::Portrait) Application::sharedApplication()->setStatusBarOrientation(o);

  presenter->beginAppearanceTransition(false, animated);
  controller->beginAppearanceTransition(true, animated);
  if (!animated || controller->presentsOverPresenter()) {
    presenter->finishPresentation(controller, std::move(completion), false);
    return;
  }
  gfx::Point end = view->center();
  ViewAnimation::performWithoutAnimation([&] { view->setCenter({end.x, end.y + window->bounds().size.height}); });
  Weak<ViewController> weakPresenter = presenter;
  ViewAnimation::animate(kPresentationDuration, 0, ViewAnimationOptionCurveEaseInOut, [&] { view->setCenter(end); },
                         [weakPresenter, controller, completion](bool) {
                           if (auto p = weakPresenter.lock()) p->finishPresentation(controller, completion, true);
                         });
}

void ViewController::finishPresentation(const Ref<ViewController>& presented, Completion completion, bool animated) {
  (void)animated;
  if (presented_ != presented || !presented->beingPresented_) return;
  // The covered screen leaves the window; dismissal puts it back where it was.
  if (view_ && !presented->presentsOverPresenter()) {
    if (auto sup = view_->superview()) {
      auto& subs = sup->subviews();
      coveredIndex_ = static_cast<size_t>(std::find(subs.begin(), subs.end(), view_) - subs.begin());
      coveredSuperview_ = sup;
      view_->removeFromSuperview();
    }
  }
  endAppearanceTransition();
  presented->endAppearanceTransition();
  presented->beingPresented_ = false;
  if (auto w = presented->view_->window()) updateStatusBarAppearance(w);
  if (completion) completion();
}

Ref<ViewController> ViewController::presentedViewController() const {
  for (auto c = std::const_pointer_cast<ViewController>(std::static_pointer_cast<const ViewController>(self())); c;
       c = c->parentViewController())
    if (c->presented_) return c->presented_;
  return nullptr;
}

Ref<ViewController> ViewController::presentingViewController() const {
  for (auto c = std::const_pointer_cast<ViewController>(std::static_pointer_cast<const ViewController>(self())); c;
       c = c->parentViewController())
    if (auto p = c->presenting_.lock()) return p;
  return nullptr;
}

void ViewController::dismissViewControllerAnimated(bool animated, Completion completion) {
  auto root = rootAncestor();
  Ref<ViewController> presenter = root->presented_ ? root : root->presenting_.lock();
  if (!presenter || !presenter->presented_) return;
  std::vector<Ref<ViewController>> chain;
  for (auto c = presenter->presented_; c; c = c->presented_) chain.push_back(c);
  for (auto& c : chain)
    if (c->beingPresented_ || c->beingDismissed_) return;  // ignored while a transition runs
  for (auto& c : chain) c->beingDismissed_ = true;
  auto top = chain.back();
  auto window = top->view_ ? top->view_->window() : nullptr;

  if (auto sup = presenter->coveredSuperview_.lock(); sup && presenter->view_ && !presenter->view_->superview()) {
    sup->insertSubviewAtIndex(presenter->view_, std::min(presenter->coveredIndex_, sup->subviews().size()));
  }
  presenter->coveredSuperview_.reset();
  top->beginAppearanceTransition(false, animated);
  presenter->beginAppearanceTransition(true, animated);
  if (!animated || !window || top->presentsOverPresenter()) {
    presenter->finishDismissal(std::move(chain), std::move(completion), animated);
    return;
  }
  auto view = top->view_;
  gfx::Point c = view->center();
  Weak<ViewController> weakPresenter = presenter;
  ViewAnimation::animate(kPresentationDuration, 0, ViewAnimationOptionCurveEaseInOut,
                         [&] { view->setCenter({c.x, c.y + window->bounds().size.height}); },
                         [weakPresenter, chain, completion](bool) {
                           if (auto p = weakPresenter.lock()) p->finishDismissal(chain, completion, true);
                         });
}

void ViewController::finishDismissal(std::vector<Ref<ViewController>> chain, Completion completion, bool animated) {
  (void)animated;
  auto window = view_ ? view_->window() : nullptr;
  for (auto& c : chain)
    if (c->view_) c->view_->removeFromSuperview();
  chain.back()->endAppearanceTransition();
  endAppearanceTransition();
  presented_.reset();
  for (auto& c : chain) {
    c->presented_.reset();
    c->presenting_.reset();
    c->beingDismissed_ = false;
  }
  if ((supportedInterfaceOrientations() & InterfaceOrientationMaskPortrait) || !window)
    Application::sharedApplication()->setStatusBarOrientation(InterfaceOrientation::Portrait);
  if (window) updateStatusBarAppearance(window);
  if (completion) completion();
}

// ---- status bar

void ViewController::updateStatusBarAppearance(const Ref<Window>& window) {
  if (!window) return;
  auto c = rt::as<ViewController>(window->rootViewController());
  if (!c) return;
  // Every presentation here covers the whole screen, so the front-most one decides.
  while (c->presented_ && !c->presented_->beingPresented_) c = c->presented_;
  auto styleOwner = c;
  while (auto child = styleOwner->childViewControllerForStatusBarStyle()) styleOwner = child;
  auto hiddenOwner = c;
  while (auto child = hiddenOwner->childViewControllerForStatusBarHidden()) hiddenOwner = child;
  auto app = Application::sharedApplication();
  app->setStatusBarStyle(styleOwner->preferredStatusBarStyle(), true);
  app->setStatusBarHidden(hiddenOwner->prefersStatusBarHidden(), hiddenOwner->preferredStatusBarUpdateAnimation());
}

void ViewController::setNeedsStatusBarAppearanceUpdate() {
  Ref<Window> window = view_ ? view_->window() : nullptr;
  if (!window) window = Application::sharedApplication()->keyWindow();
  updateStatusBarAppearance(window);
}

// ---- layout guides

double ViewController::topLayoutGuideLength() {
  if (!view_) return 0;
  // The bounds' origin: a scroll view's moves with its content.
  gfx::Rect b = view_->bounds();
  double viewTop = view_->convertPointToView(b.origin, nullptr).y;
  double covered = Application::sharedApplication()->statusBarFrame().size.height;
  if (auto nav = navigationController(); nav && !nav->isNavigationBarHidden() && nav->isViewLoaded()) {
    auto bar = nav->navigationBar();
    covered = std::max(covered, bar->convertPointToView({0, bar->bounds().size.height}, nullptr).y);
  }
  return std::max(0.0, covered - viewTop);
}

double ViewController::bottomLayoutGuideLength() {
  if (!view_) return 0;
  auto tab = tabBarController();
  if (!tab || !tab->isViewLoaded() || tab->tabBar()->isHidden()) return 0;
  gfx::Rect b = view_->bounds();
  double viewBottom = view_->convertPointToView({b.origin.x, b.origin.y + b.size.height}, nullptr).y;
  double barTop = tab->tabBar()->convertPointToView({0, 0}, nullptr).y;
  return std::max(0.0, viewBottom - barTop);
}

// ---- layout

void ViewController::viewLayoutWillBegin() {
  adjustScrollViewInsets();
  viewWillLayoutSubviews();
}

void ViewController::viewLayoutDidEnd() { viewDidLayoutSubviews(); }

// The bars' overlap goes into the insets in place of what the last adjustment put there, so
// insets the controller set itself stay; a scroll view resting at its top stays there.
void ViewController::adjustScrollViewInsets() {
  if (!adjustsInsets_ || !view_) return;
  auto scroll = rt::as<ScrollView>(view_);
  if (!scroll && !view_->subviews().empty()) scroll = rt::as<ScrollView>(view_->subviews().front());
  // A child controller's scroll view is its own to adjust.
  if (!scroll || (scroll != view_ && scroll->viewController())) return;
  gfx::EdgeInsets want{edges_ & RectEdgeTop ? topLayoutGuideLength() : 0, 0,
                       edges_ & RectEdgeBottom ? bottomLayoutGuideLength() : 0, 0};
  if (want == addedInsets_) return;
  gfx::EdgeInsets inset = scroll->contentInset();
  bool atTop = scroll->contentOffset().y == -inset.top;
  inset.top += want.top - addedInsets_.top;
  inset.bottom += want.bottom - addedInsets_.bottom;
  gfx::EdgeInsets indicators = scroll->scrollIndicatorInsets();
  indicators.top += want.top - addedInsets_.top;
  indicators.bottom += want.bottom - addedInsets_.bottom;
  addedInsets_ = want;
  scroll->setContentInset(inset);
  scroll->setScrollIndicatorInsets(indicators);
  if (atTop) scroll->setContentOffset({scroll->contentOffset().x, -inset.top});
}

Ref<Responder> ViewController::nextResponder() const {
  if (view_)
    if (auto sup = view_->superview()) return sup;
  if (auto p = parentViewController()) return p;
  return presentingViewController();
}

}  // namespace ui
