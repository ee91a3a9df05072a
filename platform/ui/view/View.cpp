#include "platform/ui/view/View.h"

#include <algorithm>
#include <cmath>

#include "platform/foundation/values/Array.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Null.h"
#include "platform/graphics/ImageContext.h"
#include "platform/ui/input/GestureRecognizer.h"
#include "platform/ui/layout/LayoutEngine.h"
#include "platform/ui/view/Screen.h"
#include "platform/ui/view/ViewAnimation.h"
#include "platform/ui/view/Window.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(View) {
  c.property("frame", &View::frame, &View::setFrame);
  c.property("bounds", &View::bounds, &View::setBounds);
  c.property("center", &View::center, &View::setCenter);
  c.property("transform", &View::transform, &View::setTransform);
  c.property("alpha", &View::alpha, &View::setAlpha);
  c.property("hidden", &View::isHidden, &View::setHidden).getterName("isHidden");
  c.property("backgroundColor", &View::backgroundColor, &View::setBackgroundColor);
  c.property("tintColor", &View::tintColor, &View::setTintColor);
  c.property("tag", &View::tag, &View::setTag);
  c.property("clipsToBounds", &View::clipsToBounds, &View::setClipsToBounds);
  c.property("userInteractionEnabled", &View::isUserInteractionEnabled, &View::setUserInteractionEnabled)
      .getterName("isUserInteractionEnabled");
  c.property("autoresizingMask", &View::autoresizingMask, &View::setAutoresizingMask);
  c.property("accessibilityLabel", &View::accessibilityLabel, &View::setAccessibilityLabel);
  c.protocol("NSCoding");
}

namespace {
// Notifies key-value observers around a geometry change, when there are any.
template <class F> void withChangeNotice(View& v, std::initializer_list<const char*> keys, F&& change) {
  if (!v.hasObservers()) {
    change();
    return;
  }
  for (auto* k : keys) v.willChangeValueForKey(rt::String(k));
  change();
  for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) v.didChangeValueForKey(rt::String(*it));
}
}  // namespace

void View::init(gfx::Rect frame) {
  const rt::Class* cls = layerClass();
  rt::Id made = cls ? cls->createInstance() : nullptr;
  layer_ = std::dynamic_pointer_cast<Layer>(made);
  if (!layer_) layer_ = rt::make<Layer>();
  layer_->setDelegate(std::static_pointer_cast<View>(self()));
  // Views draw at the screen's pixel density, in points.
  layer_->setContentsScale(Screen::mainScreen()->scale());
  setFrame(frame);
}

View::~View() {
  for (auto& s : subviews_) s->superview_.reset();
}

const rt::Class* View::layerClass() const { return Layer::classObject(); }

// ---- geometry

gfx::Rect View::frame() const { return layer_->frame(); }

void View::setFrame(gfx::Rect frame) {
  gfx::Size old = bounds().size;
  withChangeNotice(*this, {"frame", "center", "bounds"}, [&] { layer_->setFrame(frame); });
  boundsSizeChanged(old);
  if (layoutState_) layout::LayoutEngine::geometryChanged(*this);
}

void View::setBounds(gfx::Rect b) {
  gfx::Size old = bounds().size;
  withChangeNotice(*this, {"bounds", "frame"}, [&] { layer_->setBounds(b); });
  boundsSizeChanged(old);
  if (layoutState_) layout::LayoutEngine::geometryChanged(*this);
}

void View::setCenter(gfx::Point c) {
  withChangeNotice(*this, {"center", "frame"}, [&] { layer_->setPosition(c); });
  if (layoutState_) layout::LayoutEngine::geometryChanged(*this);
}

void View::setTransform(gfx::AffineTransform t) {
  withChangeNotice(*this, {"transform", "frame"}, [&] { layer_->setAffineTransform(t); });
}

