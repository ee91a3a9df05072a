#include "platform/ui/alerts/AlertController.h"

#include "platform/ui/view/Screen.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(AlertController) {
  c.property("message", &AlertController::message, &AlertController::setMessage);
  c.property("preferredStyle", &AlertController::preferredStyle);
}

Ref<AlertController> AlertController::alertControllerWithTitle(const rt::String& title, const rt::String& message,
                                                               AlertControllerStyle style) {
  auto c = rt::make<AlertController>();
  c->setTitle(title);
  c->message_ = message;
  c->style_ = style;
  return c;
}

void AlertController::addAction(const Ref<AlertAction>& action) {
  if (!action) return;
  if (action->style() == AlertActionStyle::Cancel) {
    for (const auto& a : actions_)
      if (a->style() == AlertActionStyle::Cancel)
        rt::raise("NSInternalInconsistencyException",
                  "UIAlertController can only have one action with a style of UIAlertActionStyleCancel");
  }
  actions_.push_back(action);
}

std::vector<Ref<AlertAction>> AlertController::shownOrder() const {
  std::vector<Ref<AlertAction>> order;
  Ref<AlertAction> cancel;
  for (const auto& a : actions_) {
    if (a->style() == AlertActionStyle::Cancel) cancel = a;
    else order.push_back(a);
  }
  if (cancel) {
    if (actions_.size() == 2 && style_ == AlertControllerStyle::Alert) order.insert(order.begin(), cancel);
    else order.push_back(cancel);
  }
  return order;
}

void AlertController::loadView() {
  panel_ = rt::make<AlertPanelView>(Screen::mainScreen()->bounds());
  Weak<AlertController> weak = std::static_pointer_cast<AlertController>(self());
  panel_->setTapHandler([weak](size_t shown) {
    if (auto c = weak.lock()) c->tapped(shown);
  });
  setView(panel_);
}

void AlertController::viewWillAppear(bool animated) {
  ViewController::viewWillAppear(animated);
  std::vector<AlertPanelButton> buttons;
  for (const auto& a : shownOrder())
    buttons.push_back({a->title(), a->style() == AlertActionStyle::Cancel, a->style() == AlertActionStyle::Destructive});
  panel_->setContent(title(), message_, std::move(buttons));
  panel_->setPlacedAtBottom(style_ == AlertControllerStyle::ActionSheet);
}

void AlertController::tapped(size_t shownIndex) {
  auto order = shownOrder();
  if (shownIndex >= order.size() || handling_ || !order[shownIndex]->isEnabled()) return;
  handling_ = true;
  Ref<AlertAction> action = order[shownIndex];
  auto self = std::static_pointer_cast<AlertController>(this->self());
  dismissViewControllerAnimated(true, [self, action] {
    self->handling_ = false;
    if (action->handler()) action->handler()(*action);
  });
}

}  // namespace ui
