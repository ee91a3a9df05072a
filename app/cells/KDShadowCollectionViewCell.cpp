#include "app/cells/KDShadowCollectionViewCell.h"

#include "app/categories/Color+Category.h"
#include "app/service/ServiceConfig.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDShadowCollectionViewCell) {}

fd::String KDShadowCollectionViewCell::captionOf(const fd::String& desc) {
  auto plus = desc.rangeOfString("+");
  return plus.found() ? desc.substringToIndex(plus.location) : desc;
}

fd::String KDShadowCollectionViewCell::pictureAddress(const fd::String& absUrl) {
  return absUrl.stringByReplacingOccurrencesOfString("/Uploads/Guanwang/", ServiceConfig::shared().webSiteBaseURL());
}

void KDShadowCollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  auto& cv = *contentView();
  icon_ = QPUitools::createImageViewForSupeView(cv);
  lable_ = QPUitools::createTitleLabelForSupeView(cv);
  lable_->setFont(typeset::Font::systemFontOfSize(14));
  lable_->setTextColor(customContentColor());
  lable_->setTextAlignment(typeset::TextAlignment::Center);
  double width = (ui::Screen::mainScreen()->bounds().size.width - 40) / 3;
  auto root = contentView();
  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(width));
    make.height.equalTo(fd::box(width * 0.75));
    make.centerX.equalTo(root);
    make.centerY.equalTo(root).offset(-10);
  });
  widgets::lc_makeConstraints(*lable_, [&](widgets::LCConstraintMaker& make) {
    make.left.equalTo(root);
    make.right.equalTo(root);
    make.top.equalTo(widgets::lc_bottom(*icon_)).offset(10);
  });
}

void KDShadowCollectionViewCell::setModel(const Ref<KDAPPListModel>& model) {
  if (model == model_) return;
  model_ = model;
  const auto& pic = model_ ? model_->picMode : nullptr;
  lable_->setText(pic ? captionOf(pic->desc) : fd::String());
  image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(pic ? pictureAddress(pic->absUrl) : fd::String()),
                            gfx::Image::imageNamed("placeimage"));
  setNeedsLayout();
}

}  // namespace app
