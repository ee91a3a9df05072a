#include "app/cells/KDHomeNewsCell.h"

#include "app/categories/Color+Category.h"
#include "app/service/ServiceConfig.h"
#include "app/util/NSString+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDHomeNewsCell) {}

void KDHomeNewsCell::setisShowContent(bool on) {
  if (showContent_ == on) return;
  showContent_ = on;
  setNeedsLayout();
}

fd::String KDHomeNewsCell::pictureAddress(const fd::String& absUrl) {
  if (absUrl.isEmpty() || hasURLScheme(absUrl)) return absUrl;
  fd::String host = ServiceConfig::shared().contentHost();
  return absUrl.hasPrefix("/") ? host + absUrl : host + "/" + absUrl;
}

void KDHomeNewsCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto& cv = *contentView();
  icon_ = QPUitools::createImageViewForSupeView(cv);
  icon_->setContentMode(ui::ViewContentMode::ScaleAspectFill);
  icon_->setClipsToBounds(true);
  title_ = QPUitools::createLabelForSupeView(cv, 19, customTextBlackColor());
  title_->setNumberOfLines(2);
  time_ = QPUitools::createLabelForSupeView(cv, 14, customTextGreyColor());
  timeIcon_ = QPUitools::createImageViewForSupeView(cv);
  timeIcon_->setImage(gfx::Image::imageNamed("time_icon"));
  content_ = QPUitools::createLabelForSupeView(cv, 16, customContentColor());
  content_->setNumberOfLines(2);

  auto root = contentView();
  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.right.equalTo(root).offset(0);
    make.width.equalTo(fd::box(0.0));
    make.height.equalTo(fd::box(0.0));
  });
  widgets::lc_makeConstraints(*title_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root).offset(10);
    make.right.equalTo(widgets::lc_left(*icon_)).offset(-10);
  });
  widgets::lc_makeConstraints(*content_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*title_)).offset(10);
    make.right.equalTo(widgets::lc_left(*icon_)).offset(-10);
    make.left.equalTo(root).offset(10);
  });
  widgets::lc_makeConstraints(*time_, [&](widgets::LCConstraintMaker& make) {
    make.bottom.equalTo(root).offset(-15);
    make.left.equalTo(root).offset(25);
  });
  widgets::lc_makeConstraints(*timeIcon_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(time_);
    make.left.equalTo(root).offset(10);
  });
}

void KDHomeNewsCell::setModel(const Ref<KDAPPListModel>& model) {
  if (model == model_) return;
  model_ = model;
  showModel();
  setNeedsDisplay();
  setNeedsLayout();
}

void KDHomeNewsCell::showModel() {
  if (!model_) return;
  title_->setText(model_->docTitle);
  // Shorter dates are shown whole.
  const auto& rel = model_->docRelTime;
  time_->setText(rel.length() > 10 ? rel.substringToIndex(10) : rel);
  content_->setText(model_->docAbstract);
  auto root = contentView();
  bool pictured = model_->picMode != nullptr;
  if (pictured) {
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(pictureAddress(model_->picMode->absUrl)),
                              gfx::Image::imageNamed("placeimage"));
  }
  widgets::lc_remakeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root).offset(10);
    make.right.equalTo(root).offset(pictured ? -10 : 0);
    make.width.equalTo(fd::box(pictured ? 120.0 : 0.0));
    make.height.equalTo(fd::box(pictured ? 80.0 : 0.0));
  });
}

void KDHomeNewsCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  bool showContent = showContent_;
  bool pictured = model_ && model_->picMode;
  // The abstract replaces the date; a picture leaves no room for the abstract.
  time_->setHidden(showContent);
  timeIcon_->setHidden(showContent);
  content_->setHidden(!showContent || pictured);
}

}  // namespace app
