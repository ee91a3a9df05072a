#include "app/cells/KDmagaineCollectionViewCell.h"

#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDmagaineCollectionViewCell) {}

void KDmagaineCollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  auto& cv = *contentView();
  icon_ = QPUitools::createImageViewForSupeView(cv);
  icon_->setContentMode(ui::ViewContentMode::ScaleToFill);
  lable_ = QPUitools::createTitleLabelForSupeView(cv);
  lable_->setFont(typeset::Font::systemFontOfSize(14));
  lable_->setTextColor(gfx::Color::blackColor());
}

void KDmagaineCollectionViewCell::setModel(const Ref<KDAppchannelModel>& model) {
  if (!model) return;
  lable_->setText(model->title);
  image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(model->image), gfx::Image::imageNamed("placeimage"));
  double width = (ui::Screen::mainScreen()->bounds().size.width - 30) / 3 - 10;
  auto root = contentView();
  // Remade, not added: a reused cell would otherwise pile up one set per issue it showed.
  widgets::lc_remakeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(width));
    make.height.equalTo(fd::box(width * 1.4));
    make.centerX.equalTo(root);
    make.top.equalTo(root);
  });
  widgets::lc_remakeConstraints(*lable_, [&](widgets::LCConstraintMaker& make) {
    make.centerX.equalTo(root);
    make.top.equalTo(widgets::lc_bottom(*icon_)).offset(10);
  });
}

}  // namespace app
