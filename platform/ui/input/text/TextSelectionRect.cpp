#include "platform/ui/input/text/TextSelectionRect.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(TextSelectionRect) {
  c.protocol("NSCopying");
  c.property("rect", &TextSelectionRect::rect, &TextSelectionRect::setRect);
  c.property("containsStart", &TextSelectionRect::containsStart, &TextSelectionRect::setContainsStart);
  c.property("containsEnd", &TextSelectionRect::containsEnd, &TextSelectionRect::setContainsEnd);
  c.property("isVertical", &TextSelectionRect::isVertical, &TextSelectionRect::setVertical);
}

void TextSelectionRect::copyFieldsTo(TextSelectionRect& to) const {
  to.rect_ = rect_;
  to.writingDirection_ = writingDirection_;
  to.containsStart_ = containsStart_;
  to.containsEnd_ = containsEnd_;
  to.vertical_ = vertical_;
}

rt::Id TextSelectionRect::copy() const {
  auto r = rt::make<TextSelectionRect>();
  copyFieldsTo(*r);
  return r;
}

}  // namespace ui
