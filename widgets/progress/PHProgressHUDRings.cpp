// The spinner and the progress rings of the display.
#include <cmath>

#include "platform/graphics/BezierPath.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/layer/Transaction.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/progress/PHProgressHUDGeometry.h"

namespace widgets {

namespace {
constexpr double kRingRadius = 18;
// The faint ring's alpha, as the single-precision constant it has always been.
constexpr double kBackgroundRingAlpha = static_cast<float>(0.1);
}  // namespace

const Ref<PHIndefiniteAnimatedView>& PHProgressHUD::indefiniteAnimatedView() {
  if (!spinner_) {
    // Thickness and colour are read only here: style changes reach the spinner once the next
    // dismissal has dropped it.
    spinner_ = rt::make<PHIndefiniteAnimatedView>(gfx::RectZero);
    spinner_->setStrokeThickness(style_.ringThickness);
    spinner_->setStrokeColor(style_.foreground);
    bool hasText = stringLabel_ && !stringLabel_->text().isEmpty();
    spinner_->setRadius(hasText ? kSpinnerRadiusWithText : kSpinnerRadiusAlone);
    spinner_->sizeToFit();
  }
  return spinner_;
}

Ref<ui::ShapeLayer> PHProgressHUD::createRingLayer(gfx::Point center, double radius, double lineWidth,
                                                   const Ref<gfx::Color>& color) const {
  auto circle = gfx::BezierPath::bezierPathWithArcCenter({radius, radius}, radius, -M_PI / 2, M_PI * 3 / 2, true);
  auto ring = ui::ShapeLayer::layer();
  ring->setContentsScale(ui::Screen::mainScreen()->scale());
  ring->setFrame(gfx::RectMake(center.x - radius, center.y - radius, radius * 2, radius * 2));
  ring->setFillColor(gfx::Color::clearColor());
  ring->setStrokeColor(color);
  ring->setLineWidth(lineWidth);
  ring->setLineCap(ui::kCALineCapRound);
  ring->setLineJoin(ui::kCALineJoinBevel);
  ring->setPath(circle->CGPath());
  return ring;
}

const Ref<ui::ShapeLayer>& PHProgressHUD::ringLayer() {
  if (!ringLayer_) {
    const auto& box = hudView();
    gfx::Rect f = box->frame();
    ringLayer_ = createRingLayer({gfx::RectGetMidX(f), gfx::RectGetMidY(f)}, kRingRadius, style_.ringThickness,
                                 style_.foreground);
    box->layer()->addSublayer(ringLayer_);
  }
  return ringLayer_;
}

const Ref<ui::ShapeLayer>& PHProgressHUD::backgroundRingLayer() {
  if (!backgroundRingLayer_) {
    const auto& box = hudView();
    gfx::Rect f = box->frame();
    auto faint = style_.foreground ? style_.foreground->colorWithAlphaComponent(kBackgroundRingAlpha) : nullptr;
    backgroundRingLayer_ =
        createRingLayer({gfx::RectGetMidX(f), gfx::RectGetMidY(f)}, kRingRadius, style_.ringThickness, faint);
    backgroundRingLayer_->setStrokeEnd(1.0);
    box->layer()->addSublayer(backgroundRingLayer_);
  }
  return backgroundRingLayer_;
}

void PHProgressHUD::cancelRingLayerAnimation() {
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  if (hudView_) hudView_->layer()->removeAllAnimations();
  if (ringLayer_) {
    ringLayer_->setStrokeEnd(0);
    ringLayer_->removeFromSuperlayer();
    ringLayer_.reset();
  }
  if (backgroundRingLayer_) {
    backgroundRingLayer_->removeFromSuperlayer();
    backgroundRingLayer_.reset();
  }
  ui::Transaction::commit();
}

}  // namespace widgets
