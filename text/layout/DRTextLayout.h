#pragma once
// The immutable result of laying out an attributed string (or a range of it) in a container:
// lines grouped into rows, the edges of the rows, the truncated last line, the bounding
// rectangle and size, the attachments, and the flags that tell drawing which passes to run.
// Built on any thread; once returned it never changes, so any thread may read it.
#include <functional>
#include <optional>
#include <vector>

#include "platform/foundation/values/Set.h"
#include "platform/typeset/Framesetter.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLine.h"
#include "text/model/DRTextPosition.h"

namespace text {

/// A row's extent across its lines: top and bottom y in horizontal form, right and left x in
/// vertical form.
struct DRTextRowEdge {
  double head = 0;
  double foot = 0;
};

class DRTextLayout : public rt::Object {
  RT_CLASS(DRTextLayout, rt::Object)
 public:
  void init() {}

  static Ref<DRTextLayout> layoutWithContainerSize(gfx::Size size, const Ref<typeset::AttributedString>& text);
  static Ref<DRTextLayout> layoutWithContainer(const Ref<DRTextContainer>& container,
                                               const Ref<typeset::AttributedString>& text);
  /// Null when either is null, the range ends past the text, or the typesetter fails.
  static Ref<DRTextLayout> layoutWithContainer(const Ref<DRTextContainer>& container,
                                               const Ref<typeset::AttributedString>& text, rt::Range range);
  /// One layout per container, the text flowing on from one to the next; none when the text
  /// is null, the range ends past it, or any layout fails.
  static std::optional<std::vector<Ref<DRTextLayout>>> layoutWithContainers(
      const std::vector<Ref<DRTextContainer>>& containers, const Ref<typeset::AttributedString>& text);
  static std::optional<std::vector<Ref<DRTextLayout>>> layoutWithContainers(
      const std::vector<Ref<DRTextContainer>>& containers, const Ref<typeset::AttributedString>& text, rt::Range range);

  /// The layout's own frozen copy: its setters raise.
  const Ref<DRTextContainer>& container() const { return container_; }
  const Ref<typeset::MutableAttributedString>& text() const { return text_; }
  const Ref<typeset::Framesetter>& frameSetter() const { return frameSetter_; }
  const Ref<typeset::Frame>& frame() const { return frame_; }
  /// In frame order; lines without runs are left out.
  const std::vector<Ref<DRTextLine>>& lines() const { return lines_; }
  /// Takes the place of the last line when the text was cut; null otherwise.
  const Ref<DRTextLine>& truncatedLine() const { return truncatedLine_; }
  const std::vector<Ref<DRTextAttachment>>& attachments() const { return attachments_; }
  const std::vector<rt::Range>& attachmentRanges() const { return attachmentRanges_; }
  const std::vector<gfx::Rect>& attachmentRects() const { return attachmentRects_; }
  /// The attachments' non-null contents.
  const Ref<fd::MutableSet>& attachmentContentsSet() const { return attachmentContentsSet_; }
  uint64_t rowCount() const { return rowCount_; }
  /// Index in `lines()` of the first line of each row.
  const std::vector<uint64_t>& lineRowsIndex() const { return lineRowsIndex_; }
  /// Neighbouring rows share one boundary.
  const std::vector<DRTextRowEdge>& lineRowsEdge() const { return lineRowsEdge_; }
  rt::Range visibleRange() const { return visibleRange_; }
  /// The size that holds the text and its insets, measured from the container's origin.
  gfx::Size textBoundingSize() const { return textBoundingSize_; }
  /// The union of the line bounds.
  gfx::Rect textBoundingRect() const { return textBoundingRect_; }

