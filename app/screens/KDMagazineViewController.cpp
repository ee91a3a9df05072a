#include "app/screens/KDMagazineViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDmagaineCollectionViewCell.h"
#include "app/screens/KDArticleOpener.h"
#include "app/screens/KDMagazineListViewController.h"
#include "app/screens/KDmagazineArticListViewController.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/foundation/values/Number.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDMagazineViewController) {}

namespace {

constexpr double kTabBarHeight = 49;

double screenWidth() { return ui::Screen::mainScreen()->bounds().size.width; }

/// The bold title beside a section's mark.
Ref<ui::Label> addHeading(ui::View& holder, const Ref<ui::ImageView>& image, const char* text) {
  auto label = QPUitools::createLabelForSupeView(holder, 16, gfx::Color::blackColor());
  label->setFont(typeset::Font::boldSystemFontOfSize(16));
  label->setText(text);
  widgets::lc_makeConstraints(*label, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(image);
    make.left.equalTo(widgets::lc_right(*image)).offset(5);
  });
  return label;
}

}  // namespace

void KDMagazineViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  modelArray_.clear();
  collectionModelarray_.clear();
  auto top = addTopBar(*this, "云岫声", false);
  topBar_ = top.bar;
  title_ = top.title;

  contentView_ = rt::make<ui::TableView>(
      gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight - kTabBarHeight}},
      ui::TableViewStyle::Grouped);
  auto me = std::static_pointer_cast<KDMagazineViewController>(self());
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  view()->addSubview(contentView_);

  setRefreshHeadGroupbox(*contentView_);
  setTableViewFootView();
  refreshData();
}

void KDMagazineViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDMagazineViewController::refreshData);
}

void KDMagazineViewController::setTableViewFootView() {
  double width = screenWidth();
  double strip = KDMagazineListViewController::coverItemSize().height;
  auto footer = rt::make<ui::View>(gfx::Rect{{0, 20}, {width, strip + 40}});
  footer->setBackgroundColor(gfx::Color::whiteColor());

  auto band = QPUitools::createUIViewForSupeView(*footer, customLineGreyColor());
  band->setFrame({{0, 0}, {width, 10}});
  auto accent = QPUitools::createUIViewForSupeView(*footer, customSelectColor());
  accent->setFrame({{0, 20}, {4, 15}});
  // The mark hangs below the band (children are not clipped).
  auto image = QPUitools::createImageViewForSupeView(*band, gfx::Image::imageNamed("tessufeng"));
  widgets::lc_makeConstraints(*image, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(accent);
    make.left.equalTo(widgets::lc_right(*accent)).offset(5);
  });
  addHeading(*footer, image, "季刊");

  Weak<KDMagazineViewController> weak = std::static_pointer_cast<KDMagazineViewController>(self());
  auto more = gfx::Image::imageNamed("youzou_more.png");
  footerMore_ = QPUitools::createButtonWithNormalImage(more, more, [weak] {
    if (auto me = weak.lock()) me->openQuarterlies();
  });
  footer->addSubview(footerMore_);
  widgets::lc_makeConstraints(*footerMore_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(accent);
    make.right.equalTo(footer);
  });

  auto layout = rt::make<ui::CollectionViewFlowLayout>();
  layout->setScrollDirection(ui::CollectionViewScrollDirection::Horizontal);
  collectionView_ = rt::make<ui::CollectionView>(gfx::Rect{{0, 60}, {width, strip}}, layout);
  auto me = std::static_pointer_cast<KDMagazineViewController>(self());
  collectionView_->setDataSource(std::weak_ptr<ui::CollectionViewDataSource>(me));
  collectionView_->setDelegate(
      std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::CollectionViewDelegateFlowLayout>(me)));
  collectionView_->setShowsHorizontalScrollIndicator(false);
  collectionView_->setBackgroundColor(gfx::Color::clearColor());
  collectionView_->registerClassForCellWithReuseIdentifier<KDmagaineCollectionViewCell>(kCollectionIdentifier);
  footer->addSubview(collectionView_);
  contentView_->setTableFooterView(footer);
}

void KDMagazineViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  Weak<KDMagazineViewController> weak = std::static_pointer_cast<KDMagazineViewController>(self());

  auto params = rt::make<KDAppChannelParamsModel>();
  params->trs_id = kSupplementChannel;
  params->page = 1;
  params->page_size = kNewestCount;
  KDRequest::getAppchannelList(
      params, [](const Ref<KDPageInfo>&) {},
      [weak](const std::vector<Ref<KDAPPListModel>>& items) {
        auto me = weak.lock();
        if (!me) return;
        me->modelArray_ = items;
        me->contentView_->reloadData();
      },
      // The channel answer ends the refresh; a failed article page leaves the rows as they were.
      [](const fd::String&) {});

  // Sent at once, not after the articles: the two answers come in either order.
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& channels) {
        auto me = weak.lock();
        if (!me) return;
        me->collectionModelarray_ = KDMagazineListViewController::quarterlies(channels);
        me->collectionView_->reloadData();
        widgets::PHProgressHUD::dismiss();
        if (auto header = widgets::km_header(*me->contentView_)) header->endRefreshing();
      },
      [weak](const fd::String&) {
        // The client has shown the failure; the pull-down must not keep turning.
        auto me = weak.lock();
        if (!me) return;
        if (auto header = widgets::km_header(*me->contentView_)) header->endRefreshing();
      });
}

