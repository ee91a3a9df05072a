#pragma once
// The scroll view: a window onto content larger than itself. The content offset is the
// bounds origin; dragging moves it through the pan recogniser (rubber-banding past the edges),
// releasing lets it decelerate, bounce back or settle on a page, all on the run loop's clock.
// Every offset change lays the view out at once, so subclasses (lists) place their cells in
// `layoutSubviews`.
#include <cstdint>
#include <optional>

#include "platform/foundation/threads/Timer.h"
#include "platform/graphics/Geometry.h"
#include "platform/ui/layer/DisplayLink.h"
#include "platform/ui/input/PanGestureRecognizer.h"
#include "platform/ui/input/PinchGestureRecognizer.h"
#include "platform/ui/view/View.h"

namespace ui {

class ScrollView;

/// Velocity kept per millisecond of deceleration.
inline constexpr double ScrollViewDecelerationRateNormal = 0.998;
inline constexpr double ScrollViewDecelerationRateFast = 0.99;

enum class ScrollViewIndicatorStyle : int64_t { Default = 0, Black = 1, White = 2 };

/// Every operation is optional. Notifications do nothing unless overridden; those that answer
/// return nullopt for "does not respond".
class ScrollViewDelegate {
 public:
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView& s) { (void)s; }
  virtual void scrollViewDidZoom(ScrollView& s) { (void)s; }
  virtual void scrollViewWillBeginDragging(ScrollView& s) { (void)s; }
  /// `velocity` in points per millisecond, positive towards growing offsets;
  /// `targetContentOffset` may be changed to make the scroll come to rest elsewhere.
  virtual void scrollViewWillEndDragging(ScrollView& s, gfx::Point velocity, gfx::Point* targetContentOffset) {
    (void)s; (void)velocity; (void)targetContentOffset;
  }
  virtual void scrollViewDidEndDragging(ScrollView& s, bool willDecelerate) { (void)s; (void)willDecelerate; }
  virtual void scrollViewWillBeginDecelerating(ScrollView& s) { (void)s; }
  virtual void scrollViewDidEndDecelerating(ScrollView& s) { (void)s; }
  virtual void scrollViewDidEndScrollingAnimation(ScrollView& s) { (void)s; }
  virtual std::optional<Ref<View>> viewForZoomingInScrollView(ScrollView& s) { (void)s; return std::nullopt; }
  virtual void scrollViewWillBeginZooming(ScrollView& s, View* view) { (void)s; (void)view; }
  virtual void scrollViewDidEndZooming(ScrollView& s, View* view, double scale) { (void)s; (void)view; (void)scale; }
  virtual std::optional<bool> scrollViewShouldScrollToTop(ScrollView& s) { (void)s; return std::nullopt; }
  virtual void scrollViewDidScrollToTop(ScrollView& s) { (void)s; }
};

/// The scroll view is its own pan recogniser's delegate: a finger coming down stops a
/// deceleration in progress, and a drag the content could only rubber-band along goes first to
/// the pans of enclosing views (a stack's pan-back), and is the scroll view's when they fail.
class ScrollView : public View, public GestureRecognizerDelegate {
  RT_CLASS_NAMED(ScrollView, View, "UIScrollView")
 public:
  void init() { init(gfx::RectZero); }
  void init(gfx::Rect frame);
  ~ScrollView() override;

  // ---- content geometry
  gfx::Point contentOffset() const { return bounds().origin; }
  /// Cuts an offset animation short; a deceleration or a drag goes on from the new offset.
  /// (Subclasses that override it add `using ScrollView::setContentOffset;`.)
  virtual void setContentOffset(gfx::Point offset);
  /// Animated: a 0.3 s ease to `offset` ending in `scrollViewDidEndScrollingAnimation`.
  void setContentOffset(gfx::Point offset, bool animated);
  gfx::Size contentSize() const { return contentSize_; }
  virtual void setContentSize(gfx::Size size);
  gfx::EdgeInsets contentInset() const { return contentInset_; }
  virtual void setContentInset(gfx::EdgeInsets inset);
  /// The content inset plus the system's safe area, which is empty here.
  gfx::EdgeInsets adjustedContentInset() const { return contentInset_; }
  gfx::EdgeInsets scrollIndicatorInsets() const { return indicatorInsets_; }
  virtual void setScrollIndicatorInsets(gfx::EdgeInsets inset);
  /// The offsets a scroll may rest at: from (-left, -top) to the bottom-right edge of the
  /// content (never less than the top-left).
  gfx::Point minimumContentOffset() const;
  gfx::Point maximumContentOffset() const;