void View::boundsSizeChanged(gfx::Size old) {
  gfx::Size now = bounds().size;
  if (old == now) return;
  setNeedsLayout();
  if (contentMode_ == ViewContentMode::Redraw) setNeedsDisplay();
  if (autoresizesSubviews_)
    for (auto& s : subviews_) s->autoresize(old, now);
}

// Spreads the superview's change over the flexible parts of each axis, in proportion to their
// current lengths (evenly when they are all zero).
void View::autoresize(gfx::Size oldSuper, gfx::Size newSuper) {
  if (autoresizingMask_ == ViewAutoresizingNone || !translatesAutoresizingMaskIntoConstraints()) return;
  gfx::Rect f = frame();
  auto axis = [](double& origin, double& length, double superOld, double superNew, bool flexLead, bool flexLen,
                 bool flexTrail) {
    double delta = superNew - superOld;
    if (delta == 0 || !(flexLead || flexLen || flexTrail)) return;
    double lead = origin, trail = superOld - origin - length;
    double parts[3] = {flexLead ? std::max(lead, 0.0) : 0, flexLen ? std::max(length, 0.0) : 0,
                       flexTrail ? std::max(trail, 0.0) : 0};
    double sum = parts[0] + parts[1] + parts[2];
    int count = int(flexLead) + int(flexLen) + int(flexTrail);
    auto share = [&](int i, bool flex) { return !flex ? 0.0 : sum > 0 ? delta * parts[i] / sum : delta / count; };
    origin += share(0, flexLead);
    length += share(1, flexLen);
  };
  axis(f.origin.x, f.size.width, oldSuper.width, newSuper.width, autoresizingMask_ & ViewAutoresizingFlexibleLeftMargin,
       autoresizingMask_ & ViewAutoresizingFlexibleWidth, autoresizingMask_ & ViewAutoresizingFlexibleRightMargin);
  axis(f.origin.y, f.size.height, oldSuper.height, newSuper.height, autoresizingMask_ & ViewAutoresizingFlexibleTopMargin,
       autoresizingMask_ & ViewAutoresizingFlexibleHeight, autoresizingMask_ & ViewAutoresizingFlexibleBottomMargin);
  setFrame(f);
}

// ---- look

void View::setAlpha(double alpha) { layer_->setOpacity(alpha); }
void View::setHidden(bool hidden) { layer_->setHidden(hidden); }
void View::setBackgroundColor(Ref<gfx::Color> color) { layer_->setBackgroundColor(std::move(color)); }

Ref<gfx::Color> View::tintColor() const {
  for (const View* v = this; v; v = v->superview_.lock().get())
    if (v->tintColor_) return v->tintColor_;
  return gfx::Color::colorWithRed(0, 122.0 / 255, 1, 1);
}

void View::setTintColor(Ref<gfx::Color> color) {
  if (rt::equalObjects(color.get(), tintColor_.get())) return;
  tintColor_ = std::move(color);
  propagateTintChange();
}

void View::setTintAdjustmentMode(ViewTintAdjustmentMode m) {
  if (m == tintAdjustmentMode_) return;
  tintAdjustmentMode_ = m;
  propagateTintChange();
}

void View::propagateTintChange() {
  tintColorDidChange();
  for (auto& s : subviews_)
    if (!s->tintColor_) s->propagateTintChange();
}

void View::setContentMode(ViewContentMode m) {
  contentMode_ = m;
  layer_->setContentsGravity(gravityForContentMode(static_cast<int64_t>(m)));
}

Ref<View> View::viewWithTag(int64_t tag) {
  if (tag_ == tag) return std::static_pointer_cast<View>(self());
  for (auto& s : subviews_)
    if (auto found = s->viewWithTag(tag)) return found;
  return nullptr;
}

// ---- hierarchy

Ref<Window> View::window() const {
  const View* top = this;
  while (auto s = top->superview_.lock()) top = s.get();
  auto w = dynamic_cast<const Window*>(top);
  return w ? std::static_pointer_cast<Window>(std::const_pointer_cast<rt::Object>(w->self())) : nullptr;
}

