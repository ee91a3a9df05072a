#include "platform/ui/lists/RefreshControl.h"

#include <algorithm>

#include "platform/ui/lists/ScrollView.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(RefreshControl) {
  c.property("refreshing", &RefreshControl::isRefreshing).getterName("isRefreshing");
}

void RefreshControl::init() {
  Control::init(gfx::RectMake(0, -kHeight, 0, kHeight));
  setAlpha(0);
  spinner_ = rt::make<ActivityIndicatorView>(ActivityIndicatorViewStyle::Gray);
  addSubview(spinner_);
}

RefreshControl::~RefreshControl() {
  if (auto s = observed_.lock(); s && offsetToken_) s->removeObservation(offsetToken_);
}

Ref<ScrollView> RefreshControl::scrollView() const { return observed_.lock(); }

void RefreshControl::willMoveToSuperview(View* newSuperview) {
  Control::willMoveToSuperview(newSuperview);
  if (auto s = observed_.lock()) {
    if (offsetToken_) s->removeObservation(offsetToken_);
    if (insetAdded_ != 0) {
      gfx::EdgeInsets in = s->contentInset();
      in.top -= insetAdded_;
      s->setContentInset(in);
    }
  }
  offsetToken_ = 0;
  insetAdded_ = 0;
  observed_.reset();
}

void RefreshControl::didMoveToSuperview() {
  Control::didMoveToSuperview();
  auto s = std::dynamic_pointer_cast<ScrollView>(superview());
  if (!s) return;
  observed_ = s;
  s->setAlwaysBounceVertical(true);
  // Beneath the content, so rows drawn over the strip hide it.
  s->sendSubviewToBack(this);
  Weak<RefreshControl> weak = std::static_pointer_cast<RefreshControl>(self());
  offsetToken_ = s->observe(rt::String("contentOffset"), rt::KeyValueObservingOptionNew,
                            [weak](rt::Object*, const rt::KeyValueChange&) {
                              if (auto me = weak.lock()) me->scrollViewDidMove();
                            });
  if (refreshing_) reveal(true);
  place();
}

void RefreshControl::place() {
  auto s = scrollView();
  if (!s) return;
  // Just above the top of the content, however far the insets put it.
  setFrame(gfx::RectMake(0, -kHeight, s->bounds().size.width, kHeight));
  double pulled = s->minimumContentOffset().y + insetAdded_ - s->contentOffset().y;
  setAlpha(refreshing_ ? 1 : std::clamp(pulled / kPullThreshold, 0.0, 1.0));
}

void RefreshControl::layoutSubviews() {
  gfx::Rect b = bounds();
  spinner_->setCenter({b.origin.x + b.size.width / 2, b.origin.y + b.size.height / 2});
}

void RefreshControl::scrollViewDidMove() {
  auto s = scrollView();
  if (!s) return;
  place();
  double pulled = s->minimumContentOffset().y + insetAdded_ - s->contentOffset().y;
  if (!s->isDragging()) {
    armed_ = true;
    return;
  }
  if (refreshing_ || !armed_ || pulled < kPullThreshold) return;
  armed_ = false;
  refreshing_ = true;
  reveal(true);
  sendActionsForControlEvents(ControlEventValueChanged);
}

void RefreshControl::reveal(bool on) {
  auto s = scrollView();
  if (on) {
    spinner_->startAnimating();
    setAlpha(1);
  } else {
    spinner_->stopAnimating();
  }
  if (!s) return;
  double want = on ? kHeight : 0;
  if (want == insetAdded_) return;
  gfx::EdgeInsets in = s->contentInset();
  double newTop = -(in.top + want - insetAdded_);
  // Slide the strip away when the list is at rest showing it; a finger keeps its grip. The
  // slide starts before the inset shrinks, or the scroll view would snap the content back.
  if (!on && !s->isDragging() && s->contentOffset().y < newTop)
    s->setContentOffset({s->contentOffset().x, newTop}, true);
  in.top += want - insetAdded_;
  insetAdded_ = want;
  s->setContentInset(in);
}

void RefreshControl::beginRefreshing() {
  if (refreshing_) return;
  refreshing_ = true;
  reveal(true);
}

void RefreshControl::endRefreshing() {
  if (!refreshing_) return;
  refreshing_ = false;
  reveal(false);
  place();
}

}  // namespace ui
