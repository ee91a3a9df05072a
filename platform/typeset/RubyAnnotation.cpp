#include "platform/typeset/RubyAnnotation.h"

namespace typeset {

RT_IMPLEMENT_PLATFORM(RubyAnnotation) { c.property("sizeFactor", &RubyAnnotation::sizeFactor); }

void RubyAnnotation::init(RubyAlignment alignment, RubyOverhang overhang, double sizeFactor,
                          std::array<String, RubyPositionCount> texts, bool scaleToFit) {
  alignment_ = alignment;
  overhang_ = overhang;
  sizeFactor_ = sizeFactor > 0 ? sizeFactor : 0.5;
  texts_ = std::move(texts);
  scaleToFit_ = scaleToFit;
}

Ref<RubyAnnotation> RubyAnnotation::create(RubyAlignment alignment, RubyOverhang overhang, double sizeFactor,
                                           std::array<String, RubyPositionCount> texts, bool scaleToFit) {
  return rt::make<RubyAnnotation>(alignment, overhang, sizeFactor, std::move(texts), scaleToFit);
}

Ref<RubyAnnotation> RubyAnnotation::create(const String& before) {
  return create(RubyAlignment::Auto, RubyOverhang::Auto, 0.5, {before, String(), String(), String()});
}

bool RubyAnnotation::isEqual(const rt::Object* other) const {
  auto* o = rt::as<const RubyAnnotation>(other);
  return o && o->alignment_ == alignment_ && o->overhang_ == overhang_ && o->sizeFactor_ == sizeFactor_ &&
         o->scaleToFit_ == scaleToFit_ &&
         o->texts_ == texts_;
}

}  // namespace typeset
