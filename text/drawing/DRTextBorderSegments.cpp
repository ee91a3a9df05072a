#include "text/drawing/DRTextBorderSegments.h"

#include "platform/typeset/Line.h"
#include "text/drawing/DRTextDrawingGeometry.h"
#include "text/drawing/DRTextDrawingPasses.h"

namespace text {

void DRTextEnumerateBorderSegments(const DRTextLayout& layout, DRTextBorderPass pass, double verticalOffset,
                                   const std::function<bool()>& cancel, const DRTextBorderSink& sink) {
  const char* const key = pass == DRTextBorderPass::Background ? DRTextBackgroundBorderKey : DRTextBorderKey;
  const bool vertical = layout.container()->isVerticalForm();
  const size_t lineCount = layout.lines().size();
  size_t i = 0, n = 0;  // the line, and the run of it to look at next
  bool lineStart = true;
  while (i < lineCount) {
    if (lineStart && cancel && cancel()) break;
    lineStart = false;
    const DRTextLine& first = DRTextLineAtIndex(layout, i);
    const auto& runs = first.CTLine()->glyphRuns();
    if (n >= runs.size()) {
      ++i;
      n = 0;
      lineStart = true;
      continue;
    }
    const auto& run = *runs[n];
    const auto border = run.glyphCount() > 0 ? DRTextRunAttribute<DRTextBorder>(run, key) : nullptr;
    if (!border || !DRTextRunRangeIsValid(layout, first, run)) {
      ++n;
      continue;
    }
    // The segment: runs of an equal border from here on, across lines, one rectangle per line.
    std::vector<gfx::Rect> rects;
    size_t endLine = i, endRun = n;
    bool ended = false;
    for (size_t l = i; l < lineCount && !ended; ++l) {
      const DRTextLine& line = DRTextLineAtIndex(layout, l);
      const auto& lineRuns = line.CTLine()->glyphRuns();
      gfx::Rect lineRect = gfx::RectNull;
      for (size_t r = l == i ? n : 0; r < lineRuns.size(); ++r) {
        const auto other = DRTextRunAttribute<DRTextBorder>(*lineRuns[r], key);
        if (!border->isEqual(other.get())) {
          ended = true;
          break;
        }
        lineRect = gfx::RectUnion(lineRect, DRTextRunRect(line, *lineRuns[r], vertical, verticalOffset));
        endLine = l;
        endRun = r;
      }
      if (!gfx::RectIsNull(lineRect)) rects.push_back(lineRect);
    }
    const auto merged = DRTextMergeSegmentRects(rects, vertical);
    if (!merged.empty()) sink(*border, merged);
    i = endLine;
    n = endRun + 1;
  }
}

void DRTextEnumerateBlockBorders(const DRTextLayout& layout, double verticalOffset,
                                 const std::function<bool()>& cancel, const DRTextBorderSink& sink) {
  const auto& text = *layout.text();
  const auto& container = *layout.container();
  const bool vertical = container.isVerticalForm();
  const gfx::Size size = container.size();
  const gfx::EdgeInsets insets = container.insets();
  const size_t lineCount = layout.lines().size();
  const rt::String key(DRTextBlockBorderKey);
  for (size_t i = 0; i < lineCount;) {
    if (cancel && cancel()) break;
    const DRTextLine& line = DRTextLineAtIndex(layout, i);
    Ref<DRTextBorder> border;
    for (const auto& run : line.CTLine()->glyphRuns()) {
      if (run->glyphCount() == 0) continue;
      if ((border = DRTextRunAttribute<DRTextBorder>(*run, DRTextBlockBorderKey))) break;
    }
    if (!border) {
      ++i;
      continue;
    }
    size_t start = i;
    while (start > 0 && DRTextLineAtIndex(layout, start - 1).row() == line.row()) --start;
    uint64_t row = DRTextLineAtIndex(layout, start).row();
    gfx::Rect rect = DRTextLineAtIndex(layout, start).bounds();
    size_t end = start;
    for (size_t j = start + 1; j < lineCount; ++j) {
      const DRTextLine& next = DRTextLineAtIndex(layout, j);
      if (next.row() != row) {
        // The value at the line's first character, the last one standing in past the end.
        const uint64_t at =
            std::min<uint64_t>(next.textRangeForRange(next.range()).location, text.length() ? text.length() - 1 : 0);
        const rt::Id value = text.length() ? text.attributeAtIndex(key, at) : rt::Id();
        if (!border->isEqual(value.get())) break;
        ++row;
      }
      rect = gfx::RectUnion(rect, next.bounds());
      end = j;
    }
    if (vertical) {
      rect.origin.y = insets.top;
      rect.size.height = size.height - insets.top - insets.bottom;
      rect.origin.x += verticalOffset;
    } else {
      rect.origin.x = insets.left;
      rect.size.width = size.width - insets.left - insets.right;
    }
    sink(*border, {rect});
    i = end + 1;
  }
}

}  // namespace text
