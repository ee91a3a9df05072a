#include "text/model/DRTextBinding.h"

#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Number.h"

namespace text {

RT_IMPLEMENT(DRTextBinding) {
  c.property("deleteConfirm", &DRTextBinding::deleteConfirm, &DRTextBinding::setDeleteConfirm);
  c.protocol("NSCopying");
  c.protocol("NSCoding");
  c.protocol("NSSecureCoding");
}

Ref<DRTextBinding> DRTextBinding::bindingWithDeleteConfirm(bool deleteConfirm) {
  auto b = rt::make<DRTextBinding>();
  b->setDeleteConfirm(deleteConfirm);
  return b;
}

rt::Id DRTextBinding::copy() const {
  auto c = rt::as<DRTextBinding>(getClass()->createInstance());
  c->setDeleteConfirm(deleteConfirm_);
  return c;
}

void DRTextBinding::encodeWithCoder(fd::KeyedArchiver& coder) const {
  coder.encodeObject(fd::Number::numberWithBool(deleteConfirm_), "deleteConfirm");
}

bool DRTextBinding::initWithCoder(fd::KeyedUnarchiver& coder) {
  if (auto n = coder.decodeObjectOfClass<fd::Number>("deleteConfirm")) deleteConfirm_ = n->boolValue();
  return true;
}

}  // namespace text
