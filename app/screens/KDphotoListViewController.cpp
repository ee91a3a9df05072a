#include "app/screens/KDphotoListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDPhotoListCollectionViewCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDGalleryChannels.h"
#include "app/screens/KDPhotoCollectionViewController.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(KDphotoListViewController) {}

void KDphotoListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  const auto* gallery = galleryChannel(indexPath_ ? static_cast<int64_t>(indexPath_->section()) : -1);
  topBar_ = addTopBar(*this, gallery ? fd::String(gallery->title) : fd::String(), true);
  // The title sits on the bar's centre to leave room for the count beneath it.
  topBar_.title->setCenter({size.width / 2, kTopBarHeight / 2});

  title_ = QPUitools::createLabelForSupeView(*topBar_.bar, 12, customContentColor());
  title_->setFont(typeset::Font::boldSystemFontOfSize(12));
  title_->setTextAlignment(typeset::TextAlignment::Center);
  auto heading = topBar_.title;
  widgets::lc_makeConstraints(*title_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*heading)).offset(2);
    make.centerX.equalTo(heading);
  });

  modelArray_.clear();
  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Vertical);
  layout->setItemSize({(size.width - 5) * 0.5, (size.width - 5) / 3 + 5});
  layout->setMinimumLineSpacing(0);
  layout->setMinimumInteritemSpacing(0);
  collectionview_ = rt::make<ui::CollectionView>(
      gfx::Rect{{0, 69}, {size.width, size.height - kTopBarHeight - 10}}, layout);
  collectionview_->registerClassForCellWithReuseIdentifier<KDPhotoListCollectionViewCell>(kIdentifier);
  auto me = std::static_pointer_cast<KDphotoListViewController>(self());
  collectionview_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  collectionview_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  collectionview_->setBackgroundColor(gfx::Color::clearColor());
  view()->addSubview(collectionview_);
  refreshData();
}

void KDphotoListViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  auto params = rt::make<KDAppChannelParamsModel>();
  params->trs_id = trs_id_;
  Weak<KDphotoListViewController> weak = std::static_pointer_cast<KDphotoListViewController>(self());
  KDRequest::getAppchannelList(
      params, [](const Ref<KDPageInfo>&) {},
      [weak](const std::vector<Ref<KDAPPListModel>>& items) {
        auto me = weak.lock();
        if (!me || items.empty()) return;
        me->modelArray_ = items;
        me->collectionview_->reloadData();
        widgets::PHProgressHUD::dismiss();
        const auto& page = items.front()->page;
        if (page) me->title_->setText(fd::String::format("共%@张美图", page->total));
      },
      [](const fd::String&) {});
}

int64_t KDphotoListViewController::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::CollectionViewCell> KDphotoListViewController::collectionViewCellForItemAtIndexPath(
    ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::static_pointer_cast<KDPhotoListCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kIdentifier, indexPath));
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setModel(modelArray_[row]);
  return cell;
}

void KDphotoListViewController::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&,
                                                                       const Ref<fd::IndexPath>& indexPath) {
  auto nav = navigationController();
  if (!nav) return;
  auto viewer = rt::make<KDPhotoCollectionViewController>();
  viewer->setCurrentInteger(static_cast<int64_t>(indexPath->row()));
  // The viewer follows the gallery section; a grid opened without one shows its own channel.
  const auto* gallery = galleryChannel(indexPath_ ? static_cast<int64_t>(indexPath_->section()) : -1);
  viewer->setTrs_id(gallery ? fd::String(gallery->trsId) : trs_id_);
  nav->pushViewController(viewer, true);
}

std::optional<gfx::EdgeInsets> KDphotoListViewController::collectionViewLayoutInsetForSectionAtIndex(
    ui::CollectionView&, ui::CollectionViewLayout&, int64_t) {
  return gfx::EdgeInsets{0, 0, 0, 0};
}

}  // namespace app