bool View::isDescendantOfView(const View* view) const {
  for (const View* v = this; v; v = v->superview_.lock().get())
    if (v == view) return true;
  return false;
}

void View::addSubview(const Ref<View>& view) { attachSubview(view, subviews_.size()); }

void View::insertSubviewAtIndex(const Ref<View>& view, size_t index) { attachSubview(view, index); }

void View::insertSubviewBelow(const Ref<View>& view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == sibling; });
  if (it == subviews_.end()) return addSubview(view);
  size_t index = size_t(it - subviews_.begin());
  if (view->superview_.lock().get() == this) {
    auto cur = std::find(subviews_.begin(), subviews_.end(), view);
    if (size_t(cur - subviews_.begin()) < index) --index;
  }
  attachSubview(view, index);
}

void View::insertSubviewAbove(const Ref<View>& view, const View* sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& s) { return s.get() == sibling; });
  if (it == subviews_.end()) return addSubview(view);
  size_t index = size_t(it - subviews_.begin()) + 1;
  if (view->superview_.lock().get() == this) {
    auto cur = std::find(subviews_.begin(), subviews_.end(), view);
    if (size_t(cur - subviews_.begin()) < index) --index;
  }
  attachSubview(view, index);
}

void View::attachSubview(const Ref<View>& view, size_t index) {
  if (!view || view.get() == this) return;
  if (isDescendantOfView(view.get())) rt::raise("NSInvalidArgumentException", "Can't add self as subview");
  auto oldSuper = view->superview();
  if (oldSuper.get() == this) {
    // Reordering only: no hierarchy callbacks.
    auto cur = std::find(subviews_.begin(), subviews_.end(), view);
    Ref<View> keep = view;
    subviews_.erase(cur);
    index = std::min(index, subviews_.size());
    subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), keep);
    placeLayerOf(keep.get(), index);
    return;
  }
  Ref<View> keep = view;
  auto oldWindow = view->window();
  auto newWindow = window();
  view->willMoveToSuperview(this);
  if (oldWindow != newWindow) view->notifyWindowChange(oldWindow.get(), newWindow.get(), false);
  if (oldSuper) {
    oldSuper->willRemoveSubview(view.get());
    std::erase(oldSuper->subviews_, view);
    view->layer_->removeFromSuperlayer();
  }
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + std::ptrdiff_t(index), keep);
  view->superview_ = std::static_pointer_cast<View>(self());
  placeLayerOf(view.get(), index);
  if (oldWindow != newWindow) view->notifyWindowChange(oldWindow.get(), newWindow.get(), true);
  view->didMoveToSuperview();
  didAddSubview(view.get());
  if (!view->tintColor_) view->propagateTintChange();
  view->setNeedsLayout();
  setNeedsLayout();
  layout::LayoutEngine::viewMoved(*view, oldSuper.get());
}

// Keeps the layer order in step with the subview order; the layer may hold other sublayers,
// so the subview's layer goes just below its next sibling's (or on top).
void View::placeLayerOf(const View* view, size_t index) {
  Ref<Layer> l = view->layer_;
  if (index + 1 < subviews_.size()) {
    const Layer* next = subviews_[index + 1]->layer_.get();
    if (next->superlayer().get() == layer_.get()) {
      if (l->superlayer().get() == layer_.get()) l->removeFromSuperlayer();
      layer_->insertSublayerBelow(l, next);
      return;
    }
  }
  if (l->superlayer().get() == layer_.get()) l->removeFromSuperlayer();
  layer_->addSublayer(l);
}

void View::exchangeSubviewAtIndex(size_t a, size_t b) {
  if (a >= subviews_.size() || b >= subviews_.size() || a == b) return;
  std::swap(subviews_[a], subviews_[b]);
  placeLayerOf(subviews_[std::min(a, b)].get(), std::min(a, b));
  placeLayerOf(subviews_[std::max(a, b)].get(), std::max(a, b));
}

