#include "platform/ui/layer/Layer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics/ImageContext.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Compositor.h"
#include "platform/ui/layer/Transaction.h"

namespace ui {

RT_IMPLEMENT_PLATFORM(Layer) {
  c.property("bounds", &Layer::bounds, &Layer::setBounds);
  c.property("position", &Layer::position, &Layer::setPosition);
  c.property("zPosition", &Layer::zPosition, &Layer::setZPosition);
  c.property("anchorPoint", &Layer::anchorPoint, &Layer::setAnchorPoint);
  c.property("anchorPointZ", &Layer::anchorPointZ, &Layer::setAnchorPointZ);
  c.property("transform", &Layer::transform, &Layer::setTransform);
  c.property("sublayerTransform", &Layer::sublayerTransform, &Layer::setSublayerTransform);
  c.property("frame", &Layer::frame, &Layer::setFrame);
  c.property("opacity", &Layer::opacity, &Layer::setOpacity);
  c.property("hidden", &Layer::isHidden, &Layer::setHidden).getterName("isHidden");
  c.property("masksToBounds", &Layer::masksToBounds, &Layer::setMasksToBounds);
  c.property("mask", &Layer::mask, &Layer::setMask);
  c.property("cornerRadius", &Layer::cornerRadius, &Layer::setCornerRadius);
  c.property("borderWidth", &Layer::borderWidth, &Layer::setBorderWidth);
  c.property("borderColor", &Layer::borderColor, &Layer::setBorderColor);
  c.property("backgroundColor", &Layer::backgroundColor, &Layer::setBackgroundColor);
  c.property("shadowColor", &Layer::shadowColor, &Layer::setShadowColor);
  c.property("shadowOffset", &Layer::shadowOffset, &Layer::setShadowOffset);
  c.property("shadowRadius", &Layer::shadowRadius, &Layer::setShadowRadius);
  c.property("shadowOpacity", &Layer::shadowOpacity, &Layer::setShadowOpacity);
  c.property("shadowPath", &Layer::shadowPath, &Layer::setShadowPath);
  c.property("opaque", &Layer::isOpaque, &Layer::setOpaque).getterName("isOpaque");
  c.property("shouldRasterize", &Layer::shouldRasterize, &Layer::setShouldRasterize);
  c.property("rasterizationScale", &Layer::rasterizationScale, &Layer::setRasterizationScale);
  c.property("doubleSided", &Layer::isDoubleSided, &Layer::setDoubleSided).getterName("isDoubleSided");
  c.property("name", &Layer::name, &Layer::setName);
  c.property("contents", &Layer::contents, &Layer::setContents);
  c.property("contentsRect", &Layer::contentsRect, &Layer::setContentsRect);
  c.property("contentsCenter", &Layer::contentsCenter, &Layer::setContentsCenter);
  c.property("contentsGravity", &Layer::contentsGravity, &Layer::setContentsGravity);
  c.property("contentsScale", &Layer::contentsScale, &Layer::setContentsScale);
  c.property("magnificationFilter", &Layer::magnificationFilter, &Layer::setMagnificationFilter);
  c.property("minificationFilter", &Layer::minificationFilter, &Layer::setMinificationFilter);
  c.property("needsDisplayOnBoundsChange", &Layer::needsDisplayOnBoundsChange, &Layer::setNeedsDisplayOnBoundsChange);
  c.property("drawsAsynchronously", &Layer::drawsAsynchronously, &Layer::setDrawsAsynchronously);
  c.protocol("NSSecureCoding");
}

gfx::Rect LayerDelegate::drawingBoundsForLayer(Layer& layer) { return layer.bounds(); }
gfx::Rect LayerDelegate::visibleBoundsForLayer(Layer&) { return gfx::RectNull; }

Layer::~Layer() {
  // Sublayers outlive us only if someone else holds them; their back pointer must not dangle.
  for (auto& s : sublayers_) s->superlayer_.reset();
}

// ---- the change protocol

Layer::PendingAction Layer::willChangeKey(const char* key) {
  PendingAction pending;
  if (presentation_ || Transaction::disableActions()) return pending;
  rt::String k(key);
  rt::Id action = actionForKey(k);
  if (dynamic_cast<Action*>(action.get())) {
    pending.action = std::move(action);
    pending.oldValue = presentationLayer()->valueForKey(k);
  }
  return pending;
}

void Layer::didChangeKey(const char* key, PendingAction pending) {
  if (presentation_) return;
  rt::String k(key);
  if (needsDisplayForKey(k)) setNeedsDisplay();
  setNeedsComposite();
  Transaction::ensureImplicit();
  if (auto* a = dynamic_cast<Action*>(pending.action.get())) {
    // An animation without a start value starts from what was on screen.
    if (auto* basic = dynamic_cast<BasicAnimation*>(pending.action.get());
        basic && !basic->fromValue() && !basic->byValue()) {
      auto copy = std::static_pointer_cast<BasicAnimation>(basic->copy());
      copy->setFromValue(pending.oldValue);
      copy->runActionForKey(k, *this);
      return;
    }
    a->runActionForKey(k, *this);
  }
}

// ---- geometry

void Layer::setBounds(gfx::Rect bounds) {
  if (bounds_ == bounds) return;
  bool resized = bounds.size != bounds_.size;
  change("bounds", bounds_, bounds);
  if (resized) {
    if (needsDisplayOnBoundsChange_) setNeedsDisplay();
    setNeedsLayout();
  }
}
void Layer::setPosition(gfx::Point p) { change("position", position_, p); }
void Layer::setZPosition(double z) { change("zPosition", zPosition_, z); }
void Layer::setAnchorPoint(gfx::Point a) { change("anchorPoint", anchorPoint_, a); }
void Layer::setAnchorPointZ(double z) { change("anchorPointZ", anchorPointZ_, z); }
void Layer::setTransform(const gfx::Transform3D& t) { change("transform", transform_, t); }
void Layer::setSublayerTransform(const gfx::Transform3D& t) { change("sublayerTransform", sublayerTransform_, t); }

// ---- look

void Layer::setOpacity(double o) { change("opacity", opacity_, o); }
void Layer::setHidden(bool h) { change("hidden", hidden_, h); }
void Layer::setMasksToBounds(bool on) { change("masksToBounds", masksToBounds_, on); }
void Layer::setMask(Ref<Layer> m) {
  if (m && m->superlayer()) m->removeFromSuperlayer();
  change("mask", mask_, std::move(m));
}
void Layer::setCornerRadius(double r) { change("cornerRadius", cornerRadius_, r); }
void Layer::setBorderWidth(double w) { change("borderWidth", borderWidth_, w); }
void Layer::setBorderColor(Ref<gfx::Color> c) { change("borderColor", borderColor_, std::move(c)); }
void Layer::setBackgroundColor(Ref<gfx::Color> c) { change("backgroundColor", backgroundColor_, std::move(c)); }
void Layer::setShadowColor(Ref<gfx::Color> c) { change("shadowColor", shadowColor_, std::move(c)); }
void Layer::setShadowOffset(gfx::Size o) { change("shadowOffset", shadowOffset_, o); }
void Layer::setShadowRadius(double r) { change("shadowRadius", shadowRadius_, r); }
void Layer::setShadowOpacity(double o) { change("shadowOpacity", shadowOpacity_, o); }
void Layer::setShadowPath(Ref<gfx::Path> p) { change("shadowPath", shadowPath_, std::move(p)); }
void Layer::setOpaque(bool on) {
  if (opaque_ == on) return;
  opaque_ = on;
  setNeedsDisplay();
}
void Layer::setShouldRasterize(bool on) { change("shouldRasterize", shouldRasterize_, on); }
void Layer::setRasterizationScale(double s) { change("rasterizationScale", rasterizationScale_, s); }
void Layer::setDoubleSided(bool on) { change("doubleSided", doubleSided_, on); }

// ---- contents

void Layer::setContents(rt::Id c) {
  backingStore_ = false;
  overhang_ = {};
  change("contents", contents_, std::move(c));
}
void Layer::setContentsRect(gfx::Rect r) { change("contentsRect", contentsRect_, r); }
void Layer::setContentsCenter(gfx::Rect r) { change("contentsCenter", contentsCenter_, r); }
void Layer::setContentsGravity(rt::String g) { change("contentsGravity", contentsGravity_, std::move(g)); }
void Layer::setContentsScale(double s) {
  contentsScaleSet_ = true;
  if (s == contentsScale_) return;
  change("contentsScale", contentsScale_, s);
  if (!presentation_) setNeedsDisplay();
  for (auto& sub : sublayers_) sub->adoptContentsScale(s);
}

void Layer::adoptContentsScale(double s) {
  if (contentsScaleSet_ || s == contentsScale_ || s <= 0) return;
  contentsScale_ = s;
  // Only a backing store it drew itself needs drawing again; given contents stay.
  if (!presentation_ && backingStore_) setNeedsDisplay();
  for (auto& sub : sublayers_) sub->adoptContentsScale(s);
}
void Layer::setMagnificationFilter(rt::String f) { change("magnificationFilter", magnificationFilter_, std::move(f)); }
void Layer::setMinificationFilter(rt::String f) { change("minificationFilter", minificationFilter_, std::move(f)); }

// ---- tree

void Layer::attach(const Ref<Layer>& layer, size_t index) {
  if (!layer) rt::raise("NSInvalidArgumentException", "sublayer must not be nil");
  if (layer.get() == this || isDescendantOf(layer.get()))
    rt::raise("NSInvalidArgumentException", "a layer cannot be added to itself or to one of its sublayers");
  Ref<Layer> keep = layer;
  if (auto old = layer->superlayer()) {
    if (old.get() == this) {
      auto it = std::find(sublayers_.begin(), sublayers_.end(), layer);
      size_t at = static_cast<size_t>(it - sublayers_.begin());
      sublayers_.erase(it);
      if (at < index) --index;
    } else {
      old->detachChild(layer.get());
    }
  }
  index = std::min(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), layer);
  layer->superlayer_ = std::static_pointer_cast<Layer>(shared_from_this());
  layer->adoptContentsScale(contentsScale_);
  layer->setNeedsComposite();
  markNeedsComposite();
  setNeedsLayout();
}

