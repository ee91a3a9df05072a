#include "app/screens/KDscenicListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/cells/KDScenicCell.h"
#include "app/screens/KDArticleDetailViewController.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDscenicListViewController) {}

void KDscenicListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, model_ ? model_->title : fd::String(), true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  loader_->start(contentView_, model_ ? model_->trs_channel_id : fd::String(), kPageSize);
  loader_->setDismissesProgressOnFailure(true);
  contentView_->registerClassForCellReuseIdentifier<KDScenicCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDscenicListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  view()->addSubview(contentView_);
  setRefreshHeadGroupbox(*contentView_);
  widgets::km_header(*contentView_)->beginRefreshing();
}

void KDscenicListViewController::setRefreshHeadGroupbox(ui::TableView& table) { loader_->attachHeader(table); }
void KDscenicListViewController::setRefreshFootGroupbox(ui::TableView& table) { loader_->attachFooter(table); }
void KDscenicListViewController::pulldown() { loader_->pulldown(); }
void KDscenicListViewController::pullUp() { loader_->pullUp(); }
void KDscenicListViewController::refreshData() { loader_->refreshData(); }

int64_t KDscenicListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray().size());
}

Ref<ui::TableViewCell> KDscenicListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDScenicCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray().size()) cell->setModel(modelArray()[row]);
  return cell;
}

void KDscenicListViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  auto nav = navigationController();
  if (row >= modelArray().size() || !nav) return;
  auto detail = rt::make<KDArticleDetailViewController>();
  detail->setIsShowAddress(true);
  detail->setModel(modelArray()[row]);
  nav->pushViewController(detail, true);
}

std::optional<double> KDscenicListViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                   const Ref<fd::IndexPath>&) {
  return 100.0;
}

std::optional<double> KDscenicListViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.1;
}

std::optional<double> KDscenicListViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.1;
}

}  // namespace app