void View::bringSubviewToFront(const View* view) {
  for (auto& s : subviews_)
    if (s.get() == view) return attachSubview(Ref<View>(s), subviews_.size());
}

void View::sendSubviewToBack(const View* view) {
  for (auto& s : subviews_)
    if (s.get() == view) return attachSubview(Ref<View>(s), 0);
}

void View::removeFromSuperview() {
  auto sup = superview();
  if (!sup) return;
  Ref<View> keep = std::static_pointer_cast<View>(self());
  auto oldWindow = window();
  willMoveToSuperview(nullptr);
  if (oldWindow) notifyWindowChange(oldWindow.get(), nullptr, false);
  sup->willRemoveSubview(this);
  std::erase(sup->subviews_, keep);
  superview_.reset();
  layer_->removeFromSuperlayer();
  if (oldWindow) notifyWindowChange(oldWindow.get(), nullptr, true);
  didMoveToSuperview();
  sup->setNeedsLayout();
  layout::LayoutEngine::viewMoved(*this, sup.get());
}

void View::notifyWindowChange(Window* oldWindow, Window* newWindow, bool didMove) {
  if (!didMove) {
    willMoveToWindow(newWindow);
  } else {
    // A view leaving its window gives up first-responder status.
    if (!newWindow && isFirstResponder()) resignFirstResponder();
    didMoveToWindow();
  }
  auto copy = subviews_;
  for (auto& s : copy) s->notifyWindowChange(oldWindow, newWindow, didMove);
  if (didMove && newWindow) setNeedsDisplay();
}

// ---- layout

void View::setNeedsLayout() {
  needsLayout_ = true;
  layer_->setNeedsLayout();
}

void View::layOutNow() {
  needsLayout_ = false;
  auto controller = controller_.lock();
  auto* observer = dynamic_cast<ViewLayoutObserver*>(controller.get());
  if (observer) observer->viewLayoutWillBegin();
  layout::LayoutEngine::layoutPass(*this, true);
  needsLayout_ = false;  // the solved frames may have marked it again
  updateConstraintsIfNeeded();
  layoutSubviews();
  if (observer) observer->viewLayoutDidEnd();
}

void View::layoutIfNeeded() {
  // Constraints below this view may have changed even when it needs no layout itself.
  if (needsLayout_) layOutNow();
  else layout::LayoutEngine::layoutPass(*this);
  auto copy = subviews_;
  for (auto& s : copy) s->layoutIfNeeded();
}

void View::layoutSublayersOfLayer(Layer& layer) {
  if (&layer != layer_.get() || !needsLayout_) return;
  layOutNow();
}

gfx::Size View::sizeThatFits(gfx::Size size) const {
  (void)size;
  return bounds().size;
}

void View::sizeToFit() {
  gfx::Rect f = frame();
  f.size = sizeThatFits(f.size);
  setFrame(f);
}

// ---- display

void View::setNeedsDisplay() { layer_->setNeedsDisplay(); }
void View::setNeedsDisplayInRect(gfx::Rect rect) { layer_->setNeedsDisplayInRect(rect); }

void View::drawRect(gfx::Rect rect) {
  (void)rect;
  baseDrawReached_ = true;
}

bool View::drawLayerInContext(Layer& layer, gfx::Context& context) {
  if (&layer != layer_.get()) return false;
  baseDrawReached_ = false;
  gfx::pushContext(std::static_pointer_cast<gfx::Context>(context.self()));
  drawRect(bounds());
  gfx::popContext();
  // A class that does not draw leaves the layer without a backing store.
  return !baseDrawReached_;
}

bool View::drawViewHierarchyInRect(gfx::Rect rect, bool afterScreenUpdates) {
  auto ctx = gfx::currentContext();
  if (!ctx) return false;
  if (afterScreenUpdates) layoutIfNeeded();
  gfx::Rect b = bounds();
  ctx->saveGState();
  ctx->translateCTM(rect.origin.x, rect.origin.y);
  if (b.size.width > 0 && b.size.height > 0)
    ctx->scaleCTM(rect.size.width / b.size.width, rect.size.height / b.size.height);
  layer_->renderInContext(*ctx);
  ctx->restoreGState();
  return true;
}

