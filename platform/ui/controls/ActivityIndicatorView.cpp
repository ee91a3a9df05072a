#include "platform/ui/controls/ActivityIndicatorView.h"

#include <cmath>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(ActivityIndicatorView) {
  c.property("hidesWhenStopped", &ActivityIndicatorView::hidesWhenStopped, &ActivityIndicatorView::setHidesWhenStopped);
}

namespace {
constexpr double kTurnSeconds = 1.0;  // one full turn of the bright spoke
}

void ActivityIndicatorView::init(ActivityIndicatorViewStyle style) {
  style_ = style;
  gfx::Size s = intrinsicContentSize();
  init(gfx::Rect{{0, 0}, s});
}

void ActivityIndicatorView::init(gfx::Rect frame) {
  View::init(frame);
  setUserInteractionEnabled(false);
  setHidden(hidesWhenStopped_);
}

ActivityIndicatorView::~ActivityIndicatorView() {
  if (timer_) timer_->invalidate();
}

void ActivityIndicatorView::setActivityIndicatorViewStyle(ActivityIndicatorViewStyle s) {
  style_ = s;
  setNeedsDisplay();
}

Ref<gfx::Color> ActivityIndicatorView::color() const {
  if (color_) return color_;
  return style_ == ActivityIndicatorViewStyle::Gray ? gfx::Color::grayColor() : gfx::Color::whiteColor();
}

void ActivityIndicatorView::setHidesWhenStopped(bool on) {
  hidesWhenStopped_ = on;
  if (!isAnimating()) setHidden(on);
}

gfx::Size ActivityIndicatorView::intrinsicContentSize() const {
  return style_ == ActivityIndicatorViewStyle::WhiteLarge ? gfx::Size{37, 37} : gfx::Size{20, 20};
}

void ActivityIndicatorView::startAnimating() {
  if (timer_) return;
  setHidden(false);
  Weak<ActivityIndicatorView> weak = std::static_pointer_cast<ActivityIndicatorView>(self());
  timer_ = fd::Timer::timerWithTimeInterval(kTurnSeconds / kSpokes, true, [weak](fd::Timer&) {
    if (auto v = weak.lock()) {
      v->step_ = (v->step_ + 1) % kSpokes;
      v->setNeedsDisplay();
    }
  });
  fd::RunLoop::mainRunLoop()->addTimer(timer_, rt::String(fd::NSRunLoopCommonModes));
}

void ActivityIndicatorView::stopAnimating() {
  if (timer_) timer_->invalidate();
  timer_ = nullptr;
  if (hidesWhenStopped_) setHidden(true);
}

void ActivityIndicatorView::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx) return;
  gfx::Rect b = bounds();
  double r = std::min(b.size.width, b.size.height) / 2;
  double cx = b.origin.x + b.size.width / 2, cy = b.origin.y + b.size.height / 2;
  ctx->saveGState();
  ctx->setLineWidth(std::max(1.5, r / 5));
  ctx->setLineCap(gfx::LineCap::Round);
  for (int i = 0; i < kSpokes; ++i) {
    // The spoke at `step_` is brightest; the ones behind it fade.
    int age = (step_ - i + kSpokes) % kSpokes;
    ctx->setStrokeColor(color()->colorWithAlphaComponent(1.0 - 0.7 * age / (kSpokes - 1)));
    double a = 2 * M_PI * i / kSpokes - M_PI / 2;
    ctx->beginPath();
    ctx->moveToPoint(cx + std::cos(a) * r * 0.45, cy + std::sin(a) * r * 0.45);
    ctx->addLineToPoint(cx + std::cos(a) * r * 0.9, cy + std::sin(a) * r * 0.9);
    ctx->strokePath();
  }
  ctx->restoreGState();
}

}  // namespace ui
