#include "app/screens/KDActiveListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDArticleOpener.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDActiveListViewController) {}

void KDActiveListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, model_ ? model_->title : fd::String(), true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  loader_->start(contentView_, model_ ? model_->trs_channel_id : fd::String(), kPageSize);
  contentView_->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDActiveListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  setRefreshHeadGroupbox(*contentView_);
  view()->addSubview(contentView_);
  widgets::km_header(*contentView_)->beginRefreshing();
}

void KDActiveListViewController::setRefreshHeadGroupbox(ui::TableView& table) { loader_->attachHeader(table); }
void KDActiveListViewController::setRefreshFootGroupbox(ui::TableView& table) { loader_->attachFooter(table); }
void KDActiveListViewController::pulldown() { loader_->pulldown(); }
void KDActiveListViewController::pullUp() { loader_->pullUp(); }
void KDActiveListViewController::refreshData() { loader_->refreshData(); }

int64_t KDActiveListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray().size());
}

Ref<ui::TableViewCell> KDActiveListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  fd::NSLog("%s(%d): cell.isShowContent --- %d", __func__, __LINE__, isShowContent_ ? 1 : 0);
  cell->setisShowContent(isShowContent_);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray().size()) cell->setModel(modelArray()[row]);
  return cell;
}

void KDActiveListViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  auto nav = navigationController();
  if (row >= modelArray().size() || !nav) return;
  if (auto next = screenForArticle(modelArray()[row], true)) nav->pushViewController(next, true);
}

std::optional<double> KDActiveListViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                   const Ref<fd::IndexPath>&) {
  return isShowContent_ ? 90.0 : 100.0;
}

std::optional<double> KDActiveListViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDActiveListViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
