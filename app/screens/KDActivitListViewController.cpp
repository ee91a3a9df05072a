#include "app/screens/KDActivitListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/categories/ScrollView+PullDown.h"
#include "app/cells/KDActivitCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDActiveListViewController.h"
#include "app/service/KDRequest.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/controllers/NavigationController.h"
#include "platform/ui/view/Screen.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDActivitListViewController) {}

void KDActivitListViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, kTitle, true);
  modelArray_.clear();

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  contentView_->registerClassForCellReuseIdentifier<KDActivitCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDActivitListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  setRefreshHeadGroupbox(*contentView_);
  view()->addSubview(contentView_);
  widgets::km_header(*contentView_)->beginRefreshing();
}

void KDActivitListViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDActivitListViewController::refreshData);
}

void KDActivitListViewController::refreshData() {
  Weak<KDActivitListViewController> weak = std::static_pointer_cast<KDActivitListViewController>(self());
  KDRequest::getAppchannelSuccess(
      [weak](const std::vector<Ref<KDAppchannelModel>>& channels) {
        auto me = weak.lock();
        if (!me) return;
        me->modelArray_.clear();
        for (const auto& channel : channels) {
          if (channel->parent_id == kActivityParentId) me->modelArray_.push_back(channel);
        }
        me->contentView_->reloadData();
        // Also when the answer held no channel at all: the header is not left spinning.
        me->endRefreshing();
      },
      [weak](const fd::String&) {
        // The client shows the failure; the header would otherwise spin until a success.
        if (auto me = weak.lock()) me->endRefreshing();
      });
}

void KDActivitListViewController::endRefreshing() {
  if (auto header = widgets::km_header(*contentView_)) header->endRefreshing();
}

int64_t KDActivitListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::TableViewCell> KDActivitListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDActivitCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setModel(modelArray_[row]);
  return cell;
}

void KDActivitListViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&,
                                                                   const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  if (row >= modelArray_.size()) return;
  auto list = rt::make<KDActiveListViewController>();
  list->setModel(modelArray_[row]);
  if (auto nav = navigationController()) nav->pushViewController(list, true);
}

std::optional<double> KDActivitListViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                    const Ref<fd::IndexPath>&) {
  return KDActivitCell::rowHeight(ui::Screen::mainScreen()->bounds().size.width);
}

std::optional<double> KDActivitListViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDActivitListViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
