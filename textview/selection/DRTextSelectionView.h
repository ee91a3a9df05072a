#pragma once
// The overlay a text view lays over its text: the insertion caret (solid after every move,
// blinking a moment later, but never while the application is inactive), the tinted pieces of
// a selected range and the two grabbers at its ends. It takes no touches itself; the text view asks it what a touch hits. Rectangles are in
// the overlay's (the text view's) coordinates. Main thread only.
#include <vector>

#include "platform/foundation/threads/Timer.h"
#include "text/model/DRTextPosition.h"
#include "textview/selection/DRSelectionGrabber.h"

namespace textview {

class DRTextSelectionView : public ui::View {
  RT_CLASS(DRTextSelectionView, ui::View)
 public:
  static constexpr double kCaretTouchMargin = 14;
  static constexpr double kSelectionAlpha = 0.2;
  static constexpr double kBlinkPeriod = 0.5;
  static constexpr double kBlinkFade = 0.2;
  static constexpr double kBlinkStartDelay = 0.1;

  void init(gfx::Rect frame);
  ~DRTextSelectionView() override;

  bool isCaretBlinks() const { return caretBlinks_; }
  void setCaretBlinks(bool blinks);
  bool isCaretVisible() const { return caretVisible_; }
  /// Shows (solid) or hides the caret; blinking, when on, starts again shortly after.
  void setCaretVisible(bool visible);
  bool isVerticalForm() const { return verticalForm_; }
  /// Vertical text: the caret lies across and the knobs sit right (start) and left (end).
  void setVerticalForm(bool vertical);
  Ref<ui::View> hostView() const { return hostView_.lock(); }
  void setHostView(const Ref<ui::View>& host) { hostView_ = host; }
  const Ref<gfx::Color>& color() const { return color_; }
  void setColor(Ref<gfx::Color> color);

  gfx::Rect caretRect() const { return caretRect_; }
  /// Keeps `rect` and shows the caret at its standard form.
  void setCaretRect(gfx::Rect rect);
  const std::vector<Ref<text::DRTextSelectionRect>>& selectionRects() const { return selectionRects_; }
  /// Tints the pieces with an area and puts the grabbers on the end pieces.
  void setSelectionRects(const std::vector<Ref<text::DRTextSelectionRect>>& rects);

  const Ref<ui::View>& caretView() const { return caretView_; }
  const Ref<DRSelectionGrabber>& startGrabber() const { return startGrabber_; }
  const Ref<DRSelectionGrabber>& endGrabber() const { return endGrabber_; }
  /// The tinted rectangles now shown.
  const std::vector<Ref<ui::View>>& markViews() const { return markViews_; }

  bool isCaretContainsPoint(gfx::Point point) const;
  bool isSelectionRectsContainsPoint(gfx::Point point) const;
  bool isStartGrabberContainsPoint(gfx::Point point) const;
  bool isEndGrabberContainsPoint(gfx::Point point) const;
  bool isGrabberContainsPoint(gfx::Point point) const;

  /// The caret as it is drawn: `rect` standardised within this view.
  gfx::Rect standardCaretRect(gfx::Rect rect) const;

  // Run-loop entry points (registered methods).
  void startBlinks();
  void doBlink();

 private:
  bool grabberContainsPoint(bool start, gfx::Point point) const;
  void cancelPendingBlinkStart();
  /// While the application is inactive the caret stays solid.
  void pauseBlinks(bool paused);

  bool caretBlinks_ = false;
  bool caretVisible_ = false;
  bool blinksPaused_ = false;
  std::vector<rt::Id> applicationObservers_;
  bool verticalForm_ = false;
  Weak<ui::View> hostView_;
  Ref<gfx::Color> color_;
  std::vector<Ref<text::DRTextSelectionRect>> selectionRects_;
  Ref<ui::View> caretView_;
  Ref<DRSelectionGrabber> startGrabber_;
  Ref<DRSelectionGrabber> endGrabber_;
  Ref<fd::Timer> caretTimer_;
  std::vector<Ref<ui::View>> markViews_;
  gfx::Rect caretRect_ = gfx::RectZero;
};

}  // namespace textview
