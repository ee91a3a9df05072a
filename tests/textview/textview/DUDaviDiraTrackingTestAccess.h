#pragma once
// Reaches the text view's tracking state from the tracking and touch tests.
#include "textview/textview/DUDaviDira.h"

namespace textview {

struct DUDaviDiraTrackingTestAccess {
  struct Flags {
    unsigned trackingGrabber;
    bool trackingCaret, trackingPreSelect, trackingTouch, swallowTouch;
    unsigned touchMoved;
    bool selectedWithoutEdit, ignoreTouchBegan, showingMagnifierCaret, showingMagnifierRanged, showingMenu,
        showingHighlight, clearsOnInsertionOnce, autoScrollTicked;
  };
  static Flags flags(const DUDaviDira& v) {
    const auto& s = v.state_;
    Flags f{};
    f.trackingGrabber = s.trackingGrabber;
    f.trackingCaret = s.trackingCaret;
    f.trackingPreSelect = s.trackingPreSelect;
    f.trackingTouch = s.trackingTouch;
    f.swallowTouch = s.swallowTouch;
    f.touchMoved = s.touchMoved;
    f.selectedWithoutEdit = s.selectedWithoutEdit;
    f.ignoreTouchBegan = s.ignoreTouchBegan;
    f.showingMagnifierCaret = s.showingMagnifierCaret;
    f.showingMagnifierRanged = s.showingMagnifierRanged;
    f.showingMenu = s.showingMenu;
    f.showingHighlight = s.showingHighlight;
    f.clearsOnInsertionOnce = s.clearsOnInsertionOnce;
    f.autoScrollTicked = s.autoScrollTicked;
    return f;
  }
  static void setSelectedWithoutEdit(DUDaviDira& v, bool on) { v.state_.selectedWithoutEdit = on; }
  static void refreshSelectionView(DUDaviDira& v) { v.updateSelectionView(); }
  static const Ref<text::DRTextRange>& trackingRange(const DUDaviDira& v) { return v.trackingRange_; }
  static bool hasLongPressTimer(const DUDaviDira& v) { return v.longPressTimer_ && v.longPressTimer_->isValid(); }
  static bool hasAutoScrollTimer(const DUDaviDira& v) { return v.autoScrollTimer_ && v.autoScrollTimer_->isValid(); }
  static bool hasDotFixTimer(const DUDaviDira& v) {
    return v.selectionDotFixTimer_ && v.selectionDotFixTimer_->isValid();
  }
  static gfx::Point previousOriginInWindow(const DUDaviDira& v) { return v.previousOriginInWindow_; }
  static const Ref<text::DRTextHighlight>& highlight(const DUDaviDira& v) { return v.highlight_; }
  static Ref<text::DRTextHighlight> highlightAt(const DUDaviDira& v, gfx::Point p, rt::Range* range) {
    return v.getHighlightAtPoint(p, range);
  }
  static Ref<text::DRTextRange> wordAtPosition(const DUDaviDira& v, const Ref<text::DRTextPosition>& p) {
    return v.getClosestTokenRangeAtPosition(p);
  }
  static Ref<text::DRTextRange> wordAtPoint(const DUDaviDira& v, gfx::Point p) {
    return v.getClosestTokenRangeAtPoint(p);
  }
  static void showMenu(DUDaviDira& v) { v.showMenu(); }
  static void hideMenu(DUDaviDira& v) { v.hideMenu(); }
  static void scrollRangeToVisible(DUDaviDira& v, const Ref<text::DRTextRange>& r) { v.scrollRangeToVisible(r); }
  static void restoreInsets(DUDaviDira& v, bool animated) { v.restoreInsetsAnimated(animated); }
  static bool insetModifiedByKeyboard(const DUDaviDira& v) { return v.insetModifiedByKeyboard_; }
  static gfx::EdgeInsets originalContentInset(const DUDaviDira& v) { return v.originalContentInset_; }
  static gfx::EdgeInsets originalScrollIndicatorInsets(const DUDaviDira& v) { return v.originalScrollIndicatorInsets_; }
  static void endTouchTracking(DUDaviDira& v) { v.endTouchTracking(); }
};

}  // namespace textview