void Layer::detachChild(const Layer* layer) {
  auto it = std::find_if(sublayers_.begin(), sublayers_.end(), [&](const Ref<Layer>& l) { return l.get() == layer; });
  if (it == sublayers_.end()) return;
  (*it)->superlayer_.reset();
  vacatedArea_ = gfx::RectUnion(vacatedArea_, (*it)->compositedArea_);
  sublayers_.erase(it);
  markNeedsComposite();
}

void Layer::setSublayers(std::vector<Ref<Layer>> layers) {
  removeAllSublayers();
  for (auto& l : layers) addSublayer(l);
}
void Layer::addSublayer(const Ref<Layer>& layer) { attach(layer, sublayers_.size()); }
void Layer::insertSublayerAtIndex(const Ref<Layer>& layer, size_t index) { attach(layer, index); }

static size_t indexOf(const std::vector<Ref<Layer>>& v, const Layer* l) {
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == l) return i;
  return v.size();
}

void Layer::insertSublayerBelow(const Ref<Layer>& layer, const Layer* sibling) {
  size_t i = indexOf(sublayers_, sibling);
  attach(layer, i == sublayers_.size() ? 0 : i);
}
void Layer::insertSublayerAbove(const Ref<Layer>& layer, const Layer* sibling) {
  size_t i = indexOf(sublayers_, sibling);
  attach(layer, i == sublayers_.size() ? sublayers_.size() : i + 1);
}
void Layer::replaceSublayer(const Layer* old, const Ref<Layer>& replacement) {
  size_t i = indexOf(sublayers_, old);
  if (i == sublayers_.size()) return;
  Ref<Layer> keep = sublayers_[i];
  detachChild(old);
  if (replacement) attach(replacement, i);
}
void Layer::removeFromSuperlayer() {
  if (auto s = superlayer()) {
    auto keep = shared_from_this();
    s->detachChild(this);
  }
}
void Layer::removeAllSublayers() {
  auto old = std::move(sublayers_);
  sublayers_.clear();
  for (auto& l : old) {
    l->superlayer_.reset();
    vacatedArea_ = gfx::RectUnion(vacatedArea_, l->compositedArea_);
  }
  markNeedsComposite();
}
bool Layer::isDescendantOf(const Layer* ancestor) const {
  for (auto s = superlayer(); s; s = s->superlayer())
    if (s.get() == ancestor) return true;
  return false;
}

