#include "net/mapping/NSObject+KMPropertyDeprecatedLegacy.h"

namespace net {

void enumerateProperties(const rt::Class* cls, const KMPropertiesEnumeration& block) {
  km_enumerateProperties(cls, block);
}
void setupNewValueFromOldValue(const rt::Class* cls, KMNewValueBlock block) {
  km_setupNewValueFromOldValue(cls, std::move(block));
}
rt::Id getNewValueFromObject(const rt::Class* cls, rt::Object& object, const rt::Id& oldValue,
                             const Ref<KMProperty>& property) {
  return km_getNewValueFromObject(cls, object, oldValue, property);
}
void setupReplacedKeyFromPropertyName(const rt::Class* cls, const KMDictionaryBlock& block) {
  km_setupReplacedKeyFromPropertyName(cls, block);
}
void setupReplacedKeyFromPropertyName121(const rt::Class* cls, KMReplacedKeyBlock block) {
  km_setupReplacedKeyFromPropertyName121(cls, std::move(block));
}
void setupObjectClassInArray(const rt::Class* cls, const KMDictionaryBlock& block) {
  km_setupObjectClassInArray(cls, block);
}

}  // namespace net
