#include "app/screens/KDPagedListLoader.h"

#include "app/categories/ScrollView+PullDown.h"
#include "app/service/KDRequest.h"
#include "widgets/progress/PHProgressHUD.h"
#include "widgets/refresh/KMRefreshAutoNormalFooter.h"
#include "widgets/refresh/KMRefreshHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

RT_IMPLEMENT(KDPagedListLoader) {}

void KDPagedListLoader::start(const Ref<ui::TableView>& table, const fd::String& trsId, int64_t pageSize) {
  table_ = table;
  pageSize_ = pageSize;
  rows_.clear();
  paramsModel_ = rt::make<KDAppChannelParamsModel>();
  paramsModel_->trs_id = trsId;
  paramsModel_->page_size = pageSize;
  paramsModel_->page = 1;
}

void KDPagedListLoader::attachHeader(ui::TableView& table) {
  addPullDownHeader(table, *this, &KDPagedListLoader::pulldown);
}

void KDPagedListLoader::attachFooter(ui::TableView& table) {
  Weak<KDPagedListLoader> weak = std::static_pointer_cast<KDPagedListLoader>(self());
  widgets::setKm_footer(table, widgets::KMRefreshFooter::footerWithRefreshingBlock<widgets::KMRefreshAutoNormalFooter>([weak] {
    if (auto me = weak.lock()) me->pullUp();
  }));
}

void KDPagedListLoader::pulldown() {
  isPullUp_ = false;
  paramsModel_->page_size = pageSize_;
  paramsModel_->page = 1;
  refreshData();
}

void KDPagedListLoader::pullUp() {
  isPullUp_ = true;
  refreshData();
}

void KDPagedListLoader::refreshData() {
  widgets::PHProgressHUD::showWithStatus("正在加载中...");
  Weak<KDPagedListLoader> weak = std::static_pointer_cast<KDPagedListLoader>(self());
  KDRequest::getAppchannelList(
      paramsModel_,
      [weak](const Ref<KDPageInfo>& info) {
        auto me = weak.lock();
        if (!me || !info) return;
        int64_t page = info->page.integerValue();
        if (page < info->total_page.integerValue()) {
          me->paramsModel_->page = page + 1;
          me->attachFooter(*me->table_);
        } else if (auto footer = widgets::km_footer(*me->table_)) {
          footer->removeFromSuperview();
        }
      },
      [weak](const std::vector<Ref<KDAPPListModel>>& items) {
        if (auto me = weak.lock()) me->loaded(items);
      },
      [weak](const fd::String&) {
        // The client shows the failure itself; left alone, the spinners would turn until the
        // next successful load.
        auto me = weak.lock();
        if (!me) return;
        me->endRefreshing();
        if (me->dismissesProgressOnFailure_) widgets::PHProgressHUD::dismiss();
      });
}

void KDPagedListLoader::loaded(const std::vector<Ref<KDAPPListModel>>& items) {
  if (!isPullUp_) rows_.clear();
  rows_.insert(rows_.end(), items.begin(), items.end());
  table_->reloadData();
  widgets::PHProgressHUD::dismiss();
  endRefreshing();
}

void KDPagedListLoader::endRefreshing() {
  if (auto header = widgets::km_header(*table_)) header->endRefreshing();
  if (auto footer = widgets::km_footer(*table_)) footer->endRefreshing();
}

}  // namespace app
