#include "app/cells/KDShadowCell.h"

#include "app/categories/Color+Category.h"
#include "app/categories/View+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDShadowCollectionViewCell.h"
#include "app/screens/KDGalleryChannels.h"
#include "app/screens/KDPhotoCollectionViewController.h"
#include "app/screens/KDphotoListViewController.h"
#include "app/utilities/QPUitools.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(KDShadowCell) {}

void KDShadowCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto root = contentView();
  auto& cv = *root;
  double width = ui::Screen::mainScreen()->bounds().size.width;

  iconView_ = QPUitools::createUIViewForSupeView(cv, customSelectColor());
  widgets::lc_makeConstraints(*iconView_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(4.0));
    make.height.equalTo(fd::box(15.0));
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root);
  });
  titleLable_ = QPUitools::createLabelForSupeView(cv, 16, gfx::Color::blackColor());
  titleLable_->setFont(typeset::Font::boldSystemFontOfSize(16));
  auto accent = iconView_;
  widgets::lc_makeConstraints(*titleLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(accent);
    make.left.equalTo(widgets::lc_right(*accent)).offset(10);
  });
  Weak<KDShadowCell> weak = std::static_pointer_cast<KDShadowCell>(self());
  auto more = gfx::Image::imageNamed("youzou_more.png");
  morebtn_ = QPUitools::createButtonWithNormalImage(more, more, [weak] {
    if (auto me = weak.lock()) me->openMore();
  });
  cv.addSubview(morebtn_);
  widgets::lc_makeConstraints(*morebtn_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(accent);
    make.right.equalTo(root);
  });
  countLable_ = QPUitools::createLabelForSupeView(cv, 14, customContentColor());
  auto button = morebtn_;
  widgets::lc_makeConstraints(*countLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(button);
    make.right.equalTo(widgets::lc_left(*button)).offset(-10);
  });
  cv.setBackgroundColor(gfx::Color::whiteColor());
  modelarray_.clear();

  double item = (width - 40) / 3;
  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Horizontal);
  layout->setItemSize({item, item + 20});
  collectionview_ = rt::make<ui::CollectionView>(gfx::Rect{{10, 30}, {width - 20, item + 20}}, layout);
  collectionview_->registerClassForCellWithReuseIdentifier<KDShadowCollectionViewCell>(kIdentifier);
  auto me = std::static_pointer_cast<KDShadowCell>(self());
  collectionview_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  collectionview_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  collectionview_->setShowsHorizontalScrollIndicator(false);
  collectionview_->setBackgroundColor(gfx::Color::clearColor());
  cv.addSubview(collectionview_);
}

void KDShadowCell::setdata(const std::vector<Ref<KDAPPListModel>>& group, const fd::String& title) {
  modelarray_.insert(modelarray_.end(), group.begin(), group.end());
  titleLable_->setText(title);
  if (!group.empty() && group.front() && group.front()->page) {
    countLable_->setText(fd::String::format("共%@张美图", group.front()->page->total_page));
  }
  collectionview_->reloadData();
}

void KDShadowCell::openMore() {
  const auto* gallery = galleryChannel(indexPath_ ? static_cast<int64_t>(indexPath_->section()) : -1);
  auto vc = app::viewController(*this);
  auto nav = vc ? vc->navigationController() : nullptr;
  if (!gallery || !nav) return;
  auto grid = rt::make<KDphotoListViewController>();
  grid->setIndexPath(indexPath_);
  grid->setTrs_id(gallery->trsId);
  nav->pushViewController(grid, true);
}

int64_t KDShadowCell::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(modelarray_.size());
}

Ref<ui::CollectionViewCell> KDShadowCell::collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                              const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::static_pointer_cast<KDShadowCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kIdentifier, indexPath));
  auto item = static_cast<size_t>(indexPath->item());
  if (item < modelarray_.size()) cell->setModel(modelarray_[item]);
  return cell;
}

void KDShadowCell::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&, const Ref<fd::IndexPath>& indexPath) {
  const auto* gallery = galleryChannel(indexPath_ ? static_cast<int64_t>(indexPath_->section()) : -1);
  if (!gallery) return;
  auto viewer = rt::make<KDPhotoCollectionViewController>();
  viewer->setCurrentInteger(static_cast<int64_t>(indexPath->item()));
  viewer->setTrs_id(gallery->trsId);
  auto status = net::NKNetworkReachabilityManager::sharedManager()->networkReachabilityStatus();
  if (status == net::NKNetworkReachabilityStatus::NotReachable) {
    widgets::PHProgressHUD::showErrorWithStatus(kOfflineMessage);
    return;
  }
  auto vc = app::viewController(*this);
  if (auto nav = vc ? vc->navigationController() : nullptr) nav->pushViewController(viewer, true);
}

std::optional<gfx::EdgeInsets> KDShadowCell::collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView&,
                                                                                        ui::CollectionViewLayout&,
                                                                                        int64_t) {
  return gfx::EdgeInsets{0, 0, 0, 0};
}

}  // namespace app
