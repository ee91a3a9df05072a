// What text input asks without changing anything: positions and ranges, geometry and hit
// tests in the view's coordinates, styling, writing direction and traits. Queries that need
// the layout bring it up to date first.
#include <algorithm>
#include <cmath>

#include "base/graphics/Geometry+DUDer.h"
#include "platform/typeset/AttributeNames.h"
#include "text/model/AttributedString+DRText.h"
#include "text/model/DRTextAttribute.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/textview/DUDaviDira.h"

namespace textview {

namespace {

using text::DRTextPosition;
using text::DRTextRange;
using Direction = ui::TextLayoutDirection;

double roundToPixel(double value, double scale) { return std::round(value * scale) / scale; }

}  // namespace

Ref<ui::TextPosition> DUDaviDira::beginningOfDocument() const { return DRTextPosition::positionWithOffset(0); }

Ref<ui::TextPosition> DUDaviDira::endOfDocument() const {
  return DRTextPosition::positionWithOffset(static_cast<int64_t>(innerText_->length()));
}

Ref<ui::TextRange> DUDaviDira::textRangeFromPosition(const Ref<ui::TextPosition>& from,
                                                     const Ref<ui::TextPosition>& to) const {
  return DRTextRange::rangeWithStart(textPositionFrom(from), textPositionFrom(to));
}

Ref<ui::TextPosition> DUDaviDira::positionFromPosition(const Ref<ui::TextPosition>& position, int64_t offset) const {
  if (!position) return nullptr;
  if (offset == 0) return position;
  const auto length = static_cast<int64_t>(innerText_->length());
  int64_t target = position->offset() + offset;
  if (target < 0 || target > length) return nullptr;
  if (target > 0 && target < length) {
    // Never stop inside a bound range or inside a character as a reader sees it (the font may
    // draw several as one glyph, so the layout's units are not asked).
    auto at = static_cast<uint64_t>(target);
    rt::Range bound;
    if (innerText_->attributeAtIndex(rt::String(text::DRTextBindingKey), at, &bound, {0, innerText_->length()}) &&
        bound.location < at)
      at = offset < 0 ? bound.location : bound.end();
    const rt::String& s = innerText_->string();
    target = static_cast<int64_t>(offset < 0 ? clusterStartAtOrBefore(s, at) : clusterEndAtOrAfter(s, at));
  }
  return correctedTextPosition(DRTextPosition::positionWithOffset(target));
}

Ref<ui::TextPosition> DUDaviDira::positionFromPosition(const Ref<ui::TextPosition>& position, Direction direction,
                                                       int64_t offset) const {
  auto from = correctedTextPosition(textPositionFrom(position));
  if (!from) return nullptr;
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  auto range = innerLayout_ ? innerLayout_->textRangeByExtendingPosition(from, direction, offset) : nullptr;
  if (!range) return nullptr;
  bool towardsEnd = verticalForm_ ? (direction == Direction::Left || direction == Direction::Down)
                                  : (direction == Direction::Right || direction == Direction::Down);
  int64_t target = towardsEnd ? range->end()->offset() : range->start()->offset();
  const auto length = static_cast<int64_t>(innerText_->length());
  if (target > length) return correctedTextPosition(DRTextPosition::positionWithOffset(length, text::DRTextAffinityBackward));
  if (target > 0) {
    const rt::String& s = innerText_->string();
    auto at = static_cast<uint64_t>(target);
    target = static_cast<int64_t>(towardsEnd ? clusterEndAtOrAfter(s, at) : clusterStartAtOrBefore(s, at));
  }
  return correctedTextPosition(DRTextPosition::positionWithOffset(target));
}

Ref<ui::TextPosition> DUDaviDira::positionWithinRange(const Ref<ui::TextRange>& range, Direction farthest) const {
  if (!range) return nullptr;
  if (farthest == Direction::Left || farthest == Direction::Up)
    return DRTextPosition::positionWithOffset(range->start()->offset());
  return DRTextPosition::positionWithOffset(range->end()->offset(), text::DRTextAffinityBackward);
}

Ref<ui::TextPosition> DUDaviDira::positionWithinRange(const Ref<ui::TextRange>& given, int64_t offset) const {
  auto range = textRangeFrom(given);
  if (!range) return nullptr;
  if (offset < range->start()->offset() || offset > range->end()->offset()) return nullptr;
  if (offset == range->start()->offset()) return range->start();
  if (offset == range->end()->offset()) return range->end();
  return DRTextPosition::positionWithOffset(offset);
}

int64_t DUDaviDira::characterOffsetOfPosition(const Ref<ui::TextPosition>& position,
                                              const Ref<ui::TextRange>& range) const {
  if (!position) return static_cast<int64_t>(rt::NotFound);
  return position->offset() - (range ? range->start()->offset() : 0);
}

Ref<ui::TextRange> DUDaviDira::characterRangeByExtendingPosition(const Ref<ui::TextPosition>& position,
                                                                 Direction direction) const {
  auto from = correctedTextPosition(textPositionFrom(position));
  if (!from) return nullptr;
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  if (!innerLayout_) return nullptr;
  return correctedTextRange(innerLayout_->textRangeByExtendingPosition(from, direction, 1));
}

ui::WritingDirection DUDaviDira::baseWritingDirectionForPosition(const Ref<ui::TextPosition>& position,
                                                                 ui::TextStorageDirection) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  auto at = correctedTextPosition(textPositionFrom(position));
  const uint64_t length = innerText_->length();
  if (!at || length == 0) return ui::WritingDirection::Natural;
  auto index = static_cast<uint64_t>(at->offset());
  if (index == length) --index;
  auto style =
      rt::as<typeset::ParagraphStyle>(innerText_->attributeAtIndex(rt::String(typeset::ParagraphStyleAttributeName), index));
  if (!style) return ui::WritingDirection::Natural;
  return static_cast<ui::WritingDirection>(static_cast<int64_t>(style->baseWritingDirection()));
}

