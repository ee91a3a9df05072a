#pragma once
// A plain dot for the page control: a white ring, filled white while its page is current.
#include "widgets/carousel/PGAbstractDotView.h"

namespace widgets {

class PGDotView : public PGAbstractDotView {
  RT_CLASS(PGDotView, PGAbstractDotView)
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  void changeActivityState(bool active) override;
};

}  // namespace widgets
