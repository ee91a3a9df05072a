#include "widgets/popups/Button+QPPopup.h"

namespace widgets {

Ref<ui::Button> qp_buttonWithTarget(const rt::Id& target, ui::Control::Action action) {
  auto button = ui::Button::buttonWithType(ui::ButtonType::Custom);
  button->addTarget(target, std::move(action), ui::ControlEventTouchUpInside);
  button->setExclusiveTouch(true);
  return button;
}

}  // namespace widgets
