// The shape of a range on screen: caret pieces at both ends, then the filled pieces a
// selection highlight takes (start row, block between, end row), the bounding rectangle of a
// range and the part of it on its first row.
#include <algorithm>
#include <cmath>
#include <limits>

#include "text/layout/DRTextLayout.h"

namespace text {

namespace {

constexpr double kNoSelectionOffset = std::numeric_limits<double>::max();

double maxX(const gfx::Rect& r) { return r.origin.x + r.size.width; }
double maxY(const gfx::Rect& r) { return r.origin.y + r.size.height; }

}  // namespace

std::vector<Ref<DRTextSelectionRect>> DRTextLayout::selectionRectsForRange(const Ref<DRTextRange>& range) const {
  std::vector<Ref<DRTextSelectionRect>> rects;
  if (!range) return rects;
  const uint64_t s = lineIndexForPosition(range->start()), e = lineIndexForPosition(range->end());
  if (s == rt::NotFound || e == rt::NotFound) return rects;
  const auto& S = *lines_[std::min(s, e)];
  const auto& E = *lines_[std::max(s, e)];
  const double a = offsetForTextPosition(static_cast<uint64_t>(range->start()->offset()), S.index());
  const double b = offsetForTextPosition(static_cast<uint64_t>(range->end()->offset()), E.index());
  if (a == kNoSelectionOffset || b == kNoSelectionOffset) return rects;

  const auto& c = *container_;
  const bool vertical = c.isVerticalForm();
  auto piece = [&](gfx::Rect r) {
    auto p = rt::make<DRTextSelectionRect>();
    p->setRect(r);
    p->setVertical(vertical);
    rects.push_back(p);
    return p;
  };

  piece(vertical ? gfx::RectMake(S.left(), a, S.width(), 0) : gfx::RectMake(a, S.top(), 0, S.height()))
      ->setContainsStart(true);
  piece(vertical ? gfx::RectMake(E.left(), b, E.width(), 0) : gfx::RectMake(b, E.top(), 0, E.height()))
      ->setContainsEnd(true);

  if (S.row() == E.row()) {
    const double lo = std::min(a, b), length = std::fabs(a - b);
    piece(vertical ? gfx::RectMake(S.left(), lo, std::max(S.width(), E.width()), length)
                   : gfx::RectMake(lo, S.top(), length, std::max(S.height(), E.height())));
    return rects;
  }

  // Without a path the pieces reach the container's inner edges; with one, the lines' own.
  const bool hasPath = static_cast<bool>(c.path());
  const gfx::EdgeInsets insets = c.insets();
  const gfx::Size size = c.size();
  const double nearEdge = vertical ? insets.top : insets.left;
  const double farEdge = vertical ? size.height - insets.bottom : size.width - insets.right;
  const auto lineStart = [&](const DRTextLine& l) { return hasPath ? (vertical ? l.top() : l.left()) : nearEdge; };
  const auto lineEnd = [&](const DRTextLine& l) { return hasPath ? (vertical ? l.bottom() : l.right()) : farEdge; };
  // The piece of line `l` from `from` to `to` along it.
  const auto along = [&](const DRTextLine& l, double from, double to) {
    return vertical ? gfx::RectMake(l.left(), from, l.width(), to - from) : gfx::RectMake(from, l.top(), to - from, l.height());
  };
  const auto isRTL = [&](const DRTextLine& l, const Ref<DRTextPosition>& p) {
    auto run = runForLine(l, p);
    return run && run->isRightToLeft();
  };

  // The start row runs from the caret to where the text after it goes: the far edge in a
  // left-to-right run, the near edge in a right-to-left one; the end row the other way round.
  const bool startRTL = isRTL(S, range->start());
  auto A = piece(startRTL ? along(S, lineStart(S), a) : along(S, a, lineEnd(S)));
  if (startRTL) A->setWritingDirection(ui::WritingDirection::RightToLeft);
  const bool endRTL = isRTL(E, range->end());
  auto C = piece(endRTL ? along(E, b, lineEnd(E)) : along(E, lineStart(E), b));
  if (endRTL) C->setWritingDirection(ui::WritingDirection::RightToLeft);

  gfx::Rect ra = A->rect(), rc = C->rect();
  if (E.index() - S.index() < 2) {
    // Neighbours meet halfway across the gap (or overlap) between them.
    if (vertical) {
      const double m = (maxX(rc) + ra.origin.x) / 2;
      ra = gfx::RectMake(m, ra.origin.y, maxX(ra) - m, ra.size.height);
      rc.size.width = m - rc.origin.x;
    } else {
      const double m = (maxY(ra) + rc.origin.y) / 2;
      ra.size.height = m - ra.origin.y;
      rc = gfx::RectMake(rc.origin.x, m, rc.size.width, maxY(rc) - m);
    }
    A->setRect(ra);
    C->setRect(rc);
    return rects;
  }

  gfx::Rect between = gfx::RectNull;
  for (uint64_t i = S.index() + 1; i < E.index(); ++i) {
    const auto& l = *lines_[i];
    if (l.row() == S.row() || l.row() == E.row()) continue;
    between = gfx::RectUnion(between, l.bounds());
  }
  if (gfx::RectIsNull(between)) return rects;
  if (vertical) {
    const double y = hasPath ? between.origin.y : nearEdge;
    const double h = hasPath ? between.size.height : farEdge - nearEdge;
    piece(gfx::RectMake(maxX(rc), y, ra.origin.x - maxX(rc), h));
  } else {
    const double x = hasPath ? between.origin.x : nearEdge;
    const double w = hasPath ? between.size.width : farEdge - nearEdge;
    piece(gfx::RectMake(x, maxY(ra), w, rc.origin.y - maxY(ra)));
  }
  return rects;
}

std::vector<Ref<DRTextSelectionRect>> DRTextLayout::selectionRectsWithoutStartAndEndForRange(
    const Ref<DRTextRange>& range) const {
  auto rects = selectionRectsForRange(range);
  std::erase_if(rects, [](const Ref<DRTextSelectionRect>& r) { return r->containsStart() || r->containsEnd(); });
  return rects;
}

std::vector<Ref<DRTextSelectionRect>> DRTextLayout::selectionRectsWithOnlyStartAndEndForRange(
    const Ref<DRTextRange>& range) const {
  auto rects = selectionRectsForRange(range);
  std::erase_if(rects, [](const Ref<DRTextSelectionRect>& r) { return !r->containsStart() && !r->containsEnd(); });
  return rects;
}

gfx::Rect DRTextLayout::rectForRange(const Ref<DRTextRange>& range) const {
  gfx::Rect all = gfx::RectNull;
  for (const auto& r : selectionRectsForRange(range)) all = gfx::RectUnion(all, r->rect());
  return all;
}

gfx::Rect DRTextLayout::firstRectForRange(const Ref<DRTextRange>& range) const {
  if (!range) return gfx::RectNull;
  const uint64_t s = lineIndexForPosition(range->start()), e = lineIndexForPosition(range->end());
  if (s == rt::NotFound || e == rt::NotFound || e < s) return gfx::RectNull;
  const auto& S = *lines_[s];
  uint64_t last = s;
  while (last + 1 <= e && lines_[last + 1]->row() == S.row()) ++last;
  const double o = offsetForTextPosition(static_cast<uint64_t>(range->start()->offset()), s);
  if (o == kNoSelectionOffset) return gfx::RectNull;
  const bool vertical = container_->isVerticalForm();
  const double farEnd = vertical ? S.bottom() : S.right();
  const double t = last == s && s == e ? offsetForTextPosition(static_cast<uint64_t>(range->end()->offset()), s) : farEnd;
  if (t == kNoSelectionOffset) return gfx::RectNull;
  const double lo = std::min(o, t), length = std::fabs(o - t);
  gfx::Rect r = vertical ? gfx::RectMake(S.left(), lo, S.width(), length) : gfx::RectMake(lo, S.top(), length, S.height());
  for (uint64_t i = s + 1; i <= last; ++i) r = gfx::RectUnion(r, lines_[i]->bounds());
  return r;
}

}  // namespace text
