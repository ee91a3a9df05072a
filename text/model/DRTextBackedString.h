#pragma once
// The text that a replaced stretch stands for (the emoticon code behind an emoticon image).
#include "platform/foundation/Types.h"
#include "platform/foundation/serialization/Coding.h"

namespace text {

class DRTextBackedString : public rt::Object, public fd::Coding {
  RT_CLASS(DRTextBackedString, rt::Object)
 public:
  static Ref<DRTextBackedString> stringWithString(const rt::String& string);

  const rt::String& string() const { return string_; }
  void setString(const rt::String& v) { string_ = v; }

  rt::Id copy() const override;
  void encodeWithCoder(fd::KeyedArchiver& coder) const override;
  bool initWithCoder(fd::KeyedUnarchiver& coder) override;

 private:
  rt::String string_;
};

}  // namespace text
