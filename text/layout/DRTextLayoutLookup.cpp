// Rows and lines under points and positions, caret offsets along lines, and what stands at
// a position of a line: its run, its direction, the cluster around it.
#include <limits>

#include "platform/typeset/FontDescriptor.h"
#include "text/layout/DRTextLayout.h"

namespace text {

namespace {

bool isColorGlyphRun(const typeset::Run& run) {
  return run.font() && (run.font()->symbolicTraits() & typeset::FontTraitColorGlyphs);
}

}  // namespace

// Rows are sorted along the progression, so a bisection finds the one holding the edge.
uint64_t DRTextLayout::rowIndexForEdge(double edge) const {
  if (lines_.empty() || rowCount_ == 0) return rt::NotFound;
  const bool vertical = container_->isVerticalForm();
  int64_t lo = 0, hi = static_cast<int64_t>(rowCount_) - 1;
  while (lo <= hi) {
    const int64_t mid = (lo + hi) / 2;
    const DRTextRowEdge& e = lineRowsEdge_[static_cast<size_t>(mid)];
    if (vertical ? (e.foot <= edge && edge <= e.head) : (e.head <= edge && edge <= e.foot)) return static_cast<uint64_t>(mid);
    if (vertical ? edge > e.head : edge < e.head)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return rt::NotFound;
}

uint64_t DRTextLayout::closestRowIndexForEdge(double edge) const {
  if (lines_.empty() || rowCount_ == 0) return rt::NotFound;
  const uint64_t row = rowIndexForEdge(edge);
  if (row != rt::NotFound) return row;
  const bool vertical = container_->isVerticalForm();
  const DRTextRowEdge& first = lineRowsEdge_.front();
  const DRTextRowEdge& last = lineRowsEdge_.back();
  if (vertical ? edge > first.head : edge < first.head) return 0;
  if (vertical ? edge < last.foot : edge > last.foot) return rowCount_ - 1;
  return rt::NotFound;
}

uint64_t DRTextLayout::lineIndexForRow(uint64_t row) const {
  if (row >= rowCount_) return rt::NotFound;
  return lineRowsIndex_[row];
}

uint64_t DRTextLayout::lineCountForRow(uint64_t row) const {
  if (row >= rowCount_) return rt::NotFound;
  if (row == rowCount_ - 1) return lines_.size() - lineRowsIndex_[row];
  return lineRowsIndex_[row + 1] - lineRowsIndex_[row];
}

uint64_t DRTextLayout::rowIndexForLine(uint64_t line) const {
  if (line >= lines_.size()) return rt::NotFound;
  return lines_[line]->row();
}

uint64_t DRTextLayout::lineIndexForPoint(gfx::Point point) const {
  if (lines_.empty() || rowCount_ == 0) return rt::NotFound;
  const uint64_t row = rowIndexForEdge(container_->isVerticalForm() ? point.x : point.y);
  if (row == rt::NotFound) return rt::NotFound;
  const uint64_t begin = lineRowsIndex_[row], count = lineCountForRow(row);
  for (uint64_t i = begin; i < begin + count; ++i)
    if (gfx::RectContainsPoint(lines_[i]->bounds(), point)) return i;
  return rt::NotFound;
}

uint64_t DRTextLayout::closestLineIndexForPoint(gfx::Point point) const {
  if (lines_.empty() || rowCount_ == 0) return rt::NotFound;
  const bool vertical = container_->isVerticalForm();
  const uint64_t row = closestRowIndexForEdge(vertical ? point.x : point.y);
  if (row == rt::NotFound) return rt::NotFound;
  const uint64_t begin = lineRowsIndex_[row], count = lineCountForRow(row);
  if (count == 1) return begin;
  const double along = vertical ? point.y : point.x;
  uint64_t best = rt::NotFound;
  double bestGap = std::numeric_limits<double>::infinity();
  for (uint64_t i = begin; i < begin + count; ++i) {
    const auto& line = lines_[i];
    const double start = vertical ? line->top() : line->left();
    const double end = vertical ? line->bottom() : line->right();
    if (start <= along && along <= end) return i;
    const double gap = along < start ? start - along : along - end;
    if (gap < bestGap) {
      bestGap = gap;
      best = i;
    }
  }
  return best;
}

double DRTextLayout::offsetForTextPosition(uint64_t offset, uint64_t lineIndex) const {
  constexpr double kNone = std::numeric_limits<double>::max();
  if (lineIndex >= lines_.size()) return kNone;
  const auto& line = lines_[lineIndex];
  const rt::Range r = line->CTLine()->stringRange();
  if (offset < r.location || offset > r.end()) return kNone;
  const double along = line->CTLine()->offsetForStringIndex(static_cast<int64_t>(offset));
  return along + (container_->isVerticalForm() ? line->position().y : line->position().x);
}

uint64_t DRTextLayout::textPositionForPoint(gfx::Point point, uint64_t lineIndex) const {
  if (lineIndex >= lines_.size()) return rt::NotFound;
  const auto& line = lines_[lineIndex];
  const bool vertical = container_->isVerticalForm();
  const double along = vertical ? point.y - line->position().y : point.x - line->position().x;
  const int64_t found = line->CTLine()->stringIndexForPosition({along, 0});
  if (found < 0) return rt::NotFound;
  uint64_t index = static_cast<uint64_t>(found);
  // An emoji followed by a variation selector is one glyph to the eye: a caret asked for
  // past its start goes after the selectors, never between.
  const rt::String& s = text_->string();
  for (const auto& run : line->CTLine()->glyphRuns()) {
    const rt::Range rr = run->stringRange();
    if (index < rr.location || index >= rr.end() || !isColorGlyphRun(*run)) continue;
    const auto& indices = run->stringIndices();
    const auto& positions = run->positions();
    for (size_t g = 0; g + 1 < indices.size(); ++g) {
      if (static_cast<uint64_t>(indices[g]) != index) continue;
      const double nextStart = positions[g + 1].x;
      if (along < nextStart) break;
      uint64_t i = static_cast<uint64_t>(indices[g + 1]);
      const uint64_t first = i;
      while (i < rr.end() && i < s.length() && (s[i] == 0xFE0E || s[i] == 0xFE0F)) ++i;
      if (i > first) index = std::min<uint64_t>(i, rr.end());
      break;
    }
    break;
  }
  return index;
}

uint64_t DRTextLayout::lineIndexForPosition(const Ref<DRTextPosition>& position) const {
  if (!position || lines_.empty() || position->offset() < 0) return rt::NotFound;
  const auto offset = static_cast<uint64_t>(position->offset());
  const bool backward = position->affinity() == DRTextAffinityBackward;
  // Lines are in text order, so a bisection by range finds the one holding the offset.
  int64_t lo = 0, hi = static_cast<int64_t>(lines_.size()) - 1;
  while (lo <= hi) {
    const int64_t mid = (lo + hi) / 2;
    const rt::Range r = lines_[static_cast<size_t>(mid)]->range();
    if (backward ? (r.location < offset && offset <= r.end()) : (r.location <= offset && offset < r.end()))
      return static_cast<uint64_t>(mid);
    if (backward ? offset <= r.location : offset < r.location)
      hi = mid - 1;
    else
      lo = mid + 1;
  }
  return rt::NotFound;
}

gfx::Point DRTextLayout::linePositionForPosition(const Ref<DRTextPosition>& position) const {
  const uint64_t index = lineIndexForPosition(position);
  if (index == rt::NotFound) return gfx::PointZero;
  const double offset = offsetForTextPosition(static_cast<uint64_t>(position->offset()), index);
  if (offset == std::numeric_limits<double>::max()) return gfx::PointZero;
  const gfx::Point p = lines_[index]->position();
  return container_->isVerticalForm() ? gfx::Point{p.x, offset} : gfx::Point{offset, p.y};
}

gfx::Rect DRTextLayout::caretRectForPosition(const Ref<DRTextPosition>& position) const {
  const uint64_t index = lineIndexForPosition(position);
  if (index == rt::NotFound) return gfx::RectNull;
  const double offset = offsetForTextPosition(static_cast<uint64_t>(position->offset()), index);
  if (offset == std::numeric_limits<double>::max()) return gfx::RectNull;
  const gfx::Rect b = lines_[index]->bounds();
  return container_->isVerticalForm() ? gfx::RectMake(b.origin.x, offset, b.size.width, 0)
                                      : gfx::RectMake(offset, b.origin.y, 0, b.size.height);
}

Ref<typeset::Run> DRTextLayout::runForLine(const DRTextLine& line, const Ref<DRTextPosition>& position) const {
  if (!position || !line.CTLine() || position->offset() < 0) return nullptr;
  const auto offset = static_cast<uint64_t>(position->offset());
  const bool backward = position->affinity() == DRTextAffinityBackward;
  for (const auto& run : line.CTLine()->glyphRuns()) {
    const rt::Range r = run->stringRange();
    if (backward ? (r.location < offset && offset <= r.end()) : (r.location <= offset && offset < r.end())) return run;
  }
  return nullptr;
}

bool DRTextLayout::isRightToLeftInLine(const DRTextLine& line, gfx::Point point) const {
  if (!line.CTLine()) return false;
  const bool vertical = container_->isVerticalForm();
  const double along = vertical ? point.y : point.x;
  const double origin = vertical ? line.position().y : line.position().x;
  for (const auto& run : line.CTLine()->glyphRuns()) {
    if (run->glyphCount() == 0) continue;
    // Glyph positions are along the line in both forms.
    const double start = origin + run->glyphPosition(0).x;
    if (start <= along && along <= start + run->width()) return run->isRightToLeft();
  }
  return false;
}

bool DRTextLayout::insideComposedCharacterSequences(const DRTextLine& line, uint64_t position,
                                                    const DRTextClusterBlock& block) const {
  const rt::Range r = line.range();
  // A line starts and ends on sequence boundaries: only an offset strictly within it can
  // split a sequence.
  if (r.length == 0 || position <= r.location || position >= r.end()) return false;
  const rt::Range seq = text_->string().rangeOfComposedCharacterSequenceAtIndex(position);
  if (seq.location >= position || seq.end() <= position) return false;
  if (block)
    block(seq.location, seq.end(), offsetForTextPosition(seq.location, line.index()),
          offsetForTextPosition(seq.end(), line.index()));
  return true;
}

bool DRTextLayout::insideEmoji(const DRTextLine& line, uint64_t position, const DRTextClusterBlock& block) const {
  if (!line.CTLine()) return false;
  for (const auto& run : line.CTLine()->glyphRuns()) {
    const rt::Range r = run->stringRange();
    if (run->glyphCount() == 0 || r.location >= position || r.length <= 1 || r.end() <= position ||
        !isColorGlyphRun(*run))
      continue;
    const auto& indices = run->stringIndices();
    const auto& positions = run->positions();
    const auto& advances = run->advances();
    for (size_t g = 0; g < indices.size(); ++g) {
      const auto start = static_cast<uint64_t>(indices[g]);
      const uint64_t end = g + 1 < indices.size() ? static_cast<uint64_t>(indices[g + 1]) : r.end();
      if (start == position) break;
      if (start < position && position < end) {
        if (block) {
          // Glyph positions run along the line in both forms; so does the extent given.
          const double from = (container_->isVerticalForm() ? line.position().y : line.position().x) + positions[g].x;
          block(start, end, from, from + advances[g].width);
        }
        return true;
      }
    }
  }
  return false;
}

}  // namespace text
