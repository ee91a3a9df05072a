#include "textview/selection/DRTextSelectionView.h"

#include "base/graphics/Geometry+DUDer.h"
#include "platform/foundation/threads/Perform.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/host/Application.h"
#include "platform/ui/view/ViewAnimation.h"

namespace textview {

RT_IMPLEMENT(DRTextSelectionView) {
  c.method("_startBlinks", &DRTextSelectionView::startBlinks);
  c.method("_doBlink", &DRTextSelectionView::doBlink);
}

namespace {
const rt::Selector kStartBlinks = rt::Selector::named("_startBlinks");
}  // namespace

void DRTextSelectionView::init(gfx::Rect frame) {
  View::init(frame);
  setUserInteractionEnabled(false);
  setClipsToBounds(false);
  caretView_ = rt::make<ui::View>(gfx::RectZero);
  caretView_->setHidden(true);
  startGrabber_ = rt::make<DRSelectionGrabber>(gfx::RectZero);
  startGrabber_->setDotDirection(DRTextGrabberDirectionTop);
  startGrabber_->setHidden(true);
  endGrabber_ = rt::make<DRSelectionGrabber>(gfx::RectZero);
  endGrabber_->setDotDirection(DRTextGrabberDirectionBottom);
  endGrabber_->setHidden(true);
  addSubview(startGrabber_);
  addSubview(endGrabber_);
  addSubview(caretView_);
  Weak<DRTextSelectionView> weak = std::static_pointer_cast<DRTextSelectionView>(self());
  auto center = fd::NotificationCenter::defaultCenter();
  for (auto [name, paused] : {std::pair{ui::UIApplicationWillResignActiveNotification, true},
                              std::pair{ui::UIApplicationDidBecomeActiveNotification, false}}) {
    applicationObservers_.push_back(center->addObserverForName(
        rt::String(name), nullptr, nullptr, [weak, paused = paused](const Ref<fd::Notification>&) {
          if (auto view = weak.lock()) view->pauseBlinks(paused);
        }));
  }
}

DRTextSelectionView::~DRTextSelectionView() {
  if (caretTimer_) caretTimer_->invalidate();
  for (const auto& observer : applicationObservers_) fd::NotificationCenter::defaultCenter()->removeObserver(observer);
}

void DRTextSelectionView::pauseBlinks(bool paused) {
  blinksPaused_ = paused;
  cancelPendingBlinkStart();
  if (caretTimer_) caretTimer_->invalidate();
  caretTimer_ = nullptr;
  caretView_->setAlpha(1);
  if (!paused && caretBlinks_) fd::performAfterDelay(self(), kStartBlinks, nullptr, kBlinkStartDelay);
}

void DRTextSelectionView::setColor(Ref<gfx::Color> color) {
  color_ = color;
  caretView_->setBackgroundColor(color);
  startGrabber_->setColor(color);
  endGrabber_->setColor(color);
  for (auto& v : markViews_) v->setBackgroundColor(color);
}

void DRTextSelectionView::cancelPendingBlinkStart() {
  fd::cancelPreviousPerformRequestsWithTarget(self(), kStartBlinks, nullptr);
}

void DRTextSelectionView::setCaretBlinks(bool blinks) {
  if (caretBlinks_ == blinks) return;
  caretView_->setAlpha(1);
  cancelPendingBlinkStart();
  if (blinks) {
    fd::performAfterDelay(self(), kStartBlinks, nullptr, kBlinkStartDelay);
  } else if (caretTimer_) {
    caretTimer_->invalidate();
    caretTimer_ = nullptr;
  }
  caretBlinks_ = blinks;
}

void DRTextSelectionView::setCaretVisible(bool visible) {
  caretVisible_ = visible;
  caretView_->setHidden(!visible);
  caretView_->setAlpha(1);
  cancelPendingBlinkStart();
  if (caretBlinks_) fd::performAfterDelay(self(), kStartBlinks, nullptr, kBlinkStartDelay);
}

void DRTextSelectionView::startBlinks() {
  if (caretTimer_) caretTimer_->invalidate();
  caretTimer_ = nullptr;
  if (!caretVisible_ || blinksPaused_) {
    caretView_->setAlpha(1);
    return;
  }
  // Held weakly, so that the timer never keeps the overlay alive; default mode only, so that
  // blinking pauses while a scroll view tracks.
  Weak<DRTextSelectionView> weak = std::static_pointer_cast<DRTextSelectionView>(self());
  caretTimer_ = fd::Timer::timerWithTimeInterval(kBlinkPeriod, true, [weak](fd::Timer& t) {
    if (auto v = weak.lock()) {
      v->doBlink();
    } else {
      t.invalidate();
    }
  });
  fd::RunLoop::currentRunLoop()->addTimer(caretTimer_, fd::NSDefaultRunLoopMode);
}

void DRTextSelectionView::doBlink() {
  Ref<ui::View> caret = caretView_;
  ui::ViewAnimation::animate(kBlinkFade, 0, 0, [caret] { caret->setAlpha(caret->alpha() == 1 ? 0 : 1); }, nullptr);
}

void DRTextSelectionView::setVerticalForm(bool vertical) {
  if (verticalForm_ == vertical) return;
  verticalForm_ = vertical;
  setCaretRect(caretRect_);
  startGrabber_->setDotDirection(vertical ? DRTextGrabberDirectionRight : DRTextGrabberDirectionTop);
  endGrabber_->setDotDirection(vertical ? DRTextGrabberDirectionLeft : DRTextGrabberDirectionBottom);
}

gfx::Rect DRTextSelectionView::standardCaretRect(gfx::Rect rect) const {
  return textview::standardCaretRect(rect, bounds().size, verticalForm_, base::DRMainScreenScale());
}

void DRTextSelectionView::setCaretRect(gfx::Rect rect) {
  caretRect_ = rect;
  caretView_->setFrame(standardCaretRect(rect));
}

void DRTextSelectionView::setSelectionRects(const std::vector<Ref<text::DRTextSelectionRect>>& rects) {
  selectionRects_.clear();
  for (const auto& r : rects)
    if (r) selectionRects_.push_back(rt::as<text::DRTextSelectionRect>(r->copy()));
  for (auto& v : markViews_) v->removeFromSuperview();
  markViews_.clear();
  startGrabber_->setHidden(true);
  endGrabber_->setHidden(true);
  double scale = base::DRMainScreenScale();
  for (const auto& piece : selectionRects_) {
    gfx::Rect snapped = snapRectToPixels(gfx::RectStandardize(piece->rect()), scale);
    if (piece->containsStart() || piece->containsEnd()) {
      gfx::Rect caret = standardCaretRect(snapped);
      if (piece->containsStart()) {
        startGrabber_->setHidden(false);
        startGrabber_->setFrame(caret);
      }
      if (piece->containsEnd()) {
        endGrabber_->setHidden(false);
        endGrabber_->setFrame(caret);
      }
    } else if (snapped.size.width > 0 && snapped.size.height > 0) {
      auto mark = rt::make<ui::View>(snapped);
      mark->setBackgroundColor(color_);
      mark->setAlpha(kSelectionAlpha);
      insertSubviewAtIndex(mark, 0);
      markViews_.push_back(mark);
    }
  }
}

bool DRTextSelectionView::isCaretContainsPoint(gfx::Point point) const {
  if (!caretVisible_) return false;
  return gfx::RectContainsPoint(gfx::RectInset(caretRect_, -kCaretTouchMargin, -kCaretTouchMargin), point);
}

bool DRTextSelectionView::isSelectionRectsContainsPoint(gfx::Point point) const {
  for (const auto& piece : selectionRects_)
    if (gfx::RectContainsPoint(piece->rect(), point)) return true;
  return false;
}

bool DRTextSelectionView::grabberContainsPoint(bool start, gfx::Point point) const {
  if ((start ? startGrabber_ : endGrabber_)->isHidden()) return false;
  return grabberTakesPoint(start, startGrabber_->touchRect(), endGrabber_->touchRect(), point);
}

bool DRTextSelectionView::isStartGrabberContainsPoint(gfx::Point point) const { return grabberContainsPoint(true, point); }
bool DRTextSelectionView::isEndGrabberContainsPoint(gfx::Point point) const { return grabberContainsPoint(false, point); }
bool DRTextSelectionView::isGrabberContainsPoint(gfx::Point point) const {
  return isStartGrabberContainsPoint(point) || isEndGrabberContainsPoint(point);
}

}  // namespace textview
