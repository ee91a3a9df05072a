#include "app/screens/KDMagazineListViewController.h"

#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDmagaineCollectionViewCell.h"
#include "app/screens/KDmagazineArticListViewController.h"
#include "app/service/KDRequest.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDMagazineListViewController) {}

namespace {
const char* const kQuarterlyParent = "81";
}  // namespace

std::vector<Ref<KDAppchannelModel>> KDMagazineListViewController::quarterlies(
    const std::vector<Ref<KDAppchannelModel>>& channels) {
  std::vector<Ref<KDAppchannelModel>> out;
  for (auto it = channels.rbegin(); it != channels.rend(); ++it) {
    if (*it && (*it)->parent_id == kQuarterlyParent) out.push_back(*it);
  }
  return out;
}

gfx::Size KDMagazineListViewController::coverItemSize() {
  double third = (ui::Screen::mainScreen()->bounds().size.width - 30) / 3;
  return {third, third * 1.4 + 40};
}

void KDMagazineListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, "禾岚风", true);

  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Vertical);
  collectionView_ = rt::make<ui::CollectionView>(
      gfx::Rect{{0, kTopBarHeight + 10}, {size.width, size.height - kTopBarHeight - 10}}, layout);
  auto me = std::static_pointer_cast<KDMagazineListViewController>(self());
  collectionView_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  collectionView_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  collectionView_->setShowsHorizontalScrollIndicator(false);
  collectionView_->setBackgroundColor(gfx::Color::clearColor());
  collectionView_->registerClassForCellWithReuseIdentifier<KDmagaineCollectionViewCell>(kCollectionIdentifier);
  view()->addSubview(collectionView_);

  collectionModelarray_.clear();
  setRefreshHeadGroupbox();
  refreshData();
}

void KDMagazineListViewController::setRefreshHeadGroupbox() {
  addPullDownHeader(*collectionView_, *this, &KDMagazineListViewController::refreshData);
}

void KDMagazineListViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  Weak<KDMagazineListViewController> weak = std::static_pointer_cast<KDMagazineListViewController>(self());
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& channels) {
        auto me = weak.lock();
        if (!me) return;
        me->collectionModelarray_ = quarterlies(channels);
        me->collectionView_->reloadData();
        me->endRefreshing();
        widgets::PHProgressHUD::dismiss();
      },
      [weak](const fd::String&) {
        // The client has shown the failure; the pull-down must not keep turning.
        if (auto me = weak.lock()) me->endRefreshing();
      });
}

void KDMagazineListViewController::endRefreshing() {
  if (auto header = widgets::km_header(*collectionView_)) header->endRefreshing();
}

int64_t KDMagazineListViewController::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(collectionModelarray_.size());
}

Ref<ui::CollectionViewCell> KDMagazineListViewController::collectionViewCellForItemAtIndexPath(
    ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::static_pointer_cast<KDmagaineCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kCollectionIdentifier, indexPath));
  auto item = static_cast<size_t>(indexPath->item());
  if (item < collectionModelarray_.size()) cell->setModel(collectionModelarray_[item]);
  return cell;
}

void KDMagazineListViewController::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&,
                                                                          const Ref<fd::IndexPath>& indexPath) {
  auto item = static_cast<size_t>(indexPath->item());
  auto nav = navigationController();
  if (item >= collectionModelarray_.size() || !nav) return;
  auto list = rt::make<KDmagazineArticListViewController>();
  list->setIsHiddenDate(true);
  list->setModel(collectionModelarray_[item]);
  nav->pushViewController(list, true);
}

std::optional<gfx::Size> KDMagazineListViewController::collectionViewLayoutSizeForItemAtIndexPath(
    ui::CollectionView&, ui::CollectionViewLayout&, const Ref<fd::IndexPath>&) {
  return coverItemSize();
}

std::optional<gfx::EdgeInsets> KDMagazineListViewController::collectionViewLayoutInsetForSectionAtIndex(
    ui::CollectionView&, ui::CollectionViewLayout&, int64_t) {
  return gfx::EdgeInsets{0, 5, 0, 5};
}

}  // namespace app
