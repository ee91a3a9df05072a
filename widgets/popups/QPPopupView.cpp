#include "widgets/popups/QPPopupView.h"

#include "platform/ui/view/ViewAnimation.h"
#include "widgets/constraints/LCConstraintMaker.h"
#include "widgets/constraints/View+LCAdditions.h"
#include "widgets/popups/QPPopupWindow.h"
#include "widgets/popups/View+QPPopupDim.h"

namespace widgets {

RT_IMPLEMENT(QPPopupView) {}

namespace {
constexpr uint64_t kShowOptions = ui::ViewAnimationOptionCurveEaseOut | ui::ViewAnimationOptionBeginFromCurrentState;
constexpr uint64_t kHideOptions = ui::ViewAnimationOptionCurveEaseIn | ui::ViewAnimationOptionBeginFromCurrentState;

Ref<QPPopupView> strong(const Weak<QPPopupView>& weak) { return weak.lock(); }

void enter(QPPopupView& popup, ui::View& host) { qp_dimBackgroundView(host)->addSubview(rt::as<ui::View>(popup.self())); }

void leave(const Ref<QPPopupView>& popup) {
  popup->removeFromSuperview();
  if (popup->hideCompletionBlock) popup->hideCompletionBlock(*popup);
}

void shown(const Ref<QPPopupView>& popup) {
  if (popup->showCompletionBlock) popup->showCompletionBlock(*popup);
}
}  // namespace

void QPPopupView::init() {
  ui::View::init();
  setup();
}

void QPPopupView::init(gfx::Rect frame) {
  ui::View::init(frame);
  setup();
}

void QPPopupView::setup() {
  setType(PopupTypeAlert);
  setAnimationDuration(static_cast<double>(0.3f));
}

bool QPPopupView::visible() { return attachedView && !qp_dimBackgroundView(*attachedView)->isHidden(); }

void QPPopupView::setType(uint64_t type) {
  switch (type) {
    case PopupTypeAlert: showAnimation = alertShowAnimation(); hideAnimation = alertHideAnimation(); break;
    case PopupTypeSheet: showAnimation = sheetShowAnimation(); hideAnimation = sheetHideAnimation(); break;
    case PopupTypeCustom: showAnimation = customShowAnimation(); hideAnimation = customHideAnimation(); break;
    default: break;
  }
  type_ = static_cast<PopupType>(type);
}

void QPPopupView::setAnimationDuration(double seconds) {
  duration_ = seconds;
  if (attachedView) setQp_dimAnimationDuration(*attachedView, seconds);
}

void QPPopupView::showWithBlock(PopupBlock completion) {
  if (completion) showCompletionBlock = std::move(completion);
  if (!attachedView) attachedView = QPPopupWindow::sharedWindow()->attachView();
  if (!holdsDim_) {
    holdsDim_ = true;
    qp_showDimBackground(*attachedView);
  }
  if (showAnimation) showAnimation(*this);
  if (withKeyboard) showKeyboard();
}

void QPPopupView::hideWithBlock(PopupBlock completion) {
  if (completion) hideCompletionBlock = std::move(completion);
  if (!attachedView) attachedView = QPPopupWindow::sharedWindow()->attachView();
  if (holdsDim_) {
    holdsDim_ = false;
    qp_hideDimBackground(*attachedView);
  }
  if (withKeyboard) hideKeyboard();
  if (hideAnimation) hideAnimation(*this);
}

PopupBlock QPPopupView::alertShowAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p || !p->attachedView) return;
    auto host = p->attachedView;
    enter(*p, *host);
    double lift = p->withKeyboard ? -kKeyboardLift : 0;
    lc_makeConstraints(*p, [&](LCConstraintMaker& make) { make.center.equalTo(host).centerOffset({0, lift}); });
    p->layoutIfNeeded();
    p->layer()->setTransform(gfx::Transform3DMakeScale(1.2f, 1.2f, 1));
    p->setAlpha(0);
    ui::ViewAnimation::animate(
        p->animationDuration(), 0, kShowOptions,
        [p] {
          p->layer()->setTransform(gfx::Transform3DIdentity);
          p->setAlpha(1);
        },
        [weak](bool) { if (auto q = strong(weak)) shown(q); });
  };
}

PopupBlock QPPopupView::alertHideAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p) return;
    ui::ViewAnimation::animate(p->animationDuration(), 0, kHideOptions, [p] { p->setAlpha(0); },
                               [weak](bool) { if (auto q = strong(weak)) leave(q); });
  };
}

PopupBlock QPPopupView::sheetShowAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p || !p->attachedView) return;
    auto host = p->attachedView;
    enter(*p, *host);
    lc_makeConstraints(*p, [&](LCConstraintMaker& make) {
      make.centerX.equalTo(host);
      make.bottom.equalTo(host).offset(host->frame().size.height);
    });
    p->layoutIfNeeded();
    ui::ViewAnimation::animate(
        p->animationDuration(), 0, kShowOptions,
        [p, host] {
          lc_updateConstraints(*p, [&](LCConstraintMaker& make) { make.bottom.equalTo(host); });
          p->superview()->layoutIfNeeded();
        },
        [weak](bool) { if (auto q = strong(weak)) shown(q); });
  };
}

PopupBlock QPPopupView::sheetHideAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p || !p->attachedView) return;
    auto host = p->attachedView;
    ui::ViewAnimation::animate(
        p->animationDuration(), 0, kHideOptions,
        [p, host] {
          lc_updateConstraints(*p, [&](LCConstraintMaker& make) {
            make.bottom.equalTo(host).offset(host->frame().size.height);
          });
          if (auto s = p->superview()) s->layoutIfNeeded();
        },
        [weak](bool) { if (auto q = strong(weak)) leave(q); });
  };
}

PopupBlock QPPopupView::customShowAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p || !p->attachedView) return;
    auto host = p->attachedView;
    enter(*p, *host);
    lc_makeConstraints(*p, [&](LCConstraintMaker& make) {
      make.center.equalTo(host).centerOffset({0, -host->bounds().size.height});
    });
    p->superview()->layoutIfNeeded();
    double lift = p->withKeyboard ? -kKeyboardLift : 0;
    ui::ViewAnimation::animateWithSpring(
        p->animationDuration(), 0, 0.8, 1.5, kShowOptions,
        [p, host, lift] {
          lc_updateConstraints(*p, [&](LCConstraintMaker& make) { make.center.equalTo(host).centerOffset({0, lift}); });
          p->superview()->layoutIfNeeded();
        },
        [weak](bool) { if (auto q = strong(weak)) shown(q); });
  };
}

PopupBlock QPPopupView::customHideAnimation() {
  Weak<QPPopupView> weak = std::static_pointer_cast<QPPopupView>(self());
  return [weak](QPPopupView&) {
    auto p = strong(weak);
    if (!p || !p->attachedView) return;
    auto host = p->attachedView;
    ui::ViewAnimation::animate(
        0.3, 0, kHideOptions,
        [p, host] {
          lc_updateConstraints(*p, [&](LCConstraintMaker& make) {
            make.center.equalTo(host).centerOffset({0, host->bounds().size.height});
          });
          if (auto s = p->superview()) s->layoutIfNeeded();
        },
        [weak](bool) { if (auto q = strong(weak)) leave(q); });
  };
}

}  // namespace widgets
