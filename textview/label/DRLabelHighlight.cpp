// Touches on highlighted text: the highlight's look while the finger is down, its tap action
// when the finger lifts on it, its long-press action when the finger rests.
#include <algorithm>
#include <cmath>

#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/threads/RunLoop.h"
#include "platform/runtime/WeakProxy.h"
#include "text/layout/DRTextLayout.h"
#include "text/model/DRTextPosition.h"
#include "text/model/MutableAttributedString+DRText.h"
#include "textview/label/DRLabel.h"

namespace textview {

using text::DRTextHighlight;

Ref<DRTextHighlight> DRLabel::highlightAtPoint(gfx::Point point, rt::Range* range) {
  if (!innerLayout_ || !innerLayout_->containsHighlight()) return nullptr;
  Ref<text::DRTextRange> hit = innerLayout_->textRangeAtPoint(convertPointToLayout(point));
  if (!hit) return nullptr;
  const size_t length = innerText_->length();
  size_t index = static_cast<size_t>(std::max<int64_t>(hit->start()->offset(), 0));
  // A touch past the last character belongs to it.
  if (index == length && index > 0) --index;
  if (index >= length) return nullptr;
  rt::Range effective{0, 0};
  auto highlight = rt::as<DRTextHighlight>(
      innerText_->attributeAtIndex(rt::String(text::DRTextHighlightKey), index, &effective, {0, length}));
  if (!highlight) return nullptr;
  if (range) *range = effective;
  return highlight;
}

void DRLabel::showHighlight(bool animated) {
  if (!highlight_) return;
  if (!highlightLayout_) {
    auto shown = rt::as<typeset::MutableAttributedString>(innerText_->mutableCopy());
    text::setAttributes(*shown, highlight_->attributes(), highlightRange_);
    highlightLayout_ = text::DRTextLayout::layoutWithContainer(innerContainer_, shown);
    if (!highlightLayout_) {
      highlight_ = nullptr;
      return;
    }
  }
  if (!state_.showingHighlight) {
    state_.showingHighlight = true;
    state_.contentsNeedFade = animated;
    setLayoutNeedRedraw();
  }
}

void DRLabel::hideHighlight(bool animated) {
  if (!state_.showingHighlight) return;
  state_.showingHighlight = false;
  state_.contentsNeedFade = animated;
  setLayoutNeedRedraw();
}

void DRLabel::removeHighlight(bool animated) {
  hideHighlight(animated);
  highlight_ = nullptr;
  highlightLayout_ = nullptr;
}

void DRLabel::endTouch() {
  endLongPressTimer();
  removeHighlight(true);
  state_.trackingTouch = false;
}

void DRLabel::startLongPressTimer() {
  endLongPressTimer();
  // The proxy keeps the timer from keeping the label alive.
  longPressTimer_ = fd::Timer::timerWithTimeInterval(kLongPressDelay, rt::WeakProxy::proxyWithTarget(self()),
                                                     rt::Selector::named("_trackDidLongPress"), nullptr, false);
  fd::RunLoop::currentRunLoop()->addTimer(longPressTimer_, fd::NSRunLoopCommonModes);
}

void DRLabel::endLongPressTimer() {
  if (!longPressTimer_) return;
  longPressTimer_->invalidate();
  longPressTimer_ = nullptr;
}

void DRLabel::callHighlightAction(bool longPress) {
  if (!highlight_) return;
  const text::DRTextHighlightActionBlock& own = longPress ? highlight_->longPressAction() : highlight_->tapAction();
  text::DRTextHighlightActionBlock action = own ? own : (longPress ? highlightLongPressAction_ : highlightTapAction_);
  if (!action) return;
  gfx::Rect rect = gfx::RectNull;
  if (innerLayout_) {
    // A forward end at the very end of the text lies on no line and would give no rectangle:
    // there the end belongs to the last line.
    const uint64_t end = highlightRange_.location + highlightRange_.length;
    const auto endAffinity = end >= innerText_->length() ? text::DRTextAffinityBackward : text::DRTextAffinityForward;
    auto range = text::DRTextRange::rangeWithStart(
        text::DRTextPosition::positionWithOffset(static_cast<int64_t>(highlightRange_.location)),
        text::DRTextPosition::positionWithOffset(static_cast<int64_t>(end), endAffinity));
    rect = convertRectFromLayout(innerLayout_->rectForRange(range));
  }
  // The action may change the label; it works on what was current when it was called.
  Ref<typeset::AttributedString> text = innerText_;
  action(self(), text, highlightRange_, rect);
}

void DRLabel::trackDidLongPress() {
  endLongPressTimer();
  if (!highlight_) return;
  const bool hasAction = highlight_->longPressAction() || highlightLongPressAction_;
  if (!hasAction) return;  // the highlight stays until the finger lifts
  callHighlightAction(true);
  removeHighlight(true);
  state_.trackingTouch = false;
}

void DRLabel::touchesBegan(const ui::TouchSet& touches, ui::Event* event) {
  Ref<ui::Touch> touch = touches.anyObject();
  if (touch) {
    gfx::Point point = touch->locationInView(this);
    updateIfNeeded();
    highlight_ = highlightAtPoint(point, &highlightRange_);
    highlightLayout_ = nullptr;
    if (highlight_) {
      touchBeganPoint_ = point;
      state_.trackingTouch = true;
      state_.swallowTouch = true;
      state_.touchMoved = false;
      startLongPressTimer();
      showHighlight(false);
    } else {
      state_.trackingTouch = false;
      state_.swallowTouch = false;
      state_.touchMoved = false;
    }
  }
  if (!state_.swallowTouch) ui::View::touchesBegan(touches, event);
}

void DRLabel::touchesMoved(const ui::TouchSet& touches, ui::Event* event) {
  Ref<ui::Touch> touch = touches.anyObject();
  updateIfNeeded();
  if (touch && state_.trackingTouch) {
    gfx::Point point = touch->locationInView(this);
    if (!state_.touchMoved) {
      double moved = std::max(std::fabs(point.x - touchBeganPoint_.x), std::fabs(point.y - touchBeganPoint_.y));
      if (moved > kTouchSlop) {
        state_.touchMoved = true;
        endLongPressTimer();
      }
    }
    if (state_.touchMoved && highlight_) {
      if (highlightAtPoint(point, nullptr) == highlight_) showHighlight(fadeOnHighlight_);
      else hideHighlight(fadeOnHighlight_);
    }
  }
  if (!state_.swallowTouch) ui::View::touchesMoved(touches, event);
}

void DRLabel::touchesEnded(const ui::TouchSet& touches, ui::Event* event) {
  Ref<ui::Touch> touch = touches.anyObject();
  if (touch && state_.trackingTouch) {
    endLongPressTimer();
    gfx::Point point = touch->locationInView(this);
    if (!state_.touchMoved || (highlight_ && highlightAtPoint(point, nullptr) == highlight_)) callHighlightAction(false);
    removeHighlight(fadeOnHighlight_);
  }
  if (!state_.swallowTouch) ui::View::touchesEnded(touches, event);
}

void DRLabel::touchesCancelled(const ui::TouchSet& touches, ui::Event* event) {
  endTouch();
  if (!state_.swallowTouch) ui::View::touchesCancelled(touches, event);
}

}  // namespace textview
