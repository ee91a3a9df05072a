#include "app/screens/KDTourismViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDTourismCell.h"
#include "app/screens/KDShadowViewController.h"
#include "app/service/KDRequest.h"
#include "app/shell/KDTopBar.h"
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

RT_IMPLEMENT(KDTourismViewController) {}

namespace {

constexpr double kTabBarHeight = 49;

template <class T>
std::vector<rt::Id> items(const std::vector<Ref<T>>& records) {
  return std::vector<rt::Id>(records.begin(), records.end());
}

}  // namespace

void KDTourismViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  profileModelarray_.clear();
  scenicModelarray_.clear();
  foodModelarray_.clear();
  lifeModelarray_.clear();
  historyModelarray_.clear();

  auto root = view();
  titleBar_ = QPUitools::createUIViewForSupeView(*root, colorWithRGB(245, 245, 245));
  widgets::lc_makeConstraints(*titleBar_, [&](widgets::LCConstraintMaker& make) {
    make.top.equalTo(root);
    make.left.equalTo(root);
    make.width.equalTo(fd::box(size.width));
    make.height.equalTo(fd::box(kTopBarHeight));
  });
  titleLabel_ = QPUitools::createLabelForSupeView(*root, 18, customSelectColor());
  titleLabel_->setFont(typeset::Font::boldSystemFontOfSize(18));
  titleLabel_->setTextAlignment(typeset::TextAlignment::Center);
  titleLabel_->setText("游走");
  widgets::lc_makeConstraints(*titleLabel_, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(titleBar_).offset(10);
    make.left.equalTo(root).offset(50);
    make.right.equalTo(root).offset(-40);
  });

  contentView_ = rt::make<ui::TableView>(
      gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight - kTabBarHeight}},
      ui::TableViewStyle::Grouped);
  auto me = std::static_pointer_cast<KDTourismViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  contentView_->registerClassForCellReuseIdentifier<KDTourismCell>(kIdentifier);
  root->addSubview(contentView_);

  setTableViewHeadView();
  setRefreshHeadGroupbox(*contentView_);
  refreshData();
}

void KDTourismViewController::setTableViewHeadView() {
  double w = ui::Screen::mainScreen()->bounds().size.width;
  gfx::Rect frame{{0, 0}, {w, w * 0.5}};
  auto header = rt::make<ui::View>(frame);
  header->setBackgroundColor(colorWithRGB(245, 245, 245));
  contentView_->setTableHeaderView(header);
  cycleScrollView_ = widgets::WICycleScrollView::cycleScrollViewWithFrame(frame, std::vector<rt::String>{});
  cycleScrollView_->setPageControlAliment(1);
  cycleScrollView_->setPageControlStyle(widgets::WIPageControlStyleSystem);
  cycleScrollView_->setPlaceholderImage(gfx::Image::imageNamed("placeimage"));
  cycleScrollView_->setAutoScrollTimeInterval(5);
  cycleScrollView_->setDelegate(Weak<widgets::WICycleScrollViewDelegate>(
      std::static_pointer_cast<KDTourismViewController>(self())));
  header->addSubview(cycleScrollView_);
}

void KDTourismViewController::cycleScrollViewDidSelectItemAtIndex(widgets::WICycleScrollView&, int64_t) {
  if (auto nav = navigationController()) nav->pushViewController(rt::make<KDShadowViewController>(), true);
}

void KDTourismViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDTourismViewController::refreshData);
}

void KDTourismViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  getBanner();
  Weak<KDTourismViewController> weak = std::static_pointer_cast<KDTourismViewController>(self());
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& channels) {
        if (auto me = weak.lock()) me->channelsArrived(channels);
      },
      nullptr);
  KDRequest::getAppAppjuhe(
      kAggregation,
      [weak](const std::vector<std::vector<Ref<KDAPPListModel>>>& groups) {
        if (auto me = weak.lock()) me->groupsArrived(groups);
      },
      [weak](const fd::String&) {
        // The client shows the failure; the pull-down would otherwise turn until the next
        // successful load.
        if (auto me = weak.lock()) me->endLoading();
      });
}

