#include "text/model/DRTextDecoration.h"

#include "text/model/DRTextCoding.h"

namespace text {

RT_IMPLEMENT(DRTextDecoration) {
  c.property("style", &DRTextDecoration::style, &DRTextDecoration::setStyle);
  c.property("width", &DRTextDecoration::width, &DRTextDecoration::setWidth);
  c.property("color", &DRTextDecoration::color, &DRTextDecoration::setColor);
  c.property("shadow", &DRTextDecoration::shadow, &DRTextDecoration::setShadow);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextDecoration> DRTextDecoration::decorationWithStyle(DRTextLineKind style) {
  auto d = rt::make<DRTextDecoration>();
  d->setStyle(style);
  return d;
}

Ref<DRTextDecoration> DRTextDecoration::decorationWithStyle(DRTextLineKind style, Ref<fd::Number> width,
                                                            Ref<gfx::Color> color) {
  auto d = decorationWithStyle(style);
  d->setWidth(std::move(width));
  d->setColor(std::move(color));
  return d;
}

rt::Id DRTextDecoration::copy() const {
  auto c = rt::as<DRTextDecoration>(getClass()->createInstance());
  c->setStyle(style_);
  c->setWidth(width_);
  c->setColor(color_);
  if (shadow_) c->setShadow(rt::as<DRTextShadow>(shadow_->copy()));
  return c;
}

void DRTextDecoration::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coding::encodeInteger(coder, style_, "style");
  coder.encodeObject(width_, "width");
  coder.encodeObject(color_, "color");
  coder.encodeObject(shadow_, "shadow");
}

bool DRTextDecoration::initWithCoder(fd::KeyedUnarchiver& coder) {
  style_ = 0;
  coding::decodeInteger(coder, "style", style_);
  width_ = coder.decodeObjectOfClass<fd::Number>("width");
  color_ = coder.decodeObjectOfClass<gfx::Color>("color");
  shadow_ = coder.decodeObjectOfClass<DRTextShadow>("shadow");
  return true;
}

}  // namespace text
