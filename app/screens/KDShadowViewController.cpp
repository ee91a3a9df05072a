#include "app/screens/KDShadowViewController.h"

#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDShadowCell.h"
#include "app/screens/KDGalleryChannels.h"
#include "app/service/KDRequest.h"
#include "platform/ui/view/Screen.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDShadowViewController) {}

void KDShadowViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, "光影", true);
  modelArray_.clear();
  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  auto me = std::static_pointer_cast<KDShadowViewController>(self());
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->registerClassForCellReuseIdentifier<KDShadowCell>(kIdentifier);
  view()->addSubview(contentView_);
  setRefreshHeadGroupbox(*contentView_);
  refreshData();
}

void KDShadowViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDShadowViewController::refreshData);
}

void KDShadowViewController::refreshData() {
  Weak<KDShadowViewController> weak = std::static_pointer_cast<KDShadowViewController>(self());
  KDRequest::getAppAppjuhe(
      kChannelInfo,
      [weak](const std::vector<std::vector<Ref<KDAPPListModel>>>& groups) {
        auto me = weak.lock();
        if (!me) return;
        me->modelArray_ = groups;
        me->contentView_->reloadData();
        me->endRefreshing();
      },
      [weak](const fd::String&) {
        if (auto me = weak.lock()) me->endRefreshing();
      });
}

void KDShadowViewController::endRefreshing() {
  if (auto header = widgets::km_header(*contentView_)) header->endRefreshing();
}

std::optional<int64_t> KDShadowViewController::numberOfSectionsInTableView(ui::TableView&) { return 3; }

int64_t KDShadowViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) { return 1; }

Ref<ui::TableViewCell> KDShadowViewController::tableViewCellForRowAtIndexPath(ui::TableView&,
                                                                              const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDShadowCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setIndexPath(indexPath);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto section = static_cast<size_t>(indexPath->section());
  const auto* gallery = galleryChannel(static_cast<int64_t>(section));
  // An answer with fewer groups than sections leaves the rest empty.
  if (gallery && section < modelArray_.size()) cell->setdata(modelArray_[section], gallery->title);
  return cell;
}

std::optional<double> KDShadowViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                               const Ref<fd::IndexPath>&) {
  return (ui::Screen::mainScreen()->bounds().size.width - 40) / 3 + 60;
}

std::optional<double> KDShadowViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 5.0;
}

std::optional<double> KDShadowViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
