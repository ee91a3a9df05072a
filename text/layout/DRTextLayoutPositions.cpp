// Text positions for points, and ranges grown from positions: the caret never stops inside
// a grapheme cluster, a colour-glyph cluster or a bound range, and takes the affinity of the
// side of the line it was found on.
#include <algorithm>
#include <cmath>
#include <limits>

#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextAttribute.h"

namespace text {

namespace {

constexpr double kNoOffset = std::numeric_limits<double>::max();
// Moves a point off an exact caret edge, so that a tap on a boundary falls on one side.
constexpr double kNudge = 1.234e-5;

bool isLineBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

Ref<DRTextPosition> at(uint64_t offset, DRTextPositionAffinity affinity = DRTextAffinityForward) {
  return DRTextPosition::positionWithOffset(static_cast<int64_t>(offset), affinity);
}

Ref<DRTextRange> span(uint64_t from, uint64_t to, DRTextPositionAffinity affinity = DRTextAffinityForward) {
  return DRTextRange::rangeWithRange(rt::Range{from, to - from}, affinity);
}

}  // namespace

// A position inside a bound range moves to an end of the binding; null when it stays.
// `lineIndex` follows the end taken.
Ref<DRTextPosition> DRTextLayout::bindingSnap(uint64_t pos, double along, uint64_t& lineIndex) const {
  // Most texts have no binding: look the value up before measuring its extent.
  if (!text_->attributeAtIndex(DRTextBindingKey, pos)) return nullptr;
  rt::Range binding;
  text_->attributeAtIndex(DRTextBindingKey, pos, &binding, rt::Range{0, text_->length()});
  if (binding.length == 0) return nullptr;
  auto start = at(binding.location);
  auto end = at(binding.end(), DRTextAffinityBackward);
  const uint64_t startLine = lineIndexForPosition(start), endLine = lineIndexForPosition(end);
  const uint64_t l = lineIndex;
  if (startLine == l && endLine == l) {
    const double so = offsetForTextPosition(binding.location, l), eo = offsetForTextPosition(binding.end(), l);
    if (so != kNoOffset && eo != kNoOffset) return std::fabs(along - so) < std::fabs(along - eo) ? start : end;
    if (so != kNoOffset) return start;
    if (eo != kNoOffset) return end;
    return at(pos);
  }
  if (startLine == l) return offsetForTextPosition(binding.location, l) != kNoOffset ? start : nullptr;
  if (endLine == l) return offsetForTextPosition(binding.end(), l) != kNoOffset ? end : nullptr;
  // The binding lies on other lines: take the end on the line nearer to this one.
  bool useEnd;
  if (startLine != rt::NotFound && endLine != rt::NotFound) {
    const auto distance = [l](uint64_t other) { return other > l ? other - l : l - other; };
    useEnd = distance(startLine) >= distance(endLine);
  } else if (startLine != rt::NotFound || endLine != rt::NotFound) {
    useEnd = endLine != rt::NotFound;
  } else {
    return nullptr;
  }
  const uint64_t line = useEnd ? endLine : startLine;
  if (offsetForTextPosition(useEnd ? binding.end() : binding.location, line) == kNoOffset) return nullptr;
  lineIndex = line;
  return useEnd ? end : start;
}

Ref<DRTextPosition> DRTextLayout::closestPositionToPoint(gfx::Point point) const {
  const bool vertical = container_->isVerticalForm();
  (vertical ? point.y : point.x) += kNudge;
  uint64_t l = closestLineIndexForPoint(point);
  if (l == rt::NotFound) return nullptr;
  const rt::String& s = text_->string();
  const uint64_t visibleStart = visibleRange_.location, visibleEnd = visibleRange_.end();
  uint64_t pos = textPositionForPoint(point, l);
  if (pos == rt::NotFound) pos = lines_[l]->range().location;
  if (pos <= visibleStart) return at(visibleStart);
  if (pos >= visibleEnd) return at(visibleEnd, DRTextAffinityBackward);
  const double along = alongOf(point);

  auto clamped = [&](const Ref<DRTextPosition>& p) {
    const auto o = static_cast<uint64_t>(std::max<int64_t>(p->offset(), 0));
    if (o < visibleStart) return at(visibleStart, p->affinity());
    if (o > visibleEnd) return at(visibleEnd, p->affinity());
    return p;
  };
  if (auto snapped = bindingSnap(pos, along, l)) return clamped(snapped);

  const auto& line = *lines_[l];
  const rt::Range r = line.range();
  // A line of nothing but its break: the caret stands at its start.
  if ((r.length == 1 && isLineBreak(s[r.location])) ||
      (r.length == 2 && s[r.location] == u'\r' && s[r.location + 1] == u'\n'))
    return at(r.location);
  if (r.length == 0)
    return at(r.location, lines_.size() >= 2 && l == lines_.size() - 1 ? DRTextAffinityBackward : DRTextAffinityForward);

  // Above the first line or below the last, the text's ends.
  if (l == 0 && (vertical ? point.x > line.right() : point.y < line.top())) return clamped(at(0));
  if (l == lines_.size() - 1 && (vertical ? point.x < line.left() : point.y > line.bottom()))
    return clamped(at(r.end(), DRTextAffinityBackward));

  // Never after the line's own break.
  if (pos + 1 >= r.end() && pos > r.location && isLineBreak(s[pos - 1])) {
    --pos;
    if (pos > r.location && isLineBreak(s[pos - 1])) --pos;
  }
  if (pos == r.location) return at(pos);
  if (pos == r.end()) return at(pos, DRTextAffinityBackward);

  // Out of a cluster, to its nearer end.
  auto nearerEnd = [&](uint64_t start, uint64_t end, double startOffset, double endOffset) {
    pos = std::fabs(along - startOffset) < std::fabs(along - endOffset) ? start : end;
  };
  insideComposedCharacterSequences(line, pos, nearerEnd);
  insideEmoji(line, pos, nearerEnd);
  pos = std::clamp(pos, visibleStart, visibleEnd);

  DRTextPositionAffinity affinity = DRTextAffinityForward;
  const double o = offsetForTextPosition(pos, l);
  if (o != kNoOffset) {
    const bool rtl = isRightToLeftInLine(line, point);
    const auto side = [](bool backward) { return backward ? DRTextAffinityBackward : DRTextAffinityForward; };
    if (pos >= r.end())
      affinity = side(!rtl);
    else if (pos <= r.location)
      affinity = side(rtl);
    else
      affinity = o < along ? side(rtl) : DRTextAffinityBackward;
  }
  return at(pos, affinity);
}

// Whether `p` lies on the same side of `other` as `old` does, without meeting it.
bool DRTextLayout::sameSideAs(const Ref<DRTextPosition>& p, const Ref<DRTextPosition>& old,
                              const Ref<DRTextPosition>& other) const {
  return p && p->compare(other) == old->compare(other) && p->offset() != other->offset();
}

Ref<DRTextPosition> DRTextLayout::positionForPoint(gfx::Point point, const Ref<DRTextPosition>& oldPosition,
                                                   const Ref<DRTextPosition>& otherPosition) const {
  if (!oldPosition || !otherPosition) return oldPosition;
  auto p = closestPositionToPoint(point);
  if (!p) return oldPosition;
  if (sameSideAs(p, oldPosition, otherPosition)) return p;
  // Across the fixed end: try the point level with the fixed end's row.
  const uint64_t otherLine = lineIndexForPosition(otherPosition);
  if (otherLine == rt::NotFound) return oldPosition;
  const bool vertical = container_->isVerticalForm();
  const DRTextRowEdge& edge = lineRowsEdge_[lines_[otherLine]->row()];
  const double middle = (edge.head + edge.foot) / 2;
  p = closestPositionToPoint(vertical ? gfx::Point{middle, point.y} : gfx::Point{point.x, middle});
  if (sameSideAs(p, oldPosition, otherPosition)) return p;
  // Still across: one step from the fixed end towards the old side.
  const bool before = oldPosition->compare(otherPosition) < 0;
  const auto direction = before ? (vertical ? ui::TextLayoutDirection::Up : ui::TextLayoutDirection::Left)
                                : (vertical ? ui::TextLayoutDirection::Down : ui::TextLayoutDirection::Right);
  auto range = textRangeByExtendingPosition(otherPosition, direction, 1);
  if (!range) return oldPosition;
  return before ? range->start() : range->end();
}

// One step from `p` towards the side of its caret that the point is on.
Ref<DRTextRange> DRTextLayout::extendTowards(const Ref<DRTextPosition>& p, uint64_t lineIndex, gfx::Point point,
                                             bool atLineStart, bool atLineEnd) const {
  const bool rtl = isRightToLeftInLine(*lines_[lineIndex], point);
  const gfx::Rect caret = caretRectForPosition(p);
  if (gfx::RectIsNull(caret)) return nullptr;
  const bool vertical = container_->isVerticalForm();
  ui::TextLayoutDirection direction;
  if (atLineEnd)
    direction = vertical ? ui::TextLayoutDirection::Up : ui::TextLayoutDirection::Left;
  else if (atLineStart)
    direction = vertical ? ui::TextLayoutDirection::Down : ui::TextLayoutDirection::Right;
  else if (vertical)
    direction = !rtl && point.y <= caret.origin.y ? ui::TextLayoutDirection::Up : ui::TextLayoutDirection::Down;
  else
    direction = point.x <= caret.origin.x && !rtl ? ui::TextLayoutDirection::Left : ui::TextLayoutDirection::Right;
  return textRangeByExtendingPosition(p, direction, 1);
}

Ref<DRTextRange> DRTextLayout::textRangeAtPoint(gfx::Point point) const {
  const uint64_t l = lineIndexForPoint(point);
  if (l == rt::NotFound || textPositionForPoint(point, l) == rt::NotFound) return nullptr;
  auto p = closestPositionToPoint(point);
  if (!p) return nullptr;
  return extendTowards(p, l, point, false, false);
}

Ref<DRTextRange> DRTextLayout::closestTextRangeAtPoint(gfx::Point point) const {
  auto p = closestPositionToPoint(point);
  if (!p) return nullptr;
  const uint64_t l = lineIndexForPosition(p);
  if (l == rt::NotFound) return nullptr;
  const rt::Range r = lines_[l]->range();
  const auto o = static_cast<uint64_t>(p->offset());
  return extendTowards(p, l, point, o <= r.location, o >= r.end());
}

Ref<DRTextRange> DRTextLayout::textRangeByExtendingPosition(const Ref<DRTextPosition>& position) const {
  if (!position || position->offset() < 0) return nullptr;
  const auto offset = static_cast<uint64_t>(position->offset());
  const uint64_t visibleStart = visibleRange_.location, visibleEnd = visibleRange_.end();
  if (offset < visibleStart || offset > visibleEnd) return nullptr;
  if (offset == visibleStart) return span(offset, offset);
  if (offset == visibleEnd) return span(offset, offset, DRTextAffinityBackward);

  // A bound range is one unit.
  if (text_->attributeAtIndex(DRTextBindingKey, offset)) {
    rt::Range binding;
    text_->attributeAtIndex(DRTextBindingKey, offset, &binding, visibleRange_);
    if (binding.length > 0 && binding.location < offset) return span(binding.location, binding.end());
  }

  const uint64_t l = lineIndexForPosition(position);
  if (l != rt::NotFound) {
    Ref<DRTextRange> cluster;
    auto take = [&](uint64_t start, uint64_t end, double, double) { cluster = span(start, end); };
    if (insideEmoji(*lines_[l], offset, take) || insideComposedCharacterSequences(*lines_[l], offset, take))
      return cluster;
  }

  const rt::String& s = text_->string();
  if (s[offset - 1] == u'\r' && s[offset] == u'\n') return span(offset - 1, offset + 1);
  if (isLineBreak(s[offset - 1]) && position->affinity() == DRTextAffinityBackward) {
    const uint64_t breakStart = offset >= 2 && s[offset - 2] == u'\r' && s[offset - 1] == u'\n' ? offset - 2 : offset - 1;
    return span(breakStart, offset);
  }
  return span(offset, offset, position->affinity());
}

Ref<DRTextRange> DRTextLayout::textRangeByExtendingPosition(const Ref<DRTextPosition>& position,
                                                            ui::TextLayoutDirection direction, int64_t offset) const {
  if (!position || position->offset() < 0) return nullptr;
  const auto at0 = static_cast<uint64_t>(position->offset());
  const uint64_t visibleStart = visibleRange_.location, visibleEnd = visibleRange_.end();
  if (at0 < visibleStart || at0 > visibleEnd) return nullptr;
  if (offset == 0) return textRangeByExtendingPosition(position);

  const bool vertical = container_->isVerticalForm();
  using D = ui::TextLayoutDirection;
  bool forward = direction == D::Down || (vertical ? direction == D::Left : direction == D::Right);
  if (offset < 0) forward = !forward;
  const uint64_t n = offset < 0 ? 0 - static_cast<uint64_t>(offset) : static_cast<uint64_t>(offset);
  if (forward && at0 == visibleEnd) return span(visibleEnd, visibleEnd, DRTextAffinityBackward);
  if (!forward && at0 == visibleStart) return span(visibleStart, visibleStart);

  auto unit = textRangeByExtendingPosition(position);
  if (!unit) return nullptr;
  const bool acrossRows = vertical ? (direction == D::Left || direction == D::Right)
                                   : (direction == D::Up || direction == D::Down);
  if (acrossRows) return extendAcrossRows(position, unit, forward, n);

  const auto u = unit->asRange();
  if (forward ? n >= visibleEnd - at0 : n >= at0 - visibleStart)
    return forward ? span(u.location, visibleEnd) : span(visibleStart, u.end());
  auto other = textRangeByExtendingPosition(at(forward ? at0 + n : at0 - n));
  if (!other) return nullptr;
  const auto o = other->asRange();
  return span(std::min(u.location, o.location), std::max(u.end(), o.end()));
}

Ref<DRTextRange> DRTextLayout::extendAcrossRows(const Ref<DRTextPosition>& position, const Ref<DRTextRange>& unit,
                                                bool forward, uint64_t rows) const {
  const auto u = unit->asRange();
  const uint64_t visibleStart = visibleRange_.location, visibleEnd = visibleRange_.end();
  uint64_t l = lineIndexForPosition(position);
  // One offset, two places: the caret at the text's end with forward affinity has no line
  // of its own, but still stands on the last one.
  if (l == rt::NotFound)
    l = lineIndexForPosition(at(static_cast<uint64_t>(position->offset()),
                                position->affinity() == DRTextAffinityForward ? DRTextAffinityBackward
                                                                              : DRTextAffinityForward));
  if (l == rt::NotFound) return nullptr;
  const uint64_t row = lines_[l]->row();
  if (!forward && rows > row) return span(visibleStart, u.end());
  if (forward && rows >= rowCount_ - row) return span(u.location, visibleEnd);
  const uint64_t target = forward ? row + rows : row - rows;

  const double t = offsetForTextPosition(static_cast<uint64_t>(position->offset()), l);
  if (t == kNoOffset) return nullptr;
  const uint64_t first = lineIndexForRow(target), count = lineCountForRow(target);
  if (first == rt::NotFound || count == 0 || count == rt::NotFound) return nullptr;
  const bool vertical = container_->isVerticalForm();
  const auto startOf = [&](const DRTextLine& line) { return vertical ? line.top() : line.left(); };
  const auto endOf = [&](const DRTextLine& line) { return vertical ? line.bottom() : line.right(); };
  uint64_t hit = rt::NotFound;
  for (uint64_t i = first; i < first + count && hit == rt::NotFound; ++i)
    if (startOf(*lines_[i]) <= t && t <= endOf(*lines_[i])) hit = i;
  if (hit == rt::NotFound) {
    // Off every piece of the row: the first piece when the offset is before it, else the last.
    uint64_t earliest = first, furthest = first;
    for (uint64_t i = first; i < first + count; ++i) {
      if (startOf(*lines_[i]) < startOf(*lines_[earliest])) earliest = i;
      if (endOf(*lines_[i]) > endOf(*lines_[furthest])) furthest = i;
    }
    hit = startOf(*lines_[earliest]) >= t ? earliest : furthest;
  }
  const auto& line = *lines_[hit];
  const gfx::Point probe = vertical ? gfx::Point{line.position().x, t} : gfx::Point{t, line.position().y};
  uint64_t moved = textPositionForPoint(probe, hit);
  if (moved == rt::NotFound) return nullptr;
  // After the line's own break is the next line's start: step back over it, whether the
  // offset fell off the row's lines or met its far end exactly.
  const rt::String& s = text_->string();
  const rt::Range r = line.range();
  if (moved == r.end() && moved > r.location && isLineBreak(s[moved - 1]))
    moved -= moved - 1 > r.location && s[moved - 2] == u'\r' && s[moved - 1] == u'\n' ? 2 : 1;
  auto other = textRangeByExtendingPosition(at(moved));
  if (!other) return nullptr;
  return forward ? DRTextRange::rangeWithStart(unit->start(), other->end())
                 : DRTextRange::rangeWithStart(other->start(), unit->end());
}

}  // namespace text
