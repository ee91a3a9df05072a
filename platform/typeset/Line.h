#pragma once
// Lines: glyph runs in visual order along one baseline, with typographic bounds, caret
// offsets, hit testing, truncation and justification.
#include <memory>
#include <vector>

#include "platform/typeset/Run.h"
#include "platform/typeset/ShapedText.h"

namespace typeset {

enum class TruncationType : uint32_t { Start = 0, End = 1, Middle = 2 };

class Line : public rt::Object {
  RT_CLASS_NAMED(Line, rt::Object, "CTLine")
 public:
  // Every member has its initialiser; see Run.
  Line() {}
  /// One line of the whole string, however long.
  static Ref<Line> createWithAttributedString(const AttributedString& string);
  /// The characters in `range` of shaped text (used by the typesetter). `offset` is where the
  /// line starts from its paragraph's leading edge (its indent); tab stops count from there.
  static Ref<Line> create(std::shared_ptr<const ShapedText> text, Range range, double offset = 0);

  const std::vector<Ref<Run>>& glyphRuns() const { return runs_; }
  Range stringRange() const { return range_; }
  size_t glyphCount() const;
  /// The width (trailing whitespace included), with ascent, descent and leading.
  double typographicBounds(double* ascent, double* descent, double* leading) const;
  double width() const { return width_; }
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  double leading() const { return leading_; }
  double trailingWhitespaceWidth() const { return trailingWhitespace_; }
  /// Ink bounds relative to the line origin; the null rectangle for a line without ink.
  gfx::Rect imageBounds() const;
  /// The caret position before the character at `index`, from the line origin.
  double offsetForStringIndex(int64_t index, double* secondaryOffset = nullptr) const;
  /// The string index of the caret nearest to `position.x`.
  int64_t stringIndexForPosition(gfx::Point position) const;
  /// The pen offset that aligns the line (0 left, 0.5 centre, 1 right) in `flushWidth`.
  double penOffsetForFlush(double flushFactor, double flushWidth) const;

  /// The line cut to `width` with `token` in place of what is cut away; this line again when
  /// it fits; null when not even the token fits.
  Ref<Line> createTruncatedLine(double width, TruncationType type, const Ref<Line>& token) const;
  /// This line followed by `tail` (a hyphen, say), keeping this line's string range.
  Ref<Line> createLineAppending(const Ref<Line>& tail) const;
  /// The line stretched to `width` (factor 1 full, less than 1 partial); null when it cannot be.
  Ref<Line> createJustifiedLine(double factor, double width) const;

  /// Draws the runs with the line origin at `origin` of a y-up user space.
  void draw(gfx::Context& context, gfx::Point origin = {}) const;

  bool isRightToLeftParagraph() const { return rtl_; }

 private:
  void layOut();  // positions from advances, in the current (visual) order, and the metrics
  Ref<Line> sliceLogical(Range range) const;
  static Ref<Line> join(const std::vector<Ref<Line>>& parts, Range range, bool rtl);

  std::shared_ptr<const ShapedText> text_;
  std::vector<Ref<Run>> runs_;
  Range range_;
  double offset_ = 0;
  bool rtl_ = false;
  double width_ = 0, ascent_ = 0, descent_ = 0, leading_ = 0, trailingWhitespace_ = 0;
};

}  // namespace typeset
