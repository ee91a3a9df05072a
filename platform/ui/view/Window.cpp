#include "platform/ui/view/Window.h"

#include <cmath>

#include "platform/dispatch/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/controllers/ViewController.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Window) {
  c.property("windowLevel", &Window::windowLevel, &Window::setWindowLevel);
  c.property("keyWindow", &Window::isKeyWindow).getterName("isKeyWindow");
}

namespace {
// Taps closer than this in time and space count as one multi-tap.
constexpr double kMultiTapInterval = 0.35;
constexpr double kMultiTapDistance = 20;

void post(const char* name, Window* w) {
  fd::NotificationCenter::defaultCenter()->post(rt::String(name), w->self());
}
}  // namespace

void Window::init(gfx::Rect frame) {
  View::init(frame);
  View::setHidden(true);
  Application::sharedApplication()->registerWindow(std::static_pointer_cast<Window>(self()));
}

Window::~Window() = default;

void Window::setWindowLevel(WindowLevel level) { level_ = level; }

bool Window::isKeyWindow() const { return Application::sharedApplication()->keyWindow().get() == this; }

void Window::makeKeyWindow() {
  auto app = Application::sharedApplication();
  auto old = app->keyWindow();
  if (old.get() == this) return;
  if (old) {
    old->resignKeyWindow();
    post(UIWindowDidResignKeyNotification, old.get());
  }
  app->setKeyWindow(std::static_pointer_cast<Window>(self()));
  becomeKeyWindow();
  post(UIWindowDidBecomeKeyNotification, this);
}

void Window::makeKeyAndVisible() {
  makeKeyWindow();
  setHidden(false);
}

void Window::setHidden(bool hidden) {
  if (hidden == isHidden()) return;
  auto root = rootController();
  if (root) root->beginAppearanceTransition(!hidden, false);
  View::setHidden(hidden);
  if (!hidden) layoutIfNeeded();
  if (root) root->endAppearanceTransition();
  if (root && !hidden) ViewController::updateStatusBarAppearance(std::static_pointer_cast<Window>(self()));
  post(hidden ? UIWindowDidBecomeHiddenNotification : UIWindowDidBecomeVisibleNotification, this);
  if (hidden && isKeyWindow()) Application::sharedApplication()->setKeyWindow(nullptr);
}

void Window::setRootViewController(const rt::Id& controller, const Ref<View>& rootView) {
  if (rootView_ && rootView_ != rootView && rootView_->superview().get() == this) rootView_->removeFromSuperview();
  root_ = controller;
  rootView_ = rootView;
  if (rootView_) {
    rootView_->setFrame(bounds());
    rootView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
    insertSubviewAtIndex(rootView_, 0);
  }
}

void Window::setRootController(const Ref<ViewController>& controller) {
  auto old = rootController();
  if (old == controller && controller) return;
  bool shown = !isHidden();
  if (old && shown) old->beginAppearanceTransition(false, false);
  if (controller && shown) controller->beginAppearanceTransition(true, false);
  setRootViewController(rt::Id(controller), controller ? controller->view() : nullptr);
  if (old && shown) old->endAppearanceTransition();
  if (controller && shown) {
    controller->endAppearanceTransition();
    ViewController::updateStatusBarAppearance(std::static_pointer_cast<Window>(self()));
  }
}

Ref<ViewController> Window::rootController() const { return rt::as<ViewController>(root_); }

Ref<Screen> Window::screen() const { return Screen::mainScreen(); }

Ref<Responder> Window::nextResponder() const { return Application::sharedApplication(); }

// ---- events

void Window::sendTouches(const std::vector<Ref<Touch>>& changed) {
  auto self = std::static_pointer_cast<Window>(this->self());
  double now = dispatch::uptime();
  for (auto& t : changed) {
    t->setTimestamp(now);
    if (!t->window()) t->setWindow(self);
    if (t->phase() != TouchPhase::Began || t->view()) continue;
    gfx::Point p = t->windowLocation();
    bool again = lastTapTime_ >= 0 && now - lastTapTime_ <= kMultiTapInterval &&
                 std::hypot(p.x - lastTapPoint_.x, p.y - lastTapPoint_.y) <= kMultiTapDistance;
    t->setTapCount(again ? lastTapCount_ + 1 : 1);
    t->setView(hitTest(p, &touchRouter().event()));
  }
  touchRouter().event().setTimestamp(now);
  touchRouter().route(touchRouter().event(), changed);
  for (auto& t : changed) {
    if (t->phase() != TouchPhase::Ended) continue;
    lastTapTime_ = now;
    lastTapPoint_ = t->windowLocation();
    lastTapCount_ = t->tapCount();
  }
}

void Window::sendEvent(Event* event) {
  if (!event) return;
  if (event->type() == EventType::Touches) {
    std::vector<Ref<Touch>> changed;
    for (auto& t : event->allTouches())
      if (t->phase() != TouchPhase::Stationary) changed.push_back(t);
    sendTouches(changed);
    return;
  }
  if (event->type() == EventType::Motion) {
    Ref<Responder> r = Responder::currentFirstResponder();
    if (!r) r = std::static_pointer_cast<Responder>(self());
    r->motionBegan(event->subtype(), event);
    r->motionEnded(event->subtype(), event);
  }
}

// ---- coordinates between windows

gfx::Point Window::convertPointToWindow(gfx::Point p, const Window* window) const {
  gfx::Point screen = gfx::PointApplyTransform3D(p, transformToScreen());
  return window ? gfx::PointApplyTransform3D(screen, gfx::Transform3DInvert(window->transformToScreen())) : screen;
}

gfx::Point Window::convertPointFromWindow(gfx::Point p, const Window* window) const {
  gfx::Point screen = window ? gfx::PointApplyTransform3D(p, window->transformToScreen()) : p;
  return gfx::PointApplyTransform3D(screen, gfx::Transform3DInvert(transformToScreen()));
}

gfx::Rect Window::convertRectToWindow(gfx::Rect r, const Window* window) const {
  gfx::Point a = convertPointToWindow(r.origin, window);
  gfx::Point b = convertPointToWindow({r.origin.x + r.size.width, r.origin.y + r.size.height}, window);
  return gfx::RectStandardize({a, {b.x - a.x, b.y - a.y}});
}

gfx::Rect Window::convertRectFromWindow(gfx::Rect r, const Window* window) const {
  gfx::Point a = convertPointFromWindow(r.origin, window);
  gfx::Point b = convertPointFromWindow({r.origin.x + r.size.width, r.origin.y + r.size.height}, window);
  return gfx::RectStandardize({a, {b.x - a.x, b.y - a.y}});
}

}  // namespace ui
