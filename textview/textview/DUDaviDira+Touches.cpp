// The touch state machine: what a finger coming down, moving and lifting does to the caret,
// the selection, a highlight and the menu. Points are in the container view's coordinates.
// Touches the view keeps are not passed on to the scroll view; its pan recogniser still sees
// them unless a gesture turned it off.
#include <cmath>

#include "platform/dispatch/MainQueue.h"
#include "platform/ui/input/Touch.h"
#include "textview/textview/DUDaviDira.h"
#include "textview/textview/DUDaviDiraTrackingRules.h"

namespace textview {

void DUDaviDira::becomeFirstResponderSoon() {
  Weak<DUDaviDira> weak = std::static_pointer_cast<DUDaviDira>(self());
  dispatch::MainQueue::shared().after(0, [weak] {
    if (auto view = weak.lock()) view->becomeFirstResponder();
  });
}

void DUDaviDira::touchesBegan(const ui::TouchSet& touches, ui::Event* event) {
  updateIfNeeded();
  if (Ref<ui::Touch> touch = touches.anyObject()) {
    gfx::Point point = touch->locationInView(containerView_.get());
    trackingTime_ = touchBeganTime_ = touch->timestamp();
    trackingPoint_ = touchBeganPoint_ = point;
    trackingRange_ = selectedTextRange_;
    state_.trackingGrabber = 0;
    state_.trackingCaret = false;
    state_.trackingPreSelect = false;
    state_.touchMoved = 0;
    state_.trackingTouch = true;
    state_.swallowTouch = true;

    // Highlights answer taps only while the view is not being edited.
    if (!isFirstResponder() && !state_.selectedWithoutEdit && highlightable_) {
      highlight_ = getHighlightAtPoint(point, &highlightRange_);
      highlightLayout_ = nullptr;
    }
    if ((!selectable_ && !highlight_) || state_.ignoreTouchBegan) {
      state_.trackingTouch = false;
      state_.swallowTouch = false;
    } else {
      startLongPressTimer();
      if (highlight_) {
        showHighlightAnimated(false);
      } else if (selectionView_->isGrabberContainsPoint(point)) {
        panGestureRecognizer()->setEnabled(false);
        hideMenu();
        state_.trackingGrabber = selectionView_->isStartGrabberContainsPoint(point) ? 1 : 2;
        magnifierRangedOffset_ = getMagnifierRangedOffset();
      } else if (selectedTextRange_->isEmpty() && isFirstResponder() && selectionView_->isCaretContainsPoint(point)) {
        state_.trackingCaret = true;
        panGestureRecognizer()->setEnabled(false);
      }
      updateSelectionView();
    }
  }
  if (!state_.swallowTouch) ui::ScrollView::touchesBegan(touches, event);
}

void DUDaviDira::touchesMoved(const ui::TouchSet& touches, ui::Event* event) {
  updateIfNeeded();
  if (Ref<ui::Touch> touch = touches.anyObject()) {
    trackingTime_ = touch->timestamp();
    trackingPoint_ = touch->locationInView(containerView_.get());
    if (state_.touchMoved == 0) {
      state_.touchMoved = getMoveDirection();
      if (state_.touchMoved) endLongPressTimer();
    }
    state_.clearsOnInsertionOnce = false;

    if (state_.trackingTouch) {
      if (highlight_) {
        if (getHighlightAtPoint(trackingPoint_, nullptr) == highlight_) showHighlightAnimated(true);
        else hideHighlightAnimated(true);
        updateSelectionView();
      } else {
        trackingRange_ = selectedTextRange_;
        if (state_.trackingGrabber) {
          panGestureRecognizer()->setEnabled(false);
          hideMenu();
          updateTextRangeByTrackingGrabber();
          updateSelectionView();
          showMagnifierRanged();
        } else if (state_.trackingPreSelect) {
          updateTextRangeByTrackingPreSelect();
          updateSelectionView();
          showMagnifierCaret();
        } else if (state_.trackingCaret || markedTextRange_ || isFirstResponder()) {
          if (state_.trackingCaret || state_.touchMoved) {
            state_.trackingCaret = true;
            hideMenu();
            // A drag along the lines moves the caret; one across them may still scroll.
            unsigned moved = state_.touchMoved;
            bool alongLines = verticalForm_ ? (moved == DUDaviDiraMoveUp || moved == DUDaviDiraMoveDown)
                                            : (moved == DUDaviDiraMoveLeft || moved == DUDaviDiraMoveRight);
            if (alongLines) panGestureRecognizer()->setEnabled(false);
            updateTextRangeByTrackingCaret();
            updateSelectionView();
            if (markedTextRange_) showMagnifierRanged();
            else showMagnifierCaret();
          } else {
            updateSelectionView();
          }
        } else {
          updateSelectionView();
        }
      }

      double offset = getAutoscrollOffset();
      if (offset != autoScrollOffset_) {
        if (std::fabs(offset) < std::fabs(autoScrollOffset_)) autoScrollAcceleration_ /= 2;
        autoScrollOffset_ = offset;
        if (offset != 0 && state_.touchMoved) startAutoScrollTimer();
      }
    }
  }
  if (!state_.swallowTouch) ui::ScrollView::touchesMoved(touches, event);
}

void DUDaviDira::touchesEnded(const ui::TouchSet& touches, ui::Event* event) {
  updateIfNeeded();
  Ref<ui::Touch> touch = touches.anyObject();
  if (touch) {
    trackingTime_ = touch->timestamp();
    trackingPoint_ = touch->locationInView(containerView_.get());
    if (state_.touchMoved == 0) state_.touchMoved = getMoveDirection();
  }
  if (touch && state_.trackingTouch) {
    hideMagnifier();
    // A tap (not on the caret) ends a composition, kept as shown: the caret goes where the
    // finger was.
    if (!highlight_ && !state_.touchMoved && !state_.trackingCaret && isFirstResponder()) endComposition();
    if (highlight_) {
      if (state_.showingHighlight) {
        // The action may change the view; it works on what was current when it was called.
        Ref<text::DRTextHighlight> highlight = highlight_;
        Ref<typeset::AttributedString> text = innerText_;
        rt::Range range = highlightRange_;
        gfx::Rect rect = highlightRect();
        if (highlight->tapAction()) {
          highlight->tapAction()(self(), text, range, rect);
        } else if (auto delegate = outerDelegate_.lock()) {
          if (delegate->textViewShouldTapHighlight(*this, highlight, range).value_or(true))
            delegate->textViewDidTapHighlight(*this, highlight, range, rect);
        }
      }
      removeHighlightAnimated(true);
    } else if (state_.trackingCaret) {
      if (state_.touchMoved) {
        updateTextRangeByTrackingCaret();
        showMenu();
      } else if (state_.showingMenu) {
        hideMenu();
      } else {
        showMenu();
      }
    } else if (state_.trackingGrabber) {
      updateTextRangeByTrackingGrabber();
      showMenu();
    } else if (state_.trackingPreSelect) {
      updateTextRangeByTrackingPreSelect();
      if (trackingRange_ && trackingRange_->isEmpty()) {
        becomeFirstResponderSoon();
      } else {
        state_.selectedWithoutEdit = true;
        showMenu();
      }
    } else if (state_.deleteConfirm || markedTextRange_) {
      updateTextRangeByTrackingCaret();
      hideMenu();
    } else if (state_.touchMoved) {
      // A drag that tracked nothing: the scroll view had it.
    } else if (state_.selectedWithoutEdit) {
      state_.selectedWithoutEdit = false;
      hideMenu();
    } else if (isFirstResponder()) {
      // A second tap on the unmoved caret shows the menu; the next one hides it.
      Ref<text::DRTextRange> old = trackingRange_;
      updateTextRangeByTrackingCaret();
      if (old && trackingRange_ && trackingRange_->isEqual(old.get()) && !state_.showingMenu) showMenu();
      else hideMenu();
    } else {
      hideMenu();
      if (state_.clearsOnInsertionOnce) {
        state_.clearsOnInsertionOnce = false;
        trackingRange_ = text::DRTextRange::rangeWithRange({0, innerText_->length()});
        setSelectedRangeNotifying(trackingRange_->asRange());
      } else {
        updateTextRangeByTrackingCaret();
      }
      becomeFirstResponderSoon();
    }

    bool differs = trackingRange_ && !trackingRange_->isEqual(selectedTextRange_.get());
    if (differs || state_.trackingPreSelect) {
      if (differs) {
        notifyInputDelegate(&ui::TextInputDelegate::selectionWillChange);
        selectedTextRange_ = trackingRange_;
        notifyInputDelegate(&ui::TextInputDelegate::selectionDidChange);
        // Published first, so that the delegate reads the new selection from the view.
        updateAttributesHolder();
        updateOuterProperties();
        if (auto delegate = outerDelegate_.lock()) delegate->textViewDidChangeSelection(*this);
      }
      if (!state_.trackingGrabber && !state_.trackingPreSelect) scrollRangeToVisible(selectedTextRange_);
    }
    endTouchTracking();
  }
  if (!state_.swallowTouch) ui::ScrollView::touchesEnded(touches, event);
}

void DUDaviDira::touchesCancelled(const ui::TouchSet& touches, ui::Event* event) {
  endTouchTracking();
  hideMenu();
  if (!state_.swallowTouch) ui::ScrollView::touchesCancelled(touches, event);
}

}  // namespace textview
