#include "app/screens/KDPhotoCollectionViewController.h"

#include "app/cells/KDPhotoCollectionViewCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/service/KDRequest.h"
#include "net/http/NKNetworkReachabilityManager.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"

namespace app {

RT_IMPLEMENT(KDPhotoCollectionViewController) {}

namespace {
constexpr double kTop = 64;
}  // namespace

void KDPhotoCollectionViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  view()->setBackgroundColor(gfx::Color::blackColor());
  modelArray_.clear();

  flowLayout_ = rt::make<ui::CollectionViewFlowLayout>();
  flowLayout_->setItemSize({size.width, size.height - 204});
  flowLayout_->setScrollDirection(ui::CollectionViewScrollDirection::Horizontal);
  flowLayout_->setMinimumLineSpacing(0);
  flowLayout_->setSectionInset({0, 0, 0, 0});
  photoCollectionView_ = rt::make<ui::CollectionView>(gfx::Rect{{0, kTop}, {size.width, size.height - kTop}},
                                                      flowLayout_);
  auto me = std::static_pointer_cast<KDPhotoCollectionViewController>(self());
  photoCollectionView_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  photoCollectionView_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  photoCollectionView_->setShowsHorizontalScrollIndicator(false);
  photoCollectionView_->setBackgroundColor(gfx::Color::blackColor());
  photoCollectionView_->setPagingEnabled(true);
  photoCollectionView_->registerClassForCellWithReuseIdentifier<KDPhotoCollectionViewCell>(kIdentifier);
  view()->addSubview(photoCollectionView_);
  refreshData();

  textLable_ = rt::make<ui::Label>();
  textLable_->setTextColor(gfx::Color::whiteColor());
  textLable_->setFont(typeset::Font::systemFontOfSize(14));
  textLable_->setTextAlignment(typeset::TextAlignment::Center);
  countLable_ = rt::make<ui::Label>();
  countLable_->setTextColor(gfx::Color::whiteColor());
  countLable_->setFont(typeset::Font::systemFontOfSize(14));
  view()->addSubview(textLable_);
  view()->addSubview(countLable_);
  auto root = view();
  widgets::lc_makeConstraints(*countLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerX.equalTo(root);
    make.bottom.equalTo(root).offset(-20);
  });
  auto count = countLable_;
  widgets::lc_makeConstraints(*textLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerX.equalTo(root);
    make.left.equalTo(root).offset(10);
    make.right.equalTo(root).offset(-10);
    make.bottom.equalTo(widgets::lc_top(*count)).offset(-10);
  });
  setNeedsStatusBarAppearanceUpdate();
}

void KDPhotoCollectionViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  auto params = rt::make<KDAppChannelParamsModel>();
  params->trs_id = trs_id_;
  Weak<KDPhotoCollectionViewController> weak = std::static_pointer_cast<KDPhotoCollectionViewController>(self());
  KDRequest::getAppchannelList(
      params, [](const Ref<KDPageInfo>&) {},
      [weak](const std::vector<Ref<KDAPPListModel>>& items) {
        auto me = weak.lock();
        if (!me || items.empty()) return;
        me->modelArray_ = items;
        me->photoCollectionView_->reloadData();
        // An index from a longer list than this answer opens the first album instead of
        // scrolling or reading past the end.
        auto count = static_cast<int64_t>(items.size());
        int64_t shown = me->currentInteger_ >= 0 && me->currentInteger_ < count ? me->currentInteger_ : 0;
        if (shown > 0) {
          me->photoCollectionView_->scrollToItemAtIndexPath(fd::IndexPath::indexPathForItem(shown, 0),
                                                            ui::CollectionViewScrollPositionRight, false);
        }
        widgets::PHProgressHUD::dismiss();
        me->currentselect_ = shown;
        me->settextdata();
      },
      [](const fd::String&) {});
}

void KDPhotoCollectionViewController::settextdata() {
  if (modelArray_.empty()) return;
  auto count = static_cast<int64_t>(modelArray_.size());
  if (currentselect_ < 0 || currentselect_ >= count) return;
  textLable_->setText(modelArray_[static_cast<size_t>(currentselect_)]->docTitle);
  countLable_->setText(fd::String::format("%ld / %ld", static_cast<long>(currentselect_ + 1), static_cast<long>(count)));
}

void KDPhotoCollectionViewController::scrollViewDidEndDecelerating(ui::ScrollView& s) {
  double width = ui::Screen::mainScreen()->bounds().size.width;
  currentselect_ = static_cast<int64_t>(s.contentOffset().x / width);
  // Offline the labels stay on the album they named.
  auto status = net::NKNetworkReachabilityManager::sharedManager()->networkReachabilityStatus();
  if (status != net::NKNetworkReachabilityStatus::NotReachable) settextdata();
}

int64_t KDPhotoCollectionViewController::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::CollectionViewCell> KDPhotoCollectionViewController::collectionViewCellForItemAtIndexPath(
    ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::static_pointer_cast<KDPhotoCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kIdentifier, indexPath));
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setListModel(modelArray_[row]);
  return cell;
}

}  // namespace app
