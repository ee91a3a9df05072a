#include "app/screens/KDHistoryListViewController.h"

#include "app/categories/ScrollView+PullDown.h"
#include <algorithm>

#include "app/categories/Color+Category.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "app/service/KDRequest.h"
#include "app/utilities/QPUitools.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/typeset/Font.h"
#include "platform/ui/view/Screen.h"
#include "platform/foundation/values/Number.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDHistoryListViewController) {}

void KDHistoryListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, model_ ? model_->title : fd::String(), true);
  channelmodelArray_.clear();
  modelArray_.clear();

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  contentView_->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDHistoryListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  setRefreshHeadGroupbox(*contentView_);
  view()->addSubview(contentView_);
  widgets::km_header(*contentView_)->beginRefreshing();
}

void KDHistoryListViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDHistoryListViewController::pulldown);
}

void KDHistoryListViewController::pulldown() { refreshData(); }

void KDHistoryListViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  Weak<KDHistoryListViewController> weak = std::static_pointer_cast<KDHistoryListViewController>(self());
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& all) {
        auto me = weak.lock();
        if (!me) return;
        std::vector<Ref<KDAppchannelModel>> channels;
        for (const auto& c : all)
          if (c->parent_id == kParentChannel) channels.push_back(c);
        me->refreshHistoryData(channels);
      },
      [weak](const fd::String&) {
        if (auto me = weak.lock()) me->endLoading();
      });
}

fd::String KDHistoryListViewController::channelInfo(const std::vector<Ref<KDAppchannelModel>>& channels) {
  fd::String info;
  for (const auto& c : channels) info = info + fd::String::format("%@@news_list@3|", c->id);
  return info.isEmpty() ? info : info.substringToIndex(info.length() - 1);
}

void KDHistoryListViewController::refreshHistoryData(const std::vector<Ref<KDAppchannelModel>>& channels) {
  // No channel, no aggregation text: the service would refuse an empty one.
  if (channels.empty()) {
    loaded({}, {});
    return;
  }
  Weak<KDHistoryListViewController> weak = std::static_pointer_cast<KDHistoryListViewController>(self());
  KDRequest::getAppAppjuhe(
      channelInfo(channels),
      [weak, channels](const std::vector<std::vector<Ref<KDAPPListModel>>>& groups) {
        if (auto me = weak.lock()) me->loaded(channels, groups);
      },
      [weak](const fd::String&) {
        if (auto me = weak.lock()) me->endLoading();
      });
}

void KDHistoryListViewController::loaded(std::vector<Ref<KDAppchannelModel>> channels,
                                         std::vector<std::vector<Ref<KDAPPListModel>>> groups) {
  channelmodelArray_ = std::move(channels);
  modelArray_ = std::move(groups);
  endLoading();
  contentView_->reloadData();
}

void KDHistoryListViewController::endLoading() {
  if (auto header = widgets::km_header(*contentView_)) header->endRefreshing();
  widgets::PHProgressHUD::dismiss();
}

const std::vector<Ref<KDAPPListModel>>* KDHistoryListViewController::group(int64_t section) const {
  if (section < 0 || static_cast<size_t>(section) >= modelArray_.size()) return nullptr;
  return &modelArray_[static_cast<size_t>(section)];
}

std::optional<int64_t> KDHistoryListViewController::numberOfSectionsInTableView(ui::TableView&) {
  // A group without its channel (or the reverse) would have no header to stand under.
  return static_cast<int64_t>(std::min(modelArray_.size(), channelmodelArray_.size()));
}

int64_t KDHistoryListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t section) {
  auto g = group(section);
  return g ? static_cast<int64_t>(g->size()) : 0;
}

Ref<ui::TableViewCell> KDHistoryListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  cell->setisShowContent(false);
  auto g = group(static_cast<int64_t>(indexPath->section()));
  auto row = static_cast<size_t>(indexPath->row());
  if (g && row < g->size()) cell->setModel((*g)[row]);
  return cell;
}

void KDHistoryListViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&,
                                                                   const Ref<fd::IndexPath>& indexPath) {
  auto g = group(static_cast<int64_t>(indexPath->section()));
  auto row = static_cast<size_t>(indexPath->row());
  auto nav = navigationController();
  if (!g || row >= g->size() || !nav) return;
  auto detail = rt::make<KDArticleDetailViewController>();
  detail->setIsHiddenDate(true);
  detail->setModel((*g)[row]);
  nav->pushViewController(detail, true);
}

std::optional<double> KDHistoryListViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                    const Ref<fd::IndexPath>&) {
  return 100.0;
}

std::optional<double> KDHistoryListViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 44.0;
}

std::optional<double> KDHistoryListViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<Ref<ui::View>> KDHistoryListViewController::tableViewViewForHeaderInSection(ui::TableView&,
                                                                                          int64_t section) {
  double w = ui::Screen::mainScreen()->bounds().size.width;
  auto header = rt::make<ui::View>(gfx::Rect{{0, 20}, {w, 40}});
  header->setBackgroundColor(gfx::Color::whiteColor());
  if (section < 0 || static_cast<size_t>(section) >= channelmodelArray_.size()) return header;
  Ref<KDAppchannelModel> channel = channelmodelArray_[static_cast<size_t>(section)];

  auto band = QPUitools::createUIViewForSupeView(*header, customLineGreyColor());
  widgets::lc_makeConstraints(*band, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(w));
    make.height.equalTo(fd::box(10.0));
    make.top.equalTo(header);
    make.left.equalTo(header);
  });
  auto bar = QPUitools::createUIViewForSupeView(*header, customSelectColor());
  widgets::lc_makeConstraints(*bar, [&](widgets::LCConstraintMaker& make) {
    make.width.equalTo(fd::box(4.0));
    make.height.equalTo(fd::box(15.0));
    make.top.equalTo(widgets::lc_bottom(*band)).offset(10);
    make.left.equalTo(header);
  });
  auto title = QPUitools::createLabelForSupeView(*header, 16, gfx::Color::blackColor());
  title->setFont(typeset::Font::boldSystemFontOfSize(16));
  title->setText(channel->title);
  widgets::lc_makeConstraints(*title, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(bar);
    make.left.equalTo(widgets::lc_right(*bar)).offset(10);
  });
  Weak<KDHistoryListViewController> weak = std::static_pointer_cast<KDHistoryListViewController>(self());
  auto more = gfx::Image::imageNamed("youzou_more.png");
  // The button keeps its own channel: the lists may be replaced before it is tapped.
  auto button = QPUitools::createButtonWithNormalImage(more, more, [weak, channel] {
    auto me = weak.lock();
    auto nav = me ? me->navigationController() : nullptr;
    if (!nav) return;
    auto list = rt::make<KDActiveListViewController>();
    list->setModel(channel);
    nav->pushViewController(list, true);
  });
  header->addSubview(button);
  widgets::lc_makeConstraints(*button, [&](widgets::LCConstraintMaker& make) {
    make.centerY.equalTo(bar);
    make.right.equalTo(header);
  });
  return header;
}

}  // namespace app
