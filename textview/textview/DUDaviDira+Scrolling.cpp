// Scrolling a range into view. While the keyboard covers the lower part of an editing view the
// bottom insets grow to clear it, and the insets the view had are given back when it goes.
#include <algorithm>

#include "base/system/Device+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/ui/view/ViewAnimation.h"
#include "textview/keyboard/DRTextKeyboardManager.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraTrackingRules.h"

namespace textview {

namespace {

constexpr double kScrollAnimation = 0.25;
constexpr uint64_t kScrollOptions = 6;                 // from current state, touches allowed
constexpr uint64_t kKeyboardCurveScrollOptions = 0x70006;  // the same, on the keyboard's own curve
constexpr double kVisibleMargin = 3;

// Hands keyboard changes to the view; the manager holds its observers weakly, so the view
// owns this one and it goes with the view.
class KeyboardForwarder : public DRTextKeyboardObserver {
 public:
  explicit KeyboardForwarder(std::function<void()> changed) : changed_(std::move(changed)) {}
  void keyboardChangedWithTransition(const DRTextKeyboardTransitionRecord&) override { changed_(); }

 private:
  std::function<void()> changed_;
};

}  // namespace

void DUDaviDira::observeKeyboard() {
  auto manager = DRTextKeyboardManager::defaultManager();
  if (!manager) return;
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  keyboardObserver_ = std::make_shared<KeyboardForwarder>([weak] {
    if (auto view = weak.lock()) view->keyboardChanged();
  });
  manager->addObserver(keyboardObserver_);
}

gfx::Rect DUDaviDira::visibleKeyboardFrame() const {
  auto manager = DRTextKeyboardManager::defaultManager();
  if (!manager || !manager->isKeyboardVisible()) return gfx::RectNull;
  gfx::Rect frame = manager->keyboardFrame();
  if (gfx::RectIsNull(frame)) return frame;
  return manager->convertRectToView(frame, this);
}

bool DUDaviDira::keyboardAffectsView() const {
  auto manager = DRTextKeyboardManager::defaultManager();
  return manager && manager->isKeyboardVisible() && window() && superview() && isFirstResponder() && !verticalForm_;
}

void DUDaviDira::scrollRangeToVisible(rt::Range range) { scrollRangeToVisible(correctedTextRange(range)); }

void DUDaviDira::scrollSelectedRangeToVisible() { scrollRangeToVisible(selectedTextRange_); }

void DUDaviDira::scrollRangeToVisible(const Ref<text::DRTextRange>& range) {
  if (!range || !innerLayout_) return;
  gfx::Rect rect = innerLayout_->rectForRange(range);
  if (gfx::RectIsNull(rect)) return;
  rect = containerView_->convertRectToView(convertRectFromLayout(rect), this);
  rect.size.width = std::max(rect.size.width, 1.0);
  rect.size.height = std::max(rect.size.height, 1.0);
  gfx::Rect target = gfx::RectInset(rect, -kVisibleMargin, -kVisibleMargin);
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());

  if (keyboardAffectsView()) {
    gfx::Rect overlap = keyboardOverlap(bounds().size, contentOffset(), visibleKeyboardFrame(), extraAccessoryViewHeight_);
    if (!gfx::RectIsNull(overlap) && overlap.size.width > 3 && overlap.size.height > 1 && overlap.origin.y > 0) {
      gfx::EdgeInsets content = insetModifiedByKeyboard_ ? originalContentInset_ : contentInset();
      gfx::EdgeInsets indicator = insetModifiedByKeyboard_ ? originalScrollIndicatorInsets_ : scrollIndicatorInsets();
      double bottom = overlap.size.height + kVisibleMargin;
      if (content.bottom < bottom) {
        if (!insetModifiedByKeyboard_) {
          insetModifiedByKeyboard_ = true;
          originalContentInset_ = contentInset();
          originalScrollIndicatorInsets_ = scrollIndicatorInsets();
        }
        content.bottom = bottom;
        indicator.bottom = bottom;
        uint64_t options = base::systemVersion() >= 7 ? kKeyboardCurveScrollOptions : kScrollOptions;
        ui::ViewAnimation::animate(
            kScrollAnimation, 0, options,
            [weak, content, indicator, target] {
              auto view = weak.lock();
              if (!view) return;
              view->ui::ScrollView::setContentInset(content);
              view->ui::ScrollView::setScrollIndicatorInsets(indicator);
              view->scrollRectToVisible(target, false);
            },
            nullptr);
        return;
      }
    }
  }
  ui::ViewAnimation::animate(
      kScrollAnimation, 0, kScrollOptions,
      [weak, target] {
        auto view = weak.lock();
        if (!view) return;
        view->restoreInsetsAnimated(false);
        view->scrollRectToVisible(target, false);
      },
      nullptr);
}

void DUDaviDira::restoreInsetsAnimated(bool animated) {
  if (!insetModifiedByKeyboard_) return;
  insetModifiedByKeyboard_ = false;
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  auto restore = [weak] {
    auto view = weak.lock();
    if (!view) return;
    // Through the view's own setter: insets set while the keyboard's were applied take their
    // full effect (container size, layout) now.
    view->setContentInset(view->originalContentInset_);
    view->ui::ScrollView::setScrollIndicatorInsets(view->originalScrollIndicatorInsets_);
  };
  if (animated) ui::ViewAnimation::animate(kScrollAnimation, 0, kScrollOptions, restore, nullptr);
  else restore();
}

void DUDaviDira::setScrollIndicatorInsets(gfx::EdgeInsets inset) {
  if (insetModifiedByKeyboard_) {
    originalScrollIndicatorInsets_ = inset;
    return;
  }
  ui::ScrollView::setScrollIndicatorInsets(inset);
}

void DUDaviDira::keyboardChanged() {
  if (!isFirstResponder()) return;
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  dispatch::MainQueue::shared().after(0, [weak] {
    auto view = weak.lock();
    if (!view) return;
    auto manager = DRTextKeyboardManager::defaultManager();
    if (manager && manager->isKeyboardVisible()) view->scrollRangeToVisible(view->selectedTextRange_);
    else view->restoreInsetsAnimated(true);
    view->updateMagnifier();
    if (view->state_.showingMenu) view->showMenu();
  });
}

}  // namespace textview
