#include "text/model/DRTextPosition.h"

namespace text {

RT_IMPLEMENT(DRTextPosition) { c.protocol("NSCopying"); }
RT_IMPLEMENT(DRTextRange) { c.protocol("NSCopying"); }
RT_IMPLEMENT(DRTextSelectionRect) { c.protocol("NSCopying"); }

Ref<DRTextPosition> DRTextPosition::positionWithOffset(int64_t offset, DRTextPositionAffinity affinity) {
  return rt::make<DRTextPosition>(offset, affinity);
}

rt::Id DRTextPosition::copy() const {
  auto c = rt::as<DRTextPosition>(getClass()->createInstance());
  c->ui::TextPosition::init(offset(), affinity());
  return c;
}

void DRTextRange::init() { init(DRTextPosition::positionWithOffset(0), DRTextPosition::positionWithOffset(0)); }

bool DRTextRange::init(Ref<DRTextPosition> a, Ref<DRTextPosition> b) {
  return ui::TextRange::init(std::move(a), std::move(b));
}

void DRTextRange::init(rt::Range range, DRTextPositionAffinity affinity) {
  init(DRTextPosition::positionWithOffset(static_cast<int64_t>(range.location), affinity),
       DRTextPosition::positionWithOffset(static_cast<int64_t>(range.location + range.length), affinity));
}

Ref<DRTextRange> DRTextRange::rangeWithRange(rt::Range range, DRTextPositionAffinity affinity) {
  return rt::make<DRTextRange>(range, affinity);
}

Ref<DRTextRange> DRTextRange::rangeWithStart(const Ref<DRTextPosition>& start, const Ref<DRTextPosition>& end) {
  return rt::make<DRTextRange>(start, end);
}

Ref<DRTextRange> DRTextRange::defaultRange() { return rt::make<DRTextRange>(); }

rt::Id DRTextRange::copy() const {
  auto c = rt::as<DRTextRange>(getClass()->createInstance());
  c->init(start(), end());
  return c;
}

rt::Id DRTextSelectionRect::copy() const {
  auto c = rt::as<DRTextSelectionRect>(getClass()->createInstance());
  copyFieldsTo(*c);
  return c;
}

}  // namespace text
