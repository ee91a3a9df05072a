#pragma once
// What a responder implements to take text from the keyboard and input methods: read and
// replace the text, keep the selection and the marked (still composing) text, answer
// positions, geometry and hit tests. Positions and ranges handed in may come from an older
// state of the text; an implementation corrects them against its current text. Calls that
// cannot produce a position answer null. Geometry is in the responder's own coordinates.
// Main thread only.
#include <vector>

#include "platform/foundation/values/Dictionary.h"
#include "platform/graphics/Geometry.h"
#include "platform/runtime/Ref.h"
#include "platform/runtime/String.h"
#include "platform/ui/input/text/TextInputDelegate.h"
#include "platform/ui/input/text/TextInputTraits.h"
#include "platform/ui/input/text/TextPosition.h"
#include "platform/ui/input/text/TextSelectionRect.h"

namespace ui {

class TextInputTokenizer;

/// Plain keyboard input: the least a responder needs to be typed into.
class KeyInput {
 public:
  virtual ~KeyInput() = default;
  virtual bool hasText() const = 0;
  virtual void insertText(const rt::String& text) = 0;
  virtual void deleteBackward() = 0;
};

class TextInput : public KeyInput {
 public:
  // ---- text
  virtual rt::String textInRange(const Ref<TextRange>& range) const = 0;
  virtual void replaceRange(const Ref<TextRange>& range, const rt::String& text) = 0;

  // ---- selection and marked text
  virtual Ref<TextRange> selectedTextRange() const = 0;
  /// A null range is ignored.
  virtual void setSelectedTextRange(const Ref<TextRange>& range) = 0;
  /// Null when nothing is being composed.
  virtual Ref<TextRange> markedTextRange() const = 0;
  /// Replaces the marked text (or inserts at the selection when there is none) and selects
  /// `selected`, a range within `marked`. Empty marked text ends the composition.
  virtual void setMarkedText(const rt::String& marked, rt::Range selected) = 0;
  /// Keeps the composed characters as typed text.
  virtual void unmarkText() = 0;
  /// The edits until the matching end come from input that was already waiting: the input may
  /// lay out and scroll once at the end instead of after each. Pairs nest.
  virtual void beginBatchedInput() {}
  virtual void endBatchedInput() {}
  virtual Ref<fd::Dictionary> markedTextStyle() const { return nullptr; }
  virtual void setMarkedTextStyle(const Ref<fd::Dictionary>& style) { (void)style; }

  // ---- positions
  virtual Ref<TextPosition> beginningOfDocument() const = 0;
  virtual Ref<TextPosition> endOfDocument() const = 0;
  /// Ordered; null when either is null.
  virtual Ref<TextRange> textRangeFromPosition(const Ref<TextPosition>& from, const Ref<TextPosition>& to) const {
    return rt::make<TextRange>(from, to);
  }
  /// Null when the result falls outside the text.
  virtual Ref<TextPosition> positionFromPosition(const Ref<TextPosition>& p, int64_t offset) const = 0;
  virtual Ref<TextPosition> positionFromPosition(const Ref<TextPosition>& p, TextLayoutDirection direction,
                                                 int64_t offset) const = 0;
  /// -1, 0 or 1 as TextPosition::compare.
  virtual int comparePosition(const Ref<TextPosition>& a, const Ref<TextPosition>& b) const {
    return a ? a->compare(b) : (b ? 1 : 0);
  }
  virtual int64_t offsetFromPosition(const Ref<TextPosition>& from, const Ref<TextPosition>& to) const {
    return from && to ? to->offset() - from->offset() : 0;
  }
  /// Left and up: the range's start (forward); right and down: its end (backward).
  virtual Ref<TextPosition> positionWithinRange(const Ref<TextRange>& range, TextLayoutDirection farthest) const;
  /// The range's own start or end object at those offsets, a new position inside it, null
  /// outside it.
  virtual Ref<TextPosition> positionWithinRange(const Ref<TextRange>& range, int64_t characterOffset) const;
  /// The position's offset; rt::NotFound as a signed value for a null position.
  virtual int64_t characterOffsetOfPosition(const Ref<TextPosition>& p, const Ref<TextRange>& range) const;
  virtual Ref<TextRange> characterRangeByExtendingPosition(const Ref<TextPosition>& p,
                                                           TextLayoutDirection direction) const = 0;

  // ---- writing direction
  virtual WritingDirection baseWritingDirectionForPosition(const Ref<TextPosition>& p,
                                                           TextStorageDirection direction) const = 0;
  virtual void setBaseWritingDirection(WritingDirection direction, const Ref<TextRange>& range) = 0;

  // ---- geometry and hit testing
  virtual gfx::Rect firstRectForRange(const Ref<TextRange>& range) const = 0;
  virtual gfx::Rect caretRectForPosition(const Ref<TextPosition>& p) const = 0;
  virtual std::vector<Ref<TextSelectionRect>> selectionRectsForRange(const Ref<TextRange>& range) const = 0;
  virtual Ref<TextPosition> closestPositionToPoint(gfx::Point point) const = 0;
  /// The closest position, pulled into the range.
  virtual Ref<TextPosition> closestPositionToPoint(gfx::Point point, const Ref<TextRange>& range) const;
  virtual Ref<TextRange> characterRangeAtPoint(gfx::Point point) const = 0;

  // ---- styling, traits, helpers
  /// The attributes of the character the position leans on; null when there is none.
  virtual Ref<fd::Dictionary> textStylingAtPosition(const Ref<TextPosition>& p, TextStorageDirection direction) const {
    (void)p, (void)direction;
    return nullptr;
  }
  virtual TextInputTraits textInputTraits() const { return {}; }
  virtual Weak<TextInputDelegate> inputDelegate() const = 0;
  virtual void setInputDelegate(Weak<TextInputDelegate> delegate) = 0;
  virtual Ref<TextInputTokenizer> tokenizer() const = 0;

  /// The whole text (a convenience over textInRange).
  rt::String documentText() const;
};

}  // namespace ui
