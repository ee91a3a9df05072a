#include "textview/container/DRTextLayoutChange.h"

#include <algorithm>
#include <cstdint>

#include "text/layout/DRTextContainer.h"

namespace textview {

namespace {

// Drawing that stays within each line's own band, so that lines compare one by one.
bool drawsLineByLine(const text::DRTextLayout& layout) {
  return layout.container() && !layout.container()->isVerticalForm() && !layout.truncatedLine() &&
         layout.attachments().empty() && !layout.needDrawAttachment() && !layout.needDrawBlockBorder() &&
         !layout.needDrawBackgroundBorder() && !layout.needDrawBorder() && !layout.needDrawShadow() &&
         !layout.needDrawInnerShadow();
}

bool sameObject(const rt::Object* a, const rt::Object* b) { return a == b || (a && b && a->isEqual(b)); }

// Whether line `a` of the old text and line `b` of the new one, whose characters lie `shift`
// further on, draw the same: same place and size, characters, runs, fonts and styles.
bool sameLine(const text::DRTextLine& a, const text::DRTextLine& b, int64_t shift, std::u16string_view oldText,
              std::u16string_view newText) {
  const rt::Range ra = a.range(), rb = b.range();
  if (ra.length != rb.length || int64_t(ra.location) + shift != int64_t(rb.location)) return false;
  if (!(a.position() == b.position()) || !(a.bounds() == b.bounds()) || a.ascent() != b.ascent() ||
      a.descent() != b.descent())
    return false;
  if (ra.location + ra.length > oldText.size() || rb.location + rb.length > newText.size()) return false;
  if (oldText.substr(ra.location, ra.length) != newText.substr(rb.location, rb.length)) return false;
  if (!a.CTLine() || !b.CTLine()) return a.CTLine() == b.CTLine();
  const auto& runsA = a.CTLine()->glyphRuns();
  const auto& runsB = b.CTLine()->glyphRuns();
  if (runsA.size() != runsB.size()) return false;
  for (size_t i = 0; i < runsA.size(); ++i) {
    const typeset::Run& x = *runsA[i];
    const typeset::Run& y = *runsB[i];
    if (x.glyphCount() != y.glyphCount() || x.status() != y.status() ||
        x.stringRange().length != y.stringRange().length ||
        int64_t(x.stringRange().location) + shift != int64_t(y.stringRange().location))
      return false;
    if (x.glyphCount() > 0 && !(x.glyphPosition(0) == y.glyphPosition(0))) return false;
    if (!sameObject(x.font().get(), y.font().get()) || !sameObject(x.attributes().get(), y.attributes().get()))
      return false;
  }
  return true;
}

// The band of a line across the view (and the line, whose trailing blanks may stand beyond
// it), with a line's height of room above and below for ink that leaves the line box
// (accents, swashes, underlines).
gfx::Rect lineBand(const text::DRTextLine& line, double width) {
  const double room = std::max(line.height(), line.ascent() + line.descent());
  const double left = std::min(0.0, line.left()), right = std::max(width, line.right());
  return gfx::RectMake(left, line.top() - room, right - left, line.height() + 2 * room);
}

}  // namespace

gfx::Rect changedLinesArea(const text::DRTextLayout& before, const text::DRTextLayout& after, double width) {
  if (!drawsLineByLine(before) || !drawsLineByLine(after) || !before.text() || !after.text()) return gfx::RectNull;
  const std::u16string_view oldText = before.text()->string().view();
  const std::u16string_view newText = after.text()->string().view();
  const auto& oldLines = before.lines();
  const auto& newLines = after.lines();
  const size_t common = std::min(oldLines.size(), newLines.size());
  size_t head = 0;
  while (head < common && sameLine(*oldLines[head], *newLines[head], 0, oldText, newText)) ++head;
  const int64_t shift = int64_t(newText.size()) - int64_t(oldText.size());
  size_t tail = 0;
  while (tail < common - head && sameLine(*oldLines[oldLines.size() - 1 - tail], *newLines[newLines.size() - 1 - tail],
                                          shift, oldText, newText))
    ++tail;
  gfx::Rect area = gfx::RectNull;
  auto add = [&](const std::vector<Ref<text::DRTextLine>>& lines) {
    for (size_t i = head; i + tail < lines.size(); ++i) {
      gfx::Rect band = lineBand(*lines[i], width);
      area = gfx::RectIsNull(area) ? band : gfx::RectUnion(area, band);
    }
  };
  add(oldLines);
  add(newLines);
  return gfx::RectIsNull(area) ? gfx::RectZero : area;
}

}  // namespace textview
