#include "widgets/refresh/KMRefreshAutoFooter.h"

#include "platform/dispatch/Queue.h"
#include "platform/foundation/values/ValueBox.h"
#include "widgets/refresh/ScrollView+KMExtension.h"
#include "widgets/refresh/View+KMExtension.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshAutoFooter) {
  c.property("automaticallyRefresh", &KMRefreshAutoFooter::isAutomaticallyRefresh,
             &KMRefreshAutoFooter::setAutomaticallyRefresh)
      .getterName("isAutomaticallyRefresh");
  c.property("triggerAutomaticallyRefreshPercent", &KMRefreshAutoFooter::triggerAutomaticallyRefreshPercent,
             &KMRefreshAutoFooter::setTriggerAutomaticallyRefreshPercent);
}

using S = KMRefreshComponentState;

namespace {
std::optional<gfx::Point> pointIn(const rt::Id& value) {
  auto box = rt::as<fd::ValueBox>(value);
  gfx::Point p;
  if (!box || !box->get(p)) return std::nullopt;
  return p;
}
}  // namespace

void KMRefreshAutoFooter::prepare() {
  KMRefreshFooter::prepare();
  setTriggerAutomaticallyRefreshPercent(1.0);
  setAutomaticallyRefresh(true);
}

void KMRefreshAutoFooter::willMoveToSuperview(ui::View* newSuperview) {
  bool wasAttached = isAttached();
  KMRefreshFooter::willMoveToSuperview(newSuperview);
  auto scroll = scrollView();
  if (!scroll) return;
  double h = km_h(*this);
  if (newSuperview == scroll.get()) {
    if (!isHidden()) setKm_insetB(*scroll, km_insetB(*scroll) + h);
    setKm_y(*this, km_contentH(*scroll));
  } else if (!newSuperview && wasAttached) {
    if (!isHidden()) setKm_insetB(*scroll, km_insetB(*scroll) - h);
  }
}

void KMRefreshAutoFooter::scrollViewContentSizeDidChange(const rt::KeyValueChange* change) {
  KMRefreshFooter::scrollViewContentSizeDidChange(change);
  if (auto scroll = scrollView()) setKm_y(*this, km_contentH(*scroll));
}

void KMRefreshAutoFooter::scrollViewContentOffsetDidChange(const rt::KeyValueChange* change) {
  KMRefreshFooter::scrollViewContentOffsetDidChange(change);
  auto scroll = scrollView();
  if (!scroll || !change) return;
  if (state() != S::idle || !automaticallyRefresh_ || km_y(*this) == 0) return;
  double h = km_h(*this), v = km_h(*scroll), c = km_contentH(*scroll);
  double t = km_insetT(*scroll), b = km_insetB(*scroll), y = km_offsetY(*scroll);
  if (t + c <= v) return;
  if (y < c - v + h * triggerPercent_ + b - h) return;
  auto now = pointIn(change->newValue), before = pointIn(change->oldValue);
  // Only on the way towards the end of the list.
  if (!now || !before || now->y <= before->y) return;
  beginRefreshing();
}

void KMRefreshAutoFooter::scrollViewPanStateDidChange(const rt::KeyValueChange* change) {
  KMRefreshFooter::scrollViewPanStateDidChange(change);
  auto scroll = scrollView();
  if (!scroll || state() != S::idle) return;
  if (!pan() || pan()->state() != ui::GestureRecognizerState::Ended) return;
  double v = km_h(*scroll), c = km_contentH(*scroll);
  double t = km_insetT(*scroll), b = km_insetB(*scroll), y = km_offsetY(*scroll);
  bool reached = t + c <= v ? y >= -t : y >= c + b - v;
  if (reached) beginRefreshing();
}

void KMRefreshAutoFooter::setState(KMRefreshComponentState state) {
  if (state == this->state()) return;
  KMRefreshFooter::setState(state);
  if (state == S::refreshing) {
    auto keep = std::static_pointer_cast<KMRefreshAutoFooter>(self());
    dispatch::mainQueue()->after(KMRefreshAutoFooterCallbackDelay, [keep] { keep->executeRefreshingCallback(); });
  }
}

void KMRefreshAutoFooter::setHidden(bool hidden) {
  bool was = isHidden();
  KMRefreshFooter::setHidden(hidden);
  if (was == hidden || !isAttached()) return;
  auto scroll = scrollView();
  double h = km_h(*this);
  if (hidden) {
    setState(S::idle);
    setKm_insetB(*scroll, km_insetB(*scroll) - h);
  } else {
    setKm_insetB(*scroll, km_insetB(*scroll) + h);
    setKm_y(*this, km_contentH(*scroll));
  }
}

}  // namespace widgets