std::optional<rt::Id> View::actionForLayer(Layer& layer, const rt::String& key) {
  if (&layer != layer_.get()) return std::nullopt;
  return viewAnimationActionFor(*this, key);
}

// ---- hit testing and conversion

bool View::pointInside(gfx::Point point, Event* event) const {
  (void)event;
  return gfx::RectContainsPoint(bounds(), point);
}

Ref<View> View::hitTest(gfx::Point point, Event* event) {
  if (isHidden() || !userInteractionEnabled_ || alpha() < 0.01) return nullptr;
  if (!pointInside(point, event)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    Ref<View> sub = *it;
    if (auto hit = sub->hitTest(sub->convertPointFromView(point, this), event)) return hit;
  }
  return std::static_pointer_cast<View>(self());
}

gfx::Transform3D View::transformToScreen() const {
  gfx::Transform3D t;
  const View* v = this;
  for (auto s = v->superview_.lock(); s; v = s.get(), s = s->superview_.lock())
    t = gfx::Transform3DConcat(t, v->layer_->transformToSuperlayer());
  // Only a window's position places it on the screen; a loose tree's top stays at the origin.
  if (dynamic_cast<const Window*>(v)) t = gfx::Transform3DConcat(t, v->layer_->transformToSuperlayer());
  return t;
}

namespace {
gfx::Point apply(gfx::Point p, const gfx::Transform3D& t) { return gfx::PointApplyTransform3D(p, t); }
}  // namespace

// The other end of a conversion: the given view, else this view's window, else the top of
// its tree.
gfx::Transform3D View::referenceTransform(const View* view) const {
  if (view) return view->transformToScreen();
  if (auto w = window()) return w->transformToScreen();
  const View* top = this;
  while (auto s = top->superview_.lock()) top = s.get();
  return top->transformToScreen();
}

gfx::Point View::convertPointToView(gfx::Point p, const View* view) const {
  return apply(p, gfx::Transform3DConcat(transformToScreen(), gfx::Transform3DInvert(referenceTransform(view))));
}

gfx::Point View::convertPointFromView(gfx::Point p, const View* view) const {
  return apply(p, gfx::Transform3DConcat(referenceTransform(view), gfx::Transform3DInvert(transformToScreen())));
}

namespace {
template <class F> gfx::Rect mapRect(gfx::Rect r, F&& map) {
  gfx::Point c[4] = {map(r.origin), map({r.origin.x + r.size.width, r.origin.y}),
                     map({r.origin.x, r.origin.y + r.size.height}),
                     map({r.origin.x + r.size.width, r.origin.y + r.size.height})};
  double minX = c[0].x, maxX = c[0].x, minY = c[0].y, maxY = c[0].y;
  for (auto& q : c) {
    minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
    minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
  }
  return {{minX, minY}, {maxX - minX, maxY - minY}};
}
}  // namespace

gfx::Rect View::convertRectToView(gfx::Rect r, const View* view) const {
  return mapRect(r, [&](gfx::Point p) { return convertPointToView(p, view); });
}

gfx::Rect View::convertRectFromView(gfx::Rect r, const View* view) const {
  return mapRect(r, [&](gfx::Point p) { return convertPointFromView(p, view); });
}

// ---- gesture recognisers and motion effects

void View::addGestureRecognizer(const Ref<GestureRecognizer>& g) {
  if (!g) return;
  if (auto old = g->view(); old && old.get() != this) old->removeGestureRecognizer(g.get());
  if (std::find(recognizers_.begin(), recognizers_.end(), g) == recognizers_.end()) recognizers_.push_back(g);
  g->setView(std::static_pointer_cast<View>(self()));
}