void KDMagazineViewController::push(const Ref<ui::ViewController>& next) {
  if (auto nav = navigationController(); nav && next) nav->pushViewController(next, true);
}

void KDMagazineViewController::openSupplement() {
  auto channel = rt::make<KDAppchannelModel>();
  channel->title = "云岫声";
  channel->trs_channel_id = kSupplementChannel;
  auto list = rt::make<KDmagazineArticListViewController>();
  list->setModel(channel);
  push(list);
}

void KDMagazineViewController::openQuarterlies() { push(rt::make<KDMagazineListViewController>()); }

int64_t KDMagazineViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::TableViewCell> KDMagazineViewController::tableViewCellForRowAtIndexPath(ui::TableView&,
                                                                                const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setisShowContent(true);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setModel(modelArray_[row]);
  return cell;
}

std::optional<double> KDMagazineViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                 const Ref<fd::IndexPath>&) {
  return 100.0;
}

std::optional<double> KDMagazineViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 50.0;
}

std::optional<double> KDMagazineViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.01;
}

std::optional<Ref<ui::View>> KDMagazineViewController::tableViewViewForHeaderInSection(ui::TableView&, int64_t) {
  double width = screenWidth();
  auto header = rt::make<ui::View>(gfx::Rect{{0, 20}, {width, 40}});
  header->setBackgroundColor(gfx::Color::whiteColor());
  auto band = QPUitools::createUIViewForSupeView(*header, customLineGreyColor());
  band->setFrame({{0, 0}, {width, 10}});
  auto image = QPUitools::createImageViewForSupeView(*band, gfx::Image::imageNamed("tessubao"));
  widgets::lc_makeConstraints(*image, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(widgets::lc_bottom(*band)).offset(5);
    make.left.equalTo(header).offset(5);
  });
  addHeading(*header, image, "云岫声副刊");

  Weak<KDMagazineViewController> weak = std::static_pointer_cast<KDMagazineViewController>(self());
  auto more = gfx::Image::imageNamed("youzou_more.png");
  headerMore_ = QPUitools::createButtonWithNormalImage(more, more, [weak] {
    if (auto me = weak.lock()) me->openSupplement();
  });
  header->addSubview(headerMore_);
  widgets::lc_makeConstraints(*headerMore_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(image);
    make.right.equalTo(header);
  });
  return Ref<ui::View>(header);
}

void KDMagazineViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) push(screenForArticle(modelArray_[row], false));
}

int64_t KDMagazineViewController::collectionViewNumberOfItemsInSection(ui::CollectionView&, int64_t) {
  return static_cast<int64_t>(collectionModelarray_.size());
}

Ref<ui::CollectionViewCell> KDMagazineViewController::collectionViewCellForItemAtIndexPath(
    ui::CollectionView& cv, const Ref<fd::IndexPath>& indexPath) {
  auto cell = std::static_pointer_cast<KDmagaineCollectionViewCell>(
      cv.dequeueReusableCellWithReuseIdentifier(kCollectionIdentifier, indexPath));
  auto item = static_cast<size_t>(indexPath->item());
  if (item < collectionModelarray_.size()) cell->setModel(collectionModelarray_[item]);
  return cell;
}

void KDMagazineViewController::collectionViewDidSelectItemAtIndexPath(ui::CollectionView&,
                                                                      const Ref<fd::IndexPath>& indexPath) {
  auto item = static_cast<size_t>(indexPath->item());
  if (item >= collectionModelarray_.size()) return;
  auto list = rt::make<KDmagazineArticListViewController>();
  list->setIsHiddenDate(true);
  list->setModel(collectionModelarray_[item]);
  push(list);
}

std::optional<gfx::Size> KDMagazineViewController::collectionViewLayoutSizeForItemAtIndexPath(
    ui::CollectionView&, ui::CollectionViewLayout&, const Ref<fd::IndexPath>&) {
  return KDMagazineListViewController::coverItemSize();
}

std::optional<gfx::EdgeInsets> KDMagazineViewController::collectionViewLayoutInsetForSectionAtIndex(
    ui::CollectionView&, ui::CollectionViewLayout&, int64_t) {
  return gfx::EdgeInsets{0, 5, 0, 5};
}

}  // namespace app
