#pragma once
// One typeset line of a layout placed in the layout's space (origin top left, y down): its
// metrics, the bounds derived from them, its row, the attachments of its runs and, in
// vertical form, how each glyph is to stand.
#include <optional>
#include <vector>

#include "platform/typeset/Line.h"
#include "text/layout/DRTextRunGlyphRange.h"
#include "text/model/DRTextAttachment.h"

namespace text {

/// Per run of a line, in run order: the stretches of glyphs drawn alike.
using DRTextLineRotatePlan = std::vector<std::vector<Ref<DRTextRunGlyphRange>>>;

class DRTextLine : public rt::Object {
  RT_CLASS(DRTextLine, rt::Object)
 public:
  void init() {}
  /// Null for a null line.
  static Ref<DRTextLine> lineWithCTLine(const Ref<typeset::Line>& line, gfx::Point position, bool vertical);

  uint64_t index() const { return index_; }
  void setIndex(uint64_t i) { index_ = i; }
  uint64_t row() const { return row_; }
  void setRow(uint64_t r) { row_ = r; }
  /// Vertical form only; none for horizontal lines and lines without runs.
  const std::optional<DRTextLineRotatePlan>& verticalRotateRange() const { return verticalRotateRange_; }
  void setVerticalRotateRange(std::optional<DRTextLineRotatePlan> plan) { verticalRotateRange_ = std::move(plan); }

  const Ref<typeset::Line>& CTLine() const { return line_; }
  void setCTLine(const Ref<typeset::Line>& line);
  rt::Range range() const { return range_; }
  bool vertical() const { return vertical_; }
  gfx::Point position() const { return position_; }
  /// Moves the line; bounds and attachment rectangles follow.
  void setPosition(gfx::Point p);
  gfx::Rect bounds() const { return bounds_; }
  gfx::Size size() const { return bounds_.size; }
  double width() const { return bounds_.size.width; }
  double height() const { return bounds_.size.height; }
  double top() const { return bounds_.origin.y; }
  double bottom() const { return bounds_.origin.y + bounds_.size.height; }
  double left() const { return bounds_.origin.x; }
  double right() const { return bounds_.origin.x + bounds_.size.width; }
  double ascent() const { return ascent_; }
  double descent() const { return descent_; }
  double leading() const { return leading_; }
  double lineWidth() const { return lineWidth_; }
  double trailingWhitespaceWidth() const { return trailingWhitespaceWidth_; }
  /// Attachments of the line's runs with each run's string range and rectangle; empty
  /// when the line has none.
  const std::vector<Ref<DRTextAttachment>>& attachments() const { return attachments_; }
  const std::vector<rt::Range>& attachmentRanges() const { return attachmentRanges_; }
  const std::vector<gfx::Rect>& attachmentRects() const { return attachmentRects_; }

  /// A line typeset from a string of its own (a truncated line) rather than from the layout's
  /// text: that string, and where the characters it shows from the layout's text stand in it.
  /// Its attachment ranges are then given in the layout's text.
  void setOwnString(rt::String string, rt::Range shownInOwn, uint64_t shownInText);
  /// The string this line's runs index: null when that is the layout's text.
  const rt::String* ownString() const { return ownString_ ? &*ownString_ : nullptr; }
  /// A range of this line's runs as a range of the layout's text. Characters the layout's text
  /// does not hold (a truncation token) map to an empty range at the end of the shown
  /// characters they stand before or after in the line's string.
  rt::Range textRangeForRange(rt::Range r) const;

  rt::String description() const override;

 private:
  void reloadBounds();

  double firstGlyphPos_ = 0;  // x of the first glyph from the line origin
  bool vertical_ = false;
  uint64_t index_ = 0;
  uint64_t row_ = 0;
  std::optional<DRTextLineRotatePlan> verticalRotateRange_;
  Ref<typeset::Line> line_;
  double ascent_ = 0, descent_ = 0, leading_ = 0;
  double lineWidth_ = 0;
  double trailingWhitespaceWidth_ = 0;
  std::vector<Ref<DRTextAttachment>> attachments_;
  std::vector<rt::Range> attachmentRanges_;
  std::vector<gfx::Rect> attachmentRects_;
  rt::Range range_;
  std::optional<rt::String> ownString_;
  rt::Range shownInOwn_;
  uint64_t shownInText_ = 0;
  gfx::Point position_;
  gfx::Rect bounds_;
};

}  // namespace text
