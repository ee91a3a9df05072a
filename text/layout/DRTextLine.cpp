#include "text/layout/DRTextLine.h"

#include <algorithm>

#include "text/layout/DRTextAttachmentLookup.h"

namespace text {

RT_IMPLEMENT(DRTextLine) {
  c.property("index", &DRTextLine::index, &DRTextLine::setIndex);
  c.property("row", &DRTextLine::row, &DRTextLine::setRow);
  c.property("position", &DRTextLine::position, &DRTextLine::setPosition);
  c.property("bounds", &DRTextLine::bounds);
}

Ref<DRTextLine> DRTextLine::lineWithCTLine(const Ref<typeset::Line>& line, gfx::Point position, bool vertical) {
  if (!line) return nullptr;
  auto l = rt::make<DRTextLine>();
  l->position_ = position;
  l->vertical_ = vertical;
  l->setCTLine(line);
  return l;
}

void DRTextLine::setCTLine(const Ref<typeset::Line>& line) {
  if (line_ == line) return;
  line_ = line;
  if (line_) {
    lineWidth_ = line_->typographicBounds(&ascent_, &descent_, &leading_);
    range_ = line_->stringRange();
    firstGlyphPos_ = 0;
    if (line_->glyphCount() >= 1)
      for (const auto& run : line_->glyphRuns())
        if (run->glyphCount()) {
          firstGlyphPos_ = run->glyphPosition(0).x;
          break;
        }
    trailingWhitespaceWidth_ = line_->trailingWhitespaceWidth();
  } else {
    lineWidth_ = ascent_ = descent_ = leading_ = trailingWhitespaceWidth_ = firstGlyphPos_ = 0;
    range_ = rt::Range{};
  }
  reloadBounds();
}

void DRTextLine::setPosition(gfx::Point p) {
  position_ = p;
  reloadBounds();
}

void DRTextLine::reloadBounds() {
  const gfx::Point p = position_;
  const double a = ascent_, d = descent_, w = lineWidth_, f = firstGlyphPos_;
  // Vertical lines run down from the position; the column spans from d left of the baseline
  // to a right of it.
  bounds_ = vertical_ ? gfx::Rect{{p.x - d, p.y + f}, {a + d, w}} : gfx::Rect{{p.x + f, p.y - a}, {w, a + d}};

  attachments_.clear();
  attachmentRanges_.clear();
  attachmentRects_.clear();
  if (!line_) return;
  for (const auto& run : line_->glyphRuns()) {
    if (run->glyphCount() == 0) continue;
    auto attachment = attachmentOfRun(*run);
    if (!attachment) continue;
    const gfx::Point q = run->glyphPosition(0);
    double ra = 0, rd = 0;
    const double rw = run->typographicBounds(rt::Range{0, 0}, &ra, &rd, nullptr);
    attachments_.push_back(attachment);
    attachmentRanges_.push_back(textRangeForRange(run->stringRange()));
    attachmentRects_.push_back(vertical_ ? gfx::Rect{{p.x + q.y - rd, p.y + q.x}, {ra + rd, rw}}
                                         : gfx::Rect{{p.x + q.x, p.y - q.y - ra}, {rw, ra + rd}});
  }
}

void DRTextLine::setOwnString(rt::String string, rt::Range shownInOwn, uint64_t shownInText) {
  ownString_ = std::move(string);
  shownInOwn_ = shownInOwn;
  shownInText_ = shownInText;
  reloadBounds();
}

rt::Range DRTextLine::textRangeForRange(rt::Range r) const {
  if (!ownString_) return r;
  const uint64_t from = shownInOwn_.location, to = shownInOwn_.end();
  const uint64_t start = std::clamp(r.location, from, to), end = std::clamp(r.end(), from, to);
  if (start == end) {
    // Wholly outside what is shown: before it or after it.
    const uint64_t at = r.end() <= from ? shownInText_ : shownInText_ + shownInOwn_.length;
    return rt::Range{at, 0};
  }
  return rt::Range{shownInText_ + (start - from), end - start};
}

rt::String DRTextLine::description() const {
  return rt::String::format("<DRTextLine: %p> row:%zd range:%tu,%tu", this, static_cast<ssize_t>(row_),
                        static_cast<size_t>(range_.location), static_cast<size_t>(range_.length)) +
         rt::String::format(" position:%@", gfx::StringFromPoint(position_)) +
         rt::String::format(" bounds:%@", gfx::StringFromRect(bounds_));
}

}  // namespace text