  // Row and line lookup; NotFound when there is none. Edges and points are in layout
  // coordinates; "along" a line is x in horizontal form and y in vertical form.
  uint64_t lineIndexForRow(uint64_t row) const;
  uint64_t lineCountForRow(uint64_t row) const;
  uint64_t rowIndexForLine(uint64_t line) const;
  /// The line whose bounds hold the point.
  uint64_t lineIndexForPoint(gfx::Point point) const;
  /// The nearest line: rows beyond the text clamp to the first or last, and within a row the
  /// line along which the point lies, else the one with the smallest gap.
  uint64_t closestLineIndexForPoint(gfx::Point point) const;
  /// The caret offset along line `lineIndex` before the character at `offset` (the line's
  /// end included), in layout coordinates; the largest finite double when there is none.
  double offsetForTextPosition(uint64_t offset, uint64_t lineIndex) const;
  /// The character offset of the caret nearest to the point on line `lineIndex`, never
  /// between an emoji and the variation selector that follows it.
  uint64_t textPositionForPoint(gfx::Point point, uint64_t lineIndex) const;
  /// The line holding the position: at a line break a backward position belongs to the line
  /// before, a forward one to the line after.
  uint64_t lineIndexForPosition(const Ref<DRTextPosition>& position) const;
  /// The baseline point of the caret at the position; the zero point when there is none.
  gfx::Point linePositionForPosition(const Ref<DRTextPosition>& position) const;
  /// A zero-width caret across the position's line; the null rectangle when there is none.
  gfx::Rect caretRectForPosition(const Ref<DRTextPosition>& position) const;

  // Positions and ranges under points, never inside a grapheme cluster or a bound range.
  /// The caret nearest to the point, with the affinity of the side it was found on.
  Ref<DRTextPosition> closestPositionToPoint(gfx::Point point) const;
  /// Where a dragged selection end (`oldPosition`) goes for the point, without crossing or
  /// meeting the fixed end (`otherPosition`).
  Ref<DRTextPosition> positionForPoint(gfx::Point point, const Ref<DRTextPosition>& oldPosition,
                                       const Ref<DRTextPosition>& otherPosition) const;
  /// The character (or cluster, or bound range) under a point on a line; null off the lines.
  Ref<DRTextRange> textRangeAtPoint(gfx::Point point) const;
  /// The character nearest to the point, wherever it is.
  Ref<DRTextRange> closestTextRangeAtPoint(gfx::Point point) const;
  /// The unit under a position: a bound range, a cluster, a line break, or the empty range.
  Ref<DRTextRange> textRangeByExtendingPosition(const Ref<DRTextPosition>& position) const;
  /// The unit under the position joined with the one `offset` characters (along the line) or
  /// rows (across) away; a negative offset turns the direction round.
  Ref<DRTextRange> textRangeByExtendingPosition(const Ref<DRTextPosition>& position, ui::TextLayoutDirection direction,
                                                int64_t offset) const;

  // Geometry of a range.
  /// Caret pieces at both ends (start first), then the filled pieces: one on a single row;
  /// otherwise the start row's, the end row's and the block between them.
  std::vector<Ref<DRTextSelectionRect>> selectionRectsForRange(const Ref<DRTextRange>& range) const;
  /// The filled pieces only, in the same order.
  std::vector<Ref<DRTextSelectionRect>> selectionRectsWithoutStartAndEndForRange(const Ref<DRTextRange>& range) const;
  /// The two caret pieces only.
  std::vector<Ref<DRTextSelectionRect>> selectionRectsWithOnlyStartAndEndForRange(const Ref<DRTextRange>& range) const;
  /// The union of the selection pieces; the null rectangle when there are none.
  gfx::Rect rectForRange(const Ref<DRTextRange>& range) const;
  /// The range's part on its first row; the null rectangle when there is none.
  gfx::Rect firstRectForRange(const Ref<DRTextRange>& range) const;

