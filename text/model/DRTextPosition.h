#pragma once
// Places, stretches and selection pieces of rich text, as the layout and the text view speak
// of them; they are the platform's text-input values, so text input takes them as they are.
#include "platform/ui/input/text/TextPosition.h"
#include "platform/ui/input/text/TextSelectionRect.h"

namespace text {

using DRTextPositionAffinity = ui::TextAffinity;
inline constexpr DRTextPositionAffinity DRTextAffinityForward = ui::TextAffinity::Forward;
inline constexpr DRTextPositionAffinity DRTextAffinityBackward = ui::TextAffinity::Backward;

class DRTextPosition : public ui::TextPosition {
  RT_CLASS(DRTextPosition, ui::TextPosition)
 public:
  /// Exactly these values: offsets are not checked against any text.
  static Ref<DRTextPosition> positionWithOffset(int64_t offset,
                                                DRTextPositionAffinity affinity = DRTextAffinityForward);
  /// A position of this one's class with the same offset and affinity.
  rt::Id copy() const override;
};

class DRTextRange : public ui::TextRange {
  RT_CLASS(DRTextRange, ui::TextRange)
 public:
  /// An empty range at offset 0, forward.
  void init();
  /// The earlier position becomes the start; no range when either is null.
  bool init(Ref<DRTextPosition> a, Ref<DRTextPosition> b);
  void init(rt::Range range, DRTextPositionAffinity affinity = DRTextAffinityForward);

  static Ref<DRTextRange> rangeWithRange(rt::Range range, DRTextPositionAffinity affinity = DRTextAffinityForward);
  /// Null when either is null.
  static Ref<DRTextRange> rangeWithStart(const Ref<DRTextPosition>& start, const Ref<DRTextPosition>& end);
  static Ref<DRTextRange> defaultRange();

  Ref<DRTextPosition> start() const { return rt::as<DRTextPosition>(ui::TextRange::start()); }
  Ref<DRTextPosition> end() const { return rt::as<DRTextPosition>(ui::TextRange::end()); }

  /// A range of this one's class over the same two positions.
  rt::Id copy() const override;
};

class DRTextSelectionRect : public ui::TextSelectionRect {
  RT_CLASS(DRTextSelectionRect, ui::TextSelectionRect)
 public:
  /// A rect of this one's class with every field copied.
  rt::Id copy() const override;
};

}  // namespace text