// ---- display and layout

void Layer::setNeedsDisplay() {
  if (presentation_) return;
  needsDisplay_ = true;
  displayWhole_ = true;
  setNeedsComposite();
  Transaction::ensureImplicit();
}
void Layer::setNeedsDisplayInRect(gfx::Rect r) {
  if (presentation_ || gfx::RectIsNull(r) || gfx::RectIsEmpty(r)) return;
  // A layer without a store of its own (given contents, a subclass's display) redraws whole.
  if (!backingStore_ || displayWhole_) {
    setNeedsDisplay();
    return;
  }
  needsDisplay_ = true;
  staleArea_ = gfx::RectIsNull(staleArea_) ? r : gfx::RectUnion(staleArea_, r);
  markNeedsComposite();
  Transaction::ensureImplicit();
}
void Layer::displayIfNeeded() {
  if (!needsDisplay_) return;
  needsDisplay_ = false;
  partToDraw_ = displayWhole_ ? gfx::RectNull : staleArea_;
  displayWhole_ = false;
  staleArea_ = gfx::RectNull;
  display();
  // A display that did not draw just the part asked for changed the layer as a whole.
  if (!gfx::RectIsNull(partToDraw_)) setNeedsComposite();
  partToDraw_ = gfx::RectNull;
}

bool Layer::redrawPart(gfx::Rect part, gfx::Size store, const gfx::EdgeInsets& over, double scale) {
  auto* bitmap = dynamic_cast<gfx::BitmapImage*>(contents_.get());
  // Drawn in place, so only a store that nothing else holds (a fading transition keeps the
  // old picture) and that still covers the same pixels can take it.
  if (!backingStore_ || !bitmap || contents_.use_count() != 1 || !(overhang_ == over) ||
      !(contentsRect_ == gfx::Rect{{0, 0}, {1, 1}}))
    return false;
  const double pw = std::ceil(store.width * scale - 1e-9), ph = std::ceil(store.height * scale - 1e-9);
  const bool opaque = opaque_ && over == gfx::EdgeInsets{};
  if (pw != double(bitmap->width()) || ph != double(bitmap->height()) || bitmap->isOpaque() != opaque) return false;
  // The part in the store's pixels, whole pixels outward: drawn at the same pixel phase as a
  // whole redraw, it comes out the same.
  const double ox = bounds_.origin.x - over.left, oy = bounds_.origin.y - over.top;
  const double x0 = std::max(0.0, std::floor((part.origin.x - ox) * scale));
  const double y0 = std::max(0.0, std::floor((part.origin.y - oy) * scale));
  const double x1 = std::min(pw, std::ceil((part.origin.x + part.size.width - ox) * scale));
  const double y1 = std::min(ph, std::ceil((part.origin.y + part.size.height - oy) * scale));
  if (x1 <= x0 || y1 <= y0) return true;  // outside what the store holds
  auto ctx = gfx::Context::createForImage({(x1 - x0) / scale, (y1 - y0) / scale}, opaque, scale);
  if (!ctx) return false;
  ctx->translateCTM(over.left - bounds_.origin.x - x0 / scale, over.top - bounds_.origin.y - y0 / scale);
  gfx::pushContext(ctx);
  drewNothing_ = false;
  drawInContext(*ctx);
  gfx::popContext();
  if (drewNothing_) return false;
  auto piece = ctx->takeImage();
  cairo_surface_t* source = piece ? piece->cairoSurface() : nullptr;
  cairo_surface_t* target = bitmap->cairoSurface();
  if (!source || !target) return false;
  cairo_t* cr = cairo_create(target);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, source, x0, y0);
  cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target);
  gfx::Rect drawn{{ox + x0 / scale, oy + y0 / scale}, {(x1 - x0) / scale, (y1 - y0) / scale}};
  redrawnArea_ = gfx::RectIsNull(redrawnArea_) ? drawn : gfx::RectUnion(redrawnArea_, drawn);
  markNeedsComposite();
  return true;
}

