#include "app/cells/KDTourismCell.h"

#include "app/categories/Color+Category.h"
#include "app/categories/View+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDTourismCollectionViewCell.h"
#include "app/models/KDAPPListModel.h"
#include "app/models/KDAppchannelModel.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/screens/KDHistoryListViewController.h"
#include "app/screens/KDWebViewController.h"
#include "app/screens/KDscenicListViewController.h"
#include "app/utilities/QPUitools.h"
#include "platform/typeset/Font.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"

namespace app {

RT_IMPLEMENT(KDTourismCell) {}

namespace {
// The overview's district profile is one fixed article, shown without a date.
const char* const kProfileChannel = "11615";
const char* const kProfileArticle = "134100";
const char* const kHistoryChannel = "5380";
}  // namespace

void KDTourismCell::init(ui::TableViewCellStyle style, const rt::String& reuseIdentifier) {
  ui::TableViewCell::init(style, reuseIdentifier);
  auto root = contentView();
  iconView_ = QPUitools::createUIViewForSupeView(*root, customSelectColor());
  widgets::lc_makeConstraints(*iconView_, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(4.0));
    make.height.equalTo(fd::box(15.0));
    make.top.equalTo(root).offset(10);
    make.left.equalTo(root);
  });
  titleLable_ = QPUitools::createLabelForSupeView(*root, 16, gfx::Color::blackColor());
  titleLable_->setFont(typeset::Font::boldSystemFontOfSize(16));
  widgets::lc_makeConstraints(*titleLable_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(iconView_);
    make.left.equalTo(widgets::lc_right(*iconView_)).offset(10);
  });
  Weak<KDTourismCell> weak = std::static_pointer_cast<KDTourismCell>(self());
  auto more = gfx::Image::imageNamed("youzou_more.png");
  morebtn_ = QPUitools::createButtonWithNormalImage(more, more, [weak] {
    if (auto me = weak.lock()) me->push(moreScreen(me->section()));
  });
  root->addSubview(morebtn_);
  widgets::lc_makeConstraints(*morebtn_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(iconView_);
    make.right.equalTo(root);
  });
  root->setBackgroundColor(gfx::Color::whiteColor());
}

bool KDTourismCell::isLargeStrip(int64_t section) { return section == 1 || section == 2; }

void KDTourismCell::setdata(const std::vector<rt::Id>& items, const fd::String& title) {
  modelarray_.insert(modelarray_.end(), items.begin(), items.end());
  titleLable_->setText(title);
  morebtn_->setHidden(!isLargeStrip(section()));
  initCollectionView();
  collectionview_->reloadData();
}

void KDTourismCell::initCollectionView() {
  if (collectionview_) collectionview_->removeFromSuperview();
  double w = ui::Screen::mainScreen()->bounds().size.width;
  double side = (w - 40) / 3;
  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Horizontal);
  gfx::Rect frame;
  if (isLargeStrip(section())) {
    layout->setItemSize({side, side + 20});
    frame = {{10, 30}, {w - 10, side + 20}};
  } else {
    layout->setItemSize({w / 5, w / 3});
    layout->setMinimumLineSpacing(0);
    layout->setMinimumInteritemSpacing(0);
    frame = {{0, 30}, {w, side + 20}};
  }
  collectionview_ = rt::make<ui::CollectionView>(frame, layout);
  collectionview_->registerClassForCellWithReuseIdentifier<KDTourismCollectionViewCell>(kIdentifier);
  auto me = std::static_pointer_cast<KDTourismCell>(self());
  collectionview_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  collectionview_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  collectionview_->setShowsHorizontalScrollIndicator(false);
  collectionview_->setBackgroundColor(gfx::Color::clearColor());
  contentView()->addSubview(collectionview_);
}

int64_t KDTourismCell::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(modelarray_.size());
}

Ref<ui::CollectionViewCell> KDTourismCell::collectionViewCellForItemAtIndexPath(ui::CollectionView& cv,
                                                                               const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::dynamic_pointer_cast<KDTourismCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kIdentifier, indexPath));
  auto index = static_cast<size_t>(indexPath->item());
  if (cell && index < modelarray_.size()) {
    const rt::Id& item = modelarray_[index];
    if (auto article = rt::as<KDAPPListModel>(item)) cell->setAPPListModel(article);
    else if (auto channel = rt::as<KDAppchannelModel>(item)) cell->setAppchannelModel(channel);
    cell->setIndexPath(indexPath_);
  }
  return cell;
}

Ref<ui::ViewController> KDTourismCell::screenForItem(const rt::Id& item, int64_t section) {
  if (auto article = rt::as<KDAPPListModel>(item)) {
    auto detail = rt::make<KDArticleDetailViewController>();
    detail->setModel(article);
    detail->setIsShowAddress(isLargeStrip(section));
    return detail;
  }
  auto channel = rt::as<KDAppchannelModel>(item);
  if (!channel) return nullptr;
  if (channel->trs_channel_id == kProfileChannel) {
    auto detail = rt::make<KDArticleDetailViewController>();
    detail->setDocId(kProfileArticle);
    detail->setIsHiddenDate(true);
    return detail;
  }
  if (channel->trs_channel_id == kHistoryChannel) {
    auto history = rt::make<KDHistoryListViewController>();
    history->setModel(channel);
    return history;
  }
  // A channel without an address (empty or not sent at all) lists its articles: a web page
  // with no address would open blank.
  if (channel->url.isEmpty()) {
    auto list = rt::make<KDActiveListViewController>();
    list->setIsShowContent(true);
    list->setModel(channel);
    return list;
  }
  auto web = rt::make<KDWebViewController>();
  web->setWebUrl(channel->url);
  web->setWebViwqTitle("导航");
  return web;
}

Ref<ui::ViewController> KDTourismCell::moreScreen(int64_t section) {
  if (!isLargeStrip(section)) return nullptr;
  auto channel = rt::make<KDAppchannelModel>();
  channel->trs_channel_id = section == 1 ? "11616" : "11617";
  channel->title = section == 1 ? "景点" : "美食";
  auto list = rt::make<KDscenicListViewController>();
  list->setModel(channel);
  return list;
}

void KDTourismCell::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&, const Ref<fd::IndexPath>& indexPath) {
  // An index the strip no longer holds (the list changed under the tap) opens nothing.
  auto index = static_cast<size_t>(indexPath->item());
  if (index >= modelarray_.size()) return;
  push(screenForItem(modelarray_[index], section()));
}

std::optional<gfx::EdgeInsets> KDTourismCell::collectionViewLayoutInsetForSectionAtIndex(ui::CollectionView&,
                                                                                       ui::CollectionViewLayout&,
                                                                                       int64_t) {
  return gfx::EdgeInsets{0, 0, 0, 0};
}

void KDTourismCell::push(const Ref<ui::ViewController>& screen) {
  if (!screen) return;
  auto controller = app::viewController(*this);
  if (auto nav = controller ? controller->navigationController() : nullptr) nav->pushViewController(screen, true);
}

}  // namespace app
