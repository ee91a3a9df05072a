#pragma once
// Lines: glyph runs in visual order along one baseline, with typographic bounds, caret
// offsets, hit testing, truncation and justification.
#include <memory>
#include <vector>

#include "platform/typeset/Run.h"
#include "platform/typeset/ShapedText.h"
#include "platform/typeset/TextBoundaries.h"

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
  /// The caret position before the character at `index`, from the line origin: the leading
  /// edge of its grapheme cluster (an index inside a cluster counts as the cluster's start).
  /// `secondaryOffset` gets the trailing edge of the cluster before it when the two differ in
  /// direction (a bidi boundary), else the same offset.
  double offsetForStringIndex(int64_t index, double* secondaryOffset = nullptr) const;
  /// The string index of the caret nearest to `position.x`; always a cluster boundary.
  int64_t stringIndexForPosition(gfx::Point position) const { return stringIndexForPosition(position, nullptr); }
  /// The same, with the side the caret belongs to: backward when the position is nearer the
  /// trailing edge of the cluster before the index.
  int64_t stringIndexForPosition(gfx::Point position, TextAffinity* affinity) const;
  struct CaretEdge {
    double offset = 0;
    int64_t index = 0;  // the grapheme cluster's first character
    bool leadingEdge = true;
  };
  /// Both edges of every grapheme cluster of the line, in logical order (leading, trailing).
  std::vector<CaretEdge> caretOffsets() const;
  /// The caret stops of the line: its grapheme cluster boundaries, both ends included.
  std::vector<size_t> caretStops() const;
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
  // A grapheme cluster of the line's own text, with its left and right edges.
  struct CaretCluster {
    size_t start = 0, end = 0;
    double left = 0, right = 0;
    bool rtl = false;
    bool placed = false;
  };
  std::vector<CaretCluster> caretClusters() const;
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
