#include "text/model/DRTextBorder.h"

#include "text/model/DRTextCoding.h"

namespace text {

RT_IMPLEMENT(DRTextBorder) {
  c.property("lineStyle", &DRTextBorder::lineStyle, &DRTextBorder::setLineStyle);
  c.property("strokeWidth", &DRTextBorder::strokeWidth, &DRTextBorder::setStrokeWidth);
  c.property("strokeColor", &DRTextBorder::strokeColor, &DRTextBorder::setStrokeColor);
  c.property("insets", &DRTextBorder::insets, &DRTextBorder::setInsets);
  c.property("cornerRadius", &DRTextBorder::cornerRadius, &DRTextBorder::setCornerRadius);
  c.property("shadow", &DRTextBorder::shadow, &DRTextBorder::setShadow);
  c.property("fillColor", &DRTextBorder::fillColor, &DRTextBorder::setFillColor);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextBorder> DRTextBorder::borderWithLineStyle(DRTextLineKind lineStyle, double lineWidth,
                                                    Ref<gfx::Color> strokeColor) {
  auto b = rt::make<DRTextBorder>();
  b->setLineStyle(lineStyle);
  b->setStrokeWidth(lineWidth);
  b->setStrokeColor(std::move(strokeColor));
  return b;
}

Ref<DRTextBorder> DRTextBorder::borderWithFillColor(Ref<gfx::Color> fillColor, double cornerRadius) {
  auto b = rt::make<DRTextBorder>();
  b->setFillColor(std::move(fillColor));
  b->setCornerRadius(cornerRadius);
  b->setInsets({-2, 0, 0, -2});
  return b;
}

rt::Id DRTextBorder::copy() const {
  auto c = rt::as<DRTextBorder>(getClass()->createInstance());
  c->setLineStyle(lineStyle_);
  c->setStrokeWidth(strokeWidth_);
  c->setStrokeColor(strokeColor_);
  c->setLineJoin(lineJoin_);
  c->setInsets(insets_);
  c->setCornerRadius(cornerRadius_);
  if (shadow_) c->setShadow(rt::as<DRTextShadow>(shadow_->copy()));
  c->setFillColor(fillColor_);
  return c;
}

void DRTextBorder::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coding::encodeInteger(coder, lineStyle_, "lineStyle");
  coding::encodeDouble(coder, strokeWidth_, "strokeWidth");
  coder.encodeObject(strokeColor_, "strokeColor");
  coding::encodeInteger(coder, static_cast<int64_t>(lineJoin_), "lineJoin");
  coder.encodeStruct(insets_, "insets");
  coding::encodeDouble(coder, cornerRadius_, "cornerRadius");
  coder.encodeObject(shadow_, "shadow");
  coder.encodeObject(fillColor_, "fillColor");
}

bool DRTextBorder::initWithCoder(fd::KeyedUnarchiver& coder) {
  lineStyle_ = 0;
  coding::decodeInteger(coder, "lineStyle", lineStyle_);
  coding::decodeDouble(coder, "strokeWidth", strokeWidth_);
  strokeColor_ = coder.decodeObjectOfClass<gfx::Color>("strokeColor");
  int32_t join = 0;
  coding::decodeInteger(coder, "lineJoin", join);
  lineJoin_ = static_cast<gfx::LineJoin>(join);
  coder.decodeStruct("insets", insets_);
  coding::decodeDouble(coder, "cornerRadius", cornerRadius_);
  shadow_ = coder.decodeObjectOfClass<DRTextShadow>("shadow");
  fillColor_ = coder.decodeObjectOfClass<gfx::Color>("fillColor");
  return true;
}

}  // namespace text