  // Helpers of the queries above.
  /// The first run of the line whose characters hold the position (on its affinity's side).
  Ref<typeset::Run> runForLine(const DRTextLine& line, const Ref<DRTextPosition>& position) const;
  /// Whether the run under the point's along-line coordinate runs right to left.
  bool isRightToLeftInLine(const DRTextLine& line, gfx::Point point) const;
  /// Receives a cluster's start and end characters and their caret offsets along the line.
  using DRTextClusterBlock = std::function<void(uint64_t start, uint64_t end, double startOffset, double endOffset)>;
  /// Whether `position` falls strictly inside a composed character sequence of the line; the
  /// block, when given, gets that sequence.
  bool insideComposedCharacterSequences(const DRTextLine& line, uint64_t position,
                                        const DRTextClusterBlock& block = nullptr) const;
  /// Whether `position` falls strictly inside one glyph of a colour-glyph run (an emoji
  /// sequence); the block, when given, gets that glyph's characters and extent.
  bool insideEmoji(const DRTextLine& line, uint64_t position, const DRTextClusterBlock& block = nullptr) const;

  bool containsHighlight() const { return containsHighlight_; }
  bool needDrawBlockBorder() const { return needDrawBlockBorder_; }
  bool needDrawBackgroundBorder() const { return needDrawBackgroundBorder_; }
  bool needDrawShadow() const { return needDrawShadow_; }
  bool needDrawUnderline() const { return needDrawUnderline_; }
  bool needDrawText() const { return needDrawText_; }
  bool needDrawAttachment() const { return needDrawAttachment_; }
  bool needDrawInnerShadow() const { return needDrawInnerShadow_; }
  bool needDrawStrikethrough() const { return needDrawStrikethrough_; }
  bool needDrawBorder() const { return needDrawBorder_; }

 private:
  bool build(const Ref<DRTextContainer>& container, const Ref<typeset::AttributedString>& text, rt::Range range);
  void noteAttributes(const typeset::AttributedString& string, rt::Range range);
  void noteAttributes(const Ref<fd::Dictionary>& attributes);
  uint64_t rowIndexForEdge(double edge) const;
  uint64_t closestRowIndexForEdge(double edge) const;
  double alongOf(gfx::Point p) const { return container_->isVerticalForm() ? p.y : p.x; }
  Ref<DRTextPosition> bindingSnap(uint64_t pos, double along, uint64_t& lineIndex) const;
  bool sameSideAs(const Ref<DRTextPosition>& p, const Ref<DRTextPosition>& old, const Ref<DRTextPosition>& other) const;
  Ref<DRTextRange> extendTowards(const Ref<DRTextPosition>& p, uint64_t lineIndex, gfx::Point point, bool atLineStart,
                                 bool atLineEnd) const;
  Ref<DRTextRange> extendAcrossRows(const Ref<DRTextPosition>& position, const Ref<DRTextRange>& unit, bool forward,
                                    uint64_t rows) const;

  bool containsHighlight_ = false;
  bool needDrawBlockBorder_ = false;
  bool needDrawBackgroundBorder_ = false;
  bool needDrawShadow_ = false;
  bool needDrawUnderline_ = false;
  bool needDrawText_ = false;
  bool needDrawAttachment_ = false;
  bool needDrawInnerShadow_ = false;
  bool needDrawStrikethrough_ = false;
  bool needDrawBorder_ = false;
  Ref<DRTextContainer> container_;
  Ref<typeset::MutableAttributedString> text_;
  Ref<typeset::Framesetter> frameSetter_;
  Ref<typeset::Frame> frame_;
  std::vector<Ref<DRTextLine>> lines_;
  Ref<DRTextLine> truncatedLine_;
  std::vector<Ref<DRTextAttachment>> attachments_;
  std::vector<rt::Range> attachmentRanges_;
  std::vector<gfx::Rect> attachmentRects_;
  Ref<fd::MutableSet> attachmentContentsSet_;
  uint64_t rowCount_ = 0;
  std::vector<uint64_t> lineRowsIndex_;
  std::vector<DRTextRowEdge> lineRowsEdge_;
  rt::Range visibleRange_;
  gfx::Size textBoundingSize_;
  gfx::Rect textBoundingRect_;
};

}  // namespace text
