#pragma once
// One piece of a selection as drawn: a rectangle (in the coordinate space of whoever made or
// last converted it), its writing direction, and whether the selection's start or end grabber
// sits on it. Mutable, unlike positions and ranges.
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Class.h"
#include "platform/runtime/Object.h"
#include "platform/ui/input/text/TextInputTypes.h"

namespace ui {

class TextSelectionRect : public rt::Object {
  RT_CLASS_NAMED(TextSelectionRect, rt::Object, "UITextSelectionRect")
 public:
  gfx::Rect rect() const { return rect_; }
  void setRect(gfx::Rect r) { rect_ = r; }
  WritingDirection writingDirection() const { return writingDirection_; }
  void setWritingDirection(WritingDirection d) { writingDirection_ = d; }
  bool containsStart() const { return containsStart_; }
  void setContainsStart(bool b) { containsStart_ = b; }
  bool containsEnd() const { return containsEnd_; }
  void setContainsEnd(bool b) { containsEnd_ = b; }
  bool isVertical() const { return vertical_; }
  void setVertical(bool b) { vertical_ = b; }

  rt::Id copy() const override;

 protected:
  /// Copies every field into `to` (for subclasses' copies).
  void copyFieldsTo(TextSelectionRect& to) const;

 private:
  gfx::Rect rect_ = gfx::RectZero;
  // A new piece starts at zero like the rest: left-to-right.
  WritingDirection writingDirection_ = WritingDirection::LeftToRight;
  bool containsStart_ = false, containsEnd_ = false, vertical_ = false;
};

}  // namespace ui
