#pragma once
// The endless spinner of the progress display: an arc stroked by a shape layer whose visible
// stretch slides along it while a conic mask over it turns once a second.
#include "platform/graphics/Color.h"
#include "platform/ui/layer/ShapeLayer.h"
#include "platform/ui/view/View.h"

namespace widgets {

class PHIndefiniteAnimatedView : public ui::View {
  RT_CLASS(PHIndefiniteAnimatedView, ui::View)
 public:
  using ui::View::init;

  double strokeThickness() const { return strokeThickness_; }
  /// Applies to the current arc layer at once; the layer's size follows only when rebuilt.
  void setStrokeThickness(double thickness);
  double radius() const { return radius_; }
  /// Drops the arc layer; an attached spinner builds a new one (with fresh animations).
  void setRadius(double radius);
  const Ref<gfx::Color>& strokeColor() const { return strokeColor_; }
  void setStrokeColor(Ref<gfx::Color> color);

  /// The animated arc layer, built on first access.
  const Ref<ui::ShapeLayer>& indefiniteAnimatedLayer();
  /// Adds the arc layer to the view's layer, in the view's bottom-right corner (centred for
  /// a view sized to fit).
  void layoutAnimatedLayer();

  void willMoveToSuperview(ui::View* newSuperview) override;
  void setFrame(gfx::Rect frame) override;
  /// The arc's square, whatever size is offered.
  gfx::Size sizeThatFits(gfx::Size size) const override;

  /// Half the side of the arc layer: the radius plus half the stroke plus a margin for the
  /// round caps.
  double arcOffset() const { return radius_ + strokeThickness_ / 2 + 5; }

 private:
  void dropAnimatedLayer();

  double strokeThickness_ = 0;
  double radius_ = 0;
  Ref<gfx::Color> strokeColor_;
  Ref<ui::ShapeLayer> animatedLayer_;
};

}  // namespace widgets