void Layer::display() {
  if (auto d = delegate_.lock(); d && d->displayLayer(*this)) return;
  gfx::Size size = bounds_.size;
  if (size.width <= 0 || size.height <= 0) {
    contents_ = nullptr;
    overhang_ = {};
    setNeedsComposite();
    return;
  }
  double scale = contentsScale_ > 0 ? contentsScale_ : 1;
  // The store reaches as far as the delegate draws, in whole pixels, unless the layer clips.
  gfx::EdgeInsets over;
  if (auto d = delegate_.lock(); d && !masksToBounds_) {
    gfx::Rect want = d->drawingBoundsForLayer(*this);
    auto pixels = [scale](double points) { return points > 0 ? std::ceil(points * scale - 1e-6) / scale : 0.0; };
    if (!gfx::RectIsNull(want) && !gfx::RectIsEmpty(want)) {
      over.top = pixels(bounds_.origin.y - want.origin.y);
      over.left = pixels(bounds_.origin.x - want.origin.x);
      over.bottom = pixels(want.origin.y + want.size.height - bounds_.origin.y - size.height);
      over.right = pixels(want.origin.x + want.size.width - bounds_.origin.x - size.width);
    }
  }
  // Only the visible part of a very large layer is drawn: the store shrinks to it, in whole
  // pixels, and the overhang turns negative on the sides it leaves out.
  if (auto d = delegate_.lock()) {
    gfx::Rect visible = d->visibleBoundsForLayer(*this);
    if (!gfx::RectIsNull(visible)) {
      gfx::Rect all{{bounds_.origin.x - over.left, bounds_.origin.y - over.top},
                    {size.width + over.left + over.right, size.height + over.top + over.bottom}};
      gfx::Rect part = gfx::RectIntersection(all, visible);
      if (gfx::RectIsNull(part) || gfx::RectIsEmpty(part)) {
        contents_ = nullptr;
        overhang_ = {};
        setNeedsComposite();
        return;
      }
      double x0 = std::floor(part.origin.x * scale) / scale, y0 = std::floor(part.origin.y * scale) / scale;
      double x1 = std::ceil((part.origin.x + part.size.width) * scale) / scale;
      double y1 = std::ceil((part.origin.y + part.size.height) * scale) / scale;
      x0 = std::max(x0, all.origin.x), y0 = std::max(y0, all.origin.y);
      x1 = std::min(x1, all.origin.x + all.size.width), y1 = std::min(y1, all.origin.y + all.size.height);
      over = {bounds_.origin.y - y0, bounds_.origin.x - x0, y1 - bounds_.origin.y - size.height,
              x1 - bounds_.origin.x - size.width};
    }
  }
  gfx::Size store{size.width + over.left + over.right, size.height + over.top + over.bottom};
  if (!gfx::RectIsNull(partToDraw_)) {
    bool drawn = redrawPart(partToDraw_, store, over, scale);
    if (drawn) {
      partToDraw_ = gfx::RectNull;
      return;
    }
  }
  auto ctx = gfx::Context::createForImage(store, opaque_ && over == gfx::EdgeInsets{}, scale);
  if (!ctx) return;
  ctx->translateCTM(over.left - bounds_.origin.x, over.top - bounds_.origin.y);
  gfx::pushContext(ctx);
  drewNothing_ = false;
  drawInContext(*ctx);
  gfx::popContext();
  // Contents given from outside (an image view's picture) stay when there is nothing to draw.
  if (drewNothing_) return;
  contents_ = ctx->takeImage();
  backingStore_ = true;
  overhang_ = over;
  setNeedsComposite();
}

