#include "platform/ui/input/text/TextInput.h"

namespace ui {

Ref<TextPosition> TextInput::positionWithinRange(const Ref<TextRange>& range, TextLayoutDirection farthest) const {
  if (!range) return nullptr;
  if (farthest == TextLayoutDirection::Left || farthest == TextLayoutDirection::Up)
    return rt::make<TextPosition>(range->start()->offset(), TextAffinity::Forward);
  return rt::make<TextPosition>(range->end()->offset(), TextAffinity::Backward);
}

Ref<TextPosition> TextInput::positionWithinRange(const Ref<TextRange>& range, int64_t offset) const {
  if (!range) return nullptr;
  if (offset < range->start()->offset() || offset > range->end()->offset()) return nullptr;
  if (offset == range->start()->offset()) return range->start();
  if (offset == range->end()->offset()) return range->end();
  return rt::make<TextPosition>(offset);
}

int64_t TextInput::characterOffsetOfPosition(const Ref<TextPosition>& p, const Ref<TextRange>&) const {
  return p ? p->offset() : static_cast<int64_t>(rt::NotFound);
}

Ref<TextPosition> TextInput::closestPositionToPoint(gfx::Point point, const Ref<TextRange>& range) const {
  Ref<TextPosition> p = closestPositionToPoint(point);
  if (!p || !range) return p;
  if (p->compare(range->start()) < 0) return range->start();
  if (p->compare(range->end()) > 0) return range->end();
  return p;
}

rt::String TextInput::documentText() const {
  return textInRange(textRangeFromPosition(beginningOfDocument(), endOfDocument()));
}

}  // namespace ui
