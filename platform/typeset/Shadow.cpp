#include "platform/typeset/Shadow.h"

#include <cmath>

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(Shadow) {
  c.property("shadowBlurRadius", &Shadow::shadowBlurRadius, &Shadow::setShadowBlurRadius);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<Shadow> Shadow::create(gfx::Size offset, double blurRadius, Ref<gfx::Color> color) {
  auto s = rt::make<Shadow>();
  s->setShadowOffset(offset);
  s->setShadowBlurRadius(blurRadius);
  s->setShadowColor(std::move(color));
  return s;
}

bool Shadow::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const Shadow>(other);
  return o && o->offset_ == offset_ && o->blur_ == blur_ && rt::equalObjects(o->color_.get(), color_.get());
}

rt::Id Shadow::copy() const { return create(offset_, blur_, color_); }

void Shadow::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeDouble(offset_.width, "NSShadowHoriz");
  coder.encodeDouble(offset_.height, "NSShadowVert");
  coder.encodeDouble(blur_, "NSShadowBlurRadius");
  if (color_) coder.encodeObject(color_, "NSShadowColor");
}

bool Shadow::initWithCoder(fd::KeyedUnarchiver& coder) {
  double w = coder.decodeDouble("NSShadowHoriz"), h = coder.decodeDouble("NSShadowVert");
  double blur = coder.decodeDouble("NSShadowBlurRadius");
  if (!std::isfinite(w) || !std::isfinite(h) || !std::isfinite(blur)) return false;
  offset_ = {w, h};
  blur_ = blur < 0 ? 0 : blur;
  if (coder.containsValueForKey("NSShadowColor")) {
    color_ = coder.decodeObjectOfClass<gfx::Color>("NSShadowColor");
    if (!color_) return false;
  }
  return true;
}

}  // namespace typeset
