#pragma once
// The settings of a ruby annotation as a value that copies and archives; converts to and from
// the typesetter's annotation, which does neither.
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"
#include "platform/typeset/RubyAnnotation.h"

namespace text {

class DRTextRubyAnnotation : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextRubyAnnotation, rt::Object)
 public:
  /// Null for a null annotation.
  static Ref<DRTextRubyAnnotation> rubyWithCTRuby(const Ref<typeset::RubyAnnotation>& ruby);
  /// A new typesetter annotation with these settings.
  Ref<typeset::RubyAnnotation> CTRubyAnnotation() const;

  uint8_t alignment() const { return alignment_; }
  void setAlignment(uint8_t v) { alignment_ = v; }
  uint8_t overhang() const { return overhang_; }
  void setOverhang(uint8_t v) { overhang_ = v; }
  /// Ruby text size relative to the base text.
  double sizeFactor() const { return sizeFactor_; }
  void setSizeFactor(double v) { sizeFactor_ = v; }
  // Empty: no text at that position.
  const rt::String& textBefore() const { return texts_[0]; }
  void setTextBefore(const rt::String& v) { texts_[0] = v; }
  const rt::String& textAfter() const { return texts_[1]; }
  void setTextAfter(const rt::String& v) { texts_[1] = v; }
  const rt::String& textInterCharacter() const { return texts_[2]; }
  void setTextInterCharacter(const rt::String& v) { texts_[2] = v; }
  const rt::String& textInline() const { return texts_[3]; }
  void setTextInline(const rt::String& v) { texts_[3] = v; }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  uint8_t alignment_ = 0;
  uint8_t overhang_ = 0;
  double sizeFactor_ = 0.5;
  std::array<rt::String, typeset::RubyPositionCount> texts_;
};

}  // namespace text
