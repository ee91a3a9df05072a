#include "app/cells/KDScenicCell.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/typeset/Font.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDScenicCell) {}

void KDScenicCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto root = contentView();
  auto& cv = *root;
  icon_ = QPUitools::createImageViewForSupeView(cv);
  icon_->setContentMode(ui::ViewContentMode::ScaleAspectFill);
  icon_->setClipsToBounds(true);
  title_ = QPUitools::createLabelForSupeView(cv, 16, customTextBlackColor());
  title_->setFont(typeset::Font::boldSystemFontOfSize(16));
  locationicon_ = QPUitools::createImageViewForSupeView(cv);
  locationicon_->setImage(gfx::Image::imageNamed("location_icon"));
  locationLable_ = QPUitools::createLabelForSupeView(cv, 14, customTextGreyColor());
  content_ = QPUitools::createLabelForSupeView(cv, 14, customContentColor());
  content_->setNumberOfLines(2);
  starlable_ = QPUitools::createLabelForSupeView(cv, 14, gfx::Color::whiteColor());
  starlable_->setTextAlignment(typeset::TextAlignment::Center);
  starlable_->setBackgroundColor(customSelectColor());
  starlable_->layer()->setCornerRadius(10);
  starlable_->setClipsToBounds(true);

  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root).offset(10);
    make.width.equalTo(fd::box(100.0));
    make.height.equalTo(fd::box(75.0));
  });
  widgets::lc_makeConstraints(*title_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(widgets::lc_right(*icon_)).offset(10);
    make.right.equalTo(root).offset(-10);
  });
  widgets::lc_makeConstraints(*starlable_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.right.equalTo(root).offset(-10);
    make.width.equalTo(fd::box(60.0));
    make.height.equalTo(fd::box(20.0));
  });
  widgets::lc_makeConstraints(*locationicon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*title_)).offset(10);
    make.left.equalTo(widgets::lc_right(*icon_)).offset(10);
  });
  widgets::lc_makeConstraints(*locationLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(locationicon_);
    make.left.equalTo(widgets::lc_right(*locationicon_)).offset(10);
    make.right.lessThanOrEqualTo(root).offset(-10);
  });
  widgets::lc_makeConstraints(*content_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*locationicon_)).offset(5);
    make.left.equalTo(widgets::lc_right(*icon_)).offset(10);
    make.right.equalTo(root).offset(-10);
  });
}

void KDScenicCell::setModel(const Ref<KDAPPListModel>& model) {
  if (model == model_) return;
  model_ = model;
  setNeedsDisplay();
  setNeedsLayout();
}

void KDScenicCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  if (!model_) return;
  title_->setText(model_->docTitle);
  starlable_->setText(model_->docAuthor);
  starlable_->setHidden(model_->docAuthor.isEmpty());
  locationLable_->setText(model_->subTitle);
  locationicon_->setHidden(model_->subTitle.isEmpty());
  // Layout runs often; the picture is asked for once per record.
  if (shown_ != model_) {
    shown_ = model_;
    fd::String address = model_->picMode ? model_->picMode->absUrl : fd::String();
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(address), gfx::Image::imageNamed("placeimage"));
  }
}

}  // namespace app
