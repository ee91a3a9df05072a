#include "platform/typeset/Frame.h"

#include <cmath>

namespace typeset {

RT_IMPLEMENT_PLATFORM(Frame) {}

std::vector<gfx::Point> Frame::lineOrigins(Range range) const {
  size_t n = origins_.size();
  size_t lo = std::min<size_t>(range.location, n);
  size_t hi = range.length == 0 ? n : std::min<size_t>(range.end(), n);
  return std::vector<gfx::Point>(origins_.begin() + static_cast<ptrdiff_t>(lo), origins_.begin() + static_cast<ptrdiff_t>(hi));
}

void Frame::getLineOrigins(Range range, gfx::Point* origins) const {
  auto v = lineOrigins(range);
  for (size_t i = 0; i < v.size(); ++i) origins[i] = v[i];
}

void Frame::draw(gfx::Context& ctx) const {
  gfx::Rect box = path_ ? path_->boundingBox() : gfx::RectZero;
  for (size_t i = 0; i < lines_.size(); ++i) {
    gfx::Point o{box.origin.x + origins_[i].x, box.origin.y + origins_[i].y};
    if (progression_ == FrameProgression::TopToBottom) {
      lines_[i]->draw(ctx, o);
      continue;
    }
    // Columns: the line's x runs down the page, its ascent to the right.
    ctx.saveGState();
    ctx.translateCTM(o.x, o.y);
    ctx.rotateCTM(-M_PI / 2);
    lines_[i]->draw(ctx, gfx::Point{0, 0});
    ctx.restoreGState();
  }
}

}  // namespace typeset
