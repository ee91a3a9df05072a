#include "widgets/constraints/LCViewAttribute.h"

namespace widgets {

RT_IMPLEMENT(LCViewAttribute) {}

void LCViewAttribute::init(const Ref<ui::View>& view, ui::LayoutAttribute attribute) { init(view, view, attribute); }

void LCViewAttribute::init(const Ref<ui::View>& view, const rt::Id& item, ui::LayoutAttribute attribute) {
  view_ = view;
  item_ = item;
  attribute_ = attribute;
  viewHash_ = view ? view->hash() : 0;
}

bool LCViewAttribute::isEqual(const Object* other) const {
  if (other == this) return true;
  auto o = dynamic_cast<const LCViewAttribute*>(other);
  if (!o) return false;
  return view() == o->view() && attribute_ == o->attribute_;
}

size_t LCViewAttribute::hash() const {
  uint64_t h = viewHash_;
  return static_cast<size_t>((h << 32 | h >> 32) ^ static_cast<uint64_t>(attribute_));
}

}  // namespace widgets