void Layer::drawInContext(gfx::Context& context) {
  // Only the base implementation can tell that nobody drew; subclasses that draw override it.
  auto d = delegate_.lock();
  drewNothing_ = !d || !d->drawLayerInContext(*this, context);
}

void Layer::renderInContext(gfx::Context& context) { renderLayerTree(*this, context); }

void Layer::setNeedsLayout() {
  if (presentation_) return;
  needsLayout_ = true;
  Transaction::ensureImplicit();
}
void Layer::layoutIfNeeded() {
  if (needsLayout_) {
    needsLayout_ = false;
    layoutSublayers();
  }
  auto subs = sublayers_;
  for (auto& s : subs) s->layoutIfNeeded();
}
void Layer::layoutSublayers() {
  if (auto d = delegate_.lock()) d->layoutSublayersOfLayer(*this);
}

// ---- compositor bookkeeping

void Layer::setNeedsComposite() {
  if (presentation_) return;
  damaged_ = true;
  markNeedsComposite();
}
void Layer::markNeedsComposite() {
  if (presentation_) return;
  for (Layer* l = this; l;) {
    l->needsComposite_ = true;
    auto s = l->superlayer_.lock();
    l = s.get();
    if (l && l->needsComposite_) break;
  }
}
void Layer::clearNeedsComposite() {
  needsComposite_ = false;
  damaged_ = false;
  redrawnArea_ = gfx::RectNull;
  vacatedArea_ = gfx::RectNull;
  for (auto& s : sublayers_) s->clearNeedsComposite();
  if (mask_) mask_->clearNeedsComposite();
}

