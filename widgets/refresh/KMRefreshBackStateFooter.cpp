#include "widgets/refresh/KMRefreshBackStateFooter.h"

#include "widgets/refresh/Label+KMRefresh.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshBackStateFooter) {}

using S = KMRefreshComponentState;

Ref<ui::Label> KMRefreshBackStateFooter::stateLabel() {
  if (auto label = stateLabel_.lock()) return label;
  auto label = km_refreshLabel();
  addSubview(label);
  stateLabel_ = label;
  return label;
}

void KMRefreshBackStateFooter::setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state) {
  if (!title) return;
  stateTitles_[state] = *title;
  stateLabel()->setText(titleForState(this->state()).value_or(rt::String()));
}

std::optional<rt::String> KMRefreshBackStateFooter::titleForState(KMRefreshComponentState state) const {
  auto it = stateTitles_.find(state);
  if (it == stateTitles_.end()) return std::nullopt;
  return it->second;
}

void KMRefreshBackStateFooter::prepare() {
  KMRefreshBackFooter::prepare();
  setTitle(rt::String("上拉可以加载更多"), S::idle);
  setTitle(rt::String("松开立即加载更多"), S::pulling);
  setTitle(rt::String("正在加载更多的数据..."), S::refreshing);
  setTitle(rt::String("已经全部加载完毕"), S::noMoreData);
}

void KMRefreshBackStateFooter::placeSubviews() {
  KMRefreshBackFooter::placeSubviews();
  if (!km_isConstrained(*stateLabel())) stateLabel()->setFrame(bounds());
}

void KMRefreshBackStateFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshBackFooter::setState(state);
  stateLabel()->setText(titleForState(state).value_or(rt::String()));
}

}  // namespace widgets
