#pragma once
// The class configuration operations under their older names.
#include "net/mapping/NSObject+KMProperty.h"

namespace net {

void enumerateProperties(const rt::Class* cls, const KMPropertiesEnumeration& block);
void setupNewValueFromOldValue(const rt::Class* cls, KMNewValueBlock block);
rt::Id getNewValueFromObject(const rt::Class* cls, rt::Object& object, const rt::Id& oldValue,
                             const Ref<KMProperty>& property);
void setupReplacedKeyFromPropertyName(const rt::Class* cls, const KMDictionaryBlock& block);
void setupReplacedKeyFromPropertyName121(const rt::Class* cls, KMReplacedKeyBlock block);
void setupObjectClassInArray(const rt::Class* cls, const KMDictionaryBlock& block);

}  // namespace net
