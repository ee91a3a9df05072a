#include "widgets/carousel/WICollectionViewCell.h"

namespace widgets {

RT_IMPLEMENT(WICollectionViewCell) {}

void WICollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  setupImageView();
  setupTitleLabel();
}

void WICollectionViewCell::setupImageView() {
  imageView_ = rt::make<ui::ImageView>();
  imageView_->setContentMode(ui::ViewContentMode::ScaleAspectFill);
  imageView_->setClipsToBounds(true);
  contentView()->addSubview(imageView_);
}

void WICollectionViewCell::setupTitleLabel() {
  titleLabel_ = rt::make<ui::Label>();
  titleLabel_->setHidden(true);
  contentView()->addSubview(titleLabel_);
}

void WICollectionViewCell::setTitle(const rt::String& title) {
  title_ = title;
  titleLabel_->setText(title.isEmpty() ? rt::String() : rt::String::format("   %@", title));
  setNeedsLayout();
}

void WICollectionViewCell::layoutSubviews() {
  ui::CollectionViewCell::layoutSubviews();
  gfx::Rect b = bounds();
  imageView_->setFrame(b);
  titleLabel_->setFrame(gfx::RectMake(0, b.size.height - titleLabelHeight_, b.size.width, titleLabelHeight_));
  titleLabel_->setHidden(titleLabel_->text().isEmpty());
}

}  // namespace widgets
