#include "app/screens/KDmagazineArticListViewController.h"

#include "app/categories/Color+Category.h"
#include "app/cells/KDHomeNewsCell.h"
#include "app/screens/KDArticleOpener.h"
#include "app/service/KDRequest.h"
#include "platform/foundation/values/IndexPath.h"
#include "platform/ui/view/Screen.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/KMRefreshNormalHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDmagazineArticListViewController) {}

namespace {
const char* const kIdentifier = "Identifier";
}

void KDmagazineArticListViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto size = ui::Screen::mainScreen()->bounds().size;
  modelArray_.clear();
  topBar_ = addTopBar(*this, model_ ? model_->title : fd::String(), true);

  contentView_ = rt::make<ui::TableView>(gfx::Rect{{0, kTopBarHeight}, {size.width, size.height - kTopBarHeight}},
                                         ui::TableViewStyle::Grouped);
  contentView_->registerClassForCellReuseIdentifier<KDHomeNewsCell>(kIdentifier);
  contentView_->setSeparatorColor(customLineGreyColor());
  auto me = std::static_pointer_cast<KDmagazineArticListViewController>(self());
  contentView_->setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(std::static_pointer_cast<ui::TableViewDelegate>(me)));
  contentView_->setDataSource(std::weak_ptr<ui::TableViewDataSource>(me));
  view()->addSubview(contentView_);
  setRefreshHeadGroupbox(*contentView_);

  paramsModel_ = rt::make<KDAppChannelParamsModel>();
  paramsModel_->trs_id = model_ ? model_->trs_channel_id : fd::String();
  paramsModel_->page_size = kPageSize;
  paramsModel_->page = 1;
  refreshData();
}

void KDmagazineArticListViewController::setRefreshHeadGroupbox(ui::TableView& table) {
  Weak<KDmagazineArticListViewController> weak = std::static_pointer_cast<KDmagazineArticListViewController>(self());
  auto header = widgets::KMRefreshHeader::headerWithRefreshingBlock<widgets::KMRefreshNormalHeader>([weak] {
    if (auto me = weak.lock()) me->pulldown();
  });
  header->lastUpdatedTimeLabel()->setHidden(true);
  widgets::setKm_header(table, header);
}

void KDmagazineArticListViewController::setRefreshFootGroupbox(ui::TableView& table) {
  Weak<KDmagazineArticListViewController> weak = std::static_pointer_cast<KDmagazineArticListViewController>(self());
  widgets::setKm_footer(table, widgets::KMRefreshFooter::footerWithRefreshingBlock<widgets::KMRefreshAutoNormalFooter>([weak] {
    if (auto me = weak.lock()) me->pullUp();
  }));
}

void KDmagazineArticListViewController::pulldown() {
  isPullUp_ = false;
  paramsModel_->page_size = kPageSize;
  paramsModel_->page = 1;
  refreshData();
}

void KDmagazineArticListViewController::pullUp() {
  isPullUp_ = true;
  refreshData();
}

void KDmagazineArticListViewController::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  Weak<KDmagazineArticListViewController> weak = std::static_pointer_cast<KDmagazineArticListViewController>(self());
  KDRequest::getAppchannelList(
      paramsModel_,
      [weak](const Ref<KDPageInfo>& info) {
        auto me = weak.lock();
        if (!me || !info) return;
        int64_t page = info->page.integerValue();
        if (page < info->total_page.integerValue()) {
          me->paramsModel_->page = page + 1;
          me->setRefreshFootGroupbox(*me->contentView_);
        } else if (auto footer = widgets::km_footer(*me->contentView_)) {
          footer->removeFromSuperview();
        }
      },
      [weak](const std::vector<Ref<KDAPPListModel>>& items) {
        if (auto me = weak.lock()) me->loaded(items);
      },
      [weak](const fd::String&) {
        // The client has shown the failure; without this the spinners would turn until the
        // next successful load.
        if (auto me = weak.lock()) me->endRefreshing();
      });
}

void KDmagazineArticListViewController::loaded(const std::vector<Ref<KDAPPListModel>>& items) {
  if (!isPullUp_) modelArray_.clear();
  modelArray_.insert(modelArray_.end(), items.begin(), items.end());
  contentView_->reloadData();
  widgets::PHProgressHUD::dismiss();
  endRefreshing();
}

void KDmagazineArticListViewController::endRefreshing() {
  if (auto header = widgets::km_header(*contentView_)) header->endRefreshing();
  if (auto footer = widgets::km_footer(*contentView_)) footer->endRefreshing();
}

int64_t KDmagazineArticListViewController::tableViewNumberOfRowsInSection(ui::TableView&, int64_t) {
  return static_cast<int64_t>(modelArray_.size());
}

Ref<ui::TableViewCell> KDmagazineArticListViewController::tableViewCellForRowAtIndexPath(
    ui::TableView&, const Ref<fd::IndexPath>& indexPath) {
  // A new row every time: rows are never reused in the content lists.
  auto cell = rt::make<KDHomeNewsCell>(ui::TableViewCellStyle::Default, rt::String(kIdentifier));
  KDHomeNewsCell::setisShowContent(true);
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto row = static_cast<size_t>(indexPath->row());
  if (row < modelArray_.size()) cell->setModel(modelArray_[row]);
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
  if (row >= modelArray_.size()) return;
  auto nav = navigationController();
  if (auto next = screenForArticle(modelArray_[row], isHiddenDate_); next && nav) nav->pushViewController(next, true);
}

}  // namespace app
