#include "platform/ui/lists/CollectionViewLayout.h"

#include "platform/ui/lists/CollectionView.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(CollectionViewLayoutAttributes) {
  c.property("frame", &CollectionViewLayoutAttributes::frame, &CollectionViewLayoutAttributes::setFrame);
  c.property("alpha", &CollectionViewLayoutAttributes::alpha, &CollectionViewLayoutAttributes::setAlpha);
  c.property("zIndex", &CollectionViewLayoutAttributes::zIndex, &CollectionViewLayoutAttributes::setZIndex);
  c.property("hidden", &CollectionViewLayoutAttributes::isHidden, &CollectionViewLayoutAttributes::setHidden)
      .getterName("isHidden");
  c.protocol("NSCopying");
}

RT_IMPLEMENT_PLATFORM(CollectionViewLayout) {}

Ref<CollectionViewLayoutAttributes> CollectionViewLayoutAttributes::layoutAttributesForCellWithIndexPath(
    const Ref<fd::IndexPath>& indexPath) {
  auto a = rt::make<CollectionViewLayoutAttributes>();
  a->indexPath_ = indexPath;
  return a;
}

Ref<CollectionViewLayoutAttributes> CollectionViewLayoutAttributes::layoutAttributesForSupplementaryViewOfKind(
    const rt::String& kind, const Ref<fd::IndexPath>& indexPath) {
  auto a = rt::make<CollectionViewLayoutAttributes>();
  a->indexPath_ = indexPath;
  a->category_ = CollectionElementCategory::SupplementaryView;
  a->kind_ = kind;
  return a;
}

gfx::Point CollectionViewLayoutAttributes::center() const {
  return {frame_.origin.x + frame_.size.width / 2, frame_.origin.y + frame_.size.height / 2};
}

void CollectionViewLayoutAttributes::setCenter(gfx::Point c) {
  frame_.origin = {c.x - frame_.size.width / 2, c.y - frame_.size.height / 2};
}

void CollectionViewLayoutAttributes::setSize(gfx::Size s) {
  // The centre stays where it is, as with a view's bounds.
  gfx::Point c = center();
  frame_.size = s;
  setCenter(c);
}

bool CollectionViewLayoutAttributes::isEqual(const Object* other) const {
  auto* o = dynamic_cast<const CollectionViewLayoutAttributes*>(other);
  if (!o) return false;
  bool sameIndex = indexPath_ && o->indexPath_ ? indexPath_->isEqual(o->indexPath_.get()) : indexPath_ == o->indexPath_;
  return sameIndex && frame_ == o->frame_ && alpha_ == o->alpha_ && zIndex_ == o->zIndex_ && hidden_ == o->hidden_ &&
         category_ == o->category_ && kind_ == o->kind_;
}

rt::Id CollectionViewLayoutAttributes::copy() const {
  auto a = rt::make<CollectionViewLayoutAttributes>();
  a->frame_ = frame_;
  a->alpha_ = alpha_;
  a->zIndex_ = zIndex_;
  a->hidden_ = hidden_;
  a->indexPath_ = indexPath_;
  a->category_ = category_;
  a->kind_ = kind_;
  return a;
}

void CollectionViewLayout::invalidateLayout() {
  valid_ = false;
  if (auto cv = collectionView()) cv->setNeedsLayout();
}

}  // namespace ui
