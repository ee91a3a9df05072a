#pragma once
// The passes of layout drawing, which the entry points run in their fixed order, and what they
// share: the area, the line that stands at each index, the cancel check and run lookups.
#include <vector>

#include "platform/typeset/Line.h"
#include "platform/typeset/Run.h"
#include "text/drawing/DRTextBorderSegments.h"
#include "text/drawing/DRTextDrawingGeometry.h"
#include "text/drawing/DRTextLayout+Drawing.h"
#include "text/model/DRTextBorder.h"

namespace text {

struct DRTextDrawArea {
  const DRTextLayout& layout;
  gfx::Context& context;
  gfx::Size size;
  gfx::Point point;
  const DRTextDrawCancel& cancel;
  double scale;          // of the main screen, for pixel alignment
  bool vertical;
  double verticalOffset;  // in vertical form the text keeps to the area's right edge

  DRTextDrawArea(const DRTextLayout& layout, gfx::Context& context, gfx::Size size, gfx::Point point,
                 const DRTextDrawCancel& cancel);
  bool cancelled() const { return cancel && cancel(); }
  size_t lineCount() const { return layout.lines().size(); }
  const DRTextLine& lineAt(size_t i) const;
};

/// The line at `i`, the truncated line standing in for the line of its index.
const DRTextLine& DRTextLineAtIndex(const DRTextLayout& layout, size_t i);
/// A run's attribute of class T; null when absent or of another class.
template <class T>
Ref<T> DRTextRunAttribute(const typeset::Run& run, const char* name) {
  const auto& attrs = run.attributes();
  return attrs ? rt::as<T>(attrs->objectForKey(name)) : nullptr;
}
/// A run's text colour under either colour key, the typesetter's first; null when it has none.
Ref<gfx::Color> DRTextRunForegroundColor(const typeset::Run& run);
/// The first glyph's offset along the line; 0 for a run without glyphs.
double DRTextRunFirstGlyphX(const typeset::Run& run);
/// The characters a line's runs index: the layout's text, or the line's own string (a
/// truncated line's).
const rt::String& DRTextLineCharacters(const DRTextLayout& layout, const DRTextLine& line);
/// A run's string range lies within the characters its line indexes.
bool DRTextRunRangeIsValid(const DRTextLayout& layout, const DRTextLine& line, const typeset::Run& run);
/// The rectangle of a run in layout space: across the line from its descent to its ascent.
gfx::Rect DRTextRunRect(const DRTextLine& line, const typeset::Run& run, bool vertical, double verticalOffset);

// Glyph passes: shadows, text and inner shadows, and one run drawn under the context's text
// position, glyph by glyph where glyphs are transformed or stand in a column.
void DRTextDrawShadows(const DRTextDrawArea& area);
void DRTextDrawText(const DRTextDrawArea& area);
void DRTextDrawInnerShadows(const DRTextDrawArea& area);
void DRTextDrawRun(const DRTextDrawArea& area, const DRTextLine& line, const typeset::Run& run, size_t runIndex);

// Geometry passes.
void DRTextApplyLineKind(gfx::Context& context, DRTextLineKind kind, double width, double phase);
/// Fills and strokes a border around each rectangle, all casting the border's one shadow.
void DRTextDrawBorderRects(gfx::Context& context, const DRTextBorder& border, const std::vector<gfx::Rect>& rects,
                           bool vertical, gfx::Size size, double scale);
void DRTextDrawBorders(const DRTextDrawArea& area, DRTextBorderPass pass);
void DRTextDrawBlockBorders(const DRTextDrawArea& area);
void DRTextDrawDecorations(const DRTextDrawArea& area, DRTextDecorationType type);
/// Over every run of the line with a font: the largest x-height and thickness, the lowest
/// underline position.
DRTextDecorationMetrics DRTextDecorationMetricsForLine(const typeset::Line& line);
void DRTextDrawDebug(const DRTextDrawArea& area, const DRTextDebugOption& option);

}  // namespace text
