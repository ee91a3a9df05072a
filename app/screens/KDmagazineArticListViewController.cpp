#include "app/screens/KDmagazineArticListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/cells/KDReuseIdentifiers.h"
#include "app/screens/KDArticleOpener.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"

namespace app {

RT_IMPLEMENT(KDmagazineArticListViewController) {}

void KDmagazineArticListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  topBar_ = addTopBar(*this, model_ ? model_->title : fd::String(), true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  loader_->start(contentView_, model_ ? model_->trs_channel_id : fd::String(), kPageSize);
  contentView_->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDmagazineArticListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  view()->addSubview(contentView_);
  setRefreshHeadGroupbox(*contentView_);
  refreshData();
}

void KDmagazineArticListViewController::setRefreshHeadGroupbox(ui::TableView& table) { loader_->attachHeader(table); }
void KDmagazineArticListViewController::setRefreshFootGroupbox(ui::TableView& table) { loader_->attachFooter(table); }
void KDmagazineArticListViewController::pulldown() { loader_->pulldown(); }
void KDmagazineArticListViewController::pullUp() { loader_->pullUp(); }
void KDmagazineArticListViewController::refreshData() { loader_->refreshData(); }

int64_t KDmagazineArticListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray().size());
}

Ref<ui::TableViewCell> KDmagazineArticListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  cell->setisShowContent(true);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray().size()) cell->setModel(modelArray()[row]);
  return cell;
}

std::optional<double> KDmagazineArticListViewController::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                          const Ref<fd::IndexPath>&) {
  return 100.0;
}

std::optional<double> KDmagazineArticListViewController::tableViewHeightForHeaderInSection(ui::TableView&, int64_t) {
  return 0.01;
}

std::optional<double> KDmagazineArticListViewController::tableViewHeightForFooterInSection(ui::TableView&, int64_t) {
  return 0.01;
}

void KDmagazineArticListViewController::tableViewDidSelectRowAtIndexPath(ui::TableView&,
                                                                         const Ref<fd::IndexPath>& indexPath) {
  auto row = static_cast<size_t>(indexPath->row());
  if (row >= modelArray().size()) return;
  auto nav = navigationController();
  if (auto next = screenForArticle(modelArray()[row], isHiddenDate_); next && nav) nav->pushViewController(next, true);
}

}  // namespace app
