#include "widgets/refresh/KMRefreshAutoStateFooter.h"

#include "platform/ui/input/TapGestureRecognizer.h"
#include "widgets/refresh/Label+KMRefresh.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshAutoStateFooter) {
  c.property("refreshingTitleHidden", &KMRefreshAutoStateFooter::isRefreshingTitleHidden,
             &KMRefreshAutoStateFooter::setRefreshingTitleHidden)
      .getterName("isRefreshingTitleHidden");
}

using S = KMRefreshComponentState;

Ref<ui::Label> KMRefreshAutoStateFooter::stateLabel() {
  if (auto label = stateLabel_.lock()) return label;
  auto label = km_refreshLabel();
  addSubview(label);
  stateLabel_ = label;
  return label;
}

void KMRefreshAutoStateFooter::setTitle(const std::optional<rt::String>& title, KMRefreshComponentState state) {
  if (!title) return;
  stateTitles_[state] = *title;
  stateLabel()->setText(titleForState(this->state()).value_or(rt::String()));
}

std::optional<rt::String> KMRefreshAutoStateFooter::titleForState(KMRefreshComponentState state) const {
  auto it = stateTitles_.find(state);
  if (it == stateTitles_.end()) return std::nullopt;
  return it->second;
}

void KMRefreshAutoStateFooter::stateLabelClick() {
  if (state() == S::idle) beginRefreshing();
}

void KMRefreshAutoStateFooter::prepare() {
  KMRefreshAutoFooter::prepare();
  setTitle(rt::String("点击或上拉加载更多"), S::idle);
  setTitle(rt::String("正在加载更多的数据..."), S::refreshing);
  setTitle(rt::String("已经全部加载完毕"), S::noMoreData);
  auto label = stateLabel();
  label->setUserInteractionEnabled(true);
  Weak<KMRefreshAutoStateFooter> weak = std::static_pointer_cast<KMRefreshAutoStateFooter>(self());
  label->addGestureRecognizer(rt::make<ui::TapGestureRecognizer>(self(), [weak](ui::GestureRecognizer&) {
    if (auto footer = weak.lock()) footer->stateLabelClick();
  }));
}

void KMRefreshAutoStateFooter::placeSubviews() {
  KMRefreshAutoFooter::placeSubviews();
  if (!km_isConstrained(*stateLabel())) stateLabel()->setFrame(bounds());
}

void KMRefreshAutoStateFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshAutoFooter::setState(state);
  if (state == S::refreshing && refreshingTitleHidden_) {
    stateLabel()->setText(rt::String());
  } else {
    stateLabel()->setText(titleForState(state).value_or(rt::String()));
  }
}

}  // namespace widgets