  /// Setting the bounds origin is setting the content offset.
  void setBounds(gfx::Rect bounds) override;

  // ---- delegate and recognisers
  Weak<ScrollViewDelegate> delegate() const { return delegate_; }
  virtual void setDelegate(Weak<ScrollViewDelegate> d) { delegate_ = std::move(d); }
  const Ref<PanGestureRecognizer>& panGestureRecognizer() const { return pan_; }
  /// Present only while zooming is possible (maximum zoom above minimum).
  Ref<PinchGestureRecognizer> pinchGestureRecognizer() const { return pinch_; }

  // ---- state
  bool isTracking() const { return tracking_; }
  bool isDragging() const { return dragging_; }
  bool isDecelerating() const { return decelerating_; }
  bool isZooming() const { return zooming_; }
  /// True while an animated offset change or scroll to top runs.
  bool isScrollAnimating() const { return motion_ == Motion::Animating; }

  // ---- behaviour
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool on);
  bool isPagingEnabled() const { return pagingEnabled_; }
  void setPagingEnabled(bool on) { pagingEnabled_ = on; }
  bool bounces() const { return bounces_; }
  void setBounces(bool on) { bounces_ = on; }
  bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
  void setAlwaysBounceVertical(bool on) { alwaysBounceVertical_ = on; }
  bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
  void setAlwaysBounceHorizontal(bool on) { alwaysBounceHorizontal_ = on; }
  bool isDirectionalLockEnabled() const { return directionalLock_; }
  void setDirectionalLockEnabled(bool on) { directionalLock_ = on; }
  double decelerationRate() const { return decelerationRate_; }
  void setDecelerationRate(double r);
  bool scrollsToTop() const { return scrollsToTop_; }
  void setScrollsToTop(bool on) { scrollsToTop_ = on; }

  // ---- content touches. Content gets its touches at once (the delay flag is kept for callers
  // that read it back); a pan that begins cancels them unless cancelling is turned off, in
  // which case a drag that starts on content does not scroll.
  bool delaysContentTouches() const { return delaysContentTouches_; }
  void setDelaysContentTouches(bool on);
  bool canCancelContentTouches() const { return canCancelContentTouches_; }
  void setCanCancelContentTouches(bool on);

  // ---- indicators
  bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
  void setShowsHorizontalScrollIndicator(bool on);
  bool showsVerticalScrollIndicator() const { return showsVertical_; }
  void setShowsVerticalScrollIndicator(bool on);
  ScrollViewIndicatorStyle indicatorStyle() const { return indicatorStyle_; }
  void setIndicatorStyle(ScrollViewIndicatorStyle s);
  /// Shows the indicators for a moment (they fade after it).
  void flashScrollIndicators();
  /// The bars themselves (hidden when not shown); null before the first scroll.
  Ref<Layer> horizontalIndicator() const { return hIndicator_; }
  Ref<Layer> verticalIndicator() const { return vIndicator_; }

  // ---- zooming
  double zoomScale() const { return zoomScale_; }
  virtual void setZoomScale(double scale);
  void setZoomScale(double scale, bool animated);
  double minimumZoomScale() const { return minZoom_; }
  void setMinimumZoomScale(double s);
  double maximumZoomScale() const { return maxZoom_; }
  void setMaximumZoomScale(double s);
  bool bouncesZoom() const { return bouncesZoom_; }
  void setBouncesZoom(bool on) { bouncesZoom_ = on; }
  /// Zooms so that `rect` (in the zooming view's coordinates) fills the bounds.
  void zoomToRect(gfx::Rect rect, bool animated);

  // ---- scrolling to places
  /// Scrolls the least needed to show `rect` (content coordinates).
  void scrollRectToVisible(gfx::Rect rect, bool animated);
  /// What a tap on the status bar does: asks the delegate, animates to the top, tells it.
  /// Answers whether it scrolled.
  bool scrollToTop();

  // ---- driving a drag without touches (tests, scripted input): the same path the pan
  // recogniser takes. The translation is the finger's movement since the drag began.
  void simulateDragBegan();
  void simulateDragChanged(gfx::Point translation);
  /// `velocity` in points per second, in the direction the finger moved.
  void simulateDragEnded(gfx::Point velocity);

  // ---- drawing and input
  void layoutSublayersOfLayer(Layer& layer) override;
  bool gestureRecognizerShouldBegin(GestureRecognizer* g) override;
  using GestureRecognizerDelegate::gestureRecognizerShouldBegin;
  std::optional<bool> gestureRecognizerShouldReceiveTouch(GestureRecognizer& g, Touch& t) override;
  std::optional<bool> shouldRequireFailureOf(GestureRecognizer& g, GestureRecognizer& other) override;

  /// Duration of animated offset changes.
  static constexpr double kAnimationDuration = 0.3;

 protected:
  /// Called after every change of the offset (layout has run); subclasses call up.
  virtual void didChangeContentOffset(gfx::Point oldOffset);

 private:
  enum class Motion { None, Decelerating, Animating };
  void handlePan(GestureRecognizer& g);
  void handlePinch(GestureRecognizer& g);
  void beginDrag();
  void dragTo(gfx::Point translation);
  void endDrag(gfx::Point velocity);
  void applyOffset(gfx::Point offset);
  gfx::Point clampedOffset(gfx::Point p) const;
  void startMotion(Motion m);
  void stopMotion();
  /// The main loop serves the tracking mode from the start of a drag until the content rests.
  void enterTrackingMode();
  void leaveTrackingMode();
  void stepMotion(DisplayLink& link);
  struct Axis {
    double velocity = 0;  // points per second
    double target = 0;    // where the motion was projected to rest
    double edge = 0;      // the edge a bounce returns to
    bool low = false;     // bouncing back to the low edge (else the high one)
    bool spring = false;
  };
  bool stepAxis(double& offset, Axis& axis, double lo, double hi, double dt);
  void startDeceleration(gfx::Point velocity, gfx::Point target);
  void stepDeceleration(double now);
  void stepAnimation(double now);
  void finishDeceleration();
  void finishAnimation();
  void animateOffset(gfx::Point to, double duration, bool pageSettle);
  bool movesHorizontally() const;
  bool movesVertically() const;
  /// Whether a drag by `translation` (own coordinates) would move the content: the view scrolls
  /// along the drag's main axis and is not already at its end that way, unless it may
  /// rubber-band past it (bounce, and `rubberBanding` counts).
  bool canScrollAlong(gfx::Point translation, bool rubberBanding = true) const;
  /// Whether another scroll view on the touch's path (beneath this one when `inner`, else
  /// enclosing it) still contends for the drag and can move its way.
  bool anotherScrollViewTakesTheDrag(bool inner) const;
  void updateIndicators();
  void showIndicators();
  void hideIndicatorsLater();
  Ref<Layer> makeIndicator();
  Ref<View> zoomingView();
  void updateZoomRecognizer();
  void applyZoom(double scale, gfx::Point anchor);

  Weak<ScrollViewDelegate> delegate_;
  Ref<PanGestureRecognizer> pan_;
  Ref<PinchGestureRecognizer> pinch_;
  gfx::Size contentSize_;
  gfx::EdgeInsets contentInset_;
  gfx::EdgeInsets indicatorInsets_;
  double decelerationRate_ = ScrollViewDecelerationRateNormal;
  double zoomScale_ = 1;
  double minZoom_ = 1;
  double maxZoom_ = 1;
  double zoomStart_ = 1;
  ScrollViewIndicatorStyle indicatorStyle_ = ScrollViewIndicatorStyle::Default;

  // drag
  gfx::Point dragStartOffset_;
  gfx::Point panBase_;  // translation when the pan began: content does not jump by the slop
  int lockAxis_ = 0;  // 0 free, 1 horizontal, 2 vertical

  // motion on the display link
  Motion motion_ = Motion::None;
  Ref<DisplayLink> link_;
  double motionStart_ = -1;
  double lastStep_ = -1;
  Axis axisX_, axisY_;
  gfx::Point animFrom_, animTo_;
  double animDuration_ = 0;
  bool animPageSettle_ = false;
  bool animToTop_ = false;

  Ref<Layer> hIndicator_, vIndicator_;
  Ref<fd::Timer> fadeTimer_;

  bool tracking_ = false;
  bool dragging_ = false;
  bool trackingMode_ = false;
  bool decelerating_ = false;
  bool zooming_ = false;
  bool scrollEnabled_ = true;
  bool pagingEnabled_ = false;
  bool bounces_ = true;
  bool bouncesZoom_ = true;
  bool alwaysBounceVertical_ = false;
  bool alwaysBounceHorizontal_ = false;
  bool directionalLock_ = false;
  bool scrollsToTop_ = true;
  bool delaysContentTouches_ = true;
  bool canCancelContentTouches_ = true;
  bool showsHorizontal_ = true;
  bool showsVertical_ = true;
  bool simulating_ = false;
  int layoutDepth_ = 0;
};

}  // namespace ui