void DUDaviDira::setBaseWritingDirection(ui::WritingDirection direction, const Ref<ui::TextRange>& given) {
  auto range = correctedTextRange(textRangeFrom(given));
  if (!range) return;
  text::setBaseWritingDirection(*innerText_, static_cast<typeset::WritingDirection>(static_cast<int64_t>(direction)),
                                range->asRange());
  commitUpdate();
}

gfx::Rect DUDaviDira::firstRectForRange(const Ref<ui::TextRange>& given) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  auto range = correctedTextRange(textRangeFrom(given));
  gfx::Rect rect = innerLayout_ && range ? innerLayout_->firstRectForRange(range) : gfx::RectNull;
  if (gfx::RectIsNull(rect)) rect = gfx::RectZero;
  return convertRectFromLayout(rect);
}

gfx::Rect DUDaviDira::caretRectForPosition(const Ref<ui::TextPosition>& given) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  auto position = correctedTextPosition(textPositionFrom(given));
  gfx::Rect caret = innerLayout_ && position ? innerLayout_->caretRectForPosition(position) : gfx::RectNull;
  if (gfx::RectIsNull(caret)) return gfx::RectZero;
  caret = gfx::RectStandardize(convertRectFromLayout(caret));
  // Wide enough to see, and kept inside the view along the line.
  double& near = verticalForm_ ? caret.origin.y : caret.origin.x;
  double& extent = verticalForm_ ? caret.size.height : caret.size.width;
  const double limit = verticalForm_ ? bounds().size.height : bounds().size.width;
  if (extent == 0) {
    extent = 2;
    near -= 1;
  }
  if (near < 0) {
    near = 0;
  } else if (near + extent > limit) {
    near = limit - extent;
  }
  const double scale = base::DRMainScreenScale();
  gfx::Rect snapped;
  snapped.origin = {roundToPixel(caret.origin.x, scale), roundToPixel(caret.origin.y, scale)};
  snapped.size = {roundToPixel(caret.origin.x + caret.size.width, scale) - snapped.origin.x,
                  roundToPixel(caret.origin.y + caret.size.height, scale) - snapped.origin.y};
  return snapped;
}

std::vector<Ref<ui::TextSelectionRect>> DUDaviDira::selectionRectsForRange(const Ref<ui::TextRange>& given) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  auto range = correctedTextRange(textRangeFrom(given));
  std::vector<Ref<ui::TextSelectionRect>> out;
  if (!range || !innerLayout_) return out;
  for (const auto& piece : innerLayout_->selectionRectsForRange(range)) {
    piece->setRect(convertRectFromLayout(piece->rect()));
    out.push_back(piece);
  }
  return out;
}

Ref<ui::TextPosition> DUDaviDira::closestPositionToPoint(gfx::Point point) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  if (!innerLayout_) return nullptr;
  return correctedTextPosition(innerLayout_->closestPositionToPoint(convertPointToLayout(point)));
}

Ref<ui::TextPosition> DUDaviDira::closestPositionToPoint(gfx::Point point, const Ref<ui::TextRange>& given) const {
  auto position = closestPositionToPoint(point);
  if (!position) return nullptr;
  auto range = correctedTextRange(textRangeFrom(given));
  if (!range) return position;
  if (position->compare(range->start()) < 0) return range->start();
  if (position->compare(range->end()) > 0) return range->end();
  return position;
}

Ref<ui::TextRange> DUDaviDira::characterRangeAtPoint(gfx::Point point) const {
  const_cast<DUDaviDira*>(this)->updateIfNeeded();
  if (!innerLayout_) return nullptr;
  return correctedTextRange(innerLayout_->closestTextRangeAtPoint(convertPointToLayout(point)));
}

Ref<fd::Dictionary> DUDaviDira::textStylingAtPosition(const Ref<ui::TextPosition>& position,
                                                      ui::TextStorageDirection direction) const {
  if (!position) return nullptr;
  const auto length = static_cast<int64_t>(innerText_->length());
  if (length == 0) return typingAttributesHolder_->attributesAtIndex(0);
  int64_t offset = position->offset();
  if (offset < 0 || offset > length) return nullptr;
  // Leaning backward from the start there is nothing before: the first character answers.
  int64_t index = (offset == length || direction == ui::TextStorageDirection::Backward) ? offset - 1 : offset;
  return innerText_->attributesAtIndex(static_cast<uint64_t>(std::max<int64_t>(index, 0)));
}

ui::TextInputTraits DUDaviDira::textInputTraits() const {
  ui::TextInputTraits traits;
  traits.keyboardType = static_cast<ui::KeyboardType>(keyboardType_);
  traits.returnKeyType = static_cast<ui::ReturnKeyType>(returnKeyType_);
  traits.autocapitalizationType = static_cast<ui::TextAutocapitalizationType>(autocapitalizationType_);
  traits.autocorrectionType = static_cast<ui::TextAutocorrectionType>(autocorrectionType_);
  traits.spellCheckingType = static_cast<ui::TextSpellCheckingType>(spellCheckingType_);
  traits.keyboardAppearance = static_cast<ui::KeyboardAppearance>(keyboardAppearance_);
  traits.enablesReturnKeyAutomatically = enablesReturnKeyAutomatically_;
  traits.secureTextEntry = secureTextEntry_;
  return traits;
}

}  // namespace textview
