#pragma once
// The page control's default dot: a ring that fills with its colour and grows on a spring when
// its page becomes current.
#include "widgets/carousel/PGAbstractDotView.h"

namespace widgets {

class PGAnimatedDotView : public PGAbstractDotView {
  RT_CLASS(PGAnimatedDotView, PGAbstractDotView)
 public:
  /// A plain dot of no size (the page control makes its dots with a frame).
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);

  Ref<gfx::Color> dotColor() const { return dotColor_; }
  /// Also the ring's colour.
  void setDotColor(Ref<gfx::Color> color);
  void changeActivityState(bool active) override;
  void animateToActiveState();
  void animateToDeactiveState();

  static constexpr double kActiveScale = 1.4;

 private:
  void initialization();
  Ref<gfx::Color> dotColor_;
};

}  // namespace widgets
