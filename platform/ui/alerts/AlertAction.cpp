#include "platform/ui/alerts/AlertAction.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(AlertAction) {
  c.property("title", &AlertAction::title);
  c.property("style", &AlertAction::style);
  c.property("enabled", &AlertAction::isEnabled, &AlertAction::setEnabled);
}

void AlertAction::init(rt::String title, AlertActionStyle style, Handler handler) {
  title_ = std::move(title);
  style_ = style;
  handler_ = std::move(handler);
}

}  // namespace ui
