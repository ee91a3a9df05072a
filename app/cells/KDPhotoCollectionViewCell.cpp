#include "app/cells/KDPhotoCollectionViewCell.h"

#include "app/categories/View+Category.h"
#include "app/utilities/QPUitools.h"
#include "image/web/ImageView+WebCache.h"
#include "platform/foundation/net/URL.h"
#include "platform/foundation/values/Number.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/input/TapGestureRecognizer.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDPhotoCollectionViewCell) {}

void KDPhotoCollectionViewCell::init(gfx::Rect frame) {
  ui::CollectionViewCell::init(frame);
  setBackgroundColor(gfx::Color::blackColor());
  icon_ = QPUitools::createImageViewForSupeView(*contentView());
  icon_->setUserInteractionEnabled(true);
  Weak<KDPhotoCollectionViewCell> weak = std::static_pointer_cast<KDPhotoCollectionViewCell>(self());
  icon_->addGestureRecognizer(rt::make<ui::TapGestureRecognizer>(nullptr, [weak](ui::GestureRecognizer&) {
    if (auto me = weak.lock()) me->tapGestureRecognizerAction();
  }));
  icon_->setContentMode(ui::ViewContentMode::ScaleAspectFit);
  auto size = ui::Screen::mainScreen()->bounds().size;
  auto root = contentView();
  widgets::lc_makeConstraints(*icon_, [&](widgets::LCConstraintMaker& make) {
    make.center.equalTo(root);
    make.width.equalTo(fd::box(size.width - 20));
    make.height.equalTo(fd::box(size.height - 80));
  });
}

void KDPhotoCollectionViewCell::setListModel(const Ref<KDAPPListModel>& model) {
  if (model == listModel_) return;
  listModel_ = model;
  fd::String address = listModel_ && listModel_->picMode ? listModel_->picMode->absUrl : fd::String();
  image::wi_setImageWithURL(*icon_, fd::URL::URLWithString(address), gfx::Image::imageNamed("placeimage"));
  setNeedsDisplay();
  setNeedsLayout();
}

void KDPhotoCollectionViewCell::tapGestureRecognizerAction() {
  if (auto vc = app::viewController(*this))
    if (auto nav = vc->navigationController()) nav->popViewControllerAnimated(true);
}

}  // namespace app
