#include "app/cells/KDTourismCollectionViewCell.h"

#include <algorithm>

#include "app/categories/Color+Category.h"
#include "app/cells/KDTourismCell.h"
#include "app/service/ServiceConfig.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"

namespace app {

RT_IMPLEMENT(KDTourismCollectionViewCell) {}

void KDTourismCollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  icon_ = QPUitools::createImageViewForSupeView(*contentView());
  lable_ = QPUitools::createTitleLabelForSupeView(*contentView());
  lable_->setFont(typeset::Font::systemFontOfSize(14));
  lable_->setTextColor(customContentColor());
}

fd::String KDTourismCollectionViewCell::pictureAddress(const fd::String& absUrl) {
  return absUrl.stringByReplacingOccurrencesOfString("/Uploads/Guanwang/", ServiceConfig::shared().webSiteBaseURL());
}

void KDTourismCollectionViewCell::setAppchannelModel(const Ref<KDAppchannelModel>& model) {
  channel_ = model;
  if (model) article_ = nullptr;
  showRecord();
}

void KDTourismCollectionViewCell::setAPPListModel(const Ref<KDAPPListModel>& model) {
  article_ = model;
  if (model) channel_ = nullptr;
  showRecord();
}

void KDTourismCollectionViewCell::setIndexPath(const Ref<fd::IndexPath>& indexPath) {
  indexPath_ = indexPath;
  setNeedsLayout();
}

void KDTourismCollectionViewCell::prepareForReuse() {
  ui::CollectionViewCell::prepareForReuse();
  channel_ = nullptr;
  article_ = nullptr;
  lable_->setText(fd::String());
  icon_->setImage(nullptr);
}

void KDTourismCollectionViewCell::showRecord() {
  auto placeholder = gfx::Image::imageNamed("placeimage");
  if (channel_) {
    lable_->setText(channel_->title);
    lable_->setTextAlignment(typeset::TextAlignment::Center);
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(channel_->image), placeholder);
  } else if (article_) {
    lable_->setText(article_->docTitle);
    // An article without a picture keeps the placeholder rather than a stale picture.
    fd::String address = article_->picMode ? pictureAddress(article_->picMode->absUrl) : fd::String();
    image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(address), placeholder);
  }
  setNeedsLayout();
}

void KDTourismCollectionViewCell::layoutSubviews() {
  ui::CollectionViewCell::layoutSubviews();
  double w = ui::Screen::mainScreen()->bounds().size.width;
  auto bounds = contentView()->bounds();
  double cx = bounds.size.width / 2, cy = bounds.size.height / 2;
  bool large = indexPath_ && KDTourismCell::isLargeStrip(static_cast<int64_t>(indexPath_->section()));
  gfx::Size iconSize;
  double iconCentreY = 0, labelMax = 0;
  if (large) {
    double side = (w - 40) / 3;
    iconSize = {side, 0.75 * side};
    iconCentreY = cy - 10;
    labelMax = w / 3;
  } else {
    double side = w / 5 * 3 / 5;
    iconSize = {side, side};
    iconCentreY = cy - (w == 320 ? 32 : 40);
    labelMax = w / 5 - 10;
  }
  icon_->setFrame({{cx - iconSize.width / 2, iconCentreY - iconSize.height / 2}, iconSize});
  gfx::Size fit = lable_->sizeThatFits({labelMax, 1e6});
  double labelWidth = std::min(fit.width, labelMax);
  double top = icon_->frame().origin.y + iconSize.height + 10;
  lable_->setFrame({{cx - labelWidth / 2, top}, {labelWidth, fit.height}});
}

}  // namespace app
