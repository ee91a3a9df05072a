#include "platform/ui/input/menu/MenuController.h"

#include <algorithm>

#include "platform/dispatch/Queue.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/input/menu/MenuWindow.h"
#include "platform/ui/view/Responder.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(MenuItem) {}
RT_IMPLEMENT_PLATFORM(MenuController) {
  c.property("menuVisible", &MenuController::isMenuVisible, &MenuController::setMenuVisible);
}

namespace {

struct Standard {
  const char* action;
  const char* title;
};
constexpr Standard kStandard[] = {
    {"cut:", "Cut"},       {"copy:", "Copy"},          {"paste:", "Paste"},
    {"select:", "Select"}, {"selectAll:", "Select All"}, {"delete:", "Delete"},
};

constexpr double kScreenMargin = 8;
constexpr double kStatusBar = 20;

}  // namespace

Ref<MenuController> MenuController::sharedMenuController() {
  static Ref<MenuController> shared = rt::make<MenuController>();
  return shared;
}

std::vector<Ref<MenuItem>> MenuController::offeredItems() const {
  std::vector<Ref<MenuItem>> out;
  auto first = Responder::currentFirstResponder();
  if (!first) return out;
  rt::Id sender = std::const_pointer_cast<rt::Object>(self());
  for (const Standard& s : kStandard) {
    rt::Selector action = rt::Selector::named(s.action);
    if (first->canPerformAction(action, sender)) out.push_back(rt::make<MenuItem>(rt::String(s.title), action));
  }
  for (const auto& item : items_) {
    auto target = first->targetForAction(item->action(), sender);
    if (target && target->canPerformAction(item->action(), sender)) out.push_back(item);
  }
  return out;
}

void MenuController::setTargetRect(gfx::Rect rect, const Ref<View>& view) {
  target_ = rect;
  targetView_ = view;
  if (visible_) layOut();
}

gfx::Rect MenuController::menuFrame() const {
  if (!visible_ || !window_) return gfx::RectZero;
  return window_->bubble()->frame();
}

void MenuController::layOut() {
  auto view = targetView_.lock();
  if (!view || !window_) return;
  auto window = view->window();
  gfx::Rect r = view->convertRectToView(target_, nullptr);
  if (window) r = window->convertRectToWindow(r, nullptr);
  auto bubble = window_->bubble();
  gfx::Size screen = window_->bounds().size;
  double width = bubble->setItems(offeredItems(), std::static_pointer_cast<MenuController>(self()),
                                  screen.width - 2 * kScreenMargin);
  double height = MenuBubbleView::kHeight + MenuBubbleView::kArrow;
  double midX = r.origin.x + r.size.width / 2;
  double x = std::clamp(midX - width / 2, kScreenMargin, std::max(kScreenMargin, screen.width - kScreenMargin - width));
  // Above the target unless there is no room there (or the arrow is asked to point up).
  bool roomAbove = r.origin.y - height >= kStatusBar;
  bool above = arrow_ == MenuControllerArrowDirection::Down ||
               (arrow_ != MenuControllerArrowDirection::Up && roomAbove);
  double y = above ? r.origin.y - height : r.origin.y + r.size.height;
  bubble->setFrame({{x, y}, {width, height}});
  bubble->setArrow(std::clamp(midX - x, MenuBubbleView::kRadius + MenuBubbleView::kArrow,
                              width - MenuBubbleView::kRadius - MenuBubbleView::kArrow),
                   above);
  bubble->layoutIfNeeded();
}

void MenuController::setMenuVisible(bool visible, bool animated) {
  auto center = fd::NotificationCenter::defaultCenter();
  uint64_t ticket = ++generation_;
  Weak<MenuController> weak = std::static_pointer_cast<MenuController>(self());
  if (visible) {
    if (visible_) return update();
    if (!targetView_.lock() || offeredItems().empty()) return;
    center->post(rt::String(UIMenuControllerWillShowMenuNotification), self());
    if (!window_) window_ = rt::make<MenuWindow>(Screen::mainScreen()->bounds());
    visible_ = true;
    layOut();
    window_->setHidden(false);
    auto bubble = window_->bubble();
    auto done = [weak, ticket](bool) {
      auto m = weak.lock();
      if (m && m->generation_ == ticket)
        fd::NotificationCenter::defaultCenter()->post(rt::String(UIMenuControllerDidShowMenuNotification), m->self());
    };
    if (animated) {
      bubble->setAlpha(0);
      ViewAnimation::animate(kAnimationDuration, [bubble] { bubble->setAlpha(1); }, done);
    } else {
      bubble->setAlpha(1);
      done(true);
    }
    return;
  }
  if (!visible_) return;
  center->post(rt::String(UIMenuControllerWillHideMenuNotification), self());
  visible_ = false;
  auto finish = [weak, ticket](bool) {
    auto m = weak.lock();
    if (!m || m->generation_ != ticket) return;
    if (m->window_) m->window_->setHidden(true);
    fd::NotificationCenter::defaultCenter()->post(rt::String(UIMenuControllerDidHideMenuNotification), m->self());
  };
  if (animated && window_) {
    auto bubble = window_->bubble();
    ViewAnimation::animate(kAnimationDuration, [bubble] { bubble->setAlpha(0); }, finish);
  } else {
    finish(true);
  }
}

void MenuController::update() {
  if (!visible_) return;
  if (offeredItems().empty()) return setMenuVisible(false, false);
  layOut();
}

void MenuController::perform(rt::Selector action) {
  rt::Id sender = self();
  if (auto first = Responder::currentFirstResponder())
    if (auto target = first->targetForAction(action, sender); target && target->canPerformAction(action, sender)) {
      std::vector<rt::Value> args;
      if (action.argumentCount() >= 1) args.push_back(rt::Value::ofObject(sender));
      target->performSelector(action, args);
    }
  setMenuVisible(false, true);
}

}  // namespace ui
