#include "text/model/DRTextBackedString.h"

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/text/StringObject.h"

namespace text {

RT_IMPLEMENT(DRTextBackedString) {
  c.property("string", &DRTextBackedString::string, &DRTextBackedString::setString);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextBackedString> DRTextBackedString::stringWithString(const rt::String& string) {
  auto s = rt::make<DRTextBackedString>();
  s->setString(string);
  return s;
}

rt::Id DRTextBackedString::copy() const {
  auto c = rt::as<DRTextBackedString>(getClass()->createInstance());
  c->setString(string_);
  return c;
}

void DRTextBackedString::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::box(string_), "string");
}

bool DRTextBackedString::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (auto s = coder.decodeObjectOfClass<fd::StringObject>("string")) string_ = s->string();
  return true;
}

}  // namespace text
