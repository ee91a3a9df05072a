#include "platform/ui/lists/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/threads/RunLoop.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/lists/ScrollPhysics.h"
#include "platform/ui/layer/Transaction.h"
#include "platform/ui/view/ViewAnimation.h"

namespace ui {

namespace phys = scrollphysics;
using S = GestureRecognizerState;

RT_IMPLEMENT_PLATFORM(ScrollView) {
  c.property("contentOffset", &ScrollView::contentOffset,
             static_cast<void (ScrollView::*)(gfx::Point)>(&ScrollView::setContentOffset));
  c.property("contentSize", &ScrollView::contentSize, &ScrollView::setContentSize);
  c.property("contentInset", &ScrollView::contentInset, &ScrollView::setContentInset);
  c.property("adjustedContentInset", &ScrollView::adjustedContentInset);
  c.property("scrollIndicatorInsets", &ScrollView::scrollIndicatorInsets, &ScrollView::setScrollIndicatorInsets);
  c.property("zoomScale", &ScrollView::zoomScale, static_cast<void (ScrollView::*)(double)>(&ScrollView::setZoomScale));
  c.property("minimumZoomScale", &ScrollView::minimumZoomScale, &ScrollView::setMinimumZoomScale);
  c.property("maximumZoomScale", &ScrollView::maximumZoomScale, &ScrollView::setMaximumZoomScale);
  c.property("decelerationRate", &ScrollView::decelerationRate, &ScrollView::setDecelerationRate);
  c.property("scrollEnabled", &ScrollView::isScrollEnabled, &ScrollView::setScrollEnabled).getterName("isScrollEnabled");
  c.property("pagingEnabled", &ScrollView::isPagingEnabled, &ScrollView::setPagingEnabled).getterName("isPagingEnabled");
  c.property("bounces", &ScrollView::bounces, &ScrollView::setBounces);
  c.property("alwaysBounceVertical", &ScrollView::alwaysBounceVertical, &ScrollView::setAlwaysBounceVertical);
  c.property("alwaysBounceHorizontal", &ScrollView::alwaysBounceHorizontal, &ScrollView::setAlwaysBounceHorizontal);
  c.property("directionalLockEnabled", &ScrollView::isDirectionalLockEnabled, &ScrollView::setDirectionalLockEnabled)
      .getterName("isDirectionalLockEnabled");
  c.property("showsHorizontalScrollIndicator", &ScrollView::showsHorizontalScrollIndicator,
             &ScrollView::setShowsHorizontalScrollIndicator);
  c.property("showsVerticalScrollIndicator", &ScrollView::showsVerticalScrollIndicator,
             &ScrollView::setShowsVerticalScrollIndicator);
  c.property("scrollsToTop", &ScrollView::scrollsToTop, &ScrollView::setScrollsToTop);
  c.property("delaysContentTouches", &ScrollView::delaysContentTouches, &ScrollView::setDelaysContentTouches);
  c.property("canCancelContentTouches", &ScrollView::canCancelContentTouches, &ScrollView::setCanCancelContentTouches);
  c.property("tracking", &ScrollView::isTracking).getterName("isTracking");
  c.property("dragging", &ScrollView::isDragging).getterName("isDragging");
  c.property("decelerating", &ScrollView::isDecelerating).getterName("isDecelerating");
  c.property("zooming", &ScrollView::isZooming).getterName("isZooming");
  // Their setters announce every change themselves, key-value coding included.
  for (const char* key : {"contentOffset", "contentSize", "contentInset", "zoomScale"}) c.manualNotification(key);
}

namespace {
constexpr double kIndicatorThickness = 2.5;
constexpr double kIndicatorMargin = 3;
constexpr double kIndicatorMinimumLength = 7;
constexpr double kIndicatorFadeDelay = 0.5;

// Notifies key-value observers of `key` around `change`.
template <class F> void notifying(rt::Object& o, const char* key, F&& change) {
  if (!o.hasObservers()) {
    change();
    return;
  }
  rt::String k(key);
  o.willChangeValueForKey(k);
  change();
  o.didChangeValueForKey(k);
}
}  // namespace

void ScrollView::init(gfx::Rect frame) {
  View::init(frame);
  setClipsToBounds(true);
  pan_ = rt::make<PanGestureRecognizer>();
  // The recogniser holds its target weakly, so `this` is alive whenever the action runs.
  pan_->addTarget(self(), [this](GestureRecognizer& g) { handlePan(g); });
  pan_->setDelegate(Weak<GestureRecognizerDelegate>(std::static_pointer_cast<ScrollView>(self())));
  addGestureRecognizer(pan_);
}

ScrollView::~ScrollView() {
  leaveTrackingMode();
  if (link_) link_->invalidate();
  if (fadeTimer_) fadeTimer_->invalidate();
}

// ---- geometry

gfx::Point ScrollView::minimumContentOffset() const {
  gfx::EdgeInsets in = adjustedContentInset();
  return {-in.left, -in.top};
}

gfx::Point ScrollView::maximumContentOffset() const {
  gfx::EdgeInsets in = adjustedContentInset();
  gfx::Size b = bounds().size;
  gfx::Point lo = minimumContentOffset();
  return {std::max(lo.x, contentSize_.width + in.right - b.width),
          std::max(lo.y, contentSize_.height + in.bottom - b.height)};
}

gfx::Point ScrollView::clampedOffset(gfx::Point p) const {
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  return {std::clamp(p.x, lo.x, hi.x), std::clamp(p.y, lo.y, hi.y)};
}

void ScrollView::setBounds(gfx::Rect b) {
  gfx::Point old = contentOffset();
  notifying(*this, "contentOffset", [&] { View::setBounds(b); });
  didChangeContentOffset(old);
}

void ScrollView::didChangeContentOffset(gfx::Point oldOffset) {
  (void)oldOffset;
  // Lay out at once so that what the new offset reveals is in place before anyone hears of
  // it; a layout that itself moves the offset only marks the view for the next pass.
  setNeedsLayout();
  if (layoutDepth_ == 0) {
    struct Depth {
      int& d;
      explicit Depth(int& x) : d(x) { ++d; }
      ~Depth() { --d; }
    } depth(layoutDepth_);  // a layout that throws must not leave later ones suppressed
    layoutIfNeeded();
  }
  updateIndicators();
  if (auto d = delegate_.lock()) d->scrollViewDidScroll(*this);
}

void ScrollView::applyOffset(gfx::Point offset) { setBounds({offset, bounds().size}); }

void ScrollView::setContentOffset(gfx::Point offset) {
  if (motion_ == Motion::Animating && !animPageSettle_) stopMotion();
  if (dragging_) {
    // Keep the finger's grip on the content where it now is.
    gfx::Point now = contentOffset();
    dragStartOffset_.x += offset.x - now.x;
    dragStartOffset_.y += offset.y - now.y;
  }
  applyOffset(offset);
}

void ScrollView::setContentOffset(gfx::Point offset, bool animated) {
  if (!animated || ViewAnimation::isCollecting()) {
    setContentOffset(offset);
    return;
  }
  if (offset == contentOffset()) return;
  stopMotion();
  animateOffset(offset, kAnimationDuration, false);
}

void ScrollView::setContentSize(gfx::Size size) {
  notifying(*this, "contentSize", [&] { contentSize_ = size; });
  updateIndicators();
}

void ScrollView::setContentInset(gfx::EdgeInsets inset) {
  notifying(*this, "contentInset", [&] { contentInset_ = inset; });
  // Content at rest never stays outside the new limits (a refresh header that gives its inset
  // back would leave the list pulled down). A finger, a fling or an animation already in
  // flight decide where the content goes themselves. Inside an animation block the move
  // animates with the inset.
  if (!dragging_ && !zooming_ && motion_ == Motion::None) {
    gfx::Point off = contentOffset(), in = clampedOffset(off);
    if (!(in == off)) applyOffset(in);
  }
  updateIndicators();
}

void ScrollView::setScrollIndicatorInsets(gfx::EdgeInsets inset) {
  indicatorInsets_ = inset;
  updateIndicators();
}

void ScrollView::setScrollEnabled(bool on) {
  scrollEnabled_ = on;
  pan_->setEnabled(on);
}

void ScrollView::setDecelerationRate(double r) {
  // A rate of 1 or more would never stop; 0 stops at once.
  decelerationRate_ = std::clamp(r, 0.0, 0.9999);
}

void ScrollView::setDelaysContentTouches(bool on) { delaysContentTouches_ = on; }

void ScrollView::setCanCancelContentTouches(bool on) {
  canCancelContentTouches_ = on;
  pan_->setCancelsTouchesInView(on);
}

bool ScrollView::movesHorizontally() const {
  return maximumContentOffset().x > minimumContentOffset().x || (bounces_ && alwaysBounceHorizontal_);
}

bool ScrollView::movesVertically() const {
  return maximumContentOffset().y > minimumContentOffset().y || (bounces_ && alwaysBounceVertical_);
}

// ---- dragging

bool ScrollView::gestureRecognizerShouldBegin(GestureRecognizer* g) {
  if (g != pan_.get()) return View::gestureRecognizerShouldBegin(g);
  if (!scrollEnabled_) return false;
  bool h = movesHorizontally(), v = movesVertically();
  if (!h && !v) return false;
  // Content that may not lose its touches keeps them: no scrolling from there.
  if (!canCancelContentTouches_)
    for (auto& t : pan_->trackedTouches())
      if (auto hit = t->view(); hit && hit.get() != this) return false;
  // A view that scrolls along one axis leaves movement along the other to its ancestors.
  gfx::Point t = pan_->translationInView(this);
  if (h && !v && std::fabs(t.y) > std::fabs(t.x)) return false;
  if (v && !h && std::fabs(t.x) > std::fabs(t.y)) return false;
  // Nested scroll views: the innermost one that can move the drag's way takes it; an enclosing
  // one gets it only where the inner ones cannot move (at their end, without bounce).
  if (anotherScrollViewTakesTheDrag(true)) return false;
  if (!canScrollAlong(t) && anotherScrollViewTakesTheDrag(false)) return false;
  return true;
}

bool ScrollView::canScrollAlong(gfx::Point t, bool rubberBanding) const {
  if (!scrollEnabled_ || !pan_->isEnabled()) return false;
  bool h = movesHorizontally(), v = movesVertically();
  bool sideways = std::fabs(t.x) > std::fabs(t.y);
  if (sideways ? !h : !v) return false;
  if (bounces_ && rubberBanding) return true;
  double d = sideways ? t.x : t.y;
  double offset = sideways ? contentOffset().x : contentOffset().y;
  double lo = sideways ? minimumContentOffset().x : minimumContentOffset().y;
  double hi = sideways ? maximumContentOffset().x : maximumContentOffset().y;
  constexpr double kEdge = 0.5;
  // The finger moving towards lower coordinates moves the content towards higher offsets.
  if (d < 0) return offset < hi - kEdge;
  if (d > 0) return offset > lo + kEdge;
  return true;
}

bool ScrollView::anotherScrollViewTakesTheDrag(bool inner) const {
  auto contends = [](const ScrollView& s, const Ref<Touch>& touch) {
    const auto& g = *s.pan_;
    if (g.isFinished()) return false;
    const auto& mine = g.trackedTouches();
    if (std::find(mine.begin(), mine.end(), touch) == mine.end()) return false;
    return s.canScrollAlong(g.translationInView(&s));
  };
  for (const auto& touch : pan_->trackedTouches()) {
    if (inner) {
      for (auto v = touch->view(); v && v.get() != this; v = v->superview())
        if (auto s = rt::as<ScrollView>(v); s && contends(*s, touch)) return true;
    } else {
      for (auto v = superview(); v; v = v->superview())
        if (auto s = rt::as<ScrollView>(v); s && contends(*s, touch)) return true;
    }
  }
  return false;
}

std::optional<bool> ScrollView::gestureRecognizerShouldReceiveTouch(GestureRecognizer& g, Touch& t) {
  (void)t;
  // Catching a moving list holds it where it is; the motion ends without a report.
  if (&g == pan_.get() && motion_ == Motion::Decelerating) {
    stopMotion();
    hideIndicatorsLater();
  }
  return std::nullopt;
}

std::optional<bool> ScrollView::shouldRequireFailureOf(GestureRecognizer& g, GestureRecognizer& other) {
  // Content at its end would only stretch: an enclosing pan that wants the drag (the stack's
  // pan-back at the first page) decides first. Enclosing scroll views refuse drags an inner
  // one contends for, so waiting for them changes nothing.
  if (&g != pan_.get() || !dynamic_cast<PanGestureRecognizer*>(&other)) return std::nullopt;
  auto around = other.view();
  if (!around || around.get() == this || !isDescendantOfView(around.get())) return std::nullopt;
  return !canScrollAlong(pan_->translationInView(this), false);
}

void ScrollView::handlePan(GestureRecognizer& g) {
  if (simulating_) return;
  switch (g.state()) {
    case S::Began:
      panBase_ = pan_->translationInView(this);
      beginDrag();
      break;
    case S::Changed: {
      gfx::Point t = pan_->translationInView(this);
      dragTo({t.x - panBase_.x, t.y - panBase_.y});
      break;
    }
    case S::Ended:
      endDrag(pan_->velocityInView(this));
      break;
    case S::Cancelled:
      endDrag({0, 0});
      break;
    default:
      break;
  }
}

void ScrollView::beginDrag() {
  stopMotion();
  tracking_ = dragging_ = true;
  enterTrackingMode();
  lockAxis_ = 0;
  // Caught while overscrolled: start from the finger position that pull corresponds to.
  dragStartOffset_ = contentOffset();
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  gfx::Size b = bounds().size;
  auto unband = [](double x, double l, double h, double dim) {
    if (x < l) return l - phys::rubberBandInverse(l - x, dim);
    if (x > h) return h + phys::rubberBandInverse(x - h, dim);
    return x;
  };
  if (bounces_) {
    dragStartOffset_.x = unband(dragStartOffset_.x, lo.x, hi.x, b.width);
    dragStartOffset_.y = unband(dragStartOffset_.y, lo.y, hi.y, b.height);
  }
  showIndicators();
  if (auto d = delegate_.lock()) d->scrollViewWillBeginDragging(*this);
}

void ScrollView::dragTo(gfx::Point t) {
  if (!dragging_) return;
  bool h = movesHorizontally(), v = movesVertically();
  if (directionalLock_ && h && v && lockAxis_ == 0 && (t.x != 0 || t.y != 0))
    lockAxis_ = std::fabs(t.x) >= std::fabs(t.y) ? 1 : 2;
  if (lockAxis_ == 1) v = false;
  if (lockAxis_ == 2) h = false;
  gfx::Point now = contentOffset();
  gfx::Point raw = {dragStartOffset_.x - t.x, dragStartOffset_.y - t.y};
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  gfx::Size b = bounds().size;
  auto place = [&](double r, double l, double u, double dim) {
    return bounces_ ? phys::rubberBandOffset(r, l, u, dim) : std::clamp(r, l, u);
  };
  gfx::Point p = {h ? place(raw.x, lo.x, hi.x, b.width) : now.x, v ? place(raw.y, lo.y, hi.y, b.height) : now.y};
  applyOffset(p);
}

void ScrollView::endDrag(gfx::Point fingerVelocity) {
  if (!dragging_) return;
  tracking_ = false;
  bool h = movesHorizontally() && lockAxis_ != 2, v = movesVertically() && lockAxis_ != 1;
  gfx::Point vel = {h ? -fingerVelocity.x : 0, v ? -fingerVelocity.y : 0};
  gfx::Point off = contentOffset();
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  gfx::Point target;
  if (pagingEnabled_) {
    gfx::Size page = bounds().size;
    target = {h ? phys::pageTarget(off.x, vel.x, dragStartOffset_.x, page.width, lo.x, hi.x) : off.x,
              v ? phys::pageTarget(off.y, vel.y, dragStartOffset_.y, page.height, lo.y, hi.y) : off.y};
  } else {
    target = clampedOffset({off.x + phys::decelerationProjection(vel.x, decelerationRate_),
                            off.y + phys::decelerationProjection(vel.y, decelerationRate_)});
  }
  gfx::Point proposed = target;
  auto d = delegate_.lock();
  if (d) d->scrollViewWillEndDragging(*this, {vel.x / 1000.0, vel.y / 1000.0}, &target);
  dragging_ = false;

  bool animateToTarget = pagingEnabled_ || !(target == proposed);
  bool overscrolled = !(clampedOffset(off) == off);
  bool willDecelerate;
  if (animateToTarget) {
    willDecelerate = !(target == off);
  } else {
    willDecelerate = overscrolled || std::fabs(target.x - off.x) >= 0.5 || std::fabs(target.y - off.y) >= 0.5;
  }
  if (d) d->scrollViewDidEndDragging(*this, willDecelerate);
  if (!willDecelerate) {
    leaveTrackingMode();
    hideIndicatorsLater();
    return;
  }
  decelerating_ = true;
  if (d) d->scrollViewWillBeginDecelerating(*this);
  if (!decelerating_) return;  // the delegate stopped it
  if (pagingEnabled_) {
    animateOffset(target, kAnimationDuration, true);
  } else if (animateToTarget) {
    // The speed that makes the normal slow-down come to rest exactly on the chosen offset.
    double k = -std::log(decelerationRate_) * 1000.0;
    startDeceleration({(target.x - off.x) * k, (target.y - off.y) * k}, target);
  } else {
    startDeceleration(vel, target);
  }
}

void ScrollView::simulateDragBegan() {
  if (!scrollEnabled_) return;
  simulating_ = true;
  if (pan_->state() == S::Possible) pan_->setState(S::Began);
  beginDrag();
}

void ScrollView::simulateDragChanged(gfx::Point translation) {
  if (!dragging_) return;
  if (pan_->isActive()) pan_->setState(S::Changed);
  dragTo(translation);
}

void ScrollView::simulateDragEnded(gfx::Point velocity) {
  if (!dragging_) return;
  if (pan_->isActive()) pan_->setState(S::Ended);
  endDrag(velocity);
  if (pan_->state() != S::Possible) pan_->reset();
  simulating_ = false;
}

// ---- motion on the display link

void ScrollView::startMotion(Motion m) {
  motion_ = m;
  motionStart_ = lastStep_ = CACurrentMediaTime();
  if (link_) return;
  Weak<ScrollView> weak = std::static_pointer_cast<ScrollView>(self());
  link_ = DisplayLink::displayLinkWithBlock([weak](DisplayLink& l) {
    if (auto s = weak.lock()) s->stepMotion(l);
  });
  // Common modes: the motion goes on while the loop serves tracking.
  link_->addToRunLoop(fd::RunLoop::mainRunLoop(), rt::String(fd::NSRunLoopCommonModes));
}

void ScrollView::enterTrackingMode() {
  if (trackingMode_) return;
  trackingMode_ = true;
  fd::RunLoop::mainRunLoop()->pushMode(rt::String(fd::UITrackingRunLoopMode));
}

void ScrollView::leaveTrackingMode() {
  if (!trackingMode_) return;
  trackingMode_ = false;
  fd::RunLoop::mainRunLoop()->popMode();
}

void ScrollView::stopMotion() {
  if (!dragging_) leaveTrackingMode();
  motion_ = Motion::None;
  decelerating_ = false;
  animPageSettle_ = animToTop_ = false;
  axisX_ = axisY_ = Axis();
  if (link_) {
    link_->invalidate();
    link_.reset();
  }
}

void ScrollView::stepMotion(DisplayLink& link) {
  (void)link;
  double now = CACurrentMediaTime();
  if (motion_ == Motion::Decelerating) stepDeceleration(now);
  else if (motion_ == Motion::Animating) stepAnimation(now);
}

void ScrollView::startDeceleration(gfx::Point velocity, gfx::Point target) {
  axisX_ = Axis{velocity.x, target.x, 0, false};
  axisY_ = Axis{velocity.y, target.y, 0, false};
  showIndicators();
  startMotion(Motion::Decelerating);
}

bool ScrollView::stepAxis(double& x, Axis& a, double lo, double hi, double dt) {
  hi = std::max(lo, hi);
  if (!a.spring && (x < lo || x > hi)) {
    if (!bounces_) {
      x = std::clamp(x, lo, hi);
      a.velocity = 0;
      return true;
    }
    a.spring = true;
    a.low = x < lo;
  }
  if (a.spring) {
    // The edge follows the limits: an inset that grows during the bounce (a pull-to-refresh
    // header holding itself in view) moves where the content comes to rest.
    a.edge = a.low ? lo : hi;
    double before = x;
    phys::SpringState s = phys::bounceSpring(x - a.edge, a.velocity, dt);
    x = a.edge + s.displacement;
    a.velocity = s.velocity;
    if (std::fabs(s.displacement) < 0.5 && std::fabs(a.velocity) < 0.5 * phys::kBounceFrequency) {
      x = a.edge;
      a.velocity = 0;
      return true;
    }
    // Flung back across the edge: the content slows down freely again.
    bool wasOut = before < lo || before > hi;
    if (wasOut && x >= lo && x <= hi) {
      a.spring = false;
      a.target = std::clamp(x + phys::decelerationProjection(a.velocity, decelerationRate_), lo, hi);
    }
    return false;
  }
  double ms = dt * 1000.0;
  x += phys::decelerationDistance(a.velocity, decelerationRate_, ms);
  a.velocity = phys::decelerationVelocity(a.velocity, decelerationRate_, ms);
  if (x < lo || x > hi) {
    if (bounces_) return false;  // the next step bounces
    x = std::clamp(x, lo, hi);
    a.velocity = 0;
    return true;
  }
  if (std::fabs(phys::decelerationProjection(a.velocity, decelerationRate_)) < 0.5) {
    if (std::fabs(a.target - x) < 1) x = a.target;
    a.velocity = 0;
    return true;
  }
  return false;
}

void ScrollView::stepDeceleration(double now) {
  double dt = now - lastStep_;
  if (dt <= 0) return;
  lastStep_ = now;
  gfx::Point off = contentOffset();
  gfx::Point lo = minimumContentOffset(), hi = maximumContentOffset();
  bool restX = axisX_.velocity == 0 && !axisX_.spring && off.x >= lo.x && off.x <= hi.x;
  bool restY = axisY_.velocity == 0 && !axisY_.spring && off.y >= lo.y && off.y <= hi.y;
  if (!restX) restX = stepAxis(off.x, axisX_, lo.x, hi.x, dt);
  if (!restY) restY = stepAxis(off.y, axisY_, lo.y, hi.y, dt);
  applyOffset(off);
  if (restX && restY && motion_ == Motion::Decelerating) finishDeceleration();
}

void ScrollView::finishDeceleration() {
  stopMotion();
  hideIndicatorsLater();
  if (auto d = delegate_.lock()) d->scrollViewDidEndDecelerating(*this);
}

void ScrollView::animateOffset(gfx::Point to, double duration, bool pageSettle) {
  animFrom_ = contentOffset();
  animTo_ = to;
  animDuration_ = duration;
  animPageSettle_ = pageSettle;
  showIndicators();
  startMotion(Motion::Animating);
}

void ScrollView::stepAnimation(double now) {
  double t = animDuration_ > 0 ? (now - motionStart_) / animDuration_ : 1;
  if (t >= 1) {
    applyOffset(animTo_);
    if (motion_ == Motion::Animating) finishAnimation();
    return;
  }
  double e = animPageSettle_ ? phys::easeOut(t) : phys::easeInOut(t);
  applyOffset({animFrom_.x + (animTo_.x - animFrom_.x) * e, animFrom_.y + (animTo_.y - animFrom_.y) * e});
}

void ScrollView::finishAnimation() {
  bool page = animPageSettle_, top = animToTop_;
  stopMotion();
  hideIndicatorsLater();
  auto d = delegate_.lock();
  if (!d) return;
  if (page) d->scrollViewDidEndDecelerating(*this);
  else if (top) d->scrollViewDidScrollToTop(*this);
  else d->scrollViewDidEndScrollingAnimation(*this);
}

// ---- scrolling to places

void ScrollView::scrollRectToVisible(gfx::Rect rect, bool animated) {
  gfx::Rect b = bounds();
  gfx::EdgeInsets in = adjustedContentInset();
  auto axis = [](double off, double lead, double trail, double visible, double rMin, double rMax) {
    // Visible span is [off + lead, off + visible - trail].
    if (rMax - rMin > visible - lead - trail || rMin < off + lead) return rMin - lead;
    if (rMax > off + visible - trail) return rMax - visible + trail;
    return off;
  };
  gfx::Point off = contentOffset();
  gfx::Point want = {axis(off.x, in.left, in.right, b.size.width, rect.origin.x, rect.origin.x + rect.size.width),
                     axis(off.y, in.top, in.bottom, b.size.height, rect.origin.y, rect.origin.y + rect.size.height)};
  want = clampedOffset(want);
  if (want == off) return;
  setContentOffset(want, animated);
}

bool ScrollView::scrollToTop() {
  if (!scrollsToTop_) return false;
  auto d = delegate_.lock();
  if (d) {
    if (auto ok = d->scrollViewShouldScrollToTop(*this); ok && !*ok) return false;
  }
  gfx::Point top = {contentOffset().x, minimumContentOffset().y};
  stopMotion();
  if (top == contentOffset()) {
    if (d) d->scrollViewDidScrollToTop(*this);
    return true;
  }
  animateOffset(top, kAnimationDuration, false);
  animToTop_ = true;
  return true;
}

// ---- indicators

Ref<Layer> ScrollView::makeIndicator() {
  auto l = rt::make<Layer>();
  l->setCornerRadius(kIndicatorThickness / 2);
  l->setOpacity(0);
  layer()->addSublayer(l);
  return l;
}

void ScrollView::setShowsHorizontalScrollIndicator(bool on) {
  showsHorizontal_ = on;
  if (!on && hIndicator_) hIndicator_->setHidden(true);
}

void ScrollView::setShowsVerticalScrollIndicator(bool on) {
  showsVertical_ = on;
  if (!on && vIndicator_) vIndicator_->setHidden(true);
}

void ScrollView::setIndicatorStyle(ScrollViewIndicatorStyle s) {
  indicatorStyle_ = s;
  updateIndicators();
}

void ScrollView::showIndicators() {
  bool h = showsHorizontal_ && maximumContentOffset().x > minimumContentOffset().x;
  bool v = showsVertical_ && maximumContentOffset().y > minimumContentOffset().y;
  if (!h && !v) return;
  if (fadeTimer_) {
    fadeTimer_->invalidate();
    fadeTimer_.reset();
  }
  Transaction::begin();
  Transaction::setDisableActions(true);
  auto show = [&](Ref<Layer>& l, bool on) {
    if (!on) {
      if (l) l->setHidden(true);
      return;
    }
    if (!l) l = makeIndicator();
    // Above any content added since.
    l->removeFromSuperlayer();
    layer()->addSublayer(l);
    l->setHidden(false);
    l->setOpacity(1);
  };
  show(hIndicator_, h);
  show(vIndicator_, v);
  Transaction::commit();
  updateIndicators();
}

void ScrollView::hideIndicatorsLater() {
  if (!hIndicator_ && !vIndicator_) return;
  if (fadeTimer_) fadeTimer_->invalidate();
  Weak<ScrollView> weak = std::static_pointer_cast<ScrollView>(self());
  fadeTimer_ = fd::Timer::scheduledTimerWithTimeInterval(kIndicatorFadeDelay, false, [weak](fd::Timer&) {
    auto s = weak.lock();
    if (!s || s->dragging_ || s->motion_ != Motion::None) return;
    s->fadeTimer_.reset();
    for (auto* l : {s->hIndicator_.get(), s->vIndicator_.get()})
      if (l) l->setOpacity(0);
  });
}

void ScrollView::flashScrollIndicators() {
  showIndicators();
  if (!dragging_ && motion_ == Motion::None) hideIndicatorsLater();
}

void ScrollView::updateIndicators() {
  if (!hIndicator_ && !vIndicator_) return;
  gfx::Rect b = bounds();
  gfx::EdgeInsets in = adjustedContentInset(), ind = indicatorInsets_;
  gfx::Point off = contentOffset(), lo = minimumContentOffset(), hi = maximumContentOffset();
  double white = indicatorStyle_ == ScrollViewIndicatorStyle::White ? 1 : 0;
  double alpha = indicatorStyle_ == ScrollViewIndicatorStyle::Default ? 0.35 : 0.5;
  auto color = gfx::Color::colorWithWhite(white, alpha);
  bool both = hIndicator_ && vIndicator_ && !hIndicator_->isHidden() && !vIndicator_->isHidden();
  // Length along the track: the visible share of the content, shortened by any overscroll.
  auto bar = [](double track, double visible, double content, double o, double l, double h, double& start) {
    double len = content > 0 ? track * std::min(1.0, visible / content) : track;
    double over = o < l ? l - o : (o > h ? o - h : 0);
    len = std::max(kIndicatorMinimumLength, len - over);
    len = std::min(len, std::max(0.0, track));
    double progress = h > l ? std::clamp((o - l) / (h - l), 0.0, 1.0) : 0;
    start = (track - len) * progress;
    return len;
  };
  Transaction::begin();
  Transaction::setDisableActions(true);
  if (vIndicator_) {
    double trackTop = b.origin.y + in.top + ind.top + kIndicatorMargin;
    double track = b.size.height - in.top - in.bottom - ind.top - ind.bottom - 2 * kIndicatorMargin -
                   (both ? kIndicatorThickness + kIndicatorMargin : 0);
    double start = 0;
    double len = bar(track, b.size.height, contentSize_.height + in.top + in.bottom, off.y, lo.y, hi.y, start);
    double x = b.origin.x + b.size.width - ind.right - kIndicatorMargin - kIndicatorThickness;
    vIndicator_->setFrame({{x, trackTop + start}, {kIndicatorThickness, len}});
    vIndicator_->setBackgroundColor(color);
  }
  if (hIndicator_) {
    double trackLeft = b.origin.x + in.left + ind.left + kIndicatorMargin;
    double track = b.size.width - in.left - in.right - ind.left - ind.right - 2 * kIndicatorMargin -
                   (both ? kIndicatorThickness + kIndicatorMargin : 0);
    double start = 0;
    double len = bar(track, b.size.width, contentSize_.width + in.left + in.right, off.x, lo.x, hi.x, start);
    double y = b.origin.y + b.size.height - ind.bottom - kIndicatorMargin - kIndicatorThickness;
    hIndicator_->setFrame({{trackLeft + start, y}, {len, kIndicatorThickness}});
    hIndicator_->setBackgroundColor(color);
  }
  Transaction::commit();
}

void ScrollView::layoutSublayersOfLayer(Layer& l) {
  View::layoutSublayersOfLayer(l);
  if (&l == layer().get()) updateIndicators();
}

// ---- zooming

Ref<View> ScrollView::zoomingView() {
  auto d = delegate_.lock();
  if (!d) return nullptr;
  auto v = d->viewForZoomingInScrollView(*this);
  return v ? *v : nullptr;
}

void ScrollView::setMinimumZoomScale(double s) {
  minZoom_ = s;
  updateZoomRecognizer();
}

void ScrollView::setMaximumZoomScale(double s) {
  maxZoom_ = s;
  updateZoomRecognizer();
}

void ScrollView::updateZoomRecognizer() {
  bool wanted = maxZoom_ > minZoom_;
  if (wanted && !pinch_) {
    pinch_ = rt::make<PinchGestureRecognizer>();
    pinch_->addTarget(self(), [this](GestureRecognizer& g) { handlePinch(g); });
    addGestureRecognizer(pinch_);
  } else if (!wanted && pinch_) {
    removeGestureRecognizer(pinch_.get());
    pinch_.reset();
  }
}

void ScrollView::applyZoom(double scale, gfx::Point anchor) {
  Ref<View> v = zoomingView();
  if (!v || scale <= 0) return;
  // Keep the content point under `anchor` (a point in the bounds) where it is.
  gfx::Point off = contentOffset();
  double ratio = scale / zoomScale_;
  gfx::Point content = {(off.x + anchor.x) * ratio, (off.y + anchor.y) * ratio};
  notifying(*this, "zoomScale", [&] { zoomScale_ = scale; });
  gfx::Size base = v->bounds().size;
  v->setTransform(gfx::AffineTransformMakeScale(scale, scale));
  v->setCenter({base.width * scale / 2, base.height * scale / 2});
  setContentSize({base.width * scale, base.height * scale});
  applyOffset(zooming_ ? gfx::Point{content.x - anchor.x, content.y - anchor.y}
                       : clampedOffset({content.x - anchor.x, content.y - anchor.y}));
  if (auto d = delegate_.lock()) d->scrollViewDidZoom(*this);
}

void ScrollView::setZoomScale(double scale) {
  scale = std::clamp(scale, minZoom_, std::max(minZoom_, maxZoom_));
  if (!zoomingView()) return;
  gfx::Size b = bounds().size;
  applyZoom(scale, {b.width / 2, b.height / 2});
}

void ScrollView::setZoomScale(double scale, bool animated) {
  // The scale lands at once; the offset follows as any scroll does.
  (void)animated;
  setZoomScale(scale);
}

void ScrollView::zoomToRect(gfx::Rect rect, bool animated) {
  Ref<View> v = zoomingView();
  if (!v || rect.size.width <= 0 || rect.size.height <= 0) return;
  gfx::Size b = bounds().size;
  double scale = std::clamp(std::min(b.width / rect.size.width, b.height / rect.size.height), minZoom_,
                            std::max(minZoom_, maxZoom_));
  setZoomScale(scale);
  gfx::Point mid = {(rect.origin.x + rect.size.width / 2) * scale, (rect.origin.y + rect.size.height / 2) * scale};
  setContentOffset(clampedOffset({mid.x - b.width / 2, mid.y - b.height / 2}), animated);
}

void ScrollView::handlePinch(GestureRecognizer& g) {
  Ref<View> v = zoomingView();
  if (!v) return;
  auto d = delegate_.lock();
  switch (g.state()) {
    case S::Began:
      stopMotion();
      zooming_ = true;
      zoomStart_ = zoomScale_;
      if (d) d->scrollViewWillBeginZooming(*this, v.get());
      break;
    case S::Changed: {
      double hiZoom = std::max(minZoom_, maxZoom_);
      double s = zoomStart_ * pinch_->scale();
      // Past the limits the scale gives way slowly, like an overscrolled offset.
      if (!bouncesZoom_) s = std::clamp(s, minZoom_, hiZoom);
      else if (s > hiZoom) s = hiZoom * (1 + phys::rubberBand(s / hiZoom - 1, 1));
      else if (s < minZoom_) s = minZoom_ * (1 + phys::rubberBand(s / minZoom_ - 1, 1));
      gfx::Point anchor = g.locationInView(this);
      gfx::Point off = contentOffset();
      applyZoom(s, {anchor.x - off.x, anchor.y - off.y});
      break;
    }
    case S::Ended:
    case S::Cancelled: {
      zooming_ = false;
      double s = std::clamp(zoomScale_, minZoom_, std::max(minZoom_, maxZoom_));
      if (s != zoomScale_) {
        gfx::Size b = bounds().size;
        applyZoom(s, {b.width / 2, b.height / 2});
      }
      applyOffset(clampedOffset(contentOffset()));
      if (d) d->scrollViewDidEndZooming(*this, v.get(), zoomScale_);
      break;
    }
    default:
      break;
  }
}

}  // namespace ui
