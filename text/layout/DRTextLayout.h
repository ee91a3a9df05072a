#pragma once
// The immutable result of laying out an attributed string (or a range of it) in a container:
// lines grouped into rows, the edges of the rows, the truncated last line, the bounding
// rectangle and size, the attachments, and the flags that tell drawing which passes to run.
// Built on any thread; once returned it never changes, so any thread may read it.
#include <optional>
#include <vector>

#include "platform/foundation/values/Set.h"
#include "platform/typeset/Framesetter.h"
#include "text/layout/DRTextContainer.h"
#include "text/layout/DRTextLine.h"

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
  uint64_t rowIndexForEdge(double edge) const;
  uint64_t closestRowIndexForEdge(double edge) const;

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
