#include "platform/ui/lists/CollectionViewCell.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(CollectionReusableView) {
  c.property("reuseIdentifier", &CollectionReusableView::reuseIdentifier);
}

RT_IMPLEMENT_PLATFORM(CollectionViewCell) {
  c.property("contentView", &CollectionViewCell::contentView);
  c.property("selected", &CollectionViewCell::isSelected, &CollectionViewCell::setSelected).getterName("isSelected");
  c.property("highlighted", &CollectionViewCell::isHighlighted, &CollectionViewCell::setHighlighted)
      .getterName("isHighlighted");
}

void CollectionReusableView::applyLayoutAttributes(const CollectionViewLayoutAttributes& a) {
  if (frame() != a.frame()) setFrame(a.frame());
  if (alpha() != a.alpha()) setAlpha(a.alpha());
  if (isHidden() != a.isHidden()) setHidden(a.isHidden());
  layer()->setZPosition(static_cast<double>(a.zIndex()));
}

void CollectionViewCell::init(gfx::Rect frame) {
  CollectionReusableView::init(frame);
  contentView_ = rt::make<View>(gfx::Rect{{0, 0}, frame.size});
  contentView_->setAutoresizingMask(ViewAutoresizingFlexibleWidth | ViewAutoresizingFlexibleHeight);
  addSubview(contentView_);
}

void CollectionViewCell::setBackgroundView(Ref<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) {
    backgroundView_->setFrame(bounds());
    insertSubviewAtIndex(backgroundView_, 0);
  }
  updateSelectionLook();
}

void CollectionViewCell::setSelectedBackgroundView(Ref<View> v) {
  if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
  selectedBackgroundView_ = std::move(v);
  updateSelectionLook();
}

void CollectionViewCell::setSelected(bool on) {
  if (selected_ == on) return;
  selected_ = on;
  updateSelectionLook();
}

void CollectionViewCell::setHighlighted(bool on) {
  if (highlighted_ == on) return;
  highlighted_ = on;
  updateSelectionLook();
}

void CollectionViewCell::updateSelectionLook() {
  if (!selectedBackgroundView_) return;
  bool show = selected_ || highlighted_;
  if (show && selectedBackgroundView_->superview().get() != this) {
    selectedBackgroundView_->setFrame(bounds());
    // Above the plain background, below the content.
    insertSubviewBelow(selectedBackgroundView_, contentView_.get());
  } else if (!show) {
    selectedBackgroundView_->removeFromSuperview();
  }
}

void CollectionViewCell::prepareForReuse() {
  setSelected(false);
  setHighlighted(false);
}

void CollectionViewCell::layoutSubviews() {
  gfx::Rect b{{0, 0}, bounds().size};
  contentView_->setFrame(b);
  if (backgroundView_) backgroundView_->setFrame(b);
  if (selectedBackgroundView_) selectedBackgroundView_->setFrame(b);
}

}  // namespace ui
