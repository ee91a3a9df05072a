#include "textview/keyboard/DRTextKeyboardManager.h"

#include <algorithm>
#include <cmath>

#include "base/system/Application+DUDer.h"
#include "base/system/Device+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/input/Keyboard.h"
#include "platform/ui/input/KeyboardNotifications.h"
#include "platform/ui/input/keyboard/KeyboardWindow.h"
#include "textview/keyboard/DRTextKeyboardGeometry.h"
#include "textview/keyboard/DRTextKeyboardViewFrameObserver.h"

namespace textview {

RT_IMPLEMENT(DRTextKeyboardManager) {
  c.method("_notifyAllObservers", &DRTextKeyboardManager::notifyAllObservers);
}

namespace {

const rt::Selector kNotifySelector = rt::Selector::named("_notifyAllObservers");

// The keyboard is tracked from the start: the shared manager is made a moment after this
// library loads, once the main queue runs.
const bool kCreationScheduled = [] {
  dispatch::MainQueue::shared().after(0.1, [] { DRTextKeyboardManager::defaultManager(); });
  return true;
}();

gfx::Rect rectFrom(const Ref<fd::Dictionary>& info, const char* key) {
  gfx::Rect r = gfx::RectZero;
  if (auto box = rt::as<fd::ValueBox>(info->objectForKey(key))) box->get(r);
  return r;
}

// A view's frame in screen coordinates: through its window when it has one.
gfx::Rect screenFrameOf(const ui::View& view) {
  gfx::Rect frame = view.frame();
  if (auto window = view.window()) {
    // The frame is in the superview's space; the window converts from its own.
    if (auto super = view.superview()) frame = super->convertRectToView(frame, nullptr);
    return window->convertRectToWindow(frame, nullptr);
  }
  return frame;
}

}  // namespace

void DRTextKeyboardManager::init() {
  (void)kCreationScheduled;
  rt::raise("DRTextKeyboardManager init error", "Use 'defaultManager' to get instance.");
}

void DRTextKeyboardManager::init(PrivateToken) {
  Weak<DRTextKeyboardManager> weak = std::static_pointer_cast<DRTextKeyboardManager>(self());
  notificationToken_ = fd::NotificationCenter::defaultCenter()->addObserverForName(
      rt::String(ui::UIKeyboardWillChangeFrameNotification), nullptr, nullptr,
      [weak](const Ref<fd::Notification>& n) {
        if (auto m = weak.lock()) m->keyboardFrameWillChange(n);
      });
}

DRTextKeyboardManager::~DRTextKeyboardManager() {
  if (notificationToken_) fd::NotificationCenter::defaultCenter()->removeObserver(notificationToken_);
}

Ref<DRTextKeyboardManager> DRTextKeyboardManager::defaultManager() {
  static const Ref<DRTextKeyboardManager> shared =
      base::isAppExtension() ? nullptr : rt::make<DRTextKeyboardManager>(PrivateToken{});
  return shared;
}

double DRTextKeyboardManager::systemVersion() {
  static const double version = base::systemVersion();
  return version;
}

void DRTextKeyboardManager::addObserver(const std::shared_ptr<DRTextKeyboardObserver>& observer) {
  if (!observer) return;
  std::erase_if(observers_, [](const auto& w) { return w.expired(); });
  for (const auto& w : observers_)
    if (w.lock() == observer) return;
  observers_.push_back(observer);
}

void DRTextKeyboardManager::removeObserver(const std::shared_ptr<DRTextKeyboardObserver>& observer) {
  if (!observer) return;
  std::erase_if(observers_, [&](const auto& w) {
    auto o = w.lock();
    return !o || o == observer;
  });
}

Ref<ui::Window> DRTextKeyboardManager::keyboardWindow() const {
  auto window = ui::Keyboard::sharedKeyboard()->keyboardWindow();
  return window && window->keyboardView() ? window : nullptr;
}

Ref<ui::View> DRTextKeyboardManager::keyboardView() const {
  auto window = ui::Keyboard::sharedKeyboard()->keyboardWindow();
  return window ? Ref<ui::View>(window->keyboardView()) : nullptr;
}

bool DRTextKeyboardManager::isKeyboardVisible() const {
  auto window = keyboardWindow();
  auto view = keyboardView();
  if (!window || !view) return false;
  gfx::Rect overlap = gfx::RectIntersection(window->bounds(), view->frame());
  if (gfx::RectIsNull(overlap) || gfx::RectIsInfinite(overlap)) return false;
  return overlap.size.width > 0 && overlap.size.height > 0;
}

gfx::Rect DRTextKeyboardManager::keyboardFrame() const {
  auto view = keyboardView();
  return view ? screenFrameOf(*view) : gfx::RectNull;
}

gfx::Rect DRTextKeyboardManager::convertRectToView(gfx::Rect rect, const ui::View* view) const {
  auto app = ui::Application::sharedApplication();
  if (!app) return gfx::RectZero;
  if (gfx::RectIsNull(rect) || gfx::RectIsInfinite(rect)) return rect;
  Ref<ui::Window> mainWindow = app->keyWindow();
  if (!mainWindow) {
    auto windows = app->windows();
    if (!windows.empty()) mainWindow = windows.front();
  }
  if (!mainWindow) return view ? view->convertRectFromView(rect, nullptr) : rect;
  rect = mainWindow->convertRectFromWindow(rect, nullptr);
  if (!view) return mainWindow->convertRectToWindow(rect, nullptr);
  if (view == mainWindow.get()) return rect;
  const ui::Window* target = dynamic_cast<const ui::Window*>(view);
  Ref<ui::Window> targetHeld;
  if (!target) {
    targetHeld = view->window();
    target = targetHeld.get();
  }
  if (!target || target == mainWindow.get()) return mainWindow->convertRectToView(rect, view);
  rect = mainWindow->convertRectToView(rect, mainWindow.get());
  rect = target->convertRectFromWindow(rect, mainWindow.get());
  return view->convertRectFromView(rect, target);
}

void DRTextKeyboardManager::keyboardFrameWillChange(const Ref<fd::Notification>& notification) {
  if (!notification || notification->name() != rt::String(ui::UIKeyboardWillChangeFrameNotification)) return;
  const auto& info = notification->userInfo();
  if (!info) return;
  attachFrameObserver();
  gfx::Rect begin = rectFrom(info, ui::UIKeyboardFrameBeginUserInfoKey);
  gfx::Rect end = rectFrom(info, ui::UIKeyboardFrameEndUserInfoKey);
  auto curve = rt::as<fd::Number>(info->objectForKey(ui::UIKeyboardAnimationCurveUserInfoKey));
  auto duration = rt::as<fd::Number>(info->objectForKey(ui::UIKeyboardAnimationDurationUserInfoKey));
  // A keyboard of no size is no news.
  if (!(end.size.width > 0 || end.size.height > 0)) return;
  notificationFromFrame_ = begin;
  notificationToFrame_ = end;
  notificationCurve_ = curve ? curve->integerValue() : 0;
  notificationDuration_ = duration ? duration->doubleValue() : 0;
  hasNotification_ = true;
  lastIsNotification_ = true;
  fd::cancelPreviousPerformRequestsWithTarget(self(), kNotifySelector, nullptr);
  // Without an animation the keyboard view still has to settle: announce on the next turn.
  if (notificationDuration_ == 0) {
    scheduleNotification();
  } else {
    notifyAllObservers();
  }
}

void DRTextKeyboardManager::attachFrameObserver() {
  auto view = keyboardView();
  if (!view || DRTextKeyboardViewFrameObserver::observerForView(view.get())) return;
  auto observer = rt::make<DRTextKeyboardViewFrameObserver>();
  Weak<DRTextKeyboardManager> weak = std::static_pointer_cast<DRTextKeyboardManager>(self());
  observer->notifyBlock = [weak](ui::View* v) {
    if (auto m = weak.lock()) m->keyboardFrameChanged(v);
  };
  observer->addToKeyboardView(view);
}

void DRTextKeyboardManager::keyboardFrameChanged(ui::View* view) {
  auto current = keyboardView();
  if (!view || view != current.get()) return;
  observedToFrame_ = screenFrameOf(*view);
  hasObservedChange_ = true;
  lastIsNotification_ = false;
  fd::cancelPreviousPerformRequestsWithTarget(self(), kNotifySelector, nullptr);
  scheduleNotification();
}

void DRTextKeyboardManager::scheduleNotification() {
  fd::performAfterDelay(self(), kNotifySelector, nullptr, 0, fd::commonPerformModes());
}

void DRTextKeyboardManager::notifyAllObservers() {
  auto app = ui::Application::sharedApplication();
  if (!app) return;
  Ref<ui::Window> window;
  if (auto view = keyboardView()) window = view->window();
  if (!window) window = app->keyWindow();
  if (!window) {
    auto windows = app->windows();
    if (!windows.empty()) window = windows.front();
  }

  if (fromFrame_.size.width == 0 && fromFrame_.size.height == 0 && window) {
    // Before anything was announced the keyboard was a strip of no height under the window.
    gfx::Rect b = window->bounds();
    fromFrame_ = {{0, b.size.height}, {b.size.width, 0}};
  }

  gfx::Rect toFrame;
  double duration = 0;
  int64_t curve = 0;
  uint64_t options = 0;
  if (lastIsNotification_ || (hasObservedChange_ && gfx::RectEqualToRect(observedToFrame_, notificationToFrame_))) {
    toFrame = notificationToFrame_;
    duration = notificationDuration_;
    curve = notificationCurve_;
    options = static_cast<uint64_t>(curve) << 16;
    int64_t orientation = static_cast<int64_t>(app->statusBarOrientation());
    if (static_cast<int>(systemVersion()) == 7 && fromOrientation_ != 0 && fromOrientation_ != orientation && window)
      toFrame = keyboardEndFrameForOrientation(toFrame, orientation, window->frame());
  } else {
    toFrame = observedToFrame_;
  }

  bool toVisible = window && keyboardFrameIsVisible(toFrame, window->bounds());

  if (!gfx::RectEqualToRect(toFrame, fromFrame_)) {
    DRTextKeyboardTransitionRecord t;
    t.fromVisible = fromVisible_;
    t.toVisible = toVisible;
    t.fromFrame = fromFrame_;
    t.toFrame = toFrame;
    t.animationDuration = duration;
    t.animationCurve = curve;
    t.animationOption = options;
    // Observers may come and go while being told.
    auto observers = observers_;
    for (const auto& w : observers)
      if (auto o = w.lock()) o->keyboardChangedWithTransition(t);
  }

  hasNotification_ = false;
  hasObservedChange_ = false;
  fromFrame_ = toFrame;
  fromVisible_ = toVisible;
  fromOrientation_ = static_cast<int64_t>(app->statusBarOrientation());
}

}  // namespace textview
