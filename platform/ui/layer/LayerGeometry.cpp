// Frame, coordinate conversion between layers and hit testing.
#include <algorithm>
#include <cmath>

#include "platform/ui/layer/Layer.h"

namespace ui {

namespace {

gfx::Transform3D aroundPoint(const gfx::Transform3D& t, double x, double y, double z) {
  auto m = gfx::Transform3DMakeTranslation(-x, -y, -z);
  m = gfx::Transform3DConcat(m, t);
  return gfx::Transform3DConcat(m, gfx::Transform3DMakeTranslation(x, y, z));
}

// The layer's own placement in its superlayer, without the superlayer's sublayer transform.
gfx::Transform3D placement(const Layer& l) {
  gfx::Rect b = l.bounds();
  gfx::Point a = l.anchorPoint();
  auto m = gfx::Transform3DMakeTranslation(-b.origin.x - a.x * b.size.width, -b.origin.y - a.y * b.size.height,
                                           -l.anchorPointZ());
  m = gfx::Transform3DConcat(m, l.transform());
  return gfx::Transform3DConcat(m, gfx::Transform3DMakeTranslation(l.position().x, l.position().y, l.zPosition()));
}

gfx::Rect mapRect(const gfx::Rect& r, const gfx::Transform3D& t) {
  if (gfx::RectIsNull(r)) return r;
  gfx::Point c[4] = {r.origin,
                     {r.origin.x + r.size.width, r.origin.y},
                     {r.origin.x, r.origin.y + r.size.height},
                     {r.origin.x + r.size.width, r.origin.y + r.size.height}};
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (auto& p : c) {
    gfx::Point q = gfx::PointApplyTransform3D(p, t);
    minX = std::min(minX, q.x);
    minY = std::min(minY, q.y);
    maxX = std::max(maxX, q.x);
    maxY = std::max(maxY, q.y);
  }
  return gfx::RectMake(minX, minY, maxX - minX, maxY - minY);
}

const Layer* rootOf(const Layer* l) {
  while (auto s = l->superlayer()) l = s.get();
  return l;
}

}  // namespace

gfx::Rect Layer::frame() const { return mapRect(bounds_, placement(*this)); }

void Layer::setFrame(gfx::Rect f) {
  f = gfx::RectStandardize(f);
  if (gfx::Transform3DIsIdentity(transform_)) {
    setPosition({f.origin.x + anchorPoint_.x * f.size.width, f.origin.y + anchorPoint_.y * f.size.height});
    setBounds({bounds_.origin, f.size});
    return;
  }
  // With a transform the frame is the transformed box: keep the transform, fit the centre.
  gfx::Rect current = frame();
  double sx = current.size.width > 0 ? f.size.width / current.size.width : 1;
  double sy = current.size.height > 0 ? f.size.height / current.size.height : 1;
  setBounds({bounds_.origin, {bounds_.size.width * sx, bounds_.size.height * sy}});
  gfx::Rect now = frame();
  setPosition({position_.x + f.origin.x - now.origin.x, position_.y + f.origin.y - now.origin.y});
}

gfx::Transform3D Layer::transformToSuperlayer() const {
  auto m = placement(*this);
  if (auto s = superlayer(); s && !gfx::Transform3DIsIdentity(s->sublayerTransform())) {
    gfx::Rect sb = s->bounds();
    double cx = sb.origin.x + s->anchorPoint().x * sb.size.width;
    double cy = sb.origin.y + s->anchorPoint().y * sb.size.height;
    m = gfx::Transform3DConcat(m, aroundPoint(s->sublayerTransform(), cx, cy, s->anchorPointZ()));
  }
  return m;
}

gfx::Transform3D Layer::transformToRoot() const {
  gfx::Transform3D m;
  const Layer* l = this;
  Ref<Layer> hold;
  while (auto s = l->superlayer()) {
    m = gfx::Transform3DConcat(m, l->transformToSuperlayer());
    hold = s;
    l = hold.get();
  }
  return m;
}

gfx::Point Layer::convertPointToLayer(gfx::Point p, const Layer* layer) const {
  if (layer == this) return p;
  gfx::Point inRoot = gfx::PointApplyTransform3D(p, transformToRoot());
  if (!layer) return inRoot;
  if (rootOf(layer) != rootOf(this)) return p;
  return gfx::PointApplyTransform3D(inRoot, gfx::Transform3DInvert(layer->transformToRoot()));
}
gfx::Point Layer::convertPointFromLayer(gfx::Point p, const Layer* layer) const {
  if (layer == this) return p;
  if (!layer) return gfx::PointApplyTransform3D(p, gfx::Transform3DInvert(transformToRoot()));
  return layer->convertPointToLayer(p, this);
}
gfx::Rect Layer::convertRectToLayer(gfx::Rect r, const Layer* layer) const {
  if (layer == this) return r;
  gfx::Rect inRoot = mapRect(r, transformToRoot());
  if (!layer) return inRoot;
  if (rootOf(layer) != rootOf(this)) return r;
  return mapRect(inRoot, gfx::Transform3DInvert(layer->transformToRoot()));
}
gfx::Rect Layer::convertRectFromLayer(gfx::Rect r, const Layer* layer) const {
  if (layer == this) return r;
  if (!layer) return mapRect(r, gfx::Transform3DInvert(transformToRoot()));
  return layer->convertRectToLayer(r, this);
}

bool Layer::containsPoint(gfx::Point p) const { return gfx::RectContainsPoint(bounds_, p); }

Ref<Layer> Layer::hitTest(gfx::Point p) {
  if (hidden_) return nullptr;
  gfx::Point local = gfx::PointApplyTransform3D(p, gfx::Transform3DInvert(transformToSuperlayer()));
  return hitTestLocal(local);
}

Ref<Layer> Layer::hitTestLocal(gfx::Point local) {
  bool inside = containsPoint(local);
  if (masksToBounds_ && !inside) return nullptr;
  // Front-most first: higher z, then later in the list.
  std::vector<Layer*> order;
  order.reserve(sublayers_.size());
  for (auto& s : sublayers_) order.push_back(s.get());
  std::stable_sort(order.begin(), order.end(), [](Layer* a, Layer* b) { return a->zPosition() < b->zPosition(); });
  for (auto it = order.rbegin(); it != order.rend(); ++it)
    if (auto hit = (*it)->hitTest(local)) return hit;
  return inside ? std::static_pointer_cast<Layer>(shared_from_this()) : nullptr;
}

}  // namespace ui
