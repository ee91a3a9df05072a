#include "widgets/refresh/KMRefreshComponent.h"

#include "platform/dispatch/Queue.h"
#include "platform/ui/view/ViewAnimation.h"

namespace widgets {

RT_IMPLEMENT(KMRefreshComponent) {
  c.property("pullingPercent", &KMRefreshComponent::pullingPercent, &KMRefreshComponent::setPullingPercent);
  c.property("automaticallyChangeAlpha", &KMRefreshComponent::isAutomaticallyChangeAlpha,
             &KMRefreshComponent::setAutomaticallyChangeAlpha)
      .getterName("isAutomaticallyChangeAlpha");
}

void KMRefreshComponent::init(gfx::Rect frame) {
  ui::View::init(frame);
  prepare();
  // Through the setter, from no state at all, so that every class shows its idle look.
  setState(KMRefreshComponentState::idle);
}

KMRefreshComponent::~KMRefreshComponent() {
  // The observed objects keep plain pointers to observers: none may outlive the component.
  removeObservers();
}

void KMRefreshComponent::prepare() {
  setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth);
  setBackgroundColor(gfx::Color::clearColor());
}

void KMRefreshComponent::layoutSubviews() {
  ui::View::layoutSubviews();
  placeSubviews();
}

void KMRefreshComponent::willMoveToSuperview(ui::View* newSuperview) {
  ui::View::willMoveToSuperview(newSuperview);
  if (auto* scroll = dynamic_cast<ui::ScrollView*>(newSuperview)) {
    removeObservers();
    gfx::Rect f = frame();
    f.size.width = static_cast<ui::View*>(scroll)->frame().size.width;
    f.origin.x = 0;
    setFrame(f);
    scrollView_ = std::static_pointer_cast<ui::ScrollView>(scroll->self());
    scroll->setAlwaysBounceVertical(true);
    scrollViewOriginalInset_ = scroll->contentInset();
    addObservers();
  } else if (!newSuperview) {
    removeObservers();
  }
}

void KMRefreshComponent::drawRect(gfx::Rect rect) {
  ui::View::drawRect(rect);
  if (state_ == KMRefreshComponentState::willRefresh) setState(KMRefreshComponentState::refreshing);
}

// ---- observing

void KMRefreshComponent::addObservers() {
  auto scroll = scrollView_.lock();
  if (!scroll) return;
  uint32_t options = rt::KeyValueObservingOptionNew | rt::KeyValueObservingOptionOld;
  scroll->addObserver(this, "contentOffset", options);
  scroll->addObserver(this, "contentSize", options);
  observed_ = scroll;
  pan_ = scroll->panGestureRecognizer();
  pan_->addObserver(this, "state", options);
}

void KMRefreshComponent::removeObservers() {
  if (auto scroll = observed_.lock()) {
    scroll->removeObserver(this, "contentOffset");
    scroll->removeObserver(this, "contentSize");
  }
  observed_.reset();
  if (pan_) pan_->removeObserver(this, "state");
  pan_.reset();
}

void KMRefreshComponent::observeValueForKeyPath(const rt::String& keyPath, rt::Object* object,
                                                const rt::KeyValueChange& change, void* context) {
  (void)object;
  (void)context;
  if (!isUserInteractionEnabled()) return;
  if (keyPath == "contentSize") scrollViewContentSizeDidChange(&change);
  if (isHidden()) return;
  if (keyPath == "contentOffset") {
    scrollViewContentOffsetDidChange(&change);
  } else if (keyPath == "state") {
    scrollViewPanStateDidChange(&change);
  }
}

// ---- refreshing

void KMRefreshComponent::setRefreshingTarget(const Ref<rt::Object>& target, rt::Selector action) {
  setRefreshingTarget(target);
  setRefreshingAction(action);
}

void KMRefreshComponent::beginRefreshing() {
  auto keep = self();
  ui::ViewAnimation::animate(KMRefreshFastAnimationDuration, [this] { setAlpha(1.0); });
  setPullingPercent(1.0);
  if (window()) {
    setState(KMRefreshComponentState::refreshing);
  } else {
    setState(KMRefreshComponentState::willRefresh);
    setNeedsDisplay();
  }
}

void KMRefreshComponent::endRefreshing() { setState(KMRefreshComponentState::idle); }

bool KMRefreshComponent::isRefreshing() const {
  return state_ == KMRefreshComponentState::refreshing || state_ == KMRefreshComponentState::willRefresh;
}

void KMRefreshComponent::executeRefreshingCallback() {
  auto keep = std::static_pointer_cast<KMRefreshComponent>(self());
  dispatch::mainQueue()->async([keep] {
    if (keep->refreshingBlock_) keep->refreshingBlock_();
    auto target = keep->refreshingTarget_.lock();
    if (target && keep->refreshingAction_ && target->respondsToSelector(keep->refreshingAction_)) {
      std::vector<rt::Value> args;
      if (keep->refreshingAction_.argumentCount() >= 1) args.push_back(rt::Value::ofObject(keep));
      target->performSelector(keep->refreshingAction_, args);
    }
  });
}

// ---- transparency

void KMRefreshComponent::setPullingPercent(double percent) {
  pullingPercent_ = percent;
  if (isRefreshing()) return;
  if (automaticallyChangeAlpha_) setAlpha(percent);
}

void KMRefreshComponent::setAutomaticallyChangeAlpha(bool on) {
  automaticallyChangeAlpha_ = on;
  if (isRefreshing()) return;
  setAlpha(on ? pullingPercent_ : 1.0);
}

}  // namespace widgets
