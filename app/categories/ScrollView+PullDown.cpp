#include "app/categories/ScrollView+PullDown.h"

#include "widgets/refresh/KMRefreshNormalHeader.h"
#include "widgets/refresh/ScrollView+KMRefresh.h"

namespace app {

void addPullDownHeader(ui::ScrollView& scrollView, std::function<void()> action) {
  auto header = widgets::KMRefreshHeader::headerWithRefreshingBlock<widgets::KMRefreshNormalHeader>(std::move(action));
  header->lastUpdatedTimeLabel()->setHidden(true);
  widgets::setKm_header(scrollView, header);
}

}  // namespace app