void KDTourismViewController::getBanner() {
  auto params = rt::make<KDAppChannelParamsModel>();
  params->trs_id = kBannerChannel;
  params->page_size = kBannerCount;
  Weak<KDTourismViewController> weak = std::static_pointer_cast<KDTourismViewController>(self());
  KDRequest::getAppchannelList(
      params, nullptr,
      [weak](const std::vector<Ref<KDAPPListModel>>& records) {
        auto me = weak.lock();
        if (!me) return;
        // A banner without a picture address has nothing to show: it is left out rather than
        // given an empty address that could only fail to load.
        std::vector<rt::String> urls;
        for (const auto& r : records)
          if (r->picMode && !r->picMode->absUrl.isEmpty())
            urls.push_back(KDHomeNewsCell::pictureAddress(r->picMode->absUrl));
        me->cycleScrollView_->setImageURLStringsGroup(std::move(urls));
      },
      nullptr);
}

void KDTourismViewController::channelsArrived(const std::vector<Ref<KDAppchannelModel>>& channels) {
  profileModelarray_.clear();
  historyModelarray_.clear();
  lifeModelarray_.clear();
  for (const auto& c : channels) {
    if (c->parent_id == "55") profileModelarray_.push_back(c);
    else if (c->parent_id == "59") historyModelarray_.push_back(c);
    else if (c->parent_id == "101") lifeModelarray_.push_back(c);
  }
  contentView_->reloadData();
}

void KDTourismViewController::groupsArrived(const std::vector<std::vector<Ref<KDAPPListModel>>>& groups) {
  scenicModelarray_.clear();
  foodModelarray_.clear();
  if (groups.size() > 0) scenicModelarray_ = groups[0];
  if (groups.size() > 1) foodModelarray_ = groups[1];
  endLoading();
  contentView_->reloadData();
}

void KDTourismViewController::endLoading() {
  if (auto header = widgets::km_header(*contentView_)) header->endRefreshing();
  widgets::PHProgressHUD::dismiss();
}

fd::String KDTourismViewController::sectionTitle(int64_t section) {
  static const char* const kTitles[kSections] = {"概况", "景点", "美食", "导航", "人文历史"};
  return section >= 0 && section < kSections ? fd::String(kTitles[section]) : fd::String();
}

std::vector<rt::Id> KDTourismViewController::sectionItems(int64_t section) const {
  switch (section) {
    case 0: return items(profileModelarray_);
    case 1: return items(scenicModelarray_);
    case 2: return items(foodModelarray_);
    case 3: return items(lifeModelarray_);
    case 4: return items(historyModelarray_);
    default: return {};
  }
}

std::optional<int64_t> KDTourismViewController::numberOfSectionsInTableView(ui::TableView&) { return kSections; }

int64_t KDTourismViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) { return 1; }

Ref<ui::TableViewCell> KDTourismViewController::tableViewCellForRowAtIndexPath(ui::TableView&,
                                                                              const Ref<fd::IndexPath>& indexPath) {
  // A new row at every reload: the strip is built for the items of this moment.
  auto cell = rt::make<KDTourismCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setIndexPath(indexPath);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto section = static_cast<int64_t>(indexPath->section());
  cell->setdata(sectionItems(section), sectionTitle(section));
  return cell;
}

std::optional<double> KDTourismViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                const Ref<fd::IndexPath>& indexPath) {
  double w = ui::Screen::mainScreen()->bounds().size.width;
  return KDTourismCell::isLargeStrip(static_cast<int64_t>(indexPath->section())) ? (w - 40) / 3 + 60 : w / 3;
}

std::optional<double> KDTourismViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t section) {
  return section == 0 ? 0.01 : 5.0;
}

std::optional<double> KDTourismViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
