#pragma once
// A whole attributed string itemised and shaped once: bidi levels, items of one style, level,
// script and (fallback) font, their glyphs, and per-character advances for line breaking.
// Lines are cut out of it without shaping again.
#include <memory>
#include <vector>

#include "platform/typeset/AttributedString.h"
#include "platform/typeset/RunStyle.h"

namespace typeset {

// One per glyph of a whole text, so kept small: offsets are mostly zero and never summed, so
// single precision holds them; advances add up along lines and stay double.
struct ShapedGlyph {
  uint32_t glyph = 0;
  uint32_t cluster = 0;  // UTF-16 index of the cluster's first unit
  double advance = 0;
  float xOffset = 0, yOffset = 0;
};
static_assert(sizeof(ShapedGlyph) == 24);

struct ShapedItem {
  uint32_t start = 0, end = 0;  // UTF-16 range
  uint8_t level = 0;            // bidi embedding level; odd is right-to-left
  uint32_t style = 0;           // index into ShapedText::styles
  Ref<Font> font;               // the font actually used (after fallback)
  double ascent = 0, descent = 0, leading = 0;
  uint32_t glyphStart = 0, glyphEnd = 0;  // into ShapedText::glyphs, visual order, left to right
  bool monotonic = true;                  // clusters never step back against the item's direction
  bool rightToLeft() const { return level & 1; }
};

class ShapedText {
 public:
  static std::shared_ptr<const ShapedText> build(const AttributedString& string);
  ShapedText() = default;
  ShapedText(const ShapedText&) = delete;
  ShapedText& operator=(const ShapedText&) = delete;
  ~ShapedText();

  String text;
  std::vector<RunStyle> styles;
  std::vector<uint32_t> styleStarts;  // ascending; styles[i] covers [styleStarts[i], styleStarts[i+1])
  std::vector<ShapedItem> items;      // logical order
  std::vector<ShapedGlyph> glyphs;    // all items' glyphs, item after item
  std::vector<double> advances;       // per UTF-16 unit: width of the cluster starting there
  std::vector<uint8_t> levels;        // per UTF-16 unit
  std::vector<uint8_t> paragraphLevels;  // per UTF-16 unit: the base level of its paragraph
  std::vector<uint32_t> paragraphEnds;   // ascending; each just past a separator, the last = length
  bool hasTabs = false;  // without tabs, breaking and layout need not look for their stops

  size_t length() const { return text.length(); }
  size_t itemAt(size_t index) const;
  const RunStyle& styleAt(size_t index) const;
  /// End of the paragraph holding `index` (just past its separator).
  size_t paragraphEndAt(size_t index) const;
  /// The advance of the tab at `index` whose pen stands at `x` from the paragraph's leading
  /// edge, to the next stop of its paragraph style. `following` is the width of the text after
  /// the tab up to the next tab or the line's end, which right and centred stops align.
  double tabAdvance(size_t index, double x, double following = 0) const;
  bool paragraphIsRightToLeft(size_t index) const { return index < length() && (paragraphLevels[index] & 1); }
};

/// Hard line and paragraph separators: LF, CR, NEL, U+2028, U+2029, and vertical tab and form
/// feed, which the line break rules also make mandatory breaks.
inline bool isLineSeparator(char16_t c) {
  return c == u'\n' || c == u'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029;
}
/// White space by the Unicode property (separators included).
inline bool isWhiteSpace(char16_t c) {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
         c == 0x202F || c == 0x205F || c == 0x3000;
}
/// End of the paragraph that holds `index` (just past its separator; CR LF counts as one).
size_t paragraphEnd(const String& text, size_t index);

}  // namespace typeset