void View::removeGestureRecognizer(const GestureRecognizer* g) {
  auto it = std::find_if(recognizers_.begin(), recognizers_.end(), [g](auto& r) { return r.get() == g; });
  if (it == recognizers_.end()) return;
  Ref<GestureRecognizer> keep = *it;
  recognizers_.erase(it);
  keep->setView(nullptr);
}

void View::removeMotionEffect(const rt::Id& effect) { std::erase(motionEffects_, effect); }

// ---- responder chain

Ref<Responder> View::nextResponder() const {
  if (auto c = controller_.lock()) return c;
  return superview();
}

}  // namespace ui

namespace ui {

// ---- keyed coding

void View::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeStruct(bounds(), rt::String("UIBounds"));
  coder.encodeStruct(center(), rt::String("UICenter"));
  if (!gfx::AffineTransformIsIdentity(transform())) coder.encodeStruct(transform(), rt::String("UITransform"));
  coder.encodeInteger(tag_, rt::String("UITag"));
  coder.encodeBool(isHidden(), rt::String("UIHidden"));
  coder.encodeBool(isOpaque(), rt::String("UIOpaque"));
  coder.encodeBool(clipsToBounds(), rt::String("UIClipsToBounds"));
  coder.encodeDouble(alpha(), rt::String("UIAlpha"));
  coder.encodeBool(!userInteractionEnabled_, rt::String("UIUserInteractionDisabled"));
  coder.encodeInteger(int64_t(autoresizingMask_), rt::String("UIAutoresizingMask"));
  coder.encodeInteger(int64_t(contentMode_), rt::String("UIContentMode"));
  if (auto bg = backgroundColor()) coder.encodeObject(bg, rt::String("UIBackgroundColor"));
  if (tintColor_) coder.encodeObject(tintColor_, rt::String("UITintColor"));
  auto coded = subviewsForCoding();
  if (!coded.empty()) {
    auto list = fd::MutableArray::create();
    for (auto& s : coded) list->addObject(s);
    coder.encodeObject(list, rt::String("UISubviews"));
  }
}

bool View::initWithCoder(fd::KeyedUnarchiver& coder) {
  gfx::Rect b;
  gfx::Point c;
  gfx::AffineTransform t;
  if (coder.decodeStruct(rt::String("UIBounds"), b)) setBounds(b);
  if (coder.decodeStruct(rt::String("UICenter"), c)) setCenter(c);
  if (coder.decodeStruct(rt::String("UITransform"), t)) setTransform(t);
  tag_ = coder.decodeInteger(rt::String("UITag"));
  setHidden(coder.decodeBool(rt::String("UIHidden")));
  setOpaque(coder.decodeBool(rt::String("UIOpaque")));
  setClipsToBounds(coder.decodeBool(rt::String("UIClipsToBounds")));
  if (coder.containsValueForKey(rt::String("UIAlpha"))) setAlpha(coder.decodeDouble(rt::String("UIAlpha")));
  userInteractionEnabled_ = !coder.decodeBool(rt::String("UIUserInteractionDisabled"));
  autoresizingMask_ = uint64_t(coder.decodeInteger(rt::String("UIAutoresizingMask")));
  setContentMode(static_cast<ViewContentMode>(coder.decodeInteger(rt::String("UIContentMode"))));
  setBackgroundColor(rt::as<gfx::Color>(coder.decodeObjectOfClass(gfx::Color::classObject(), rt::String("UIBackgroundColor"))));
  tintColor_ = rt::as<gfx::Color>(coder.decodeObjectOfClass(gfx::Color::classObject(), rt::String("UITintColor")));
  if (auto list = rt::as<fd::Array>(coder.decodeObjectForKey(rt::String("UISubviews")))) {
    for (size_t i = 0; i < list->count(); ++i)
      if (auto v = std::dynamic_pointer_cast<View>(list->objectAtIndex(i))) addSubview(v);
  }
  return true;
}

}  // namespace ui
