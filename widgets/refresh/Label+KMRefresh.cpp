#include "widgets/refresh/Label+KMRefresh.h"

namespace widgets {

Ref<ui::Label> km_refreshLabel() {
  auto label = rt::make<ui::Label>();
  label->setFont(typeset::Font::systemFontOfSize(12));
  label->setTextColor(gfx::Color::colorWithRed(120 / 255.0, 120 / 255.0, 120 / 255.0, 1.0));
  label->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
  label->setTextAlignment(typeset::TextAlignment::Center);
  label->setBackgroundColor(gfx::Color::clearColor());
  return label;
}

}  // namespace widgets
