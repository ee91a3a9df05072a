#include "platform/ui/controls/Slider.h"

#include <algorithm>

#include "platform/graphics/ImageContext.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Slider) {
  c.property("value", &Slider::value);
  c.property("minimumValue", &Slider::minimumValue, &Slider::setMinimumValue);
  c.property("maximumValue", &Slider::maximumValue, &Slider::setMaximumValue);
}

void Slider::setValue(double v, bool animated) {
  (void)animated;  // the thumb is drawn where the value is; there is nothing to move smoothly
  value_ = std::clamp(v, min_, std::max(min_, max_));
  setNeedsDisplay();
}

void Slider::setMinimumValue(double v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  setValue(value_);
}

void Slider::setMaximumValue(double v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  setValue(value_);
}

Ref<gfx::Image> Slider::pick(const std::map<uint64_t, Ref<gfx::Image>>& t, uint64_t state) {
  if (auto it = t.find(state); it != t.end() && it->second) return it->second;
  if (auto it = t.find(ControlStateNormal); it != t.end()) return it->second;
  return nullptr;
}

void Slider::setThumbImage(const Ref<gfx::Image>& image, uint64_t state) { thumbs_[state] = image; setNeedsDisplay(); }
Ref<gfx::Image> Slider::thumbImageForState(uint64_t state) const { return pick(thumbs_, state); }
void Slider::setMinimumTrackImage(const Ref<gfx::Image>& image, uint64_t state) { minTracks_[state] = image; setNeedsDisplay(); }
Ref<gfx::Image> Slider::minimumTrackImageForState(uint64_t state) const { return pick(minTracks_, state); }
void Slider::setMaximumTrackImage(const Ref<gfx::Image>& image, uint64_t state) { maxTracks_[state] = image; setNeedsDisplay(); }
Ref<gfx::Image> Slider::maximumTrackImageForState(uint64_t state) const { return pick(maxTracks_, state); }

gfx::Size Slider::thumbSize() const {
  if (auto t = thumbImageForState(state())) return t->size();
  return {kThumbSize, kThumbSize};
}

gfx::Rect Slider::trackRectForBounds(gfx::Rect b) const {
  return {{b.origin.x, b.origin.y + (b.size.height - kTrackHeight) / 2}, {b.size.width, kTrackHeight}};
}

gfx::Rect Slider::thumbRectForBounds(gfx::Rect b, gfx::Rect track, double value) const {
  gfx::Size t = thumbSize();
  double span = max_ > min_ ? (value - min_) / (max_ - min_) : 0;
  double x = track.origin.x + span * (track.size.width - t.width);
  return {{x, b.origin.y + (b.size.height - t.height) / 2}, t};
}

gfx::Size Slider::sizeThatFits(gfx::Size size) const { return {size.width, std::max(thumbSize().height, 31.0)}; }

void Slider::drawRect(gfx::Rect) {
  auto ctx = gfx::currentContext();
  if (!ctx) return;
  gfx::Rect b = bounds(), track = trackRectForBounds(b), thumb = thumbRectForBounds(b, track, value_);
  double split = thumb.origin.x + thumb.size.width / 2;
  gfx::Rect left{track.origin, {split - track.origin.x, track.size.height}};
  gfx::Rect right{{split, track.origin.y}, {track.origin.x + track.size.width - split, track.size.height}};
  if (auto img = minimumTrackImageForState(state())) img->drawInRect(*ctx, left);
  else ctx->setFillColor(minTint_ ? minTint_ : tintColor()), ctx->fillRect(left);
  if (auto img = maximumTrackImageForState(state())) img->drawInRect(*ctx, right);
  else ctx->setFillColor(maxTint_ ? maxTint_ : gfx::Color::colorWithWhite(0.72, 1)), ctx->fillRect(right);
  if (auto img = thumbImageForState(state())) {
    img->drawInRect(*ctx, thumb);
  } else {
    ctx->setFillColor(thumbTint_ ? thumbTint_ : gfx::Color::whiteColor());
    ctx->fillEllipseInRect(thumb);
  }
}

void Slider::moveThumbTo(Touch& touch) {
  gfx::Rect b = bounds(), track = trackRectForBounds(b);
  double usable = track.size.width - thumbSize().width;
  double x = touch.locationInView(this).x - grabOffset_ - track.origin.x - thumbSize().width / 2;
  double old = value_;
  setValue(usable > 0 ? min_ + (max_ - min_) * x / usable : min_);
  if (continuous_ && value_ != old) sendActionsForControlEvents(ControlEventValueChanged);
}

bool Slider::beginTrackingWithTouch(Touch& touch, Event*) {
  gfx::Rect b = bounds(), thumb = thumbRectForBounds(b, trackRectForBounds(b), value_);
  gfx::Point p = touch.locationInView(this);
  // Grabbing the thumb keeps it under the finger; touching the track jumps there.
  grabOffset_ = gfx::RectContainsPoint(thumb, p) ? p.x - (thumb.origin.x + thumb.size.width / 2) : 0;
  if (grabOffset_ == 0 && !gfx::RectContainsPoint(thumb, p)) moveThumbTo(touch);
  return true;
}

bool Slider::continueTrackingWithTouch(Touch& touch, Event*) {
  moveThumbTo(touch);
  return true;
}

void Slider::endTrackingWithTouch(Touch*, Event*) {
  if (!continuous_) sendActionsForControlEvents(ControlEventValueChanged);
}

}  // namespace ui
