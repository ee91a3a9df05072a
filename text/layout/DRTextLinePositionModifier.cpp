#include "text/layout/DRTextLinePositionModifier.h"

#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLine.h"

namespace text {

RT_IMPLEMENT(DRTextLinePositionSimpleModifier) {
  c.property("fixedLineHeight", &DRTextLinePositionSimpleModifier::fixedLineHeight,
             &DRTextLinePositionSimpleModifier::setFixedLineHeight);
  c.protocol("NSCopying");
  c.protocol("DRTextLinePositionModifier");
}

void DRTextLinePositionSimpleModifier::modifyLines(std::vector<Ref<DRTextLine>>& lines, const Ref<typeset::AttributedString>&,
                                                   const Ref<DRTextContainer>& container) const {
  if (!container) return;
  const double h = fixedLineHeight_;
  const bool vertical = container->isVerticalForm();
  const gfx::EdgeInsets insets = container->insets();
  const gfx::Size size = container->size();
  for (const auto& line : lines) {
    gfx::Point p = line->position();
    const double row = static_cast<double>(line->row());
    // The baseline sits 0.9 of the pitch into its row.
    if (vertical)
      p.x = size.width - insets.right - row * h - 0.9 * h;
    else
      p.y = row * h + 0.9 * h + insets.top;
    line->setPosition(p);
  }
}

rt::Id DRTextLinePositionSimpleModifier::copy() const {
  auto m = create();
  m->fixedLineHeight_ = fixedLineHeight_;
  return m;
}

}  // namespace text
