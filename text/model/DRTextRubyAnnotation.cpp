#include "text/model/DRTextRubyAnnotation.h"

#include "platform/foundation/text/StringObject.h"
#include "text/model/DRTextCoding.h"

namespace text {

RT_IMPLEMENT(DRTextRubyAnnotation) {
  c.property("sizeFactor", &DRTextRubyAnnotation::sizeFactor, &DRTextRubyAnnotation::setSizeFactor);
  c.property("textBefore", &DRTextRubyAnnotation::textBefore, &DRTextRubyAnnotation::setTextBefore);
  c.property("textAfter", &DRTextRubyAnnotation::textAfter, &DRTextRubyAnnotation::setTextAfter);
  c.property("textInterCharacter", &DRTextRubyAnnotation::textInterCharacter,
             &DRTextRubyAnnotation::setTextInterCharacter);
  c.property("textInline", &DRTextRubyAnnotation::textInline, &DRTextRubyAnnotation::setTextInline);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

namespace {
constexpr const char* kTextKeys[typeset::RubyPositionCount] = {"textBefore", "textAfter", "textInterCharacter",
                                                                 "textInline"};
}

Ref<DRTextRubyAnnotation> DRTextRubyAnnotation::rubyWithCTRuby(const Ref<typeset::RubyAnnotation>& ruby) {
  if (!ruby) return nullptr;
  auto r = rt::make<DRTextRubyAnnotation>();
  r->setAlignment(static_cast<uint8_t>(ruby->alignment()));
  r->setOverhang(static_cast<uint8_t>(ruby->overhang()));
  r->setSizeFactor(ruby->sizeFactor());
  for (size_t i = 0; i < typeset::RubyPositionCount; ++i)
    r->texts_[i] = ruby->textForPosition(static_cast<typeset::RubyPosition>(i));
  return r;
}

Ref<typeset::RubyAnnotation> DRTextRubyAnnotation::CTRubyAnnotation() const {
  return typeset::RubyAnnotation::create(static_cast<typeset::RubyAlignment>(alignment_),
                                         static_cast<typeset::RubyOverhang>(overhang_), sizeFactor_, texts_);
}

rt::Id DRTextRubyAnnotation::copy() const {
  auto c = rt::as<DRTextRubyAnnotation>(getClass()->createInstance());
  c->setAlignment(alignment_);
  c->setOverhang(overhang_);
  c->setSizeFactor(sizeFactor_);
  c->setTextBefore(texts_[0]);
  c->setTextAfter(texts_[1]);
  c->setTextInterCharacter(texts_[2]);
  c->setTextInline(texts_[3]);
  return c;
}

void DRTextRubyAnnotation::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::Number::numberWithUnsignedChar(alignment_), "alignment");
  coder.encodeObject(fd::Number::numberWithUnsignedChar(overhang_), "overhang");
  coding::encodeDouble(coder, sizeFactor_, "sizeFactor");
  for (size_t i = 0; i < typeset::RubyPositionCount; ++i)
    if (!texts_[i].isEmpty()) coder.encodeObject(fd::box(texts_[i]), kTextKeys[i]);
}

bool DRTextRubyAnnotation::initWithCoder(fd::KeyedUnarchiver& coder) {
  coding::decodeInteger(coder, "alignment", alignment_);
  coding::decodeInteger(coder, "overhang", overhang_);
  coding::decodeDouble(coder, "sizeFactor", sizeFactor_);
  for (size_t i = 0; i < typeset::RubyPositionCount; ++i)
    if (auto s = coder.decodeObjectOfClass<fd::StringObject>(kTextKeys[i])) texts_[i] = s->string();
  return true;
}

}  // namespace text
