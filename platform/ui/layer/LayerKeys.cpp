// Key-value access on layers: storage for undeclared keys, key paths into the transforms,
// defaults and the action lookup.
#include <cmath>

#include "platform/ui/layer/Layer.h"

namespace ui {

namespace {

rt::Id boxNumber(double v) { return rt::boxing().box(rt::Value::ofDouble(v)); }

bool unboxNumber(const rt::Id& o, double& out) {
  rt::Value v;
  if (!o || !rt::boxing().unbox || !rt::boxing().unbox(o, "d", v) || !v.isNumeric()) return false;
  out = v.doubleValue();
  return true;
}

struct Components {
  double sx = 1, sy = 1, sz = 1, rx = 0, ry = 0, rz = 0, tx = 0, ty = 0, tz = 0;
};

Components decompose(const gfx::Transform3D& t) {
  Components c;
  c.sx = std::sqrt(t.m11 * t.m11 + t.m12 * t.m12 + t.m13 * t.m13);
  c.sy = std::sqrt(t.m21 * t.m21 + t.m22 * t.m22 + t.m23 * t.m23);
  c.sz = std::sqrt(t.m31 * t.m31 + t.m32 * t.m32 + t.m33 * t.m33);
  // Rotation matrix rows with the scale taken out, read as x then y then z rotations.
  double r13 = c.sx ? t.m13 / c.sx : 0, r11 = c.sx ? t.m11 / c.sx : 1, r12 = c.sx ? t.m12 / c.sx : 0;
  double r23 = c.sy ? t.m23 / c.sy : 0, r33 = c.sz ? t.m33 / c.sz : 1;
  c.ry = std::asin(std::clamp(-r13, -1.0, 1.0));
  c.rx = std::atan2(r23, r33);
  c.rz = std::atan2(r12, r11);
  c.tx = t.m41;
  c.ty = t.m42;
  c.tz = t.m43;
  return c;
}

gfx::Transform3D recompose(const Components& c) {
  auto m = gfx::Transform3DMakeScale(c.sx, c.sy, c.sz);
  if (c.rx) m = gfx::Transform3DConcat(m, gfx::Transform3DMakeRotation(c.rx, 1, 0, 0));
  if (c.ry) m = gfx::Transform3DConcat(m, gfx::Transform3DMakeRotation(c.ry, 0, 1, 0));
  if (c.rz) m = gfx::Transform3DConcat(m, gfx::Transform3DMakeRotation(c.rz, 0, 0, 1));
  return gfx::Transform3DConcat(m, gfx::Transform3DMakeTranslation(c.tx, c.ty, c.tz));
}

// The component named by the rest of a transform key path; null when unknown.
double* component(Components& c, const rt::String& sub) {
  static const struct {
    const char* name;
    double Components::*field;
  } table[] = {
      {"rotation", &Components::rz},      {"rotation.z", &Components::rz}, {"rotation.x", &Components::rx},
      {"rotation.y", &Components::ry},    {"scale.x", &Components::sx},    {"scale.y", &Components::sy},
      {"scale.z", &Components::sz},       {"translation.x", &Components::tx}, {"translation.y", &Components::ty},
      {"translation.z", &Components::tz},
  };
  for (auto& e : table)
    if (sub == rt::String(e.name)) return &(c.*e.field);
  return nullptr;
}

// Splits "transform.rotation.z" into the transform key and the rest.
bool splitTransformPath(const rt::String& path, rt::String& key, rt::String& sub) {
  for (const char* k : {"transform", "sublayerTransform"}) {
    rt::String prefix = rt::String(k) + rt::String(".");
    if (path.hasPrefix(prefix)) {
      key = rt::String(k);
      sub = path.substring(prefix.length());
      return true;
    }
  }
  return false;
}

}  // namespace

rt::Id Layer::defaultValueForKey(const rt::String&) const { return nullptr; }
bool Layer::needsDisplayForKey(const rt::String&) const { return false; }

rt::Id Layer::actionForKey(const rt::String& key) {
  if (auto d = delegate_.lock()) {
    if (auto a = d->actionForLayer(*this, key)) {
      rt::Id action = *a;
      if (action && rt::boxing().null && action == rt::boxing().null()) return nullptr;
      return action;
    }
  }
  return nullptr;
}

rt::Id Layer::valueForKey(const rt::String& key) const { return rt::Object::valueForKey(key); }
void Layer::setValueForKey(const rt::Id& value, const rt::String& key) { rt::Object::setValueForKey(value, key); }

rt::Id Layer::valueForUndefinedKey(const rt::String& key) const {
  auto it = dynamic_.find(key);
  if (it != dynamic_.end()) return it->second;
  return defaultValueForKey(key);
}

void Layer::setValueForUndefinedKey(const rt::Id& value, const rt::String& key) {
  std::string k = key.utf8();
  auto it = dynamic_.find(key);
  if (it != dynamic_.end() && it->second == value) return;
  PendingAction pending = willChangeKey(k.c_str());
  dynamic_[key] = value;
  didChangeKey(k.c_str(), std::move(pending));
}

rt::Id Layer::valueForKeyPath(const rt::String& path) const {
  rt::String key, sub;
  if (!splitTransformPath(path, key, sub)) return rt::Object::valueForKeyPath(path);
  Components c = decompose(key == rt::String("transform") ? transform_ : sublayerTransform_);
  if (sub == rt::String("scale")) return boxNumber((c.sx + c.sy) / 2);
  if (sub == rt::String("translation"))
    return rt::boxing().box(rt::Value::of(gfx::Size{c.tx, c.ty}));
  if (double* f = component(c, sub)) return boxNumber(*f);
  return rt::Object::valueForKeyPath(path);
}

void Layer::setValueForKeyPath(const rt::Id& value, const rt::String& path) {
  rt::String key, sub;
  if (!splitTransformPath(path, key, sub)) return rt::Object::setValueForKeyPath(value, path);
  bool main = key == rt::String("transform");
  Components c = decompose(main ? transform_ : sublayerTransform_);
  double v = 0;
  if (sub == rt::String("translation")) {
    rt::Value s;
    if (!value || !rt::boxing().unbox(value, rt::encodingOf<gfx::Size>(), s)) return;
    gfx::Size size;
    if (!s.get(size)) return;
    c.tx = size.width;
    c.ty = size.height;
  } else if (!unboxNumber(value, v)) {
    return;
  } else if (sub == rt::String("scale")) {
    c.sx = c.sy = c.sz = v;
  } else if (double* f = component(c, sub)) {
    *f = v;
  } else {
    return rt::Object::setValueForKeyPath(value, path);
  }
  if (main) setTransform(recompose(c));
  else setSublayerTransform(recompose(c));
}

}  // namespace ui
