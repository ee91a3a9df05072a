// While a finger is down: the tentative range it drags (caret, a grabber or a pre-selected
// word), the loupes that follow it, the long-press and auto-scroll timers, the word under a
// point and the end of it all. The timers target a weak proxy, so they never keep the view.
#include <algorithm>
#include <cmath>

#include "base/system/Application+DUDer.h"
#include "base/ui/View+DUDer.h"
#include "platform/dispatch/MainQueue.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/foundation/threads/Timer.h"
#include "platform/runtime/WeakProxy.h"
#include "platform/ui/view/ViewAnimation.h"
#include "text/layout/DRTextLine.h"
#include "textview/effect/DRTextEffectWindow.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraTrackingRules.h"

namespace textview {

using text::DRTextPosition;
using text::DRTextRange;

namespace {

constexpr double kLongPressDelay = 0.5;
constexpr double kAutoScrollInterval = 0.1;
constexpr double kSelectionDotFixInterval = 1.0 / 15;
constexpr double kIgnoreTouchAfterMagnifier = 0.15;
constexpr uint64_t kAutoScrollAnimationOptions = 0x30006;  // linear, from current state, touches allowed

// A timer on the current run loop in the common modes whose action reaches the view through a
// weak proxy: once the view is gone the timer does nothing.
template <class F>
Ref<fd::Timer> scheduleProxyTimer(const rt::Id& view, double interval, bool repeats, F action) {
  auto proxy = rt::WeakProxy::proxyWithTarget(view);
  auto timer = fd::Timer::timerWithTimeInterval(
      interval, proxy,
      [action](fd::Timer& t) {
        auto p = rt::as<rt::WeakProxy>(t.target());
        if (!p) return;
        if (auto target = rt::as<DUDaviDira>(p->target())) action(*target);
      },
      nullptr, repeats);
  fd::RunLoop::currentRunLoop()->addTimer(timer, fd::NSRunLoopCommonModes);
  return timer;
}

bool isInsideExtension() { return base::isAppExtension(); }

}  // namespace

// ---- tracked ranges

Ref<DRTextPosition> DUDaviDira::trackedCaretPosition() const {
  if (!innerLayout_) return nullptr;
  auto position = correctedTextPosition(innerLayout_->closestPositionToPoint(convertPointToLayout(trackingPoint_)));
  if (!position) return nullptr;
  if (markedTextRange_) {
    // The caret may not leave the text being composed.
    if (position->compare(markedTextRange_->start()) < 0) position = markedTextRange_->start();
    else if (position->compare(markedTextRange_->end()) > 0) position = markedTextRange_->end();
  }
  return position;
}

void DUDaviDira::updateTextRangeByTrackingCaret() {
  if (!state_.trackingTouch) return;
  auto position = trackedCaretPosition();
  if (!position) return;
  trackingRange_ = DRTextRange::rangeWithRange({static_cast<uint64_t>(std::max<int64_t>(position->offset(), 0)), 0},
                                               position->affinity());
}

void DUDaviDira::updateTextRangeByTrackingGrabber() {
  if (!state_.trackingTouch || !innerLayout_) return;
  if (state_.trackingGrabber != 1 && state_.trackingGrabber != 2) return;
  const bool start = state_.trackingGrabber == 1;
  gfx::Point point = convertPointToLayout({trackingPoint_.x, trackingPoint_.y - kDUDaviDiraGrabberOffset});
  auto oldPosition = start ? selectedTextRange_->start() : selectedTextRange_->end();
  auto otherPosition = start ? selectedTextRange_->end() : selectedTextRange_->start();
  auto position = correctedTextPosition(innerLayout_->positionForPoint(point, oldPosition, otherPosition));
  if (!position) return;
  auto length = static_cast<int64_t>(innerText_->length());
  if (position->offset() > length) position = DRTextPosition::positionWithOffset(length);
  trackingRange_ = start ? DRTextRange::rangeWithStart(position, selectedTextRange_->end())
                         : DRTextRange::rangeWithStart(selectedTextRange_->start(), position);
}

void DUDaviDira::updateTextRangeByTrackingPreSelect() {
  if (!state_.trackingTouch) return;
  trackingRange_ = getClosestTokenRangeAtPoint(trackingPoint_);
}

// ---- loupes

void DUDaviDira::showMagnifierCaret() {
  if (isInsideExtension()) return;
  auto window = DRTextEffectWindow::sharedWindow();
  if (!window || !magnifierCaret_) return;
  if (state_.showingMagnifierRanged && magnifierRanged_) {
    state_.showingMagnifierRanged = false;
    window->hideMagnifier(magnifierRanged_);
  }
  magnifierCaret_->setHostPopoverCenter(trackingPoint_);
  magnifierCaret_->setHostCaptureCenter(trackingPoint_);
  if (!state_.showingMagnifierCaret) {
    state_.showingMagnifierCaret = true;
    window->showMagnifier(magnifierCaret_);
  } else {
    window->moveMagnifier(magnifierCaret_);
  }
}

void DUDaviDira::showMagnifierRanged() {
  if (isInsideExtension()) return;
  if (verticalForm_) return showMagnifierCaret();
  auto window = DRTextEffectWindow::sharedWindow();
  if (!window || !magnifierRanged_ || !innerLayout_) return;
  if (state_.showingMagnifierCaret && magnifierCaret_) {
    state_.showingMagnifierCaret = false;
    window->hideMagnifier(magnifierCaret_);
  }
  Ref<DRTextRange> range = state_.trackingTouch && trackingRange_ ? trackingRange_ : selectedTextRange_;
  Ref<DRTextPosition> position;
  if (markedTextRange_) {
    position = range->end();
  } else {
    const bool start = state_.trackingGrabber == 1;
    gfx::Point point = convertPointToLayout({trackingPoint_.x, trackingPoint_.y - kDUDaviDiraGrabberOffset});
    position = innerLayout_->positionForPoint(point, start ? range->start() : range->end(),
                                              start ? range->end() : range->start());
  }
  if (position && innerLayout_->lineIndexForPosition(position) < innerLayout_->lines().size()) {
    gfx::Point base = convertPointFromLayout(innerLayout_->linePositionForPosition(position));
    magnifierRanged_->setHostPopoverCenter({base.x, base.y + magnifierRangedOffset_});
    magnifierRanged_->setHostCaptureCenter({base.x, base.y - kDUDaviDiraGrabberOffset});
  }
  if (!state_.showingMagnifierRanged) {
    state_.showingMagnifierRanged = true;
    window->showMagnifier(magnifierRanged_);
  } else {
    window->moveMagnifier(magnifierRanged_);
  }
}

double DUDaviDira::getMagnifierRangedOffset() const {
  if (!innerLayout_) return 0;
  gfx::Point point = convertPointToLayout(trackingPoint_);
  if (verticalForm_) point.x -= kDUDaviDiraGrabberOffset;
  else point.y -= kDUDaviDiraGrabberOffset;
  auto position = innerLayout_->closestPositionToPoint(point);
  if (!position) return 0;
  uint64_t index = innerLayout_->lineIndexForPosition(position);
  if (index >= innerLayout_->lines().size()) return 0;
  const auto& line = innerLayout_->lines()[index];
  if (verticalForm_) return rangedMagnifierOffset(point.x, line->left(), line->right(), line->position().x);
  return rangedMagnifierOffset(point.y, line->top(), line->bottom(), line->position().y);
}

void DUDaviDira::updateMagnifier() {
  if (isInsideExtension()) return;
  auto window = DRTextEffectWindow::sharedWindow();
  if (!window) return;
  if (state_.showingMagnifierCaret && magnifierCaret_) window->moveMagnifier(magnifierCaret_);
  if (state_.showingMagnifierRanged && magnifierRanged_) window->moveMagnifier(magnifierRanged_);
}

void DUDaviDira::hideMagnifier() {
  if (isInsideExtension()) return;
  if (state_.showingMagnifierCaret || state_.showingMagnifierRanged) {
    // A finger that comes down while the loupe shrinks away is not tracked.
    state_.ignoreTouchBegan = true;
    Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
    dispatch::MainQueue::shared().after(kIgnoreTouchAfterMagnifier, [weak] {
      if (auto view = weak.lock()) view->state_.ignoreTouchBegan = false;
    });
  }
  auto window = DRTextEffectWindow::sharedWindow();
  if (state_.showingMagnifierCaret) {
    state_.showingMagnifierCaret = false;
    if (window && magnifierCaret_) window->hideMagnifier(magnifierCaret_);
  }
  if (state_.showingMagnifierRanged) {
    state_.showingMagnifierRanged = false;
    if (window && magnifierRanged_) window->hideMagnifier(magnifierRanged_);
  }
}

// ---- long press

void DUDaviDira::startLongPressTimer() {
  endLongPressTimer();
  longPressTimer_ = scheduleProxyTimer(self(), kLongPressDelay, false, [](DUDaviDira& v) { v.trackDidLongPress(); });
}

void DUDaviDira::endLongPressTimer() {
  if (!longPressTimer_) return;
  longPressTimer_->invalidate();
  longPressTimer_ = nullptr;
}

void DUDaviDira::trackDidLongPress() {
  endLongPressTimer();
  if (state_.showingHighlight && highlight_) {
    hideMenu();
    // The action may change the view; it works on what was current when it was called.
    Ref<text::DRTextHighlight> highlight = highlight_;
    Ref<typeset::AttributedString> text = innerText_;
    rt::Range range = highlightRange_;
    gfx::Rect rect = highlightRect();
    if (highlight->longPressAction()) {
      highlight->longPressAction()(self(), text, range, rect);
      endTouchTracking();
      return;
    }
    auto delegate = outerDelegate_.lock();
    if (delegate && delegate->textViewShouldLongPressHighlight(*this, highlight, range).value_or(true) &&
        delegate->textViewDidLongPressHighlight(*this, highlight, range, rect)) {
      endTouchTracking();
      return;
    }
  }
  removeHighlightAnimated(false);
  if (!state_.trackingTouch) return;
  if (state_.trackingGrabber) {
    panGestureRecognizer()->setEnabled(false);
    hideMenu();
    showMagnifierRanged();
  } else if (isFirstResponder()) {
    panGestureRecognizer()->setEnabled(false);
    selectionView_->setCaretBlinks(false);
    state_.trackingCaret = true;
    if (auto position = trackedCaretPosition())
      trackingRange_ = DRTextRange::rangeWithRange(
          {static_cast<uint64_t>(std::max<int64_t>(position->offset(), 0)), 0}, position->affinity());
    updateSelectionView();
    hideMenu();
    if (markedTextRange_) showMagnifierRanged();
    else showMagnifierCaret();
  } else if (selectable_) {
    panGestureRecognizer()->setEnabled(false);
    state_.selectedWithoutEdit = false;
    state_.trackingPreSelect = true;
    updateTextRangeByTrackingPreSelect();
    updateSelectionView();
    showMagnifierCaret();
  }
}

// ---- auto-scroll

double DUDaviDira::getAutoscrollOffset() const {
  if (!state_.trackingTouch) return 0;
  gfx::Size size = bounds().size;
  gfx::Point offset = contentOffset();
  gfx::EdgeInsets inset = contentInset();
  if (verticalForm_) return autoScrollSpeed(trackingPoint_.x - offset.x, inset.left, size.width);
  double visible = size.height;
  if (keyboardAffectsView())
    visible = heightAboveKeyboard(size.height,
                                  keyboardOverlap(size, offset, visibleKeyboardFrame(), extraAccessoryViewHeight_));
  return autoScrollSpeed(trackingPoint_.y - offset.y, inset.top, visible);
}

void DUDaviDira::startAutoScrollTimer() {
  if (autoScrollTimer_) return;
  autoScrollTimer_ =
      scheduleProxyTimer(self(), kAutoScrollInterval, true, [](DUDaviDira& v) { v.trackDidTickAutoScroll(); });
}

void DUDaviDira::trackDidTickAutoScroll() {
  if (autoScrollOffset_ == 0) return endAutoScrollTimer();
  // The loupes would capture the text mid-scroll; they keep their picture meanwhile.
  if (magnifierCaret_) magnifierCaret_->setCaptureDisabled(true);
  if (magnifierRanged_) magnifierRanged_->setCaptureDisabled(true);
  int64_t ticks = autoScrollAcceleration_++;
  gfx::Point offset = contentOffset();
  gfx::EdgeInsets inset = contentInset();
  gfx::Size size = bounds().size, content = contentSize();
  double current = verticalForm_ ? offset.x : offset.y;
  double minimum = verticalForm_ ? -inset.left : -inset.top;
  double maximum = verticalForm_ ? content.width - size.width + inset.right : content.height - size.height + inset.bottom;
  double next = autoScrollNextOffset(current, autoScrollOffset_, ticks, minimum, maximum);
  if (std::fabs(next - current) <= 0.5) return endAutoScrollTimer();
  state_.autoScrollTicked = true;
  gfx::Point target = offset;
  if (verticalForm_) {
    trackingPoint_.x += next - current;
    target.x = next;
  } else {
    trackingPoint_.y += next - current;
    target.y = next;
  }
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  ui::ViewAnimation::animate(
      kAutoScrollInterval, 0, kAutoScrollAnimationOptions,
      [weak, target] {
        if (auto view = weak.lock()) view->setContentOffset(target);
      },
      [weak](bool) {
        if (auto view = weak.lock()) view->updateTrackingAfterAutoScroll();
      });
}

void DUDaviDira::updateTrackingAfterAutoScroll() {
  if (!state_.trackingTouch) return;
  if (state_.trackingGrabber) {
    showMagnifierRanged();
    updateTextRangeByTrackingGrabber();
  } else if (state_.trackingPreSelect) {
    showMagnifierCaret();
    updateTextRangeByTrackingPreSelect();
  } else if (state_.trackingCaret) {
    if (markedTextRange_) showMagnifierRanged();
    else showMagnifierCaret();
    updateTextRangeByTrackingCaret();
  }
  updateSelectionView();
}

void DUDaviDira::endAutoScrollTimer() {
  if (state_.autoScrollTicked) flashScrollIndicators();
  if (autoScrollTimer_) autoScrollTimer_->invalidate();
  autoScrollTimer_ = nullptr;
  autoScrollOffset_ = 0;
  autoScrollAcceleration_ = 0;
  state_.autoScrollTicked = false;
  auto window = isInsideExtension() ? nullptr : DRTextEffectWindow::sharedWindow();
  if (magnifierCaret_ && magnifierCaret_->captureDisabled()) {
    magnifierCaret_->setCaptureDisabled(false);
    if (state_.showingMagnifierCaret && window) window->showMagnifier(magnifierCaret_);
  }
  if (magnifierRanged_ && magnifierRanged_->captureDisabled()) {
    magnifierRanged_->setCaptureDisabled(false);
    if (state_.showingMagnifierRanged && window) window->showMagnifier(magnifierRanged_);
  }
}

// ---- end of tracking

void DUDaviDira::endTouchTracking() {
  if (!state_.trackingTouch) return;
  state_.trackingGrabber = 0;
  state_.trackingCaret = false;
  state_.trackingPreSelect = false;
  state_.trackingTouch = false;
  state_.touchMoved = 0;
  state_.deleteConfirm = false;
  state_.clearsOnInsertionOnce = false;
  trackingRange_ = nullptr;
  selectionView_->setCaretBlinks(true);
  removeHighlightAnimated(true);
  hideMagnifier();
  endLongPressTimer();
  endAutoScrollTimer();
  updateSelectionView();
  panGestureRecognizer()->setEnabled(isScrollEnabled());
}

// ---- grabber dots that follow a moved view

void DUDaviDira::startSelectionDotFixTimer() {
  endSelectionDotFixTimer();
  selectionDotFixTimer_ =
      scheduleProxyTimer(self(), kSelectionDotFixInterval, false, [](DUDaviDira& v) { v.fixSelectionDot(); });
}

void DUDaviDira::endSelectionDotFixTimer() {
  if (!selectionDotFixTimer_) return;
  selectionDotFixTimer_->invalidate();
  selectionDotFixTimer_ = nullptr;
}

void DUDaviDira::fixSelectionDot() {
  if (isInsideExtension()) return;
  auto window = DRTextEffectWindow::sharedWindow();
  if (!window) return;
  gfx::Point origin = base::convertPointToViewOrWindow(*this, {0, 0}, window.get());
  if (origin == previousOriginInWindow_) return;
  previousOriginInWindow_ = origin;
  window->hideSelectionDot(selectionView_);
  window->showSelectionDot(selectionView_);
}

void DUDaviDira::stopTrackingTimers() {
  endLongPressTimer();
  if (autoScrollTimer_) autoScrollTimer_->invalidate();
  autoScrollTimer_ = nullptr;
  endSelectionDotFixTimer();
}

// ---- words

Ref<DRTextRange> DUDaviDira::getClosestTokenRangeAtPosition(const Ref<DRTextPosition>& given) const {
  auto position = correctedTextPosition(given);
  if (!position) return nullptr;
  Ref<DRTextRange> range = tokenizerWordRange(position, 0);
  if (!range || range->isEmpty()) range = tokenizerWordRange(position, 1);
  if (range && !range->isEmpty() && innerLayout_) {
    auto a = innerLayout_->textRangeByExtendingPosition(range->start());
    auto b = innerLayout_->textRangeByExtendingPosition(range->end());
    if (a && b) range = rangeSpanningPositions({range->start(), range->end(), a->start(), a->end(), b->start(), b->end()});
  }
  if ((!range || range->isEmpty()) && innerLayout_) {
    range = correctedTextRange(innerLayout_->textRangeByExtendingPosition(position, ui::TextLayoutDirection::Right, 1));
    if (!range || range->isEmpty())
      range = innerLayout_->textRangeByExtendingPosition(position, ui::TextLayoutDirection::Left, 1);
  }
  range = correctedTextRange(range);
  if (!range || range->isEmpty()) range = correctedTextRange(DRTextRange::rangeWithRange({0, innerText_->length()}));
  return range;
}

Ref<DRTextRange> DUDaviDira::getClosestTokenRangeAtPoint(gfx::Point point) const {
  Ref<DRTextRange> range;
  if (innerLayout_) range = correctedTextRange(innerLayout_->closestTextRangeAtPoint(convertPointToLayout(point)));
  if (range) {
    auto after = tokenizerWordRange(range->end(), 1);
    auto before = tokenizerWordRange(range->start(), 0);
    if (after && before) range = rangeSpanningPositions({after->start(), after->end(), before->start(), before->end()});
    auto a = innerLayout_->textRangeByExtendingPosition(range->start());
    auto b = innerLayout_->textRangeByExtendingPosition(range->end());
    if (a && b) range = rangeSpanningPositions({a->start(), a->end(), b->start(), b->end()});
    range = correctedTextRange(range);
  }
  if (!range) return DRTextRange::defaultRange();
  if (range->isEmpty() && innerText_->length() > 0) range = DRTextRange::rangeWithRange({0, innerText_->length()});
  return range;
}

Ref<DRTextRange> DUDaviDira::tokenizerWordRange(const Ref<DRTextPosition>& position, int64_t direction) const {
  if (!tokenizer_ || !position) return nullptr;
  return textRangeFrom(tokenizer_->rangeEnclosingPosition(position, ui::TextGranularity::Word, direction));
}

unsigned DUDaviDira::getMoveDirection() const { return moveDirection(touchBeganPoint_, trackingPoint_); }

}  // namespace textview