void Layer::copyStateFrom(const Layer& o) {
  bounds_ = o.bounds_;
  position_ = o.position_;
  zPosition_ = o.zPosition_;
  anchorPoint_ = o.anchorPoint_;
  anchorPointZ_ = o.anchorPointZ_;
  transform_ = o.transform_;
  sublayerTransform_ = o.sublayerTransform_;
  opacity_ = o.opacity_;
  hidden_ = o.hidden_;
  masksToBounds_ = o.masksToBounds_;
  opaque_ = o.opaque_;
  shouldRasterize_ = o.shouldRasterize_;
  doubleSided_ = o.doubleSided_;
  needsDisplayOnBoundsChange_ = o.needsDisplayOnBoundsChange_;
  drawsAsynchronously_ = o.drawsAsynchronously_;
  rasterizationScale_ = o.rasterizationScale_;
  mask_ = o.mask_;
  cornerRadius_ = o.cornerRadius_;
  borderWidth_ = o.borderWidth_;
  borderColor_ = o.borderColor_;
  backgroundColor_ = o.backgroundColor_;
  shadowColor_ = o.shadowColor_;
  shadowOffset_ = o.shadowOffset_;
  shadowRadius_ = o.shadowRadius_;
  shadowOpacity_ = o.shadowOpacity_;
  shadowPath_ = o.shadowPath_;
  name_ = o.name_;
  contents_ = o.contents_;
  contentsRect_ = o.contentsRect_;
  contentsCenter_ = o.contentsCenter_;
  contentsGravity_ = o.contentsGravity_;
  contentsScale_ = o.contentsScale_;
  contentsScaleSet_ = o.contentsScaleSet_;
  backingStore_ = o.backingStore_;
  overhang_ = o.overhang_;
  magnificationFilter_ = o.magnificationFilter_;
  minificationFilter_ = o.minificationFilter_;
  dynamic_ = o.dynamic_;
}

}  // namespace ui
