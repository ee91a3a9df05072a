#pragma once
// A selection grabber: a thin bar at one end of a selection with a round knob on one of its
// sides. The knob has a twin (its mirror) that the effect window can show above everything
// when the knob itself is clipped. Main thread only.
#include "platform/ui/view/View.h"
#include "textview/selection/DRTextSelectionGeometry.h"

namespace textview {

class DRSelectionGrabberDot : public ui::View {
  RT_CLASS(DRSelectionGrabberDot, ui::View)
 public:
  void init(gfx::Rect frame);
  /// Same size, colour and roundness as the knob; never one of the knob's subviews.
  const Ref<ui::View>& mirror() const { return mirror_; }
  void layoutSubviews() override;
  void setBackgroundColor(Ref<gfx::Color> color) override;

 private:
  Ref<ui::View> mirror_;
};

class DRSelectionGrabber : public ui::View {
  RT_CLASS(DRSelectionGrabber, ui::View)
 public:
  static constexpr double kDotSize = 10;

  void init(gfx::Rect frame);
  const Ref<DRSelectionGrabberDot>& dot() const { return dot_; }
  uint64_t dotDirection() const { return dotDirection_; }
  /// Places the knob on that side (DRTextGrabberDirection); other values take it away.
  void setDotDirection(uint64_t direction);
  const Ref<gfx::Color>& color() const { return color_; }
  void setColor(Ref<gfx::Color> color);
  /// The frame grown by the touch margins, more on the knob's side.
  gfx::Rect touchRect() const { return grabberTouchRect(frame(), dotDirection_); }
  void layoutSubviews() override;

 private:
  Ref<DRSelectionGrabberDot> dot_;
  uint64_t dotDirection_ = DRTextGrabberDirectionNone;
  Ref<gfx::Color> color_;
};

}  // namespace textview
