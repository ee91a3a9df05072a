#include "text/model/DRTextShadow.h"

#include "platform/typeset/Shadow.h"
#include "text/model/DRTextCoding.h"

namespace text {

RT_IMPLEMENT(DRTextShadow) {
  c.property("color", &DRTextShadow::color, &DRTextShadow::setColor);
  c.property("offset", &DRTextShadow::offset, &DRTextShadow::setOffset);
  c.property("radius", &DRTextShadow::radius, &DRTextShadow::setRadius);
  c.property("subShadow", &DRTextShadow::subShadow, &DRTextShadow::setSubShadow);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextShadow> DRTextShadow::shadowWithColor(Ref<gfx::Color> color, gfx::Size offset, double radius) {
  auto s = rt::make<DRTextShadow>();
  s->setColor(std::move(color));
  s->setOffset(offset);
  s->setRadius(radius);
  return s;
}

Ref<DRTextShadow> DRTextShadow::shadowWithNSShadow(const Ref<typeset::Shadow>& shadow) {
  if (!shadow) return nullptr;
  auto s = rt::make<DRTextShadow>();
  s->setOffset(shadow->shadowOffset());
  s->setRadius(shadow->shadowBlurRadius());
  // The graphics colour and the UI colour are one class here: wrapping is the identity.
  if (auto color = rt::as<gfx::Color>(gfx::Color::colorWithCGColor(shadow->shadowColor()))) s->setColor(color);
  return s;
}

Ref<typeset::Shadow> DRTextShadow::nsShadow() const { return typeset::Shadow::create(offset_, radius_, color_); }

rt::Id DRTextShadow::copy() const {
  auto c = rt::as<DRTextShadow>(getClass()->createInstance());
  c->setColor(color_);
  c->setOffset(offset_);
  c->setRadius(radius_);
  c->setBlendMode(blendMode_);
  if (subShadow_) c->setSubShadow(rt::as<DRTextShadow>(subShadow_->copy()));
  return c;
}

void DRTextShadow::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(color_, "color");
  coding::encodeDouble(coder, radius_, "radius");
  coder.encodeStruct(offset_, "offset");
  coder.encodeObject(subShadow_, "subShadow");
  coding::encodeInteger(coder, static_cast<int64_t>(blendMode_), "blendMode");
}

bool DRTextShadow::initWithCoder(fd::KeyedUnarchiver& coder) {
  color_ = coder.decodeObjectOfClass<gfx::Color>("color");
  coding::decodeDouble(coder, "radius", radius_);
  coder.decodeStruct("offset", offset_);
  subShadow_ = coder.decodeObjectOfClass<DRTextShadow>("subShadow");
  // An archive can make a chain that leads back to its head; drawing and copying walk chains
  // to their end.
  for (const DRTextShadow* s = subShadow_.get(); s; s = s->subShadow_.get())
    if (s == this) {
      subShadow_ = nullptr;
      return false;
    }
  int32_t mode = 0;
  coding::decodeInteger(coder, "blendMode", mode);
  blendMode_ = static_cast<gfx::BlendMode>(mode);
  return true;
}

}  // namespace text
