#pragma once
// The numbers behind text drawing, apart from any context: pixel alignment, insets, the dash
// patterns of line kinds, the border stroke rules, joining border segments and placing and
// snapping decoration lines.
#include <optional>
#include <vector>

#include "platform/graphics/Geometry.h"
#include "text/model/DRTextAttribute.h"

namespace text {

/// v on the nearest device pixel (halves away from zero).
double DRTextPixelRound(double v, double scale);
/// Origin and far edges on the nearest device pixels.
gfx::Rect DRTextPixelRoundRect(gfx::Rect r, double scale);
/// v on the middle of its device pixel, where a one-pixel stroke is sharp.
double DRTextPixelHalf(double v, double scale);
gfx::Rect DRTextPixelHalfRect(gfx::Rect r, double scale);

/// `r` without `insets`; in vertical form the insets turn with the text (the bottom inset
/// moves x, the left one y).
gfx::Rect DRTextRectRemovingInsets(gfx::Rect r, gfx::EdgeInsets insets, bool vertical);

/// What a line kind does to the dash of a stroke of width `width`.
struct DRTextLineDash {
  enum class Change { Clear, Set, Keep };
  Change change = Change::Keep;
  std::vector<double> lengths;
  bool round = false;  // round caps and joins
};
DRTextLineDash DRTextDashForLineKind(DRTextLineKind kind, double width);

/// How far outside its box a border's stroke is centred, and its line width.
struct DRTextBorderStroke {
  double lineWidth = 0;
  double outset = 0;
};
DRTextBorderStroke DRTextBorderStrokeFor(DRTextLineKind kind, double strokeWidth);
/// A corner radius grown by `outset`, square corners staying square.
double DRTextGrownCornerRadius(double cornerRadius, double outset);

/// Joins the rectangles of one border segment: neighbours less than a point apart across the
/// line become one rectangle spanning both along it. Zero rectangles are dropped at the end.
std::vector<gfx::Rect> DRTextMergeSegmentRects(const std::vector<gfx::Rect>& rects, bool vertical);

/// A decoration line's width for a weight: thick lines are twice as wide.
double DRTextDecorationStrokeWidth(DRTextLineKind kind, double width);
/// The cross coordinate of a decoration line of stroke width `w`, moved to where a line of a
/// whole number of pixels is sharp; unchanged when `w` is no whole number of pixels.
double DRTextSnapDecorationCross(double v, double w, double scale);

enum class DRTextDecorationType { Underline, Strikethrough };
/// A line's fonts' metrics that place its decorations.
struct DRTextDecorationMetrics {
  double xHeight = 0;
  double underlinePosition = 0;  // below the baseline is negative
  double underlineThickness = 0;
};
/// Where a decoration line of a run starts, from the line's position and the run's first
/// glyph's offset along the line.
gfx::Point DRTextDecorationStart(DRTextDecorationType type, gfx::Point linePosition, double firstGlyphX,
                                 const DRTextDecorationMetrics& m, bool vertical);

/// Shadows land in the area while their glyphs are drawn this far beyond it.
inline double DRTextShadowShift(double areaWidth) { return areaWidth + 65535; }

}  // namespace text
