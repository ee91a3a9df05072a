#include "app/cells/KDActivitCell.h"

#include "app/categories/Color+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/foundation/values/ValueBox.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDActivitCell) {}

gfx::Size KDActivitCell::pictureSize(double screenWidth) {
  double w = screenWidth - 10;
  return {w, w / 5 * 3 - 40};
}

double KDActivitCell::rowHeight(double screenWidth) { return (screenWidth - 10) / 5 * 3 + 5; }

void KDActivitCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto& cv = *contentView();
  icon_ = QPUitools::createImageViewForSupeView(cv);
  blackView_ = QPUitools::createUIViewForSupeView(*icon_, gfx::Color::colorWithWhite(0, 0.2));
  title_ = QPUitools::createLabelForSupeView(cv, 16, customTextBlackColor());
  title_->setFont(typeset::Font::boldSystemFontOfSize(16));
  separatorView_ = QPUitools::createUIViewForSupeView(cv, customLineGreyColor());

  double W = ui::Screen::mainScreen()->bounds().size.width;
  gfx::Size picture = pictureSize(W);
  auto root = contentView();
  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root);
    make.centerX.equalTo(root);
    make.size.equalTo(fd::ValueBox::valueWith(picture));
  });
  widgets::lc_makeConstraints(*blackView_, [&](widgets::LCConstraintMaker& make) {
    make.center.equalTo(icon_);
    make.size.equalTo(icon_);
  });
  widgets::lc_makeConstraints(*title_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*icon_)).offset(10);
    make.left.equalTo(root).offset(20);
  });
  widgets::lc_makeConstraints(*separatorView_, [&](widgets::LCConstraintMaker& make) {
    make.bottom.equalTo(root);
    make.centerX.equalTo(root);
    make.size.equalTo(fd::ValueBox::valueWith(gfx::Size{W, 5}));
  });
}

void KDActivitCell::setModel(const Ref<KDAppchannelModel>& model) {
  if (model == model_) return;
  model_ = model;
  showModel();
  setNeedsDisplay();
  setNeedsLayout();
}

void KDActivitCell::showModel() {
  if (!model_) return;
  // The channel's picture address is used as it is, without the content host in front.
  image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(model_->image), gfx::Image::imageNamed("placeimage"));
  title_->setText(model_->title);
}

}  // namespace app
