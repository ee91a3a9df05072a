#include "app/cells/KDPhotoListCollectionViewCell.h"

#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDPhotoListCollectionViewCell) {}

void KDPhotoListCollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  icon_ = QPUitools::createImageViewForSupeView(*contentView());
  double width = ui::Screen::mainScreen()->bounds().size.width - 5;
  auto root = contentView();
  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(width * 0.5));
    make.height.equalTo(fd::box(width / 3));
    make.center.equalTo(root);
  });
}

void KDPhotoListCollectionViewCell::setModel(const Ref<KDAPPListModel>& model) {
  if (model == model_) return;
  model_ = model;
  fd::String address = model_ && model_->picMode ? model_->picMode->absUrl : fd::String();
  image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(address), gfx::Image::imageNamed("placeimage"));
  setNeedsLayout();
}

}  // namespace app
