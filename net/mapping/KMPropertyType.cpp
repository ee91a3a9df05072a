#include "net/mapping/KMPropertyType.h"

#include "net/mapping/KMDictionaryCache.h"
#include "net/mapping/KMFoundation.h"
#include "platform/foundation/values/Number.h"

namespace net {

RT_IMPLEMENT(KMPropertyType) {
  c.property("idType", &KMPropertyType::isIdType).getterName("isIdType");
  c.property("numberType", &KMPropertyType::isNumberType).getterName("isNumberType");
  c.property("boolType", &KMPropertyType::isBoolType).getterName("isBoolType");
  c.property("typeClass", &KMPropertyType::typeClass);
  c.property("fromFoundation", &KMPropertyType::isFromFoundation).getterName("isFromFoundation");
  c.property("KVCDisabled", &KMPropertyType::isKVCDisabled).getterName("isKVCDisabled");
}

Ref<KMPropertyType> KMPropertyType::cachedTypeWithCode(const std::optional<fd::String>& code) {
  if (!code) return nullptr;
  if (auto cached = rt::as<KMPropertyType>(KMDictionaryCache::objectForKey(*code, &km_keys::types))) return cached;
  auto type = rt::make<KMPropertyType>();
  type->setCode(code);
  KMDictionaryCache::setObject(type, *code, &km_keys::types);
  return type;
}

void KMPropertyType::setCode(const std::optional<fd::String>& code) {
  code_ = code;
  if (!code) return;
  const fd::String& c = *code;
  if (c == "@") {
    idType_ = true;
  } else if (c.isEmpty()) {
    kvcDisabled_ = true;
  } else if (c.length() > 3 && c.hasPrefix("@\"")) {
    code_ = c.substring(2, c.length() - 3);
    typeClass_ = rt::Class::named(code_->utf8());
    fromFoundation_ = KMFoundation::isClassFromFoundation(typeClass_);
    numberType_ = typeClass_ && typeClass_->isSubclassOfClass(fd::Number::classObject());
  } else if (c == ":" || c == "^{objc_ivar=}" || c == "^{objc_method=}") {
    kvcDisabled_ = true;
  }
  // Scalars of every width and signedness; the one-byte kinds double as booleans.
  fd::String lower = code_->lowercaseString();
  static const char* const numberCodes[] = {"i", "s", "c", "b", "f", "d", "l", "q"};
  for (const char* n : numberCodes) {
    if (lower == n) {
      numberType_ = true;
      if (lower == "c" || lower == "b") boolType_ = true;
    }
  }
}

}  // namespace net
