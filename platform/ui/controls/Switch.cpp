#include "platform/ui/controls/Switch.h"

#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Switch) { c.property("on", &Switch::isOn).getterName("isOn"); }

void Switch::init(gfx::Rect frame) { Control::init(frame); }

void Switch::setFrame(gfx::Rect frame) { Control::setFrame({frame.origin, {kWidth, kHeight}}); }

void Switch::setOn(bool on, bool animated) {
  (void)animated;
  on_ = on;
  setNeedsDisplay();
}

void Switch::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx) return;
  gfx::Rect b{{0, 0}, {kWidth, kHeight}};
  double r = kHeight / 2;
  ctx->setFillColor(on_ ? (onTint_ ? onTint_ : gfx::Color::colorWithRed(0.3, 0.85, 0.39, 1))
                        : gfx::Color::colorWithWhite(0.9, 1));
  ctx->beginPath();
  ctx->addArc(r, r, r, M_PI / 2, 3 * M_PI / 2, false);
  ctx->addArc(b.size.width - r, r, r, 3 * M_PI / 2, M_PI / 2, false);
  ctx->closePath();
  ctx->fillPath();
  double knob = kHeight - 4;
  double x = on_ ? b.size.width - knob - 2 : 2;
  ctx->setFillColor(thumbTint_ ? thumbTint_ : gfx::Color::whiteColor());
  ctx->fillEllipseInRect({{x, 2}, {knob, knob}});
}

void Switch::endTrackingWithTouch(Touch*, Event*) {
  if (!isTouchInside()) return;
  setOn(!on_, true);
  sendActionsForControlEvents(ControlEventValueChanged);
}

}  // namespace ui
