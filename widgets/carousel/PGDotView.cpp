#include "widgets/carousel/PGDotView.h"

namespace widgets {

RT_IMPLEMENT(PGDotView) {}

void PGDotView::init(gfx::Rect frame) {
  PGAbstractDotView::init(frame);
  setBackgroundColor(gfx::Color::clearColor());
  layer()->setCornerRadius(frame.size.width / 2);
  layer()->setBorderColor(gfx::Color::whiteColor());
  layer()->setBorderWidth(2);
}

void PGDotView::changeActivityState(bool active) {
  setBackgroundColor(active ? gfx::Color::whiteColor() : gfx::Color::clearColor());
}

}  // namespace widgets
