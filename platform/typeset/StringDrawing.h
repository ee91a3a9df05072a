#pragma once
// Measuring and drawing strings the way labels, buttons and text fields do: in a y-down
// user space, lines stacked from the top of a box.
#include "platform/graphics/Context.h"
#include "platform/typeset/TextLayout.h"

namespace typeset {

/// Options of the measuring and drawing helpers, with the platform's values.
enum StringDrawingOptions : uint32_t {
  StringDrawingUsesLineFragmentOrigin = 1u << 0,
  StringDrawingUsesFontLeading = 1u << 1,
  StringDrawingUsesDeviceMetrics = 1u << 3,
  StringDrawingTruncatesLastVisibleLine = 1u << 5,
};

/// The rectangle the text occupies: with the line-fragment-origin option, lines wrapped to
/// `size.width` from the origin down (the height limits them only when truncating the last
/// visible line); without it, one line with its origin on the baseline (y = -ascent).
gfx::Rect boundingRectWithSize(const AttributedString& string, gfx::Size size, uint32_t options);
gfx::Rect boundingRectWithSize(const String& string, gfx::Size size, uint32_t options,
                               const Ref<fd::Dictionary>& attributes);
/// One line's size.
gfx::Size sizeWithAttributes(const String& string, const Ref<fd::Dictionary>& attributes);

/// A label-style layout: wrapped to `size.width`, at most `numberOfLines` lines (0: any), the
/// last visible line truncated by `lineBreakMode` when text remains.
struct LabelLayout {
  TextLayoutResult layout;
  gfx::Size size;  // used size, not rounded
  /// Baseline of the first line and of the last line, from the top.
  double firstBaseline = 0;
  double lastBaseline = 0;
};
LabelLayout layOutLabel(const AttributedString& string, gfx::Size size, int64_t numberOfLines, LineBreakMode lineBreakMode);
/// The number of lines the text needs at `width`.
size_t numberOfLines(const AttributedString& string, double width);
/// The largest point size at most the string's own (scaled by at most `minimumScaleFactor`)
/// at which its first line fits `width`; the scale to apply to the fonts.
double scaleToFitWidth(const AttributedString& string, double width, double minimumScaleFactor);

/// Draws lines from the top of `rect` in a y-down user space, clipped to the rectangle's height
/// when it is not zero.
void drawInRect(const AttributedString& string, gfx::Context& context, gfx::Rect rect,
                uint32_t options = StringDrawingUsesLineFragmentOrigin);
void drawInRect(const String& string, gfx::Context& context, gfx::Rect rect, const Ref<fd::Dictionary>& attributes);
/// Draws one line with its top left at `point` in a y-down user space.
void drawAtPoint(const AttributedString& string, gfx::Context& context, gfx::Point point);
/// Draws placed lines whose box has its top left at `origin` in a y-down user space.
void drawPlacedLines(const std::vector<PlacedLine>& lines, gfx::Context& context, gfx::Point origin);

}  // namespace typeset
